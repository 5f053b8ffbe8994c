// The command-line converter run as a process: exit codes, what it prints, what it writes.
#include <gtest/gtest.h>

#include "command_line.h"
#include "convert_command.h"
#include "run_process.h"
#include "temp_directory.h"

namespace vellumine {
namespace {

using testing::ProcessResult;
using testing::RunVellumine;
using testing::TempDirectory;

const char kSuccessOne[] =
    "1 of 1 file converted successfully.\nConversion completed. 1 file converted successfully.\n";

std::string Example(const char* name) {
  return testing::HostPath(std::string(VELLUMINE_SOURCE_DIR) + "/examples/" + name);
}

// A window that shows nothing: the reference for what Convert writes.
class SilentView final : public ConvertView {
 public:
  MessageAnswer ShowMessage(const std::string&, const std::string&, MessageButtons) override {
    return MessageAnswer::Yes;
  }
  void SetTotalRange(int32_t) override {}
  void SetTotalPosition(int32_t) override {}
  void SetCurrentFileText(const std::string&) override {}
  void SetTotalText(const std::string&) override {}
  void SetTotalPercentText(const std::string&) override {}
  ProgressSink& CurrentFileProgress() override { return sink_; }

 private:
  NullProgressSink sink_;
};

TEST(CommandLine, WritesWhatTheWindowWrites) {
  struct Case {
    std::vector<std::string> options;
    ConvertChoices choices;  // the window's controls for the same request
    const char* extension;
  } cases[] = {
      {{}, {.format = 0}, ".rtf"},
      {{"-t"}, {.format = 0, .convertTables = true}, ".rtf"},
      {{"-f", "txt", "-t"}, {.format = 1, .convertTables = true}, ".txt"},
      {{"--format", "rtf", "-e", "koi8-r", "--font", "Times New Roman", "--size", "12"},
       {.format = 0, .encodingIndex = 2, .fontName = "Times New Roman", .fontSize = "12"},
       ".rtf"},
      {{"-e", "(ISO-8859-5) Cyrillic", "--tables"},
       {.format = 0, .convertTables = true, .encodingIndex = 4}, ".rtf"},
  };
  const char* inputs[] = {"koi8r-news-article.html", "quarterly-sales-tables.html"};
  for (Case& c : cases) {
    TempDirectory work;
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {"-o", work.path() + "cli", Example(inputs[0]), Example(inputs[1])});
    ProcessResult run = RunVellumine(args, work.path());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, std::string(kSuccessOne) + kSuccessOne);
    EXPECT_EQ(run.err, "");

    ConvertEnvironment env{NativeFileSystem()};
    env.saveSettings = false;
    SilentView view;
    c.choices.outputPath = work.path() + "window";
    for (const char* input : inputs) {
      c.choices.inputPath = Example(input);
      RunConvertCommand(c.choices, view, env, nullptr);
      std::string name = std::string(input, std::string(input).rfind('.')) + c.extension;
      std::string written = work.Read("cli/" + name);
      EXPECT_NE(written, "<missing>") << name;
      EXPECT_EQ(written, work.Read("window/" + name)) << name;
    }
  }
}

TEST(CommandLine, FailuresAndExitCodes) {
  TempDirectory work;
  work.Write("empty.htm", "");
  work.Write("page.htm", "<p>text</p>");
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string out;
    std::string err;
  } cases[] = {
      {{"page.htm"}, 0, kSuccessOne, ""},
      {{"-q", "page.htm"}, 0, "", ""},
      {{"missing.htm"}, 1, "", "vellumine: Can't open missing.htm file for reading.\n"},
      {{"empty.htm", "page.htm"}, 1, kSuccessOne, "vellumine: empty.htm file has zero length.\n"},
      {{"-o", "out", "."}, 1, "",
       "vellumine: Please select file, or if you have chosen a directory, please, set the "
       "switch \"Convert all\".\n"},
      {{"-o", "a/b", "page.htm", "page.htm"}, 1, "",
       std::string("vellumine: Can't create a/b") + (work.path().back()) + " directory.\n"},
  };
  for (const Case& c : cases) {
    ProcessResult run = RunVellumine(c.args, work.path());
    std::string joined;
    for (const std::string& arg : c.args) joined += arg + " ";
    EXPECT_EQ(run.exitCode, c.exitCode) << joined;
    EXPECT_EQ(run.out, c.out) << joined;
    EXPECT_EQ(run.err, c.err) << joined;
  }
  // The default output directory is the current one; a missing one is made one level deep;
  // the command line leaves no settings file behind.
  EXPECT_EQ(work.Read("page.rtf").substr(0, 5), "{\\rtf");
  EXPECT_EQ(work.Read("settings.ini"), "<missing>");
  EXPECT_EQ(RunVellumine({"-o", "made", "page.htm"}, work.path()).exitCode, 0);
  EXPECT_EQ(work.Read("made/page.rtf"), work.Read("page.rtf"));
}

TEST(CommandLine, ConvertAll) {
  TempDirectory work;
  std::filesystem::create_directory(work.path() + "site");
  work.Write("site/a.htm", "<p>a</p>");
  work.Write("site/b.html", "");
  work.Write("site/c.asp", "<p>c</p>");
  work.Write("site/notes.txt", "not html");
  const char sep = work.path().back();
  const std::string site = std::string("site") + sep;

  ProcessResult run = RunVellumine({"-a", "-o", "out", "site"}, work.path());
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out,
            "2 of 3 files converted successfully.\n"
            "Conversion completed. 2 files converted successfully.\n");
  EXPECT_EQ(run.err, "vellumine: " + site + "b.html file has zero length.\n");
  EXPECT_NE(work.Read("out/a.rtf"), "<missing>");
  EXPECT_NE(work.Read("out/c.rtf"), "<missing>");
  EXPECT_EQ(work.Read("out/notes.rtf"), "<missing>");

  // A file in the directory selects the whole directory.
  work.Write("site/b.html", "<p>b</p>");
  run = RunVellumine({"--all", "-q", "-f", "txt", "-o", "out", site + "a.htm"}, work.path());
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "");
  EXPECT_NE(work.Read("out/b.txt").find("b\r\n"), std::string::npos);

  run = RunVellumine({"-a", "-o", "out", "gone" + std::string(1, sep)}, work.path());
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "vellumine: HTML - files not found, please select correct path.\n");
}

TEST(CommandLine, UsageErrors) {
  TempDirectory work;
  const std::vector<std::string> wrong[] = {
      {}, {"-f", "pdf", "x.htm"}, {"-e", "utf-8", "x.htm"}, {"--bogus", "x.htm"}, {"-o"},
  };
  for (const auto& args : wrong) {
    ProcessResult run = RunVellumine(args, work.path());
    EXPECT_EQ(run.exitCode, 2) << (args.empty() ? "" : args[0]);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("vellumine: ", 0), 0u) << run.err;
  }
  ProcessResult help = RunVellumine({"--help"}, work.path());
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("-o,--output DIR"), std::string::npos) << help.out;
  ProcessResult version = RunVellumine({"--version"}, work.path());
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, "vellumine 1.2\n");
}

TEST(CommandLine, EncodingNames) {
  struct Case {
    const char* name;
    int index;
  } cases[] = {
      {"auto", 0},         {"AUTO", 0},           {"windows-1251", 1},
      {"KOI8-R", 2},       {"iso-8859-1", 3},     {"iso-8859-5", 4},
      {"Auto-Select", 0},  {"(Windows-1251) Cyrillic", 1},
      {"(KOI8-R) Cyrillic", 2},                   {"(ISO-8859-1) Latin1", 3},
      {"(ISO-8859-5) Cyrillic", 4},               {"(koi8-r) cyrillic", -1},
      {"koi8", -1},        {"", -1},              {"utf-8", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(EncodingIndexForName(c.name), c.index) << c.name;
}

}  // namespace
}  // namespace vellumine
