// The Convert command shown on a terminal: messages as lines, progress as one line redrawn
// in place.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "convert_command.h"

namespace vellumine {

class TerminalView final : public ConvertView, private ProgressSink {
 public:
  // Errors go to err as "vellumine: " and the text; success texts to out unless quiet;
  // the progress line to err when showProgress.
  TerminalView(std::FILE* out, std::FILE* err, bool quiet, bool showProgress);

  // The next command converts single input `number` (from 1) of `count`; count 0 for a
  // directory walk, which numbers its files itself.
  void BeginInput(int32_t number, int32_t count);
  // Erases the progress line.
  void EndInput();

  // A line of its own: an error to err as "vellumine: " and the text; a note to out unless
  // quiet.
  void PrintError(const std::string& text);
  void PrintNote(const std::string& text);

  // ConvertView
  MessageAnswer ShowMessage(const std::string& text, MessageKind kind,
                            MessageButtons buttons) override;
  void SetTotalRange(int32_t high) override;
  void SetTotalPosition(int32_t) override {}
  void SetCurrentFileText(const std::string& text) override;
  void SetTotalText(const std::string&) override {}
  void SetTotalPercentText(const std::string&) override {}
  ProgressSink& CurrentFileProgress() override { return *this; }

 private:
  // ProgressSink: the current file's percent
  void SetRange(int, int) override {}
  void SetPosition(int) override {}
  void SetPercentText(const char* text) override;

  void Redraw();
  void Erase();

  std::FILE* out_;
  std::FILE* err_;
  bool quiet_;
  bool showProgress_;

  // What the progress line shows.
  bool walk_ = false;        // numbers come from the walk, not from BeginInput
  int32_t fileNumber_ = 0;   // the current file, from 1
  int32_t fileCount_ = 0;    // files in the batch
  std::string fileName_;     // the current file's name as the command shows it
  std::string percent_ = "0";
  size_t drawnWidth_ = 0;    // characters of the line on screen, 0 when none
};

// True when the stream is an interactive terminal.
bool IsTerminal(std::FILE* stream);

}  // namespace vellumine
