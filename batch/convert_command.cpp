#include "convert_command.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "convert_choices.h"
#include "count_html_files.h"
#include "directory_path.h"
#include "file_system.h"
#include "html_file_name.h"
#include "output_path.h"
#include "result_messages.h"
#include "settings_file.h"

namespace vellumine {

namespace {

// One file of a walk: where it is, where its output goes, and how the label shows it.
struct WalkEntry {
  std::string input;
  std::string outputDirectory;  // with its separator
  std::string label;            // the name, after the sub-directories below the walk's root
};

// Deeper than this a walk does not go: directories nested so deep are not pages (or are a
// loop the platform could not show as a link).
constexpr int kMaxWalkDepth = 64;

// One command's state: what it was given and what it has done so far.
class ConvertCommand {
 public:
  ConvertCommand(const ConvertChoices& choices, ConvertView& view, ConvertEnvironment& env)
      : choices_(choices), view_(view), env_(env) {}

  ConvertOutcome Run(std::string* updatedOutputPath);

 private:
  bool MakeSureOutputDirectoryExists();
  void ConvertSingleFile();
  void WalkDirectory();
  // The files of directory (pattern "*.*") and, when recursive, of its sub-directories in
  // place, in listing order; false when directory cannot be listed.
  bool Collect(const std::string& directory, const std::string& outputDirectory,
               const std::string& labelPrefix, int depth, std::vector<WalkEntry>& entries);
  // Whether the file's output exists and is not older than the file (with updateOnly).
  bool UpToDate(const std::string& inputFile, const std::string& outputDirectory);
  ConvertResult Convert(const WalkEntry& entry, ProgressSink& sink);
  // Claims the entry's output for it: empty, or the earlier input that wrote it.
  std::string ClaimOutput(const WalkEntry& entry);
  // Converts the entries, several at once with jobs above 1, and reports each in order.
  void ConvertAll(const std::vector<WalkEntry>& entries, int32_t total);
  // Reports one file's result and shows its error box when it failed; true when converted.
  // refusedFor: the earlier input whose output this one's would replace (not converted).
  bool Report(const WalkEntry& entry, ConvertResult result, bool skipped,
              const std::string& refusedFor = {});
  // Both bars to 0, the current-file label empty, both percent labels "0".
  void ResetDisplay();

  const ConvertChoices& choices_;
  ConvertView& view_;
  ConvertEnvironment& env_;

  // Fixed when the command starts.
  ConvertOptions options_;
  std::string outputDirectory_;  // the output path with its separator
  OutputClaims ownClaims_;       // the outputs written, without a run's

  ConvertOutcome outcome_;
};

ConvertOutcome ConvertCommand::Run(std::string* updatedOutputPath) {
  options_.fontName = choices_.fontName.c_str();
  options_.fontSizeText = choices_.fontSize.c_str();
  options_.encodingLabel = ChooseEncodingLabel(choices_.encodingIndex);
  options_.mode = ChooseConversionMode(choices_.format, choices_.convertTables);
  options_.textAsUtf8 = choices_.textAsUtf8;
  view_.SetTotalPercentText("0");

  // The paths are saved as typed, whatever happens next.
  if (env_.saveSettings) {
    WriteSettings(env_.settingsDirectory, choices_.inputPath, choices_.outputPath);
  }

  outputDirectory_ = choices_.outputPath;
  AppendSeparator(outputDirectory_, env_.style);
  if (updatedOutputPath != nullptr) *updatedOutputPath = outputDirectory_;

  if (!MakeSureOutputDirectoryExists()) {
    outcome_.stopped = true;
    outcome_.noOutputDirectory = true;
    return outcome_;
  }
  if (choices_.convertAll) {
    WalkDirectory();
  } else {
    ConvertSingleFile();
  }
  return outcome_;
}

bool ConvertCommand::MakeSureOutputDirectoryExists() {
  if (env_.files.Exists(outputDirectory_)) return true;
  MessageAnswer answer = view_.ShowMessage(DirectoryMissingQuestion(outputDirectory_),
                                           MessageKind::Error, MessageButtons::YesNo);
  if (answer != MessageAnswer::Yes) return false;
  if (env_.files.MakeDirectory(outputDirectory_)) return true;
  view_.ShowMessage(CannotCreateDirectoryMessage(outputDirectory_), MessageKind::Error,
                    MessageButtons::Ok);
  return false;
}

bool ConvertCommand::UpToDate(const std::string& inputFile, const std::string& outputDirectory) {
  if (!choices_.updateOnly) return false;
  std::string outputFile;
  MakeOutputPath(inputFile, outputDirectory, options_.mode, env_.style, outputFile);
  int64_t input = 0, output = 0;
  return env_.files.ModificationTime(outputFile, output) &&
         env_.files.ModificationTime(inputFile, input) && output >= input;
}

ConvertResult ConvertCommand::Convert(const WalkEntry& entry, ProgressSink& sink) {
  const char* input = entry.input.c_str();
  const char* output = entry.outputDirectory.c_str();
  return env_.convert ? env_.convert(input, output, options_, sink)
                      : ConvertFile(input, output, options_, sink, env_.style);
}

std::string ConvertCommand::ClaimOutput(const WalkEntry& entry) {
  std::string output;
  MakeOutputPath(entry.input, entry.outputDirectory, options_.mode, env_.style, output);
  OutputClaims& claims = env_.claims != nullptr ? *env_.claims : ownClaims_;
  std::string owner;
  return claims.Claim(env_.files.NameKey(output), entry.input, owner) ? std::string() : owner;
}

bool ConvertCommand::Report(const WalkEntry& entry, ConvertResult result, bool skipped,
                            const std::string& refusedFor) {
  FileReport report{result, entry.input, {}, skipped, refusedFor};
  MakeOutputPath(entry.input, entry.outputDirectory, options_.mode, env_.style,
                 report.outputPath);
  view_.ReportFile(report);
  if (!refusedFor.empty()) {
    ++outcome_.failed;
    view_.ShowMessage(OutputTakenMessage(report.outputPath, refusedFor, entry.input),
                      MessageKind::Error, MessageButtons::Ok);
    return false;
  }
  if (skipped) {
    ++outcome_.skipped;
    return false;
  }
  if (result == ConvertResult::Ok) {
    ++outcome_.converted;
    return true;
  }
  ++outcome_.failed;
  std::string message = ResultMessage(result, entry.input, report.outputPath);
  if (!message.empty()) view_.ShowMessage(message, MessageKind::Error, MessageButtons::Ok);
  return false;
}

void ConvertCommand::ConvertSingleFile() {
  const std::string& inputFile = choices_.inputPath;
  if (env_.files.IsDirectory(inputFile)) {
    view_.ShowMessage(kSelectFileMessage, MessageKind::Error, MessageButtons::Ok);
    outcome_.stopped = true;
    return;
  }
  view_.SetTotalRange(1);
  view_.SetCurrentFileText(inputFile);
  const WalkEntry entry{inputFile, outputDirectory_, inputFile};
  const std::string refusedFor = ClaimOutput(entry);
  bool skipped = refusedFor.empty() && UpToDate(inputFile, outputDirectory_);
  ConvertResult result = skipped || !refusedFor.empty()
                             ? ConvertResult::Ok
                             : Convert(entry, view_.CurrentFileProgress());
  if (Report(entry, result, skipped, refusedFor)) {
    view_.SetTotalPosition(1);
    view_.SetTotalPercentText("100");
  }
  // A failed file leaves the display as the attempt left it.
  if (outcome_.converted == 0) return;

  view_.SetTotalText(SummaryText(1, 1));
  view_.ShowMessage(CompletedMessage(1), MessageKind::Success, MessageButtons::Ok);
  view_.SetTotalText("");
  ResetDisplay();
}

bool ConvertCommand::Collect(const std::string& directory, const std::string& outputDirectory,
                             const std::string& labelPrefix, int depth,
                             std::vector<WalkEntry>& entries) {
  // "*.*" is every entry on both platforms.
  std::vector<std::string> names;
  if (!env_.files.ListDirectory(directory + "*.*", names)) return false;
  for (const std::string& name : names) {
    if (choices_.recursive && name != "." && name != "..") {
      std::string path = directory + name;
      // Links to directories are not followed, so a walk cannot loop.
      if (env_.files.IsDirectory(path)) {
        if (depth < kMaxWalkDepth && !env_.files.IsLink(path)) {
          AppendSeparator(path, env_.style);
          std::string output = outputDirectory + name;
          AppendSeparator(output, env_.style);
          std::string label = labelPrefix + name;
          AppendSeparator(label, env_.style);
          Collect(path, output, label, depth + 1, entries);
        }
        continue;
      }
    }
    if (IsHtmlFileName(name)) entries.push_back({directory + name, outputDirectory, labelPrefix + name});
  }
  return true;
}

void ConvertCommand::ConvertAll(const std::vector<WalkEntry>& entries, int32_t total) {
  int32_t& converted = outcome_.converted;
  // Mirrored sub-directories are made before any file goes into them.
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::string& directory = entries[i].outputDirectory;
    if ((i == 0 || directory != entries[i - 1].outputDirectory) && !env_.files.Exists(directory))
      MakeDirectories(env_.files, directory, env_.style);
  }
  // Claimed in the walk's order before any is converted, whatever the number of jobs: the
  // first of several inputs with one output is converted, the later ones refused.
  std::vector<std::string> refusedFor(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) refusedFor[i] = ClaimOutput(entries[i]);
  auto shown = [&](size_t i, ConvertResult result, bool skipped, bool labelShown) {
    if (!labelShown) view_.SetCurrentFileText(entries[i].label);
    Report(entries[i], result, skipped, refusedFor[i]);
    view_.SetTotalText(CountText(converted, total));
    view_.SetTotalPosition(converted);
    view_.SetTotalPercentText(PercentText(converted, total));
  };

  const size_t workers = std::min<size_t>(choices_.jobs > 1 ? static_cast<size_t>(choices_.jobs) : 1,
                                          entries.size());
  if (workers <= 1) {
    for (size_t i = 0; i < entries.size(); ++i) {
      view_.SetCurrentFileText(entries[i].label);
      bool skipped = refusedFor[i].empty() && UpToDate(entries[i].input, entries[i].outputDirectory);
      ConvertResult result = skipped || !refusedFor[i].empty()
                                 ? ConvertResult::Ok
                                 : Convert(entries[i], view_.CurrentFileProgress());
      shown(i, result, skipped, true);
    }
    return;
  }

  // Several files at once: each worker takes the next file, so no more than `workers` files
  // are in memory; results are shown in the walk's order as they become known.
  struct Slot {
    ConvertResult result = ConvertResult::Ok;
    bool skipped = false;
    bool done = false;
  };
  std::vector<Slot> slots(entries.size());
  std::atomic<size_t> next{0};
  std::mutex mutex;
  std::condition_variable finished;
  auto work = [&] {
    NullProgressSink sink;
    for (size_t i; (i = next.fetch_add(1)) < entries.size();) {
      Slot slot;
      if (refusedFor[i].empty()) {
        slot.skipped = UpToDate(entries[i].input, entries[i].outputDirectory);
        if (!slot.skipped) slot.result = Convert(entries[i], sink);
      }
      slot.done = true;
      std::lock_guard<std::mutex> lock(mutex);
      slots[i] = slot;
      finished.notify_all();
    }
  };
  std::vector<std::thread> threads;
  for (size_t t = 0; t < workers; ++t) {
    try {
      threads.emplace_back(work);
    } catch (const std::system_error&) {
      break;  // as many as the platform would start (a 32-bit process runs out of room)
    }
  }
  if (threads.empty()) work();  // none: every file on this thread, then reported
  for (size_t i = 0; i < entries.size(); ++i) {
    Slot slot;
    {
      std::unique_lock<std::mutex> lock(mutex);
      finished.wait(lock, [&] { return slots[i].done; });
      slot = slots[i];
    }
    shown(i, slot.result, slot.skipped, false);
  }
  for (std::thread& thread : threads) thread.join();
}

void ConvertCommand::WalkDirectory() {
  // A file path selects the file's own directory.
  std::string directory = choices_.inputPath;
  if (env_.files.IsDirectory(directory)) {
    AppendSeparator(directory, env_.style);
  } else {
    directory = CutToDirectory(directory, env_.style);
  }
  // Without recursion the files are counted first and then listed, as they always were;
  // with it, the count is of the files the walk found.
  std::vector<WalkEntry> entries;
  bool listed = false;
  int32_t total = 0;
  if (choices_.recursive) {
    listed = Collect(directory, outputDirectory_, "", 0, entries);
    total = static_cast<int32_t>(std::min<size_t>(entries.size(), INT32_MAX));
  } else {
    total = CountHtmlFiles(env_.files, directory + "*.*");
  }
  int32_t& converted = outcome_.converted;

  view_.SetTotalRange(total);
  view_.SetTotalPosition(0);
  view_.SetTotalText(CountText(converted, total));
  if (!choices_.recursive) listed = Collect(directory, outputDirectory_, "", 0, entries);

  if (!listed) {
    view_.SetTotalText(kFilesNotFoundText);
    outcome_.filesNotFound = true;
  } else {
    ConvertAll(entries, total);
  }

  if (converted != 0) {
    view_.SetTotalText(SummaryText(converted, total));
    view_.SetTotalPosition(total);
    view_.ShowMessage(CompletedMessage(converted), MessageKind::Success, MessageButtons::Ok);
    view_.SetTotalText("");
  }
  ResetDisplay();
}

void ConvertCommand::ResetDisplay() {
  ProgressSink& sink = view_.CurrentFileProgress();
  view_.SetTotalPosition(0);
  sink.SetPosition(0);
  view_.SetCurrentFileText("");
  sink.SetPercentText("0");
  view_.SetTotalPercentText("0");
}

}  // namespace

ConvertOutcome RunConvertCommand(const ConvertChoices& choices, ConvertView& view,
                                 ConvertEnvironment& env, std::string* updatedOutputPath) {
  return ConvertCommand(choices, view, env).Run(updatedOutputPath);
}

}  // namespace vellumine
