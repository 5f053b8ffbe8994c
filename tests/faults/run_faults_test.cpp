// Faults while conversions run. A batch goes on past an input that disappears between the
// listing and its conversion, and past a thousand files of which some are empty and some
// cannot be read: every other file is converted, and the counts and messages are exact. A
// conversion killed part-way leaves the output's name holding the previous file or the
// whole new one, never a part. Hostile pages convert, or fail with their result code, in
// linear time: each is converted at two sizes sixteen times apart, and the larger may take
// at most 64 times as long (linear work takes sixteen times, a little more where the larger
// output leaves the caches; quadratic work would take 256). The benchmark prints the
// figures.
#include <algorithm>
#include <chrono>

#include "command_fakes.h"
#include "fault_helpers.h"
#include "hostile_inputs.h"
#include "job/convert_file.h"
#include "result_messages.h"

namespace vellumine::testing {

// A walk of a real directory, from a file that selects it: the HTML names in byte order (upper
// case first, "\u00e0" last: its UTF-8 starts with 0xC3), sub-directories not entered; an
// empty page, a directory with a page's name and a page that goes as soon as the one before
// it starts each fail alone.
TEST(BatchFaults, InputDisappearsBetweenListingAndConversion) {
  TempDirectory work;
  work.Make({{"site/old.htm/", ""}, {"site/a.htm", "<p>x"}, {"site/b.htm", "<p>x"},
             {"site/C.HTML", ""}, {"site/d.asp", "<p>x"}, {"site/\u00e0.htm", "<p>x"},
             {"site/notes.txt", "<p>x"}, {"site/deeper/e.htm", "<p>x"}});
  const std::string site = work.path() + "site" + work.path().back();
  Log log;
  RecordingView view(log);
  view.onFileStarted = [&](const std::string& relativePath) {
    if (relativePath == "a.htm") fs::remove(site + "b.htm");
  };
  ConvertEnvironment env{.files = NativeFileSystem()};
  ConvertChoices choices{.inputPath = site + "a.htm", .outputPath = work.path() + "out",
                         .convertAll = true};
  choices.options.format = VELLUMINE_FORMAT_TEXT;
  choices.options.reading = VELLUMINE_READING_CLASSIC;  // whose texts are compared below
  ConvertOutcome outcome = RunConvertCommand(choices, view, env);
  EXPECT_EQ(outcome.converted, 3);
  EXPECT_EQ(outcome.failed, 3);
  EXPECT_EQ(log.back(), "end converted 3 failed 3 skipped 0 of 6");
  std::vector<std::string> labels, errors;
  for (const FileReport& report : view.reports) {
    labels.push_back(report.inputPath.substr(site.size()));
    if (std::string message = FileMessage(report); !message.empty()) errors.push_back(message);
  }
  std::vector<std::string> order = {"C.HTML", "a.htm", "b.htm", "d.asp", "old.htm", "\u00e0.htm"};
  std::vector<std::string> expectedErrors = {site + "C.HTML file has zero length.",
                                             "Can't open " + site + "b.htm file for reading.",
                                             "Can't open " + site + "old.htm file for reading."};
#ifdef _WIN32
  for (auto* names : {&order, &labels, &errors, &expectedErrors})  // the listing's own order
    std::sort(names->begin(), names->end());
#endif
  EXPECT_EQ(labels, order);
  EXPECT_EQ(errors, expectedErrors);
  EXPECT_EQ(work.Read("out/a.txt") + work.Read("out/b.txt") + work.Read("out/\u00e0.txt"),
            "\r\nx<missing>\r\nx");
  EXPECT_EQ(work.Read("out/notes.txt") + work.Read("out/e.txt"), "<missing><missing>");
}

#ifndef _WIN32
// A thousand files, every tenth empty and every seventh unreadable (the converter runs as an
// unprivileged user, since root reads everything), in the classic reading, whose texts are
// compared.
TEST(BatchFaults, ThousandFilesSomeEmptySomeUnreadable) {
  TempDirectory work;
  work.Make({{"site/", ""}, {"out/", ""}});
  fs::permissions(work.path() + "out", fs::perms::all);
  int converted = 0;
  std::string errors;
  std::map<std::string, std::string> expected;  // what out holds: nothing else
  for (int i = 0; i < 1000; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "p%04d", i);
    const std::string file = std::string("site/") + name + ".htm";
    if (i % 10 == 3) {  // an empty input leaves an empty output
      work.Write(file, "");
      errors += "vellumine: " + file + " file has zero length.\n";
      expected[name + std::string(".txt")] = "";
    } else if (i % 7 == 5) {
      work.Write(file, "<p>hidden");
      fs::permissions(work.path() + file, fs::perms::none);
      errors += "vellumine: Can't open " + file + " file for reading.\n";
    } else {
      work.Write(file, "<p>page " + std::to_string(i));
      expected[name + std::string(".txt")] = "\r\npage " + std::to_string(i);
      ++converted;
    }
  }
  const ProcessResult run =
      RunVellumine({"--classic", "-a", "-f", "txt", "-o", "out", "site"}, work,
                   UnprivilegedPrefix());
  EXPECT_EQ(run.Said(), "1|" + std::to_string(converted) + " of 1000 files converted successfully."
                        "\n|" + errors);
  EXPECT_TRUE(Snapshot(work.path() + "out") == expected);
}

TEST(InterruptedConversion, KilledAtAnyMomentLeavesThePreviousFileOrTheWholeNewOne) {
  TempDirectory work;
  work.Make({{"page.htm", LargePage(96 << 20)}, {"out/", ""}});
  // The whole new output, for comparison.
  ASSERT_EQ(RunVellumine({"-q", "-o", "whole", "page.htm"}, work).exitCode, 0);
  const std::string whole = work.Read("whole/page.rtf"), previous = "{\\rtf1 the previous output}",
                    missing = "<missing>";
  ASSERT_GT(whole.size(), 96u << 20);
  int killed = 0;
  for (const char* delay :
       {"0.005", "0.02", "0.06", "0.12", "0.2", "0.3", "0.45", "0.7", "1", "1.5"}) {
    for (bool hadPrevious : {true, false}) {
      work.Write("out/page.rtf", previous);
      if (!hadPrevious) fs::remove(work.path() + "out/page.rtf");
      // SIGKILL once the delay has passed, unless the conversion has ended by then.
      const std::string timeout = "timeout -s KILL " + std::string(delay) + " ";
      killed += RunVellumine({"-q", "-o", "out", "page.htm"}, work, timeout).exitCode == 128 + 9;
      const std::string now = work.Read("out/page.rtf");
      // (No byte comparison printed: the files are large.)
      // The whole new output, or else what was there before: never a part.
      const std::string& expected = now.size() == whole.size() ? whole
                                    : hadPrevious               ? previous
                                                                : missing;
      EXPECT_TRUE(now == expected)
          << "killed after " << delay << " s, the name holds " << now.size() << " bytes";
    }
  }
  EXPECT_GT(killed, 0) << "every conversion ended before it could be killed";
}
#endif


using Milliseconds = std::chrono::duration<double, std::milli>;

// The better of two runs.
double ConvertMilliseconds(const std::string& page, ConversionMode mode, vellumine_result& result) {
  double best = 1e9;
  for (int run = 0; run < 2; ++run) {
    bench::CountingOutputStream out;
    auto start = std::chrono::steady_clock::now();
    result = ConvertMemory(page.data(), page.size(), OptionsFor(mode), out);
    best = std::min(best, Milliseconds(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

TEST(HostileInput, ConvertsInLinearTime) {
  constexpr size_t kSmall = 1 << 20, kLarge = 16 << 20;
  for (const bench::HostileInput& input : bench::kHostileInputs) {
    const std::string small = input.make(kSmall), large = input.make(kLarge);
    for (ConversionMode mode :
         {ConversionMode::Text, ConversionMode::Rtf, ConversionMode::RtfTables}) {
      SCOPED_TRACE(std::string(input.name) + ", mode " + std::to_string(static_cast<int>(mode)));
      vellumine_result result, largeResult;
      // The better of two runs each, and never less than 10 ms, so that noise (another
      // process on the machine) cannot fail it.
      double smallMs = ConvertMilliseconds(small, mode, result);
      double largeMs = ConvertMilliseconds(large, mode, largeResult);
      EXPECT_EQ(result, VELLUMINE_OK);
      EXPECT_EQ(largeResult, VELLUMINE_OK);
      EXPECT_LT(largeMs, 64 * std::max(smallMs, 10.0)) << smallMs << " ms for 1 MB";
    }
  }
}

#ifndef _WIN32
// A sparse file of 1 GB (NUL bytes, no tag): converted, without a word of text (line ends at
// most), or refused for memory; either way within a time that only linear work can meet.
TEST(HostileInput, SparseGigabyteFile) {
  TempDirectory work;
  work.Write("sparse.htm", "");
  fs::resize_file(work.path() + "sparse.htm", uintmax_t{1} << 30);
  auto start = std::chrono::steady_clock::now();
  ProcessResult run = RunVellumine({"-q", "-f", "txt", "-o", "out", "sparse.htm"}, work);
  double seconds = Milliseconds(std::chrono::steady_clock::now() - start).count() / 1000;
  if (run.exitCode == 0) {
    EXPECT_EQ(work.Read("out/sparse.txt").find_first_not_of("\r\n"), std::string::npos);
  } else {
    EXPECT_EQ(run.err, "vellumine: Not enougth memory\n");
  }
  EXPECT_LT(seconds, 120);
}
#endif

}  // namespace vellumine::testing
