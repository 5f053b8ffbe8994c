#include "terminal_view.h"

#include "console_text.h"
#include "percent.h"
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

void TerminalView::FileStarted(int32_t number, const std::string& relativePath) {
  if (walk_) fileNumber_ = number;
  fileName_ = relativePath;
  percent_ = 0;
  Redraw();
}

void TerminalView::FileProgress(int step, int total) {
  const int percent = Percent(step, total);
  if (percent == percent_) return;
  percent_ = percent;
  if (!fileName_.empty()) Redraw();
}

void TerminalView::FileFinished(const FileReport& report) {
  if (std::string message = FileMessage(report); !message.empty()) PrintError(message);
}

void TerminalView::BatchFinished(const ConvertOutcome& outcome) {
  if (outcome.filesNotFound) PrintError(kFilesNotFoundText);
}

void TerminalView::PrintError(const std::string& text) {
  Erase();
  WriteText(err_, "vellumine: " + text + "\n");
  std::fflush(err_);
}

void TerminalView::PrintNote(const std::string& text) {
  if (quiet_) return;
  Erase();
  WriteText(out_, text + "\n");
  std::fflush(out_);
}

void TerminalView::PrintRunSummary(int32_t converted, int32_t failed, int32_t skipped) {
  // "1 of 2 files converted successfully.": the noun agrees with the total.
  const int32_t total = converted + failed + skipped;
  if (converted != 0) {
    PrintNote(std::to_string(converted) + " of " + std::to_string(total) +
              (total == 1 ? " file" : " files") + " converted successfully.");
  }
  if (skipped != 0) {
    PrintNote(std::to_string(skipped) + (skipped == 1 ? " file was" : " files were") +
              " up to date and not converted.");
  }
}

void TerminalView::Redraw() {
  if (!showProgress_) return;
  std::string line = "file " + std::to_string(fileNumber_) + " of " +
                     std::to_string(fileCount_) + ", " + std::to_string(percent_) + "%: " +
                     fileName_;
  // Characters, not bytes, count: a name is cut between two characters.
  size_t width = 0;
  size_t end = 0;
  for (; end < line.size(); ++end) {
    if ((static_cast<unsigned char>(line[end]) & 0xC0) == 0x80) continue;  // inside one
    if (width == kLineWidth) break;
    ++width;
  }
  line.resize(end);
  if (width < drawnWidth_) line.append(drawnWidth_ - width, ' ');
  WriteText(err_, "\r" + line);
  std::fflush(err_);
  drawnWidth_ = width;
}

void TerminalView::Erase() {
  if (drawnWidth_ == 0) return;
  WriteText(err_, "\r" + std::string(drawnWidth_, ' ') + "\r");
  std::fflush(err_);
  drawnWidth_ = 0;
}

}  // namespace vellumine
