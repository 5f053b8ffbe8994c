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
  walk_ = count == 0;
  fileNumber_ = walk_ ? 0 : number;
  fileCount_ = count;
  fileName_.clear();
  percent_ = "0";
}

void TerminalView::EndInput() { Erase(); }

MessageAnswer TerminalView::ShowMessage(const std::string& text, MessageKind kind,
                                        MessageButtons buttons) {
  // The only question is whether to create the output directory: the command line does.
  if (buttons == MessageButtons::YesNo) return MessageAnswer::Yes;
  Erase();
  if (kind == MessageKind::Error) {
    std::fprintf(err_, "vellumine: %s\n", text.c_str());
    std::fflush(err_);
  }
  // A success report is the window's: the command line sums up all its inputs at the end.
  return MessageAnswer::Ok;
}

void TerminalView::SetTotalRange(int32_t high) {
  if (walk_) fileCount_ = high;
}

void TerminalView::SetCurrentFileText(const std::string& text) {
  fileName_ = text;
  if (text.empty()) return;
  if (walk_) ++fileNumber_;
  percent_ = "0";
  Redraw();
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

void TerminalView::SetPercentText(const char* text) {
  if (percent_ == text) return;
  percent_ = text;
  if (!fileName_.empty()) Redraw();
}

void TerminalView::Redraw() {
  if (!showProgress_) return;
  std::string line = "file " + std::to_string(fileNumber_) + " of " +
                     std::to_string(fileCount_) + ", " + percent_ + "%: " + fileName_;
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
