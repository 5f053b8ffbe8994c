// The Convert command: the user's choices become one conversion per input file, and what
// happens is reported to a view as events.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "file_system.h"
#include "output_claims.h"
#include "vellumine.h"

namespace vellumine {

// What one command is asked to do.
struct ConvertChoices {
  std::string inputPath{};   // a file, or with convertAll a file or directory of the walk
  std::string outputPath{};  // the output directory, as given
  bool convertAll = false;   // every HTML file of the input's directory
  bool recursive = false;    // the walk enters sub-directories, mirrored in the output
  int jobs = 1;              // files converted at once
  bool updateOnly = false;   // only files whose output is missing or older than the input
  // The conversion's options; font_name points to a string that outlives the command.
  vellumine_options options = DefaultConvertOptions();

  static vellumine_options DefaultConvertOptions() {
    vellumine_options options;
    vellumine_options_init(&options);
    return options;
  }
};

// Why a command stopped before converting anything.
enum class CommandProblem {
  CannotCreateOutputDirectory,  // the path: the output directory
  InputIsDirectory,             // the path: the input, a directory, without convertAll
};

// A batch about to be converted.
struct BatchStart {
  int32_t files = 0;  // how many (a walk's count, made before it starts; 1 for one file)
  bool walk = false;  // the files of a directory
};

// What happened to one file, in the walk's order.
struct FileReport {
  int32_t number = 0;                    // from 1
  vellumine_result result = VELLUMINE_OK;
  std::string inputPath;                 // as the command named it
  std::string outputPath;                // the output it wrote, or tried to write
  bool skipped = false;                  // up to date: not converted (result Ok)
  // Not converted because an earlier input of the run just wrote the same output: that
  // input (empty otherwise). Counted as failed.
  std::string refusedFor;
  int32_t converted = 0;                 // files converted so far, this one included
  bool failed() const { return !skipped && (result != VELLUMINE_OK || !refusedFor.empty()); }
};

// What one command did.
struct ConvertOutcome {
  int32_t files = 0;      // the batch's count (BatchStart::files)
  int32_t converted = 0;  // files converted
  int32_t failed = 0;     // files that failed or were refused
  int32_t skipped = 0;    // files left alone because their output was up to date
  bool walk = false;      // the files of a directory
  bool stopped = false;   // ended before converting: output directory declined or not
                          // created, or a directory given without convertAll
  bool noOutputDirectory = false;  // stopped because the output directory is missing
  bool filesNotFound = false;      // a walk whose directory could not be listed
};

// Everything the command tells whoever shows it, in order: a command that converts gives
// BatchStarted, then for each file FileStarted, its progress (when converted one at a
// time) and FileFinished, then BatchFinished. The events hold numbers, paths and results;
// each view words them: the window as bars, labels and boxes, the command line as its
// progress line and messages.
class ConvertView {
 public:
  virtual ~ConvertView() = default;
  // The output directory is missing: whether to create it.
  virtual bool ConfirmCreateDirectory(const std::string& directory) = 0;
  // The command stops before converting.
  virtual void CommandStopped(CommandProblem problem, const std::string& path) = 0;
  virtual void BatchStarted(const BatchStart& batch) = 0;
  // File `number` (from 1) starts; relativePath is its path below the walk's directory, or
  // the input's path as given when the command converts one file.
  virtual void FileStarted(int32_t number, const std::string& relativePath) = 0;
  // The current file's progress: step of total (Percent(step, total) of it).
  virtual void FileProgress(int step, int total) = 0;
  virtual void FileFinished(const FileReport& report) = 0;
  virtual void BatchFinished(const ConvertOutcome& outcome) = 0;
};

// Calls one conversion; the library's by default, replaceable in tests. With jobs above 1
// it is called from several threads at once.
using ConvertFunction = std::function<vellumine_result(
    const char* inputPath, const char* outputDirectory, const vellumine_options& options)>;

// The environment of the command.
struct ConvertEnvironment {
  FileSystem& files;
  PathStyle style = kNativePathStyle;
  ConvertFunction convert{};        // empty: vellumine_convert_file
  // The outputs written so far by a run of several commands (the command line's inputs);
  // null: the command's own.
  OutputClaims* claims = nullptr;
};

// Runs the whole Convert command.
ConvertOutcome RunConvertCommand(const ConvertChoices& choices, ConvertView& view,
                                 ConvertEnvironment& env);

}  // namespace vellumine
