// A view that writes every event of the Convert command into a log, so that tests can check
// the order of everything the command does.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "convert_command.h"

namespace vellumine::testing {

using Log = std::vector<std::string>;

// Lines: "ask D:\out\", "stop directory C:\web", "batch 4 walk", "file 1 a.htm",
// "step 50/50", "done 1 result 5 D:\out\b.rtf converted 0", "... refused for C:\a.htm",
// "end converted 3 failed 1 skipped 0 of 4".
struct RecordingView final : ConvertView {
  explicit RecordingView(Log& log) : log_(log) {}

  std::vector<FileReport> reports;  // every file reported, apart from the log
  bool answer = true;               // to the question
  std::function<void(const std::string&)> onFileStarted;  // given the file's relative path

  bool ConfirmCreateDirectory(const std::string& directory) override {
    Add("ask " + directory);
    return answer;
  }
  void CommandStopped(CommandProblem problem, const std::string& path) override {
    Add((problem == CommandProblem::InputIsDirectory ? "stop directory " : "stop mkdir ") + path);
  }
  void BatchStarted(const BatchStart& batch) override {
    Add("batch " + std::to_string(batch.files) + (batch.walk ? " walk" : ""));
  }
  void FileStarted(int32_t number, const std::string& relativePath) override {
    Add("file " + std::to_string(number) + " " + relativePath);
    if (onFileStarted) onFileStarted(relativePath);
  }
  void FileProgress(int step, int total) override {
    Add("step " + std::to_string(step) + "/" + std::to_string(total));
  }
  void FileFinished(const FileReport& report) override {
    reports.push_back(report);
    Add("done " + std::to_string(report.number) + " result " + std::to_string(report.result) +
        " " + report.outputPath + " converted " + std::to_string(report.converted) +
        (report.skipped ? " skipped" : "") +
        (report.refusedFor.empty() ? "" : " refused for " + report.refusedFor));
  }
  void BatchFinished(const ConvertOutcome& o) override {
    Add("end converted " + std::to_string(o.converted) + " failed " + std::to_string(o.failed) +
        " skipped " + std::to_string(o.skipped) + " of " + std::to_string(o.files) +
        (o.filesNotFound ? " not found" : ""));
  }
  void Add(std::string line) { log_.push_back(std::move(line)); }
  Log& log_;
};

}  // namespace vellumine::testing
