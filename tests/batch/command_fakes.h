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

  std::deque<MessageAnswer> answers;  // for Yes/No boxes, in order; Yes when none is left

  MessageAnswer ShowMessage(const std::string& text, const std::string& caption,
                            MessageButtons buttons) override {
    bool yesNo = buttons == MessageButtons::YesNo;
    log_.push_back((yesNo ? "yesno [" : "box [") + caption + "] " + text);
    if (!yesNo) return MessageAnswer::Ok;
    MessageAnswer answer = answers.empty() ? MessageAnswer::Yes : answers.front();
    if (!answers.empty()) answers.pop_front();
    return answer;
  }
  void SetTotalRange(int32_t high) override { Add("total range ", std::to_string(high)); }
  void SetTotalPosition(int32_t pos) override { Add("total pos ", std::to_string(pos)); }
  void SetCurrentFileText(const std::string& text) override { Add("file label ", text); }
  void SetTotalText(const std::string& text) override { Add("total label ", text); }
  void SetTotalPercentText(const std::string& text) override { Add("total % ", text); }
  ProgressSink& CurrentFileProgress() override { return *this; }
  void SetRange(int low, int high) override {
    Add("file range ", std::to_string(low) + ".." + std::to_string(high));
  }
  void SetPosition(int pos) override { Add("file pos ", std::to_string(pos)); }
  void SetPercentText(const char* text) override { Add("file % ", text); }

 private:
  void Add(const char* what, const std::string& value) { log_.push_back(what + value); }
  Log& log_;
};

class FakeFileSystem final : public FileSystem {
 public:
  explicit FakeFileSystem(Log& log) : log_(log) {}

  std::set<std::string> directories;  // the only entries that exist
  bool makeDirectoryFails = false;
  // Listings by pattern; several listings are given one per call (the last one stays), as
  // a directory that changes between the count and the walk.
  std::map<std::string, std::deque<std::vector<std::string>>> listings;

  bool Exists(const std::string& path) override { return directories.count(path) != 0; }
  bool IsDirectory(const std::string& path) override { return directories.count(path) != 0; }
  bool MakeDirectory(const std::string& path) override {
    log_.push_back("mkdir " + path);
    if (!makeDirectoryFails) directories.insert(path);
    return !makeDirectoryFails;
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
