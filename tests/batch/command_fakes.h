// A view that writes what it is shown into a log, so that tests can check the order of
// everything the Convert command does.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "convert_command.h"
#include "result_messages.h"

namespace vellumine::testing {

using Log = std::vector<std::string>;

class RecordingView final : public ConvertView, public ProgressSink {
 public:
  explicit RecordingView(Log& log) : log_(log) {}

  std::vector<FileReport> reports;  // every file reported, apart from the log
  std::deque<MessageAnswer> answers;  // for Yes/No boxes, in order; Yes when none is left

  MessageAnswer ShowMessage(const std::string& text, MessageKind kind,
                            MessageButtons buttons) override {
    bool yesNo = buttons == MessageButtons::YesNo;
    const std::string caption = kind == MessageKind::Error ? kErrorCaption : kThanksCaption;
    log_.push_back((yesNo ? "yesno [" : "box [") + caption + "] " + text);
    if (!yesNo || answers.empty()) return yesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void ReportFile(const FileReport& report) override { reports.push_back(report); }
  void SetTotalRange(int32_t high) override { Add("total range " + std::to_string(high)); }
  void SetTotalPosition(int32_t pos) override { Add("total pos " + std::to_string(pos)); }
  void SetCurrentFileText(const std::string& text) override { Add("file label " + text); }
  void SetTotalText(const std::string& text) override { Add("total label " + text); }
  void SetTotalPercentText(const std::string& text) override { Add("total % " + text); }
  ProgressSink& CurrentFileProgress() override { return *this; }
  void SetRange(int, int) override { Add("file range"); }
  void SetPosition(int pos) override { Add("file pos " + std::to_string(pos)); }
  void SetPercentText(const char* text) override { Add(std::string("file % ") + text); }

 private:
  void Add(std::string line) { log_.push_back(std::move(line)); }
  Log& log_;
};

}  // namespace vellumine::testing
