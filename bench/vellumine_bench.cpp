// ConvertFile throughput, end to end: the input file (in the page cache after a first run)
// is read, converted and written to an output file. Prints MB/s (10^6 bytes per second)
// for each mode, in the default and the classic reading, beside memcpy over a buffer of
// the same size, measured in the same run.
//
//   vellumine_bench [--runs N] [--corpus-mib M] [file ...]
//
// (--split-corpus DIR and --write-corpus FILE only write the corpus, and --copy-floor IN OUT
// only copies a file as a conversion would, for the scripts that time the command line.)
//
// Every figure is the median of N runs (default 7); a run repeats a short job until it
// takes 20 ms or more. The cost of converting a one-byte file (opening and closing, the
// sink, the buffers) is shown for comparison.
//
// Each job allocates its two work buffers and frees them at its end, so every job pays
// the first touch of its pages, as a converter of many files does.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <system_error>
#include <thread>
#include <type_traits>
#include <vector>


#include "fast/byte_buffer.h"
#include "job/conversion_mode.h"
#include "job/file_output_stream.h"
#include "hostile_inputs.h"
#include "html_corpus.h"
#include "job/input_file.h"
#include "output_path.h"
#include "translation/output_stream.h"
#include "vellumine.h"

namespace {

namespace fs = std::filesystem;
using vellumine::ConversionMode;
using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  size_t mid = values.size() / 2;
  return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// Wall-clock seconds, and the process's processor seconds (which other programs on a busy
// machine do not inflate).
struct Seconds {
  double wall = 0;
  double cpu = 0;
};

// No set-up: the repeated calls are timed as one block.
struct NoSetUp {
  void operator()() const {}
};

// Seconds per call of body: the median of `runs` runs, each repeating body often enough
// to last 20 ms (one call first, untimed, to learn its length and warm the caches).
// setUp runs before every call, outside the clocks.
template <typename SetUp, typename Body>
Seconds MedianSeconds(int runs, SetUp setUp, Body body) {
  setUp();
  auto start = Clock::now();
  body();
  double once = std::chrono::duration<double>(Clock::now() - start).count();
  const int repeats = once >= 0.02 ? 1 : static_cast<int>(0.02 / std::max(once, 1e-7)) + 1;
  std::vector<double> wall;
  std::vector<double> cpu;
  for (int i = 0; i < runs; ++i) {
    double wallSum = 0;
    std::clock_t cpuSum = 0;
    if constexpr (std::is_same_v<SetUp, NoSetUp>) {
      start = Clock::now();
      std::clock_t startCpu = std::clock();
      for (int r = 0; r < repeats; ++r) body();
      cpuSum = std::clock() - startCpu;
      wallSum = std::chrono::duration<double>(Clock::now() - start).count();
    } else {
      for (int r = 0; r < repeats; ++r) {
        setUp();
        start = Clock::now();
        std::clock_t startCpu = std::clock();
        body();
        cpuSum += std::clock() - startCpu;
        wallSum += std::chrono::duration<double>(Clock::now() - start).count();
      }
    }
    cpu.push_back(static_cast<double>(cpuSum) / CLOCKS_PER_SEC / repeats);
    wall.push_back(wallSum / repeats);
  }
  return {Median(wall), Median(cpu)};
}

bool ReadWhole(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream all;
  all << in.rdbuf();
  bytes = all.str();
  return true;
}

// The scratch directory for outputs (and the corpus), removed at the end.
struct ScratchDir {
  fs::path path;
  ScratchDir() {
    std::random_device random;
    path = fs::temp_directory_path() / ("vellumine-bench-" + std::to_string(random()));
    fs::create_directories(path);
  }
  ~ScratchDir() {
    std::error_code error;
    fs::remove_all(path, error);
  }
};

struct Mode {
  ConversionMode mode;
  vellumine_reading reading;
  const char* name;
};

// Every mode in the default reading, then in the classic one.
const Mode kModes[] = {
    {ConversionMode::Text, VELLUMINE_READING_DEFAULT, "text               "},
    {ConversionMode::Rtf, VELLUMINE_READING_DEFAULT, "rtf                "},
    {ConversionMode::RtfTables, VELLUMINE_READING_DEFAULT, "rtf+tables         "},
    {ConversionMode::Text, VELLUMINE_READING_CLASSIC, "text, classic      "},
    {ConversionMode::Rtf, VELLUMINE_READING_CLASSIC, "rtf, classic       "},
    {ConversionMode::RtfTables, VELLUMINE_READING_CLASSIC, "rtf+tables, classic"}};
constexpr int kModeCount = static_cast<int>(std::size(kModes));

vellumine_options OptionsOf(const Mode& mode) {
  vellumine_options options = vellumine::OptionsFor(mode.mode);
  options.reading = mode.reading;
  return options;
}

Seconds ConvertSeconds(const std::string& input, const std::string& outputDir, const Mode& mode,
                      int runs, bool& ok) {
  const vellumine_options options = OptionsOf(mode);
  // Every job writes a new file, as into an empty output directory: replacing a file by
  // truncation makes some file systems flush it when it is closed.
  char output[4096];
  vellumine_output_path(input.c_str(), outputDir.c_str(), &options, output, sizeof output);
  auto removeOutput = [&] { std::remove(output); };
  auto once = [&] {
    vellumine_result result = vellumine_convert_file(input.c_str(), outputDir.c_str(), &options);
    if (result != VELLUMINE_OK) {
      std::fprintf(stderr, "vellumine_convert_file(%s) gave %d\n", input.c_str(),
                   static_cast<int>(result));
      ok = false;
    }
  };
  return MedianSeconds(runs, removeOutput, once);
}

bool Measure(const std::string& label, const std::string& path, const ScratchDir& scratch,
             int runs) {
  std::string bytes;
  if (!ReadWhole(path, bytes) || bytes.empty()) {
    std::fprintf(stderr, "cannot read %s (or it is empty)\n", path.c_str());
    return false;
  }
  const double megabytes = static_cast<double>(bytes.size()) / 1e6;

  std::vector<char> target(bytes.size());
  std::memcpy(target.data(), bytes.data(), bytes.size());
  Seconds copy = MedianSeconds(runs, NoSetUp{}, [&] {
    std::memcpy(target.data(), bytes.data(), bytes.size());
    // Keep the copy observable.
    asm volatile("" : : "r"(target.data()) : "memory");
  });
  const double copyRate = megabytes / copy.wall;

  std::printf("%s: %zu bytes\n", label.c_str(), bytes.size());
  bool ok = true;
  std::string outputDir = (scratch.path / "out").string() + "/";
  fs::create_directories(outputDir);
  for (int m = 0; m < kModeCount; ++m) {
    Seconds seconds = ConvertSeconds(path, outputDir, kModes[m], runs, ok);
    double rate = megabytes / seconds.wall;
    double cpuRate = megabytes / seconds.cpu;
    std::printf("  %s %8.1f MB/s   memcpy %8.1f MB/s   ratio %.3f   (by processor time %8.1f MB/s)\n",
                kModes[m].name, rate, copyRate, rate / copyRate, cpuRate);
  }
  std::fflush(stdout);
  return ok;
}

// The fixed cost, then the generated corpus and the given files in every mode.
bool MeasureAll(const ScratchDir& scratch, int runs, size_t corpusMiB,
                const std::vector<std::string>& files) {
  // The fixed cost: a one-byte input.
  std::string tiny = (scratch.path / "tiny.htm").string();
  std::ofstream(tiny, std::ios::binary) << "x";
  std::string tinyOut = (scratch.path / "tiny-out").string() + "/";
  fs::create_directories(tinyOut);
  bool ok = true;
  std::printf("fixed cost per file (text / rtf / rtf+tables, then classic):");
  for (int m = 0; m < kModeCount; ++m)
    std::printf(" %.1f", ConvertSeconds(tiny, tinyOut, kModes[m], runs, ok).wall * 1e6);
  std::printf(" us\n");

  using vellumine::bench::CorpusText;
  const struct {
    CorpusText text;
    const char* label;
  } corpora[] = {
      {CorpusText::Ascii, "generated corpus"},
      {CorpusText::Latin1, "generated corpus, accented words in ISO-8859-1"},
      {CorpusText::Latin1AsUtf8, "the same pages saved as UTF-8"},
      {CorpusText::Scripts, "generated corpus, UTF-8 in four scripts"},
      {CorpusText::ScriptsUndeclared, "the same pages declaring no charset"},
  };
  for (const auto& c : corpora) {
    std::string corpus = (scratch.path / "corpus.html").string();
    {  // the file is closed and its text freed before the measurements
      std::string html = vellumine::bench::MakeHtmlCorpus(corpusMiB << 20, c.text);
      std::ofstream out(corpus, std::ios::binary);
      out.write(html.data(), static_cast<std::streamsize>(html.size()));
      if (!out) {
        std::fprintf(stderr, "cannot write the corpus to %s\n", corpus.c_str());
        return false;
      }
    }
    ok = Measure(c.label, corpus, scratch, runs) && ok;
  }
  for (const std::string& file : files) ok = Measure(file, file, scratch, runs) && ok;
  return ok;
}

// Hostile pages in memory, at two sizes: milliseconds per MB stay flat when the work is linear.
void MeasureHostileInputs(int runs) {
  std::printf("hostile pages, ConvertMemory, milliseconds per MB at 4 MB and 32 MB "
              "(text / rtf / rtf+tables, then classic)\n");
  for (const vellumine::bench::HostileInput& input : vellumine::bench::kHostileInputs) {
    std::printf("  %-24s", input.name);
    for (size_t mib : {4, 32}) {
      const std::string page = input.make(mib << 20);
      const double megabytes = static_cast<double>(page.size()) / 1e6;
      for (int m = 0; m < kModeCount; ++m) {
        const vellumine_options options = OptionsOf(kModes[m]);
        Seconds seconds = MedianSeconds(std::max(1, runs / 2), NoSetUp{}, [&] {
          size_t bytes = 0;
          auto count = [](void* total, const char*, size_t n) {
            *static_cast<size_t*>(total) += n;
            return 0;
          };
          vellumine_convert_memory(page.data(), page.size(), &options, count, &bytes);
        });
        std::printf(m == 0 ? "  %6.1f" : " / %6.1f", seconds.wall * 1e3 / megabytes);
      }
      std::printf(mib == 4 ? " ms/MB at 4 MB," : " at 32 MB\n");
    }
  }
  std::fflush(stdout);
}

}  // namespace

// Writes the generated corpus as one file per page into directory (for timing the command
// line on a site): page-00001.html and on.
bool SplitCorpus(const std::string& directory, size_t corpusMiB) {
  const std::string html = vellumine::bench::MakeHtmlCorpus(corpusMiB << 20);
  std::error_code error;
  fs::create_directories(directory, error);
  size_t pages = 0;
  for (size_t start = 0; start < html.size();) {
    size_t end = html.find("<!DOCTYPE", start + 1);
    if (end == std::string::npos) end = html.size();
    char name[32];
    std::snprintf(name, sizeof name, "page-%05zu.html", ++pages);
    std::ofstream out(fs::path(directory) / name, std::ios::binary);
    out.write(html.data() + start, static_cast<std::streamsize>(end - start));
    if (!out) {
      std::fprintf(stderr, "cannot write %s in %s\n", name, directory.c_str());
      return false;
    }
    start = end;
  }
  std::printf("%zu pages, %zu bytes, in %s\n", pages, html.size(), directory.c_str());
  return true;
}

// Writes the generated corpus of the given text as one file (for timing the command line).
bool WriteCorpus(const std::string& path, size_t corpusMiB, vellumine::bench::CorpusText text) {
  const std::string html = vellumine::bench::MakeHtmlCorpus(corpusMiB << 20, text);
  std::ofstream out(path, std::ios::binary);
  out.write(html.data(), static_cast<std::streamsize>(html.size()));
  if (!out) std::fprintf(stderr, "cannot write %s\n", path.c_str());
  return static_cast<bool>(out);
}

// What a conversion of the file costs before it translates anything: the file read whole
// into a new buffer and copied into a second one (where the text is prepared), each half on
// a thread of its own as a conversion does, then written out with its line feeds as CR LF.
bool CopyFloor(const std::string& in, const std::string& out) {
  vellumine::InputFile input;
  vellumine::ByteBuffer text;
  vellumine::ByteBuffer copy;
  if (!input.Open(in.c_str())) return false;
  const auto n = static_cast<size_t>(input.size());
  if (!text.Allocate(n + 16) || !copy.Allocate(n + 16)) return false;
  const size_t half = n / 2;
  size_t got[2] = {};
  bool read[2] = {};
  auto readAndCopy = [&](int i) {
    const size_t from = i == 0 ? 0 : half;
    const size_t length = i == 0 ? half : n - half;
    read[i] = input.ReadAt(from, text.data() + from, length, got[i]) && got[i] == length;
    std::memcpy(copy.data() + from, text.data() + from, got[i]);
  };
  std::thread second(readAndCopy, 1);
  readAndCopy(0);
  second.join();
  vellumine::FileOutputStream output;
  if (!read[0] || !read[1] || !output.Open(out.c_str())) return false;
  output.Write(copy.data(), n);
  return output.Close();
}

int main(int argc, char** argv) {
  int runs = 7;
  size_t corpusMiB = 32;
  std::vector<std::string> files;
  std::string splitInto;
  std::string corpusFile;
  std::string floorFrom;
  std::string floorTo;
  auto corpusText = vellumine::bench::CorpusText::Ascii;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--corpus-mib" && i + 1 < argc) {
      corpusMiB = static_cast<size_t>(std::max(1, std::atoi(argv[++i])));
    } else if (arg == "--split-corpus" && i + 1 < argc) {
      splitInto = argv[++i];
    } else if (arg == "--write-corpus" && i + 1 < argc) {
      corpusFile = argv[++i];
    } else if (arg == "--copy-floor" && i + 2 < argc) {
      floorFrom = argv[++i];
      floorTo = argv[++i];
    } else if (arg == "--utf8-scripts") {
      corpusText = vellumine::bench::CorpusText::Scripts;
    } else if (arg == "-h" || arg == "--help") {
      std::printf("usage: vellumine_bench [--runs N] [--corpus-mib M] [file ...]\n"
                  "       vellumine_bench [--corpus-mib M] --split-corpus DIR\n"
                  "       vellumine_bench [--corpus-mib M] [--utf8-scripts] --write-corpus FILE\n"
                  "       vellumine_bench --copy-floor IN OUT\n");
      return 0;
    } else {
      files.push_back(arg);
    }
  }

  if (!splitInto.empty()) return SplitCorpus(splitInto, corpusMiB) ? 0 : 1;
  if (!corpusFile.empty()) return WriteCorpus(corpusFile, corpusMiB, corpusText) ? 0 : 1;
  if (!floorFrom.empty()) return CopyFloor(floorFrom, floorTo) ? 0 : 1;

  ScratchDir scratch;
  std::printf("ConvertFile end to end (page cache to file), median of %d runs; "
              "MB = 10^6 bytes\n", runs);
  std::printf("-- work buffers allocated and freed by every job\n");
  bool ok = MeasureAll(scratch, runs, corpusMiB, files);
  MeasureHostileInputs(runs);
  return ok ? 0 : 1;
}
