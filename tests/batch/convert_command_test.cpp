// The Convert command against a fake file system and converter: every call the view sees,
// in order.
#include "convert_command.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "command_fakes.h"
#include "temp_directory.h"

namespace vellumine {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::FakeConverter;
using testing::FakeFileSystem;
using testing::Log;
using testing::RecordingView;

// What every finished command leaves: bars at 0, labels empty, percents "0".
const std::vector<std::string> kResetDisplay = {"total pos 0", "file pos 0", "file label ",
                                                "file % 0", "total % 0"};

Log Concat(std::initializer_list<std::vector<std::string>> parts) {
  Log all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

class ConvertCommandTest : public ::testing::Test {
 protected:
  ConvertCommandTest() {
    env.style = PathStyle::Windows;
    env.convert = converter.Function();
    env.saveSettings = false;
    files.directories = {"D:\\out\\", "C:\\web", "C:\\web\\"};
    choices.inputPath = "C:\\web\\page.html";
    choices.outputPath = "D:\\out";
  }

  ConvertOutcome Run() { return RunConvertCommand(choices, view, env, &updatedOutputPath); }

  Log log;
  RecordingView view{log};
  FakeFileSystem files{log};
  FakeConverter converter{log};
  ConvertEnvironment env{files};
  ConvertChoices choices;
  std::string updatedOutputPath;
};

TEST_F(ConvertCommandTest, SingleFileConverted) {
  choices.convertTables = true;
  ConvertOutcome outcome = Run();
  EXPECT_THAT(log, ElementsAreArray(Concat({{
      "total % 0",
      "total range 1",
      "file label C:\\web\\page.html",
      "convert C:\\web\\page.html -> D:\\out\\ mode 2 Arial 10 Auto-Select",
      "file pos 50",
      "total pos 1",
      "total % 100",
      "total label 1 of 1 file converted successfully.",
      "box [Thank you for using Vellumine!] Conversion completed. 1 file converted successfully.",
      "total label ",
  }, kResetDisplay})));
  EXPECT_EQ(outcome.converted, 1);
  EXPECT_EQ(outcome.failed, 0);
  EXPECT_FALSE(outcome.stopped);
  EXPECT_EQ(updatedOutputPath, "D:\\out\\");
}

TEST_F(ConvertCommandTest, ChoicesReachTheConverter) {
  choices.format = 1;
  choices.convertTables = true;
  choices.encodingIndex = 2;
  choices.fontName = "Times New Roman";
  choices.fontSize = "12";
  Run();
  EXPECT_EQ(log.at(3),
            "convert C:\\web\\page.html -> D:\\out\\ mode 0 Times New Roman 12 (KOI8-R) Cyrillic");
  log.clear();
  choices = ConvertChoices{};
  choices.inputPath = "page.htm";
  choices.outputPath = "D:\\out\\";
  choices.encodingIndex = -1;
  Run();
  EXPECT_EQ(log.at(3), "convert page.htm -> D:\\out\\ mode 1 Arial 10 Auto-Select");
}

TEST_F(ConvertCommandTest, SingleFileFailures) {
  struct Case {
    int format;
    ConvertResult result;
    const char* box;  // empty: no box
  } cases[] = {
      {0, ConvertResult::OutOfMemory, "Not enougth memory"},
      // The output file is named with the output directory, not the input's.
      {0, ConvertResult::CannotOpenOutput,
       "Can't open D:\\out\\page.rtf file for record.\n"
       "Probably it is already used by other application."},
      {1, ConvertResult::CannotOpenOutput,
       "Can't open D:\\out\\page.txt file for record.\n"
       "Probably it is already used by other application."},
      {0, ConvertResult::CannotOpenInput, "Can't open C:\\web\\page.html file for reading."},
      {0, ConvertResult::EmptyInput, "C:\\web\\page.html file has zero length."},
      {1, ConvertResult::CannotWriteOutput,
       "Can't write D:\\out\\page.txt file.\nThe disk may be full."},
      {0, static_cast<ConvertResult>(1), ""},
  };
  for (const Case& c : cases) {
    log.clear();
    choices.format = c.format;
    converter.results["C:\\web\\page.html"] = c.result;
    ConvertOutcome outcome = Run();
    Log expected = {"total % 0", "total range 1", "file label C:\\web\\page.html",
                    std::string("convert C:\\web\\page.html -> D:\\out\\ mode ") +
                        (c.format == 1 ? "0" : "1") + " Arial 10 Auto-Select",
                    "file pos 50"};
    if (*c.box != '\0') expected.push_back(std::string("box [Error!] ") + c.box);
    // A failed file leaves bars and labels as the attempt left them.
    EXPECT_EQ(log, expected) << static_cast<int>(c.result);
    EXPECT_EQ(outcome.converted, 0);
    EXPECT_EQ(outcome.failed, 1);
  }
}

TEST_F(ConvertCommandTest, InputDirectoryWithoutConvertAll) {
  choices.inputPath = "C:\\web";
  ConvertOutcome outcome = Run();
  EXPECT_THAT(log, ElementsAre("total % 0",
                               "box [Error!] Please select file, or if you have chosen a "
                               "directory, please, set the switch \"Convert all\"."));
  EXPECT_TRUE(outcome.stopped);
  EXPECT_FALSE(outcome.noOutputDirectory);
}

TEST_F(ConvertCommandTest, MissingOutputDirectory) {
  choices.outputPath = "E:\\new";
  const std::string question = "yesno [Error!] The directory E:\\new\\ does not exist\nCreate?";

  view.answers = {MessageAnswer::No};
  ConvertOutcome declined = Run();
  EXPECT_THAT(log, ElementsAre("total % 0", question));
  EXPECT_TRUE(declined.stopped && declined.noOutputDirectory);

  log.clear();
  files.makeDirectoryFails = true;
  ConvertOutcome failed = Run();
  EXPECT_THAT(log, ElementsAre("total % 0", question, "mkdir E:\\new\\",
                               "box [Error!] Can't create E:\\new\\ directory."));
  EXPECT_TRUE(failed.stopped && failed.noOutputDirectory);

  log.clear();
  files.makeDirectoryFails = false;
  ConvertOutcome created = Run();
  ASSERT_GE(log.size(), 6u);
  EXPECT_EQ(log[2], "mkdir E:\\new\\");
  EXPECT_EQ(log[5], "convert C:\\web\\page.html -> E:\\new\\ mode 1 Arial 10 Auto-Select");
  EXPECT_EQ(created.converted, 1);

  // Once it exists, nobody asks.
  log.clear();
  Run();
  EXPECT_EQ(log[1], "total range 1");
}

TEST_F(ConvertCommandTest, SettingsAreSavedAsTypedBeforeAnyCheck) {
  testing::TempDirectory dir;
  env.saveSettings = true;
  env.settingsDirectory = dir.path();
  choices.outputPath = "E:\\new";
  view.answers = {MessageAnswer::No};
  Run();
  EXPECT_EQ(dir.Read("settings.ini"), "[Default path]\r\nC:\\web\\page.html\r\nE:\\new\r\n");

  choices.inputPath = "C:\\web";
  choices.outputPath = "D:\\out";
  Run();
  EXPECT_EQ(dir.Read("settings.ini"), "[Default path]\r\nC:\\web\r\nD:\\out\r\n");
}

TEST_F(ConvertCommandTest, WalkWithAFailureInTheMiddle) {
  choices.inputPath = "C:\\web";
  choices.convertAll = true;
  files.listings["C:\\web\\*.*"] = {
      {".", "..", "a.htm", "notes.txt", "b.html", "sub.htm", "c.ASP"}};
  converter.results["C:\\web\\b.html"] = ConvertResult::EmptyInput;
  ConvertOutcome outcome = Run();
  auto file = [](const char* name, const char* count, const char* pos, const char* percent) {
    return std::vector<std::string>{
        std::string("file label ") + name,
        std::string("convert C:\\web\\") + name + " -> D:\\out\\ mode 1 Arial 10 Auto-Select",
        "file pos 50", std::string("total label ") + count, std::string("total pos ") + pos,
        std::string("total % ") + percent};
  };
  std::vector<std::string> failing = file("b.html", "1 of 4", "1", "25");
  failing.insert(failing.begin() + 3, "box [Error!] C:\\web\\b.html file has zero length.");
  EXPECT_THAT(log, ElementsAreArray(Concat({
      {"total % 0", "list C:\\web\\*.*", "total range 4", "total pos 0", "total label 0 of 4",
       "list C:\\web\\*.*"},
      file("a.htm", "1 of 4", "1", "25"),
      failing,
      file("sub.htm", "2 of 4", "2", "50"),
      file("c.ASP", "3 of 4", "3", "75"),
      {"total label 3 of 4 files converted successfully.", "total pos 4",
       "box [Thank you for using Vellumine!] Conversion completed. 3 files converted "
       "successfully.",
       "total label "},
      kResetDisplay})));
  EXPECT_EQ(outcome.converted, 3);
  EXPECT_EQ(outcome.failed, 1);
}

TEST_F(ConvertCommandTest, WalkSummaries) {
  choices.convertAll = true;
  struct Case {
    int failing;  // how many of the three files fail
    const char* label;
    const char* box;
  } cases[] = {
      {0, "3 of 3 files converted successfully.", "Conversion completed. 3 files converted successfully."},
      {1, "2 of 3 files converted successfully.", "Conversion completed. 2 files converted successfully."},
      {2, "1 of 3 file converted successfully.", "Conversion completed. 1 file converted successfully."},
  };
  for (const Case& c : cases) {
    log.clear();
    files.listings["C:\\web\\*.*"] = {{"1.htm", "2.htm", "3.htm"}};
    converter.results.clear();
    for (int i = 0; i < c.failing; ++i) {
      converter.results["C:\\web\\" + std::to_string(i + 1) + ".htm"] =
          ConvertResult::CannotOpenInput;
    }
    Run();
    auto label = std::find(log.begin(), log.end(), std::string("total label ") + c.label);
    ASSERT_NE(label, log.end()) << c.label;
    EXPECT_EQ(*(label + 2), std::string("box [Thank you for using Vellumine!] ") + c.box);
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& s) { return s.rfind("box [Error!]", 0) == 0; }),
              c.failing);
  }
}

TEST_F(ConvertCommandTest, WalkWhereNothingConverts) {
  choices.convertAll = true;
  files.listings["C:\\web\\*.*"] = {{"a.htm", "readme.txt"}};
  converter.results["C:\\web\\a.htm"] = ConvertResult::CannotOpenInput;
  Run();
  // The count text stays; no success box.
  EXPECT_THAT(log, ElementsAreArray(Concat({
      {"total % 0", "list C:\\web\\*.*", "total range 1", "total pos 0", "total label 0 of 1",
       "list C:\\web\\*.*", "file label a.htm",
       "convert C:\\web\\a.htm -> D:\\out\\ mode 1 Arial 10 Auto-Select", "file pos 50",
       "box [Error!] Can't open C:\\web\\a.htm file for reading.", "total label 0 of 1",
       "total pos 0", "total % 0"},
      kResetDisplay})));

  log.clear();
  files.listings["C:\\web\\*.*"] = {{"readme.txt"}};
  ConvertOutcome empty = Run();
  EXPECT_THAT(log, ElementsAreArray(Concat({
      {"total % 0", "list C:\\web\\*.*", "total range 0", "total pos 0", "total label 0 of 0",
       "list C:\\web\\*.*"},
      kResetDisplay})));
  EXPECT_FALSE(empty.filesNotFound);
}

TEST_F(ConvertCommandTest, WalkPatterns) {
  choices.convertAll = true;
  struct Case {
    const char* input;
    const char* pattern;
  } cases[] = {
      {"C:\\web", "C:\\web\\*.*"},               // a directory
      {"C:\\web\\", "C:\\web\\*.*"},             // with its separator
      {"C:\\web\\page.html", "C:\\web\\*.*"},    // a file selects its directory
      {"C:\\gone\\page.html", "C:\\gone\\*.*"},  // even one that does not exist
      {"", "*.*"},                               // the current directory
      {"page.html", "*.*"},
  };
  for (const Case& c : cases) {
    log.clear();
    choices.inputPath = c.input;
    Run();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[1], std::string("list ") + c.pattern) << c.input;
  }
}

TEST_F(ConvertCommandTest, WalkOfAPathThatIsNoDirectory) {
  choices.convertAll = true;
  choices.inputPath = "C:\\nothing\\";
  ConvertOutcome outcome = Run();
  EXPECT_THAT(log, ElementsAreArray(Concat({
      {"total % 0", "list C:\\nothing\\*.*", "total range 0", "total pos 0",
       "total label 0 of 0", "list C:\\nothing\\*.*",
       "total label HTML - files not found, please select correct path."},
      kResetDisplay})));
  EXPECT_TRUE(outcome.filesNotFound);
}

TEST_F(ConvertCommandTest, WalkTotalsAreThirtyTwoBit) {
  choices.convertAll = true;
  // Counted empty, then a file appears: the percentage must not divide by zero.
  files.listings["C:\\web\\*.*"] = {{}, {"new.htm"}};
  Run();
  EXPECT_THAT(log, ::testing::Contains("total % 100"));
  EXPECT_THAT(log, ::testing::Contains("total label 1 of 0 file converted successfully."));

  log.clear();
  std::vector<std::string> many;
  for (int i = 0; i < 40000; ++i) many.push_back(std::to_string(i) + ".htm");
  files.listings["C:\\web\\*.*"] = {many};
  converter.results.clear();
  ConvertOutcome outcome = Run();
  EXPECT_EQ(log.at(2), "total range 40000");
  EXPECT_EQ(outcome.converted, 40000);
  EXPECT_THAT(log, ::testing::Contains("total label 40000 of 40000 files converted successfully."));
}

TEST_F(ConvertCommandTest, PosixPaths) {
  env.style = PathStyle::Posix;
  files.directories = {"out/", "/srv/web"};
  files.listings["/srv/web/*.*"] = {{"a.htm"}};
  choices.inputPath = "/srv/web";
  choices.outputPath = "out";
  choices.convertAll = true;
  Run();
  EXPECT_EQ(updatedOutputPath, "out/");
  EXPECT_THAT(log, ::testing::Contains(
                       "convert /srv/web/a.htm -> out/ mode 1 Arial 10 Auto-Select"));
}

}  // namespace
}  // namespace vellumine
