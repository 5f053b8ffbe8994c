// The Convert command shown on a terminal: messages as lines, progress as one line redrawn
// in place.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "convert_command.h"

namespace vellumine {

class TerminalView final : public ConvertView {
 public:
  // Errors go to err as "vellumine: " and the text; notes to out unless quiet; the
  // progress line to err when showProgress.
  TerminalView(std::FILE* out, std::FILE* err, bool quiet, bool showProgress);

  // The next command is input `number` (from 1) of the command line's `count`.
  void BeginInput(int32_t number, int32_t count);
  // Erases the progress line.
  void EndInput();

  // A line of its own: an error to err as "vellumine: " and the text; a note to out unless
  // quiet.
  void PrintError(const std::string& text);
  void PrintNote(const std::string& text);
  // The notes at the end of a run, over all its inputs: how many files were converted of
  // those tried, and how many were up to date.
  void PrintRunSummary(int32_t converted, int32_t failed, int32_t skipped);

  // ConvertView
  bool ConfirmCreateDirectory(const std::string&) override { return true; }  // it is made
  void CommandStopped(CommandProblem problem, const std::string& path) override;
  void BatchStarted(const BatchStart& batch) override;
  void FileStarted(int32_t number, const std::string& relativePath) override;
  void FileProgress(int step, int total) override;
  void FileFinished(const FileReport& report) override;
  void BatchFinished(const ConvertOutcome& outcome) override;

 private:
  void Redraw();
  void Erase();

  std::FILE* out_;
  std::FILE* err_;
  bool quiet_;
  bool showProgress_;

  // What the progress line shows: "file 2 of 3, 40%: name". A walk numbers its own files;
  // otherwise the number is the input's on the command line.
  int32_t inputNumber_ = 0;  // the input being converted, from 1
  int32_t inputCount_ = 0;   // inputs on the command line
  bool walk_ = false;        // the batch is a directory walk
  int32_t fileNumber_ = 0;   // the current file, from 1
  int32_t fileCount_ = 0;    // files in the batch
  std::string fileName_;     // the current file's name as the command shows it
  int percent_ = 0;
  size_t drawnWidth_ = 0;    // characters of the line on screen, 0 when none
};

// True when the stream is an interactive terminal.
bool IsTerminal(std::FILE* stream);

}  // namespace vellumine
