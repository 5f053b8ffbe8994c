// The Convert command against a fake file system and converter: every call the view sees,
// in order.
#include <gmock/gmock.h>

#include <map>
#include <set>
#include <tuple>

#include "command_fakes.h"
#include "temp_directory.h"

namespace vellumine::testing {

using ::testing::ElementsAreArray;

struct FakeFileSystem final : FileSystem {
  explicit FakeFileSystem(Log& into) : log(into) {}
  Log& log;
  std::set<std::string> directories;  // the only entries that exist
  bool makeDirectoryFails = false;
  std::vector<std::string> listing;  // of "C:\\web\\*.*"; other patterns cannot be listed

  bool Exists(const std::string& path) override { return directories.count(path) != 0; }
  bool IsDirectory(const std::string& path) override { return Exists(path); }
  bool MakeDirectory(const std::string& path) override {
    log.push_back("mkdir " + path);
    if (!makeDirectoryFails) directories.insert(path);
    return !makeDirectoryFails;
  }
  bool ListDirectory(const std::string& pattern, std::vector<std::string>& names) override {
    log.push_back("list " + pattern);
    if (pattern != "C:\\web\\*.*") return false;
    names = listing;
    return true;
  }
};

struct ConvertCommandTest : ::testing::Test {
  ConvertCommandTest() {
    env.style = PathStyle::Windows;
    // Logs its arguments, shows the last step as the engine does, returns the scripted result.
    env.convert = [this](const char* input, const char* outputDirectory,
                         const vellumine_options& options) {
      log.push_back(std::string("convert ") + input + " -> " + outputDirectory + " format " +
                    std::to_string(options.format) + " tables " + std::to_string(options.tables) +
                    " " + options.font_name + " " + std::to_string(options.font_size) +
                    " encoding " + std::to_string(options.encoding) + " reading " +
                    std::to_string(options.reading));
      if (options.progress != nullptr) options.progress(options.progress_context, 50, 50);
      auto it = results.find(input);
      return it == results.end() ? VELLUMINE_OK : it->second;
    };
    files.directories = {"D:\\out\\", "C:\\web", "C:\\web\\"};
    choices.inputPath = "C:\\web\\page.html";
    choices.outputPath = "D:\\out";
  }

  ConvertOutcome Run() {
    log.clear();
    view.reports.clear();
    return RunConvertCommand(choices, view, env);
  }
  ConvertOutcome RunAll(std::vector<std::string> listing) {
    choices.convertAll = true;
    files.listing = std::move(listing);
    return Run();
  }

  // The log of the count of a walk over dir.
  static Log Counted(const std::string& dir, int total) {
    const std::string list = "list " + dir + "*.*";
    return Log{list, "batch " + std::to_string(total) + " walk", list};
  }
  // The log of file `number` of a walk in C:\web, after which `converted` files are.
  static Log Walked(int number, const std::string& name, int converted,
                    vellumine_result result = VELLUMINE_OK) {
    return {"file " + std::to_string(number) + " " + name,
            "convert C:\\web\\" + name +
                " -> D:\\out\\ format 1 tables 1 Arial 10 encoding 0 reading 0",
            "step 50/50",
            "done " + std::to_string(number) + " result " + std::to_string(result) + " D:\\out\\" +
                name.substr(0, name.rfind('.')) + ".rtf converted " + std::to_string(converted)};
  }
  static Log Concat(std::initializer_list<Log> parts) {
    Log all;
    for (const Log& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
  }

  Log log;
  RecordingView view{log};
  FakeFileSystem files{log};
  std::map<std::string, vellumine_result> results;  // by input path; Ok when none
  ConvertEnvironment env{files};
  ConvertChoices choices;
};

// Qualifying names of the walk, in its order, with failures in the middle.
TEST_F(ConvertCommandTest, WalkConvertsQualifyingNamesInOrder) {
  choices.inputPath = "C:\\web";
  results["C:\\web\\b.html"] = VELLUMINE_EMPTY_INPUT;
  results["C:\\web\\d.htm"] = VELLUMINE_CANNOT_OPEN_INPUT;
  ConvertOutcome outcome =
      RunAll({".", "..", "a.htm", "notes.txt", "b.html", "sub.htm", "c.ASP", "d.htm"});
  EXPECT_THAT(log, ElementsAreArray(Concat({
      Counted("C:\\web\\", 5), Walked(1, "a.htm", 1),
      Walked(2, "b.html", 1, VELLUMINE_EMPTY_INPUT), Walked(3, "sub.htm", 2),
      Walked(4, "c.ASP", 3), Walked(5, "d.htm", 3, VELLUMINE_CANNOT_OPEN_INPUT),
      {"end converted 3 failed 2 skipped 0 of 5"}})));
  EXPECT_EQ(outcome.converted, 3);
  EXPECT_EQ(outcome.failed, 2);
}

// Several threads convert without progress; everything else the view sees is the same as
// with one, in the walk's order.
TEST_F(ConvertCommandTest, JobsChangeNothingTheViewSeesButProgress) {
  results["C:\\web\\b.html"] = VELLUMINE_EMPTY_INPUT;
  RunAll({"a.htm", "b.html", "c.htm", "d.htm", "e.htm"});
  Log one;
  for (const std::string& line : log)
    if (!line.starts_with("convert ") && !line.starts_with("step ")) one.push_back(line);
  env.convert = [&](const char* input, const char*, const vellumine_options& options) {
    EXPECT_EQ(options.progress, nullptr);
    auto it = results.find(input);
    return it == results.end() ? VELLUMINE_OK : it->second;
  };
  choices.jobs = 3;
  Run();
  EXPECT_EQ(log, one);
}

TEST_F(ConvertCommandTest, LargeWalkCountsEveryFile) {
  std::vector<std::string> listing;
  for (int i = 0; i < 40000; ++i) listing.push_back("page" + std::to_string(i) + ".htm");
  EXPECT_EQ(RunAll(listing).converted, 40000);
  EXPECT_EQ(log.at(1), "batch 40000 walk");
}

// (The options reaching the conversion: the command line's tests.)
TEST_F(ConvertCommandTest, OneFile) {
  ConvertOutcome outcome = Run();
  EXPECT_THAT(log, ElementsAreArray(Log{
      "batch 1", "file 1 C:\\web\\page.html",
      "convert C:\\web\\page.html -> D:\\out\\ format 1 tables 1 Arial 10 encoding 0 reading 0",
      "step 50/50", "done 1 result 0 D:\\out\\page.rtf converted 1",
      "end converted 1 failed 0 skipped 0 of 1"}));
  EXPECT_EQ(outcome.converted, 1);
  EXPECT_FALSE(outcome.stopped);
}

// A result the fault suite cannot provoke is counted as a failure like the others.
TEST_F(ConvertCommandTest, FailedFileIsCountedAsFailed) {
  results["C:\\web\\page.html"] = VELLUMINE_INVALID_ARGUMENT;
  ConvertOutcome outcome = Run();
  ASSERT_EQ(view.reports.size(), 1u);
  EXPECT_TRUE(view.reports[0].failed());
  EXPECT_EQ(log.back(), "end converted 0 failed 1 skipped 0 of 1");
  EXPECT_EQ(outcome.failed, 1);
}

// A directory without "convert all", an output directory declined or that cannot be made:
// the command stops there; the last two as having no output directory.
TEST_F(ConvertCommandTest, CommandStops) {
  const std::string page = choices.inputPath, made = "mkdir E:\\new\\";
  for (auto [input, output, yes, mkdirFails, expected] :
       {std::tuple{std::string("C:\\web"), "D:\\out", true, false, Log{"stop directory C:\\web"}},
        {page, "E:\\new", false, false, Log{"ask E:\\new\\"}},
        {page, "E:\\new", true, true, Log{"ask E:\\new\\", made, "stop " + made}}}) {
    choices = {.inputPath = input, .outputPath = output};
    view.answer = yes;
    files.makeDirectoryFails = mkdirFails;
    ConvertOutcome outcome = Run();
    EXPECT_EQ(log, expected) << output;
    EXPECT_TRUE(outcome.stopped) << output;
    EXPECT_EQ(outcome.noOutputDirectory, input == page) << output;
  }
}

TEST_F(ConvertCommandTest, MadeOutputDirectoryTakesTheOutputAndTheReading) {
  choices.outputPath = "E:\\new";
  choices.options.reading = VELLUMINE_READING_CLASSIC;
  EXPECT_EQ(Run().converted, 1);
  EXPECT_EQ(log.at(4), "convert C:\\web\\page.html -> E:\\new\\ format 1 tables 1 Arial 10 "
                       "encoding 0 reading 1");
}

// No qualifying name is not "files not found"; a directory that cannot be listed is.
TEST_F(ConvertCommandTest, WalkWithNoPageIsNotFilesNotFound) {
  for (auto [input, notFound] :
       {std::pair{"C:\\web\\", ""}, {"C:\\nothing\\", " not found"}}) {
    choices.inputPath = input;
    EXPECT_EQ(RunAll({"readme.txt"}).filesNotFound, *notFound != 0) << input;
    EXPECT_EQ(log, Concat({Counted(input, 0), {"end converted 0 failed 0 skipped 0 of 0" +
                                                std::string(notFound)}}));
  }
}

// Inputs whose outputs have one name: the first is converted, the later ones refused.
TEST_F(ConvertCommandTest, OutputsClaimedOnce) {
  RunAll({"x.htm", "x.html", "y.html"});
  EXPECT_EQ(log.at(8), "done 2 result 0 D:\\out\\x.rtf converted 1 refused for C:\\web\\x.htm");
  EXPECT_EQ(log.back(), "end converted 2 failed 1 skipped 0 of 3");
}

}  // namespace vellumine::testing
