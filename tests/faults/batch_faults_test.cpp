// Faults in a batch: an input that disappears between the listing and its conversion, and a
// thousand files of which some are empty and some cannot be read. The batch goes on, every
// other file is converted, and the counts and messages are exact.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "command_fakes.h"
#include "convert_command.h"
#include "fault_helpers.h"

namespace vellumine::testing {
namespace {

// Deletes a file of the walk as soon as the file before it starts.
class DeletingView final : public ConvertView {
 public:
  DeletingView(std::string current, std::string next) : current_(current), next_(next) {}
  bool ConfirmCreateDirectory(const std::string&) override { return true; }
  void CommandStopped(CommandProblem, const std::string&) override {}
  void BatchStarted(const BatchStart&) override {}
  void FileStarted(int32_t, const std::string& label) override {
    if (label == current_) fs::remove(next_);
  }
  void FileProgress(int, int) override {}
  void FileFinished(const FileReport& report) override {
    if (!report.message.empty()) messages.push_back(report.message);
  }
  void BatchFinished(const ConvertOutcome&) override {}

  std::vector<std::string> messages;

 private:
  std::string current_, next_;
};

TEST(BatchFaults, InputDisappearsBetweenListingAndConversion) {
  TempDirectory work;
  fs::create_directory(work.path() + "site");
  fs::create_directory(work.path() + "out");
  for (const char* name : {"a.htm", "b.htm", "c.htm"}) work.Write(std::string("site/") + name, "<p>x");
  const std::string site = work.path() + "site" + work.path().back();
  DeletingView view("a.htm", site + "b.htm");  // the label shows the name
  ConvertEnvironment env{.files = NativeFileSystem(), .saveSettings = false};
  ConvertChoices choices{.inputPath = work.path() + "site", .outputPath = work.path() + "out",
                         .convertAll = true};
  choices.options.format = VELLUMINE_FORMAT_TEXT;
  ConvertOutcome outcome = RunConvertCommand(choices, view, env, nullptr);
  EXPECT_EQ(outcome.converted, 2);
  EXPECT_EQ(outcome.failed, 1);
  EXPECT_EQ(view.messages,
            (std::vector<std::string>{"Can't open " + site + "b.htm file for reading."}));
  EXPECT_EQ(work.Read("out/a.txt"), "\r\nx");
  EXPECT_EQ(work.Read("out/b.txt"), "<missing>");
  EXPECT_EQ(work.Read("out/c.txt"), "\r\nx");
}

#ifndef _WIN32
// A thousand files, every tenth empty and every seventh unreadable (the converter runs as an
// unprivileged user, since root reads everything).
TEST(BatchFaults, ThousandFilesSomeEmptySomeUnreadable) {
  TempDirectory work;
  fs::create_directory(work.path() + "site");
  fs::create_directory(work.path() + "out");
  fs::permissions(work.path() + "out", fs::perms::all);
  int converted = 0;
  std::string errors;
  std::vector<std::string> names;
  for (int i = 0; i < 1000; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "p%04d", i);
    names.push_back(name);
    const std::string file = std::string("site/") + name + ".htm";
    if (i % 10 == 3) {
      work.Write(file, "");
      errors += "vellumine: site/" + std::string(name) + ".htm file has zero length.\n";
    } else if (i % 7 == 5) {
      work.Write(file, "<p>hidden");
      fs::permissions(work.path() + file, fs::perms::none);
      errors += "vellumine: Can't open site/" + std::string(name) + ".htm file for reading.\n";
    } else {
      work.Write(file, "<p>page " + std::to_string(i));
      ++converted;
    }
  }
  ProcessResult run = RunVellumine({"-a", "-f", "txt", "-o", "out", "site"}, work,
                                   UnprivilegedPrefix());
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, errors);
  EXPECT_EQ(run.out, std::to_string(converted) + " of 1000 files converted successfully.\n");
  auto out = Snapshot(work.path() + "out");
  size_t expectedFiles = 0;
  for (int i = 0; i < 1000; ++i) {
    auto it = out.find(names[i] + ".txt");
    if (i % 10 == 3) {  // an empty input leaves an empty output
      ASSERT_TRUE(it != out.end() && it->second.empty()) << names[i];
      ++expectedFiles;
    } else if (i % 7 == 5) {
      EXPECT_TRUE(it == out.end()) << names[i];
    } else {
      ASSERT_TRUE(it != out.end()) << names[i];
      EXPECT_EQ(it->second, "\r\npage " + std::to_string(i));
      ++expectedFiles;
    }
  }
  EXPECT_EQ(out.size(), expectedFiles);  // nothing else: no temporary files
}
#endif

}  // namespace
}  // namespace vellumine::testing
