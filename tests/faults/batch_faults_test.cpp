// Faults in a batch: an input that disappears between the listing and its conversion, and a
// thousand files of which some are empty and some cannot be read. The batch goes on, every
// other file is converted, and the counts and messages are exact.
#include "command_fakes.h"
#include "fault_helpers.h"

namespace vellumine::testing {
namespace {

TEST(BatchFaults, InputDisappearsBetweenListingAndConversion) {
  TempDirectory work;
  work.Make({{"site/a.htm", "<p>x"}, {"site/b.htm", "<p>x"}, {"site/c.htm", "<p>x"}});
  const std::string site = work.path() + "site" + work.path().back();
  Log log;
  RecordingView view(log);
  // b.htm goes as soon as a.htm starts (the label shows the name).
  view.onFileStarted = [&](const std::string& label) {
    if (label == "a.htm") fs::remove(site + "b.htm");
  };
  ConvertEnvironment env{.files = NativeFileSystem(), .saveSettings = false};
  ConvertChoices choices{.inputPath = work.path() + "site", .outputPath = work.path() + "out",
                         .convertAll = true};
  choices.options.format = VELLUMINE_FORMAT_TEXT;
  ConvertOutcome outcome = RunConvertCommand(choices, view, env, nullptr);
  EXPECT_TRUE(outcome.converted == 2 && outcome.failed == 1);
  ASSERT_EQ(view.reports.size(), 3u);
  EXPECT_EQ(view.reports[1].message, "Can't open " + site + "b.htm file for reading.");
  EXPECT_EQ(work.Read("out/a.txt") + work.Read("out/b.txt") + work.Read("out/c.txt"),
            "\r\nx<missing>\r\nx");
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

}  // namespace
}  // namespace vellumine::testing
