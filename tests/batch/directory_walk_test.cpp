// The directory walk over a real directory with the real converter.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "command_fakes.h"
#include "convert_command.h"
#include "temp_directory.h"

namespace vellumine {
namespace {

using ::testing::Contains;
using ::testing::UnorderedElementsAre;

TEST(DirectoryWalk, QualifyingNamesSubdirectoryAndAFailure) {
  testing::TempDirectory dir;
  for (const char* sub : {"site", "site/old.htm", "site/deeper"}) {  // old.htm qualifies
    std::filesystem::create_directory(dir.path() + sub);
  }
  const std::string site = dir.path() + "site" + dir.path().back();
  dir.Write("site/a.htm", "<p>a</p>");
  dir.Write("site/B.HTML", "");  // fails: zero length
  dir.Write("site/c.asp", "<p>c</p>");
  dir.Write("site/\xE0.htm", "<p>e</p>");
  dir.Write("site/notes.txt", "<p>not html</p>");
  dir.Write("site/deeper/d.htm", "<p>never reached</p>");

  testing::Log log;
  testing::RecordingView view{log};
  ConvertEnvironment env{NativeFileSystem()};
  env.saveSettings = false;
  // A file selects its directory.
  ConvertChoices choices{.inputPath = site + "a.htm", .outputPath = dir.path() + "out",
                         .convertAll = true};
  ConvertOutcome outcome = RunConvertCommand(choices, view, env, nullptr);
  EXPECT_EQ(outcome.converted, 3);
  EXPECT_EQ(outcome.failed, 2);
  auto entries = [&log](const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& line : log) {
      if (line.starts_with(prefix)) found.push_back(line.substr(prefix.size()));
    }
    return found;
  };
#ifdef _WIN32
  EXPECT_THAT(entries("file label "),
              UnorderedElementsAre("a.htm", "B.HTML", "c.asp", "old.htm", "\xE0.htm", ""));
#else
  // Byte order of the names: upper case first, 0xE0 last.
  EXPECT_THAT(entries("file label "), ::testing::ElementsAre("B.HTML", "a.htm", "c.asp",
                                                             "old.htm", "\xE0.htm", ""));
#endif
  EXPECT_THAT(entries("box [Error!] "),
              UnorderedElementsAre(site + "B.HTML file has zero length.",
                                   "Can't open " + site + "old.htm file for reading."));
  EXPECT_THAT(log, Contains("total range 5"));
  EXPECT_THAT(log, Contains("total label 3 of 5 files converted successfully."));
  EXPECT_THAT(log, Contains("box [Thank you for using Vellumine!] Conversion completed. 3 files "
                            "converted successfully."));
  EXPECT_EQ(dir.Read("out/a.rtf").substr(0, 5), "{\\rtf");
  EXPECT_EQ(dir.Read("out/c.rtf").substr(0, 5), "{\\rtf");
  EXPECT_EQ(dir.Read("out/\xE0.rtf").substr(0, 5), "{\\rtf");
  EXPECT_EQ(dir.Read("out/B.rtf"), "");  // created, then left empty
  EXPECT_EQ(dir.Read("out/notes.rtf"), "<missing>");
  EXPECT_EQ(dir.Read("out/d.rtf"), "<missing>");
}

}  // namespace
}  // namespace vellumine
