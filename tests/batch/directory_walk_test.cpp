// The directory walk over a real directory with the real converter.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "command_fakes.h"
#include "convert_command.h"
#include "temp_directory.h"

namespace vellumine {
namespace {

using ::testing::Contains;
using ::testing::UnorderedElementsAre;

class DirectoryWalkTest : public ::testing::Test {
 protected:
  DirectoryWalkTest() {
    env.saveSettings = false;
    choices.convertAll = true;
    choices.outputPath = dir.path() + "out";
  }

  ConvertOutcome Run() { return RunConvertCommand(choices, view, env, nullptr); }

  std::vector<std::string> Entries(const char* prefix) const {
    std::vector<std::string> found;
    for (const std::string& line : log) {
      if (line.rfind(prefix, 0) == 0) found.push_back(line.substr(std::string(prefix).size()));
    }
    return found;
  }

  testing::TempDirectory dir;
  testing::Log log;
  testing::RecordingView view{log};
  ConvertEnvironment env{NativeFileSystem()};
  ConvertChoices choices;
};

TEST_F(DirectoryWalkTest, QualifyingNamesSubdirectoryAndAFailure) {
  std::filesystem::create_directory(dir.path() + "site");
  std::filesystem::create_directory(dir.path() + "site/old.htm");  // qualifies by its name
  std::filesystem::create_directory(dir.path() + "site/deeper");
  const std::string site = dir.path() + "site" + dir.path().back();
  dir.Write("site/a.htm", "<p>a</p>");
  dir.Write("site/B.HTML", "");  // fails: zero length
  dir.Write("site/c.asp", "<p>c</p>");
  dir.Write("site/notes.txt", "<p>not html</p>");
  dir.Write("site/deeper/d.htm", "<p>never reached</p>");
  choices.inputPath = site + "a.htm";  // a file selects its directory

  ConvertOutcome outcome = Run();
  EXPECT_EQ(outcome.converted, 2);
  EXPECT_EQ(outcome.failed, 2);
  EXPECT_THAT(Entries("file label "),
              UnorderedElementsAre("a.htm", "B.HTML", "c.asp", "old.htm", ""));
  EXPECT_THAT(Entries("box [Error!] "),
              UnorderedElementsAre(site + "B.HTML file has zero length.",
                                   "Can't open " + site + "old.htm file for reading."));
  EXPECT_THAT(log, Contains("total range 4"));
  EXPECT_THAT(log, Contains("total label 2 of 4 files converted successfully."));
  EXPECT_THAT(log, Contains("box [Thank you for using Vellumine!] Conversion completed. 2 files "
                            "converted successfully."));
  EXPECT_NE(dir.Read("out/a.rtf"), "<missing>");
  EXPECT_NE(dir.Read("out/c.rtf"), "<missing>");
  EXPECT_EQ(dir.Read("out/B.rtf"), "");  // created, then left empty
  EXPECT_EQ(dir.Read("out/notes.rtf"), "<missing>");
  EXPECT_EQ(dir.Read("out/d.rtf"), "<missing>");
#ifndef _WIN32
  // Byte order of the names.
  EXPECT_THAT(Entries("file label "), ::testing::ElementsAre("B.HTML", "a.htm", "c.asp",
                                                             "old.htm", ""));
#endif
}

}  // namespace
}  // namespace vellumine
