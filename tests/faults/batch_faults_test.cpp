// Faults in a batch: an input that disappears between the listing and its conversion, and a
// thousand files of which some are empty and some cannot be read. The batch goes on, every
// other file is converted, and the counts and messages are exact.
#include <algorithm>

#include "command_fakes.h"
#include "fault_helpers.h"

namespace vellumine::testing {

// A walk of a real directory, from a file that selects it: the HTML names in byte order (upper
// case first, 0xE0 last), sub-directories not entered; an empty page, a directory with a
// page's name and a page that goes as soon as the one before it starts each fail alone.
TEST(BatchFaults, InputDisappearsBetweenListingAndConversion) {
  TempDirectory work;
  work.Make({{"site/old.htm/", ""}, {"site/a.htm", "<p>x"}, {"site/b.htm", "<p>x"},
             {"site/C.HTML", ""}, {"site/d.asp", "<p>x"}, {"site/\xE0.htm", "<p>x"},
             {"site/notes.txt", "<p>x"}, {"site/deeper/e.htm", "<p>x"}});
  const std::string site = work.path() + "site" + work.path().back();
  Log log;
  RecordingView view(log);
  view.onFileStarted = [&](const std::string& label) {  // the label shows the name
    if (label == "a.htm") fs::remove(site + "b.htm");
  };
  ConvertEnvironment env{.files = NativeFileSystem(), .saveSettings = false};
  ConvertChoices choices{.inputPath = site + "a.htm", .outputPath = work.path() + "out",
                         .convertAll = true};
  choices.options.format = VELLUMINE_FORMAT_TEXT;
  ConvertOutcome outcome = RunConvertCommand(choices, view, env, nullptr);
  EXPECT_TRUE(outcome.converted == 3 && outcome.failed == 3);
  EXPECT_EQ(log.back(), "end converted 3 failed 3 skipped 0 of 6");
  std::vector<std::string> labels, errors;
  for (const FileReport& report : view.reports) {
    labels.push_back(report.inputPath.substr(site.size()));
    if (!report.message.empty()) errors.push_back(report.message);
  }
  std::vector<std::string> order = {"C.HTML", "a.htm", "b.htm", "d.asp", "old.htm", "\xE0.htm"};
  std::vector<std::string> expectedErrors = {site + "C.HTML file has zero length.",
                                             "Can't open " + site + "b.htm file for reading.",
                                             "Can't open " + site + "old.htm file for reading."};
#ifdef _WIN32
  for (auto* names : {&order, &labels, &errors, &expectedErrors})  // the listing's own order
    std::sort(names->begin(), names->end());
#endif
  EXPECT_EQ(labels, order);
  EXPECT_EQ(errors, expectedErrors);
  EXPECT_EQ(work.Read("out/a.txt") + work.Read("out/b.txt") + work.Read("out/\xE0.txt"),
            "\r\nx<missing>\r\nx");
  EXPECT_EQ(work.Read("out/notes.txt") + work.Read("out/e.txt"), "<missing><missing>");
}

#ifndef _WIN32
// A thousand files, every tenth empty and every seventh unreadable (the converter runs as an
// unprivileged user, since root reads everything).
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
  ProcessResult run = RunVellumine({"-a", "-f", "txt", "-o", "out", "site"}, work,
                                   UnprivilegedPrefix());
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, errors);
  EXPECT_EQ(run.out, std::to_string(converted) + " of 1000 files converted successfully.\n");
  EXPECT_TRUE(Snapshot(work.path() + "out") == expected);
}
#endif

}  // namespace vellumine::testing
