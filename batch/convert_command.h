// The Convert command: the user's choices become one conversion per input file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "convert_file.h"
#include "file_system.h"
#include "output_claims.h"

namespace vellumine {

// The values the command reads from the window's controls when it starts.
struct ConvertChoices {
  std::string inputPath{};        // Input path box
  std::string outputPath{};       // Output path box, as typed
  int format = 0;                 // 0 "*.rtf", 1 "*.txt", -1 neither checked
  bool convertTables = false;     // "convert tables"
  bool convertAll = false;        // "Convert all files in this directory"
  int encodingIndex = 0;          // selected Encoding list index, -1 for none
  std::string fontName = "Arial"; // RTF font face
  std::string fontSize = "10";    // RTF font size text

  // What the command line adds; the window leaves them as they are.
  bool recursive = false;         // "Convert all" enters sub-directories, mirrored in the output
  int jobs = 1;                   // files converted at once
  bool updateOnly = false;        // only files whose output is missing or older than the input
  bool textAsUtf8 = false;        // plain text in UTF-8 whatever the page's character set
};

enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };
enum class MessageKind { Error, Success };  // the window's captions "Error!" and "Thank you ..."

// What happened to one file, reported before any message about it.
struct FileReport {
  ConvertResult result = ConvertResult::Ok;
  std::string inputPath;   // as the command named it
  std::string outputPath;  // the output it wrote, or tried to write
  bool skipped = false;    // up to date: not converted (result Ok)
  // Not converted because an earlier input of the run just wrote the same output: that
  // input (empty otherwise). Counted as failed.
  std::string refusedFor;
};

// Everything the command shows. The window implements it with its controls and message
// boxes; the command line with a terminal; tests with a recorder.
class ConvertView {
 public:
  virtual ~ConvertView() = default;
  // A modal message box without icon; returns the button pressed.
  virtual MessageAnswer ShowMessage(const std::string& text, MessageKind kind,
                                    MessageButtons buttons) = 0;
  // Every file the command converted, skipped or failed on, in the walk's order.
  virtual void ReportFile(const FileReport&) {}
  virtual void SetTotalRange(int32_t high) = 0;                  // total bar, low is 0
  virtual void SetTotalPosition(int32_t pos) = 0;                // total bar
  virtual void SetCurrentFileText(const std::string& text) = 0;  // current-file label
  virtual void SetTotalText(const std::string& text) = 0;        // total label
  virtual void SetTotalPercentText(const std::string& text) = 0; // total percent label
  virtual ProgressSink& CurrentFileProgress() = 0;               // file bar + its percent
};

// What one command did, for callers that need more than the display (the command line).
struct ConvertOutcome {
  int32_t converted = 0;  // files converted
  int32_t failed = 0;     // files that gave an error result
  int32_t skipped = 0;    // files left alone because their output was up to date
  bool stopped = false;   // ended before converting: output directory declined or not
                          // created, or a directory given without "Convert all"
  bool noOutputDirectory = false;  // stopped because the output directory is missing
  bool filesNotFound = false;      // "Convert all": the directory could not be listed
};

// Calls one conversion; ConvertFile by default, replaceable in tests. With jobs above 1 it is
// called from several threads at once.
using ConvertFunction = std::function<ConvertResult(
    const char* inputPath, const char* outputDirectory, const ConvertOptions& options,
    ProgressSink& sink)>;

// The environment of the command.
struct ConvertEnvironment {
  FileSystem& files;
  std::string settingsDirectory{};  // the start-up directory; "settings.ini" is written there
  PathStyle style = kNativePathStyle;
  ConvertFunction convert{};        // empty: ConvertFile
  bool saveSettings = true;         // false: "settings.ini" is left alone (the command line)
  // The outputs written so far by a run of several commands (the command line's inputs);
  // null: the command's own.
  OutputClaims* claims = nullptr;
};

// Runs the whole Convert command. updatedOutputPath receives the output path with its
// separator appended (the window keeps it as its remembered output path).
ConvertOutcome RunConvertCommand(const ConvertChoices& choices, ConvertView& view,
                                 ConvertEnvironment& env, std::string* updatedOutputPath);

}  // namespace vellumine
