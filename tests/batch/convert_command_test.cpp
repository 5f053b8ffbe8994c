// The Convert command against a fake file system and converter: every call the view sees,
// in order; its choice tables and texts.
#include "convert_command.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <set>
#include <tuple>

#include "command_fakes.h"
#include "convert_choices.h"
#include "result_messages.h"
#include "temp_directory.h"

namespace vellumine {
namespace {

using ::testing::ElementsAreArray;
using testing::Log;

// What every finished command leaves: bars at 0, labels empty, percents "0".
const Log kReset = {"total pos 0", "file pos 0", "file label ", "file % 0", "total % 0"};

Log Concat(std::initializer_list<Log> parts) {
  Log all;
  for (const Log& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

class FakeFileSystem final : public FileSystem {
 public:
  explicit FakeFileSystem(Log& log) : log_(log) {}

  std::set<std::string> directories;  // the only entries that exist
  bool makeDirectoryFails = false;
  // Listings of "C:\\web\\*.*", one per call (the last one stays): a directory that changes
  // between the count and the walk. Other patterns cannot be listed.
  std::deque<std::vector<std::string>> listings;

  bool Exists(const std::string& path) override { return directories.count(path) != 0; }
  bool IsDirectory(const std::string& path) override { return Exists(path); }
  bool MakeDirectory(const std::string& path) override {
    log_.push_back("mkdir " + path);
    if (!makeDirectoryFails) directories.insert(path);
    return !makeDirectoryFails;
  }
  bool ListDirectory(const std::string& pattern, std::vector<std::string>& names) override {
    log_.push_back("list " + pattern);
    if (pattern != "C:\\web\\*.*" || listings.empty()) return false;
    names = listings.front();
    if (listings.size() > 1) listings.pop_front();
    return true;
  }

 private:
  Log& log_;
};

class ConvertCommandTest : public ::testing::Test {
 protected:
  ConvertCommandTest() {
    env.style = PathStyle::Windows;
    env.saveSettings = false;
    // Logs its arguments, moves the file bar as the engine does, returns the scripted result.
    env.convert = [this](const char* input, const char* outputDirectory,
                         const ConvertOptions& options, ProgressSink& sink) {
      log.push_back(std::string("convert ") + input + " -> " + outputDirectory + " mode " +
                    std::to_string(static_cast<int>(options.mode)) + " " + options.fontName +
                    " " + options.fontSizeText + " " + options.encodingLabel);
      sink.SetPosition(50);
      auto it = results.find(input);
      return it == results.end() ? ConvertResult::Ok : it->second;
    };
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
    files.listings = {std::move(listing)};
    return Run();
  }

  // The log of the count of a walk over dir.
  static Log Counted(const std::string& dir, int total) {
    const std::string n = std::to_string(total);
    return Log{"total % 0", "list " + dir + "*.*", "total range " + n, "total pos 0",
               "total label 0 of " + n, "list " + dir + "*.*"};
  }
  // The log of one file of a walk in C:\web, after which count of total files are converted.
  static Log Walked(const std::string& name, int count, int total, const std::string& box = "") {
    const std::string k = std::to_string(count), n = std::to_string(total);
    Log lines = {"file label " + name,
                 "convert C:\\web\\" + name + " -> D:\\out\\ mode 1 Arial 10 Auto-Select",
                 "file pos 50", "box [Error!] " + box, "total label " + k + " of " + n,
                 "total pos " + k, "total % " + std::to_string(count * 100 / total)};
    if (box.empty()) lines.erase(lines.begin() + 3);
    return lines;
  }

  Log log;
  testing::RecordingView view{log};
  FakeFileSystem files{log};
  std::map<std::string, ConvertResult> results;  // by input path; Ok when none
  ConvertEnvironment env{files};
  ConvertChoices choices;
  std::string updatedOutputPath;
};

// Each file's result reaches the view as a code with its input and output, in the walk's
// order; converting three at once changes nothing the view sees.
TEST_F(ConvertCommandTest, FileReportsInWalkOrderWhateverTheJobs) {
  choices.inputPath = "C:\\web";
  results["C:\\web\\b.html"] = ConvertResult::EmptyInput;
  results["C:\\web\\d.htm"] = ConvertResult::CannotOpenInput;
  const std::vector<std::string> listing = {"a.htm", "b.html", "c.ASP", "d.htm", "e.htm"};
  RunAll(listing);
  auto reports = [&] {
    std::vector<std::string> lines;
    for (const FileReport& r : view.reports)
      lines.push_back(std::to_string(static_cast<int>(r.result)) + " " + r.inputPath + " " +
                      r.outputPath);
    view.reports.clear();
    return lines;
  };
  const std::vector<std::string> expected = {
      "0 C:\\web\\a.htm D:\\out\\a.rtf", "5 C:\\web\\b.html D:\\out\\b.rtf",
      "0 C:\\web\\c.ASP D:\\out\\c.rtf", "4 C:\\web\\d.htm D:\\out\\d.rtf",
      "0 C:\\web\\e.htm D:\\out\\e.rtf"};
  EXPECT_EQ(reports(), expected);
  // Several threads convert without the log (which the view writes meanwhile); everything
  // else the view sees is the same.
  auto withoutConversions = [&] {
    Log kept;
    for (const std::string& line : log)
      if (!line.starts_with("convert ") && !line.starts_with("file pos 50")) kept.push_back(line);
    return kept;
  };
  const Log one = withoutConversions();
  env.convert = [&](const char* input, const char*, const ConvertOptions&, ProgressSink&) {
    auto it = results.find(input);
    return it == results.end() ? ConvertResult::Ok : it->second;
  };
  choices.jobs = 3;
  RunAll(listing);
  EXPECT_EQ(reports(), expected);
  EXPECT_EQ(withoutConversions(), one);
}

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
  EXPECT_TRUE(outcome.converted == 1 && !outcome.stopped);
  EXPECT_EQ(updatedOutputPath, "D:\\out\\");

  choices = {.inputPath = "page.htm", .outputPath = "D:\\out\\", .format = 1,
             .encodingIndex = 2, .fontName = "Times New Roman", .fontSize = "12"};
  Run();
  EXPECT_EQ(log.at(3), "convert page.htm -> D:\\out\\ mode 0 Times New Roman 12 (KOI8-R) Cyrillic");
}

TEST_F(ConvertCommandTest, SingleFileFailures) {
  const std::tuple<int, ConvertResult, const char*> cases[] = {  // format, result, box
      {0, ConvertResult::OutOfMemory, "Not enougth memory"},
      // The output file is named with the output directory, not the input's.
      {0, ConvertResult::CannotOpenOutput, "Can't open D:\\out\\page.rtf file for record.\n"
                                           "Probably it is already used by other application."},
      {0, ConvertResult::CannotOpenInput, "Can't open C:\\web\\page.html file for reading."},
      {0, ConvertResult::EmptyInput, "C:\\web\\page.html file has zero length."},
      {1, ConvertResult::CannotWriteOutput,
       "Can't write D:\\out\\page.txt file.\nThe disk may be full."},
      {0, static_cast<ConvertResult>(7), ""},  // unknown: no text
  };
  for (auto [format, result, box] : cases) {
    choices.format = format;
    results["C:\\web\\page.html"] = result;
    ConvertOutcome outcome = Run();
    // A failed file leaves bars and labels as the attempt left them.
    Log expected = {"total % 0", "total range 1", "file label C:\\web\\page.html",
                    std::string("convert C:\\web\\page.html -> D:\\out\\ mode ") +
                        (format == 1 ? "0" : "1") + " Arial 10 Auto-Select",
                    "file pos 50"};
    if (*box != '\0') expected.push_back(std::string("box [Error!] ") + box);
    EXPECT_EQ(log, expected) << static_cast<int>(result);
    EXPECT_EQ(outcome.failed, 1);
  }
}

TEST_F(ConvertCommandTest, StopsBeforeConverting) {
  choices.inputPath = "C:\\web";
  ConvertOutcome outcome = Run();
  EXPECT_EQ(log, (Log{"total % 0", "box [Error!] Please select file, or if you have chosen a "
                                   "directory, please, set the switch \"Convert all\"."}));
  EXPECT_TRUE(outcome.stopped && !outcome.noOutputDirectory);

  // The settings are saved as typed before any check.
  testing::TempDirectory dir;
  env.saveSettings = true;
  env.settingsDirectory = dir.path();
  choices.inputPath = "C:\\web\\page.html";
  choices.outputPath = "E:\\new";
  const std::string question = "yesno [Error!] The directory E:\\new\\ does not exist\nCreate?";
  view.answers = {MessageAnswer::No};
  outcome = Run();
  EXPECT_EQ(log, (Log{"total % 0", question}));
  EXPECT_TRUE(outcome.stopped && outcome.noOutputDirectory);
  EXPECT_EQ(dir.Read("settings.ini"), "[Default path]\r\nC:\\web\\page.html\r\nE:\\new\r\n");

  files.makeDirectoryFails = true;
  outcome = Run();
  EXPECT_EQ(log, (Log{"total % 0", question, "mkdir E:\\new\\",
                      "box [Error!] Can't create E:\\new\\ directory."}));
  EXPECT_TRUE(outcome.stopped && outcome.noOutputDirectory);

  files.makeDirectoryFails = false;
  EXPECT_EQ(Run().converted, 1);
  EXPECT_EQ(log.at(5), "convert C:\\web\\page.html -> E:\\new\\ mode 1 Arial 10 Auto-Select");
}

TEST_F(ConvertCommandTest, WalkWithAFailureInTheMiddle) {
  choices.inputPath = "C:\\web";
  results["C:\\web\\b.html"] = ConvertResult::EmptyInput;
  ConvertOutcome outcome =
      RunAll({".", "..", "a.htm", "notes.txt", "b.html", "sub.htm", "c.ASP"});
  EXPECT_THAT(log, ElementsAreArray(Concat({
      Counted("C:\\web\\", 4), Walked("a.htm", 1, 4),
      Walked("b.html", 1, 4, "C:\\web\\b.html file has zero length."), Walked("sub.htm", 2, 4),
      Walked("c.ASP", 3, 4),
      {"total label 3 of 4 files converted successfully.", "total pos 4",
       "box [Thank you for using Vellumine!] Conversion completed. 3 files converted "
       "successfully.",
       "total label "},
      kReset})));
  EXPECT_TRUE(outcome.converted == 3 && outcome.failed == 1);
}

TEST_F(ConvertCommandTest, WalksThatConvertNothing) {
  // The count text stays; no success box.
  results["C:\\web\\a.htm"] = ConvertResult::CannotOpenInput;
  RunAll({"a.htm", "readme.txt"});
  EXPECT_THAT(log, ElementsAreArray(Concat({Counted("C:\\web\\", 1),
      Walked("a.htm", 0, 1, "Can't open C:\\web\\a.htm file for reading."), kReset})));

  // No qualifying name is not "files not found".
  EXPECT_FALSE(RunAll({"readme.txt"}).filesNotFound);
  EXPECT_THAT(log, ElementsAreArray(Concat({Counted("C:\\web\\", 0), kReset})));

  choices.inputPath = "C:\\nothing\\";
  EXPECT_TRUE(Run().filesNotFound);
  EXPECT_THAT(log, ElementsAreArray(Concat({Counted("C:\\nothing\\", 0),
      {"total label HTML - files not found, please select correct path."}, kReset})));
}

TEST_F(ConvertCommandTest, WalkTotalsAreThirtyTwoBit) {
  std::vector<std::string> listing;
  for (int i = 0; i < 40000; ++i) listing.push_back("page" + std::to_string(i) + ".htm");
  EXPECT_EQ(RunAll(listing).converted, 40000);
  EXPECT_EQ(log.at(2), "total range 40000");
}

TEST(ConvertChoices, ModeFromFormatAndTables) {
  using enum ConversionMode;
  for (auto [format, tables, mode] :
       {std::tuple{1, false, Text}, {1, true, Text}, {0, false, Rtf}, {0, true, RtfTables},
        {-1, false, RtfTables}, {2, false, RtfTables}}) {
    EXPECT_EQ(ChooseConversionMode(format, tables), mode) << format << " " << tables;
  }
}

TEST(ConvertChoices, EncodingLabelByIndex) {
  for (auto [index, label] : {std::pair{4, "(ISO-8859-5) Cyrillic"}, {5, "(UTF-8) Unicode"},
                              {6, "Auto-Select"},
                              {-1, "Auto-Select"}, {1, "(Windows-1251) Cyrillic"}}) {
    EXPECT_EQ(std::string(ChooseEncodingLabel(index)), label) << index;
  }
}

TEST(ResultMessages, PercentTruncatesAndNeverDividesByZero) {
  for (auto [converted, total, percent] : {std::tuple{2, 3, "66"}, {0, 0, "0"}, {1, 0, "100"},
                                           {4, 3, "100"}, {INT32_MAX, INT32_MAX, "100"}}) {
    EXPECT_EQ(PercentText(converted, total), percent) << converted << " of " << total;
  }
}

}  // namespace
}  // namespace vellumine
