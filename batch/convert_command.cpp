#include "convert_command.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "count_html_files.h"
#include "directory_path.h"
#include "file_system.h"
#include "html_file_name.h"
#include "output_path.h"

namespace vellumine {

namespace {

// One file of a walk: where it is and where its output goes.
struct WalkEntry {
  std::string input;
  std::string outputDirectory;  // with its separator
  std::string relativePath;     // the name, after the sub-directories below the walk's root
};

// Deeper than this a walk does not go: directories nested so deep are not pages (or are a
// loop the platform could not show as a link).
constexpr int kMaxWalkDepth = 64;

// One command's state: what it was given and what it has done so far.
class ConvertCommand {
 public:
  ConvertCommand(const ConvertChoices& choices, ConvertView& view, ConvertEnvironment& env)
      : choices_(choices), view_(view), env_(env) {}

  ConvertOutcome Run();

 private:
  bool MakeSureOutputDirectoryExists();
  void ConvertSingleFile();
  void WalkDirectory();
  // The files of directory (pattern "*.*") and, when recursive, of its sub-directories in
  // place, in listing order; false when directory cannot be listed.
  bool Collect(const std::string& directory, const std::string& outputDirectory,
               const std::string& relativePrefix, int depth, std::vector<WalkEntry>& entries);
  std::string OutputPath(const WalkEntry& entry) const;
  // Whether the file's output exists and is not older than the file (with updateOnly).
  bool UpToDate(const WalkEntry& entry);
  // Converts one file, its progress shown when `shown`.
  vellumine_result Convert(const WalkEntry& entry, bool shown);
  // Claims the entry's output for it: empty, or the earlier input that wrote it.
  std::string ClaimOutput(const WalkEntry& entry);
  // Converts the entries, several at once with jobs above 1, and reports each in order.
  void ConvertAll(const std::vector<WalkEntry>& entries);
  // Counts one file and reports it.
  void Report(int32_t number, const WalkEntry& entry, vellumine_result result, bool skipped,
              const std::string& refusedFor);

  const ConvertChoices& choices_;
  ConvertView& view_;
  ConvertEnvironment& env_;

  // Fixed when the command starts.
  vellumine_options options_;    // the choices' options, progress to the view
  std::string outputDirectory_;  // the output path with its separator
  OutputClaims ownClaims_;       // the outputs written, without a run's

  ConvertOutcome outcome_;
};

ConvertOutcome ConvertCommand::Run() {
  options_ = choices_.options;
  options_.progress = [](void* view, int step, int total) {
    static_cast<ConvertView*>(view)->FileProgress(step, total);
  };
  options_.progress_context = &view_;

  outputDirectory_ = choices_.outputPath;
  AppendSeparator(outputDirectory_, env_.style);

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
  if (!view_.ConfirmCreateDirectory(outputDirectory_)) return false;
  if (env_.files.MakeDirectory(outputDirectory_)) return true;
  view_.CommandStopped(CommandProblem::CannotCreateOutputDirectory, outputDirectory_);
  return false;
}

std::string ConvertCommand::OutputPath(const WalkEntry& entry) const {
  std::string output;
  MakeOutputPath(entry.input, entry.outputDirectory, vellumine_format_extension(options_.format),
                 env_.style, output);
  return output;
}

bool ConvertCommand::UpToDate(const WalkEntry& entry) {
  if (!choices_.updateOnly) return false;
  int64_t input = 0, output = 0;
  return env_.files.ModificationTime(OutputPath(entry), output) &&
         env_.files.ModificationTime(entry.input, input) && output >= input;
}

vellumine_result ConvertCommand::Convert(const WalkEntry& entry, bool shown) {
  vellumine_options options = options_;
  if (!shown) options.progress = nullptr;
  const char* input = entry.input.c_str();
  const char* output = entry.outputDirectory.c_str();
  return env_.convert ? env_.convert(input, output, options)
                      : vellumine_convert_file(input, output, &options);
}

std::string ConvertCommand::ClaimOutput(const WalkEntry& entry) {
  OutputClaims& claims = env_.claims != nullptr ? *env_.claims : ownClaims_;
  std::string owner;
  return claims.Claim(env_.files.NameKey(OutputPath(entry)), entry.input, owner) ? std::string()
                                                                                 : owner;
}

void ConvertCommand::Report(int32_t number, const WalkEntry& entry, vellumine_result result,
                            bool skipped, const std::string& refusedFor) {
  FileReport report{number, result, entry.input, OutputPath(entry), skipped, refusedFor, 0};
  if (skipped) {
    ++outcome_.skipped;
  } else if (report.failed()) {
    ++outcome_.failed;
  } else {
    ++outcome_.converted;
  }
  report.converted = outcome_.converted;
  view_.FileFinished(report);
}

void ConvertCommand::ConvertSingleFile() {
  const std::string& inputFile = choices_.inputPath;
  if (env_.files.IsDirectory(inputFile)) {
    view_.CommandStopped(CommandProblem::InputIsDirectory, inputFile);
    outcome_.stopped = true;
    return;
  }
  outcome_.files = 1;
  view_.BatchStarted({1, false});
  view_.FileStarted(1, inputFile);
  const WalkEntry entry{inputFile, outputDirectory_, inputFile};
  const std::string refusedFor = ClaimOutput(entry);
  bool skipped = refusedFor.empty() && UpToDate(entry);
  vellumine_result result =
      skipped || !refusedFor.empty() ? VELLUMINE_OK : Convert(entry, true);
  Report(1, entry, result, skipped, refusedFor);
  view_.BatchFinished(outcome_);
}

bool ConvertCommand::Collect(const std::string& directory, const std::string& outputDirectory,
                             const std::string& relativePrefix, int depth,
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
          std::string relative = relativePrefix + name;
          AppendSeparator(relative, env_.style);
          Collect(path, output, relative, depth + 1, entries);
        }
        continue;
      }
    }
    if (IsHtmlFileName(name)) entries.push_back({directory + name, outputDirectory, relativePrefix + name});
  }
  return true;
}

void ConvertCommand::ConvertAll(const std::vector<WalkEntry>& entries) {
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
  auto number = [](size_t i) { return static_cast<int32_t>(std::min<size_t>(i + 1, INT32_MAX)); };

  const size_t workers = std::min<size_t>(choices_.jobs > 1 ? static_cast<size_t>(choices_.jobs) : 1,
                                          entries.size());
  if (workers <= 1) {
    for (size_t i = 0; i < entries.size(); ++i) {
      view_.FileStarted(number(i), entries[i].relativePath);
      bool skipped = refusedFor[i].empty() && UpToDate(entries[i]);
      vellumine_result result =
          skipped || !refusedFor[i].empty() ? VELLUMINE_OK : Convert(entries[i], true);
      Report(number(i), entries[i], result, skipped, refusedFor[i]);
    }
    return;
  }

  // Several files at once: each worker takes the next file, so no more than `workers` files
  // are in memory; results are reported in the walk's order as they become known, each
  // file started when it is reported.
  struct Slot {
    vellumine_result result = VELLUMINE_OK;
    bool skipped = false;
    bool done = false;
  };
  std::vector<Slot> slots(entries.size());
  std::atomic<size_t> next{0};
  std::mutex mutex;
  std::condition_variable finished;
  auto work = [&] {
    for (size_t i; (i = next.fetch_add(1)) < entries.size();) {
      Slot slot;
      if (refusedFor[i].empty()) {
        slot.skipped = UpToDate(entries[i]);
        if (!slot.skipped) slot.result = Convert(entries[i], false);
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
    view_.FileStarted(number(i), entries[i].relativePath);
    Report(number(i), entries[i], slot.result, slot.skipped, refusedFor[i]);
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
  if (choices_.recursive) {
    listed = Collect(directory, outputDirectory_, "", 0, entries);
    outcome_.files = static_cast<int32_t>(std::min<size_t>(entries.size(), INT32_MAX));
  } else {
    outcome_.files = CountHtmlFiles(env_.files, directory + "*.*");
  }
  outcome_.walk = true;
  view_.BatchStarted({outcome_.files, true});
  if (!choices_.recursive) listed = Collect(directory, outputDirectory_, "", 0, entries);

  if (listed) {
    ConvertAll(entries);
  } else {
    outcome_.filesNotFound = true;
  }
  view_.BatchFinished(outcome_);
}

}  // namespace

ConvertOutcome RunConvertCommand(const ConvertChoices& choices, ConvertView& view,
                                 ConvertEnvironment& env) {
  return ConvertCommand(choices, view, env).Run();
}

}  // namespace vellumine
