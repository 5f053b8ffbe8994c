// The Convert command against a fake file system and converter: every call the view sees,
// in order.
#include "convert_command.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "command_fakes.h"
#include "temp_directory.h"

namespace vellumine {
namespace {

using ::testing::Contains;
using ::testing::ElementsAreArray;
using testing::Log;

// What every finished command leaves: bars at 0, labels empty, percents "0".
const Log kReset = {"total pos 0", "file pos 0", "file label ", "file % 0", "total % 0"};

Log Concat(std::initializer_list<Log> parts) {
  Log all;
  for (const Log& part : parts) all.insert(all.end(), part.begin(), part.end());
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

  ConvertOutcome Run() {
    log.clear();
    return RunConvertCommand(choices, view, env, &updatedOutputPath);
  }
  ConvertOutcome RunAll(std::vector<std::string> listing) {
    choices.convertAll = true;
    files.listings["C:\\web\\*.*"] = {std::move(listing)};
    return Run();
  }

  Log log;
  testing::RecordingView view{log};
  testing::FakeFileSystem files{log};
  testing::FakeConverter converter{log};
  ConvertEnvironment env{files};
  ConvertChoices choices;
  std::string updatedOutputPath;
};

TEST_F(ConvertCommandTest, SingleFileConverted) {
  choices.convertTables = true;
  ConvertOutcome outcome = Run();
  EXPECT_THAT(log, ElementsAreArray(Concat({{
      "total % 0", "total range 1", "file label C:\\web\\page.html",
      "convert C:\\web\\page.html -> D:\\out\\ mode 2 Arial 10 Auto-Select", "file pos 50",
      "total pos 1", "total % 100", "total label 1 of 1 file converted successfully.",
      "box [Thank you for using Vellumine!] Conversion completed. 1 file converted successfully.",
      "total label ",
  }, kReset})));
  EXPECT_EQ(outcome.converted, 1);
  EXPECT_FALSE(outcome.stopped);
  EXPECT_EQ(updatedOutputPath, "D:\\out\\");

  choices = {.inputPath = "page.htm", .outputPath = "D:\\out\\", .format = 1,
             .encodingIndex = 2, .fontName = "Times New Roman", .fontSize = "12"};
  Run();
  EXPECT_EQ(log.at(3), "convert page.htm -> D:\\out\\ mode 0 Times New Roman 12 (KOI8-R) Cyrillic");
}

TEST_F(ConvertCommandTest, SingleFileFailures) {
  struct Case {
    int format;
    ConvertResult result;
    const char* box;  // empty: no box
  } cases[] = {
      {0, ConvertResult::OutOfMemory, "Not enougth memory"},
      // The output file is named with the output directory, not the input's.
      {0, ConvertResult::CannotOpenOutput, "Can't open D:\\out\\page.rtf file for record.\n"
                                           "Probably it is already used by other application."},
      {1, ConvertResult::CannotOpenOutput, "Can't open D:\\out\\page.txt file for record.\n"
                                           "Probably it is already used by other application."},
      {0, ConvertResult::CannotOpenInput, "Can't open C:\\web\\page.html file for reading."},
      {0, ConvertResult::EmptyInput, "C:\\web\\page.html file has zero length."},
      {1, ConvertResult::CannotWriteOutput,
       "Can't write D:\\out\\page.txt file.\nThe disk may be full."},
      {0, static_cast<ConvertResult>(1), ""},
  };
  for (const Case& c : cases) {
    choices.format = c.format;
    converter.results["C:\\web\\page.html"] = c.result;
    ConvertOutcome outcome = Run();
    // A failed file leaves bars and labels as the attempt left them.
    Log expected = {"total % 0", "total range 1", "file label C:\\web\\page.html",
                    std::string("convert C:\\web\\page.html -> D:\\out\\ mode ") +
                        (c.format == 1 ? "0" : "1") + " Arial 10 Auto-Select",
                    "file pos 50"};
    if (*c.box != '\0') expected.push_back(std::string("box [Error!] ") + c.box);
    EXPECT_EQ(log, expected) << static_cast<int>(c.result);
    EXPECT_EQ(outcome.failed, 1);
  }
}

TEST_F(ConvertCommandTest, StopsBeforeConverting) {
  choices.inputPath = "C:\\web";
  ConvertOutcome outcome = Run();
  EXPECT_EQ(log, (Log{"total % 0", "box [Error!] Please select file, or if you have chosen a "
                                   "directory, please, set the switch \"Convert all\"."}));
  EXPECT_TRUE(outcome.stopped && !outcome.noOutputDirectory);

  choices.inputPath = "C:\\web\\page.html";
  choices.outputPath = "E:\\new";
  const std::string question = "yesno [Error!] The directory E:\\new\\ does not exist\nCreate?";
  view.answers = {MessageAnswer::No};
  outcome = Run();
  EXPECT_EQ(log, (Log{"total % 0", question}));
  EXPECT_TRUE(outcome.stopped && outcome.noOutputDirectory);

  files.makeDirectoryFails = true;
  outcome = Run();
  EXPECT_EQ(log, (Log{"total % 0", question, "mkdir E:\\new\\",
                      "box [Error!] Can't create E:\\new\\ directory."}));
  EXPECT_TRUE(outcome.stopped && outcome.noOutputDirectory);

  files.makeDirectoryFails = false;
  EXPECT_EQ(Run().converted, 1);
  EXPECT_EQ(log.at(2), "mkdir E:\\new\\");
  EXPECT_EQ(log.at(5), "convert C:\\web\\page.html -> E:\\new\\ mode 1 Arial 10 Auto-Select");
}

TEST_F(ConvertCommandTest, SettingsAreSavedAsTypedBeforeAnyCheck) {
  testing::TempDirectory dir;
  env.saveSettings = true;
  env.settingsDirectory = dir.path();
  choices.outputPath = "E:\\new";
  view.answers = {MessageAnswer::No};
  Run();
  EXPECT_EQ(dir.Read("settings.ini"), "[Default path]\r\nC:\\web\\page.html\r\nE:\\new\r\n");
}

TEST_F(ConvertCommandTest, WalkWithAFailureInTheMiddle) {
  choices.inputPath = "C:\\web";
  converter.results["C:\\web\\b.html"] = ConvertResult::EmptyInput;
  ConvertOutcome outcome =
      RunAll({".", "..", "a.htm", "notes.txt", "b.html", "sub.htm", "c.ASP"});
  auto file = [](const std::string& name, const std::string& count, const std::string& pos) {
    return Log{"file label " + name,
               "convert C:\\web\\" + name + " -> D:\\out\\ mode 1 Arial 10 Auto-Select",
               "file pos 50", "total label " + count + " of 4", "total pos " + pos,
               "total % " + std::to_string(std::stoi(pos) * 25)};
  };
  Log failing = file("b.html", "1", "1");
  failing.insert(failing.begin() + 3, "box [Error!] C:\\web\\b.html file has zero length.");
  EXPECT_THAT(log, ElementsAreArray(Concat({
      {"total % 0", "list C:\\web\\*.*", "total range 4", "total pos 0", "total label 0 of 4",
       "list C:\\web\\*.*"},
      file("a.htm", "1", "1"), failing, file("sub.htm", "2", "2"), file("c.ASP", "3", "3"),
      {"total label 3 of 4 files converted successfully.", "total pos 4",
       "box [Thank you for using Vellumine!] Conversion completed. 3 files converted "
       "successfully.",
       "total label "},
      kReset})));
  EXPECT_EQ(outcome.converted, 3);
  EXPECT_EQ(outcome.failed, 1);
}

TEST_F(ConvertCommandTest, WalksThatConvertNothing) {
  const Log counted = {"total % 0", "list C:\\web\\*.*", "total range 1", "total pos 0",
                       "total label 0 of 1", "list C:\\web\\*.*"};
  // The count text stays; no success box.
  converter.results["C:\\web\\a.htm"] = ConvertResult::CannotOpenInput;
  RunAll({"a.htm", "readme.txt"});
  EXPECT_THAT(log, ElementsAreArray(Concat({counted, {
      "file label a.htm", "convert C:\\web\\a.htm -> D:\\out\\ mode 1 Arial 10 Auto-Select",
      "file pos 50", "box [Error!] Can't open C:\\web\\a.htm file for reading.",
      "total label 0 of 1", "total pos 0", "total % 0"}, kReset})));

  // No qualifying name is not "files not found".
  EXPECT_FALSE(RunAll({"readme.txt"}).filesNotFound);
  EXPECT_THAT(log, ElementsAreArray(Concat({{"total % 0", "list C:\\web\\*.*", "total range 0",
      "total pos 0", "total label 0 of 0", "list C:\\web\\*.*"}, kReset})));

  choices.inputPath = "C:\\nothing\\";
  EXPECT_TRUE(Run().filesNotFound);
  EXPECT_THAT(log, ElementsAreArray(Concat({{"total % 0", "list C:\\nothing\\*.*",
      "total range 0", "total pos 0", "total label 0 of 0", "list C:\\nothing\\*.*",
      "total label HTML - files not found, please select correct path."}, kReset})));
}

TEST_F(ConvertCommandTest, WalkPatterns) {
  choices.convertAll = true;
  struct Case {
    const char* input;
    const char* pattern;
  } cases[] = {
      {"C:\\web", "C:\\web\\*.*"}, {"C:\\web\\", "C:\\web\\*.*"}, {"page.html", "*.*"},
      {"C:\\gone\\page.html", "C:\\gone\\*.*"},  // a file, even a missing one: its directory
  };
  for (const Case& c : cases) {
    choices.inputPath = c.input;
    Run();
    EXPECT_EQ(log.at(1), std::string("list ") + c.pattern) << c.input;
  }
}

TEST_F(ConvertCommandTest, WalkTotalsAreThirtyTwoBit) {
  // Counted empty, then a file appears: the percentage must not divide by zero.
  choices.convertAll = true;
  files.listings["C:\\web\\*.*"] = {{}, {"new.htm"}};
  Run();
  EXPECT_THAT(log, Contains("total % 100"));
  EXPECT_THAT(log, Contains("total label 1 of 0 file converted successfully."));

  std::vector<std::string> many;
  for (int i = 0; i < 40000; ++i) many.push_back(std::to_string(i) + ".htm");
  EXPECT_EQ(RunAll(many).converted, 40000);
  EXPECT_EQ(log.at(2), "total range 40000");
  EXPECT_THAT(log, Contains("total label 40000 of 40000 files converted successfully."));
}

}  // namespace
}  // namespace vellumine
