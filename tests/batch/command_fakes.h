// A view, a file system and a converter that write what happens to them into one log, so
// that tests can check the order of everything the Convert command does.
#pragma once

#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "convert_command.h"

namespace vellumine::testing {

using Log = std::vector<std::string>;

class RecordingView final : public ConvertView, public ProgressSink {
 public:
  explicit RecordingView(Log& log) : log_(log) {}

  // Answers for Yes/No boxes, in order; Yes when none is left.
  std::deque<MessageAnswer> answers;

  MessageAnswer ShowMessage(const std::string& text, const std::string& caption,
                            MessageButtons buttons) override {
    log_.push_back((buttons == MessageButtons::YesNo ? "yesno [" : "box [") + caption + "] " +
                   text);
    if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
    if (answers.empty()) return MessageAnswer::Yes;
    MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void SetTotalRange(int32_t high) override { log_.push_back("total range " + std::to_string(high)); }
  void SetTotalPosition(int32_t pos) override { log_.push_back("total pos " + std::to_string(pos)); }
  void SetCurrentFileText(const std::string& text) override { log_.push_back("file label " + text); }
  void SetTotalText(const std::string& text) override { log_.push_back("total label " + text); }
  void SetTotalPercentText(const std::string& text) override { log_.push_back("total % " + text); }
  ProgressSink& CurrentFileProgress() override { return *this; }

  void SetRange(int low, int high) override {
    log_.push_back("file range " + std::to_string(low) + ".." + std::to_string(high));
  }
  void SetPosition(int pos) override { log_.push_back("file pos " + std::to_string(pos)); }
  void SetPercentText(const char* text) override { log_.push_back(std::string("file % ") + text); }

 private:
  Log& log_;
};

class FakeFileSystem final : public FileSystem {
 public:
  explicit FakeFileSystem(Log& log) : log_(log) {}

  std::set<std::string> files;        // existing files
  std::set<std::string> directories;  // existing directories
  bool makeDirectoryFails = false;
  // Listings by pattern; a pattern with several listings gives the next one on every call
  // (the last one stays), as a directory that changes between the count and the walk.
  std::map<std::string, std::deque<std::vector<std::string>>> listings;

  bool Exists(const std::string& path) override {
    return files.count(path) != 0 || directories.count(path) != 0;
  }
  bool IsDirectory(const std::string& path) override { return directories.count(path) != 0; }
  bool MakeDirectory(const std::string& path) override {
    log_.push_back("mkdir " + path);
    if (makeDirectoryFails) return false;
    directories.insert(path);
    return true;
  }
  bool ListDirectory(const std::string& pattern, std::vector<std::string>& names) override {
    log_.push_back("list " + pattern);
    auto it = listings.find(pattern);
    if (it == listings.end()) return false;
    names = it->second.front();
    if (it->second.size() > 1) it->second.pop_front();
    return true;
  }

 private:
  Log& log_;
};

// A converter that logs its arguments, moves the file bar as the engine does, and returns
// the result scripted for the input (Ok when none is).
class FakeConverter {
 public:
  explicit FakeConverter(Log& log) : log_(log) {}

  std::map<std::string, ConvertResult> results;

  ConvertFunction Function() {
    return [this](const char* input, const char* outputDirectory, const ConvertOptions& options,
                  ProgressSink& sink) {
      log_.push_back(std::string("convert ") + input + " -> " + outputDirectory + " mode " +
                     std::to_string(static_cast<int>(options.mode)) + " " + options.fontName +
                     " " + options.fontSizeText + " " + options.encodingLabel);
      sink.SetPosition(50);
      auto it = results.find(input);
      return it == results.end() ? ConvertResult::Ok : it->second;
    };
  }

 private:
  Log& log_;
};

}  // namespace vellumine::testing
