#include "terminal_view.h"

#include "result_messages.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vellumine {

namespace {

constexpr size_t kLineWidth = 79;  // stays on one line of an 80-column terminal

}  // namespace

bool IsTerminal(std::FILE* stream) {
#ifdef _WIN32
  return _isatty(_fileno(stream)) != 0;
#else
  return isatty(fileno(stream)) != 0;
#endif
}

TerminalView::TerminalView(std::FILE* out, std::FILE* err, bool quiet, bool showProgress)
    : out_(out), err_(err), quiet_(quiet), showProgress_(showProgress && !quiet) {}

void TerminalView::BeginInput(int32_t number, int32_t count) {
  inputNumber_ = number;
  inputCount_ = count;
  fileName_.clear();
  percent_ = 0;
}

void TerminalView::EndInput() { Erase(); }

void TerminalView::CommandStopped(CommandProblem problem, const std::string& path) {
  switch (problem) {
    case CommandProblem::CannotCreateOutputDirectory:
      PrintError(CannotCreateDirectoryMessage(path));
      break;
    case CommandProblem::InputIsDirectory:
      PrintError(path + " is a directory: -a converts its HTML files, -r those of its "
                        "sub-directories too.");
      break;
  }
}

void TerminalView::BatchStarted(const BatchStart& batch) {
  // A walk counts its own files; single inputs are counted on the command line.
  walk_ = batch.walk;
  fileCount_ = walk_ ? batch.files : inputCount_;
  fileNumber_ = walk_ ? 0 : inputNumber_;
}

void TerminalView::FileStarted(int32_t number, const std::string& label) {
  if (walk_) fileNumber_ = number;
  fileName_ = label;
  percent_ = 0;
  Redraw();
}

void TerminalView::FileProgress(int step, int total) {
  const int percent = total > 0 ? step * 100 / total : 0;
  if (percent == percent_) return;
  percent_ = percent;
  if (!fileName_.empty()) Redraw();
}

void TerminalView::FileFinished(const FileReport& report) {
  if (!report.message.empty()) PrintError(report.message);
}

void TerminalView::BatchFinished(const ConvertOutcome& outcome) {
  if (outcome.filesNotFound) PrintError(kFilesNotFoundText);
}

void TerminalView::PrintError(const std::string& text) {
  Erase();
  std::fprintf(err_, "vellumine: %s\n", text.c_str());
  std::fflush(err_);
}

void TerminalView::PrintNote(const std::string& text) {
  if (quiet_) return;
  Erase();
  std::fprintf(out_, "%s\n", text.c_str());
  std::fflush(out_);
}

void TerminalView::Redraw() {
  if (!showProgress_) return;
  std::string line = "file " + std::to_string(fileNumber_) + " of " +
                     std::to_string(fileCount_) + ", " + std::to_string(percent_) + "%: " +
                     fileName_;
  if (line.size() > kLineWidth) line.resize(kLineWidth);
  size_t width = line.size();
  if (width < drawnWidth_) line.append(drawnWidth_ - width, ' ');
  std::fprintf(err_, "\r%s", line.c_str());
  std::fflush(err_);
  drawnWidth_ = width;
}

void TerminalView::Erase() {
  if (drawnWidth_ == 0) return;
  std::fprintf(err_, "\r%s\r", std::string(drawnWidth_, ' ').c_str());
  std::fflush(err_);
  drawnWidth_ = 0;
}

}  // namespace vellumine
