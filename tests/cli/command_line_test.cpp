// The command-line converter run as a process: exit codes, what it prints, what it writes.
#include <gtest/gtest.h>

#include <filesystem>

#include "command_fakes.h"
#include "command_line.h"
#include "convert_command.h"
#include "run_process.h"

namespace vellumine {
namespace {

using testing::RunVellumine;
using testing::TempDirectory;

const std::string kSuccessOne =
    "1 of 1 file converted successfully.\nConversion completed. 1 file converted successfully.\n";

TEST(CommandLine, WritesWhatTheWindowWrites) {
  struct Case {
    std::vector<std::string> options;
    ConvertChoices choices;  // the window's controls for the same request
    const char* extension;
  } cases[] = {
      {{}, {.format = 0}, ".rtf"},
      {{"-f", "txt", "-t", "-e", "(ISO-8859-5) Cyrillic"},
       {.format = 1, .convertTables = true, .encodingIndex = 4}, ".txt"},
      {{"--format", "rtf", "-e", "koi8-r", "--font", "Times New Roman", "--size", "12"},
       {.format = 0, .encodingIndex = 2, .fontName = "Times New Roman", .fontSize = "12"}, ".rtf"},
      {{"--tables"}, {.format = 0, .convertTables = true}, ".rtf"},
  };
  const std::string examples = testing::HostPath(VELLUMINE_SOURCE_DIR "/examples/");
  for (Case& c : cases) {
    TempDirectory work;
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {"-o", work.path() + "cli", examples + "koi8r-news-article.html",
                             examples + "quarterly-sales-tables.html"});
    testing::ProcessResult run = RunVellumine(args, work);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, kSuccessOne + kSuccessOne);
    EXPECT_EQ(run.err, "");

    testing::Log log;
    testing::RecordingView view(log);
    ConvertEnvironment env{NativeFileSystem()};
    env.saveSettings = false;
    c.choices.outputPath = work.path() + "window";
    for (const char* name : {"koi8r-news-article", "quarterly-sales-tables"}) {
      c.choices.inputPath = examples + name + ".html";
      RunConvertCommand(c.choices, view, env, nullptr);
      std::string written = work.Read("cli/" + (name + std::string(c.extension)));
      EXPECT_NE(written, "<missing>") << name;
      EXPECT_EQ(written, work.Read("window/" + (name + std::string(c.extension)))) << name;
    }
  }
}

TEST(CommandLine, ExitCodesAndMessages) {
  TempDirectory work;
  const std::string sep(1, work.path().back());
  work.Write("empty.htm", "");
  work.Write("page.htm", "<p>text</p>");
  std::filesystem::create_directory(work.path() + "site");
  work.Write("site/a.htm", "<p>a</p>");
  work.Write("site/b.html", "");
  work.Write("site/c.asp", "<p>c</p>");
  work.Write("site/notes.txt", "not html");
  const std::string selectFile = "vellumine: Please select file, or if you have chosen a "
                                 "directory, please, set the switch \"Convert all\".\n";
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string out, err;
  } cases[] = {
      {{"page.htm"}, 0, kSuccessOne, ""},
      {{"-q", "page.htm"}, 0, "", ""},
      {{"missing.htm"}, 1, "", "vellumine: Can't open missing.htm file for reading.\n"},
      {{"empty.htm", "page.htm"}, 1, kSuccessOne, "vellumine: empty.htm file has zero length.\n"},
      {{"-o", "out", "."}, 1, "", selectFile},
      {{"-o", "a/b", "page.htm", "page.htm"}, 1, "", "vellumine: Can't create a/b" + sep +
                                                         " directory.\n"},
      {{"-a", "-o", "out", "site"}, 1,
       "2 of 3 files converted successfully.\nConversion completed. 2 files converted "
       "successfully.\n",
       "vellumine: site" + sep + "b.html file has zero length.\n"},
      // A file in the directory selects the whole directory.
      {{"--all", "-q", "-f", "txt", "-o", "out", "site" + sep + "a.htm"}, 1, "",
       "vellumine: site" + sep + "b.html file has zero length.\n"},
      {{"-a", "-o", "out", "gone" + sep}, 1, "",
       "vellumine: HTML - files not found, please select correct path.\n"},
      {{"-o", "made", "page.htm"}, 0, kSuccessOne, ""},  // made one level deep
      {{"--version"}, 0, "vellumine 1.2\n", ""},
      // Usage errors: the message is the argument parser's.
      {{}, 2, "", "vellumine: "},
      {{"-f", "pdf", "x.htm"}, 2, "", "vellumine: "},
      {{"-e", "utf-8", "x.htm"}, 2, "", "vellumine: "},
      {{"--bogus", "x.htm"}, 2, "", "vellumine: "},
      {{"-o"}, 2, "", "vellumine: "},
  };
  for (const Case& c : cases) {
    testing::ProcessResult run = RunVellumine(c.args, work);
    std::string joined;
    for (const std::string& arg : c.args) joined += arg + " ";
    EXPECT_EQ(run.exitCode, c.exitCode) << joined;
    EXPECT_EQ(run.out, c.out) << joined;
    EXPECT_EQ(c.exitCode == 2 ? run.err.substr(0, c.err.size()) : run.err, c.err) << joined;
  }
  EXPECT_NE(RunVellumine({"--help"}, work).out.find("-o,--output DIR"), std::string::npos);
  // The default output directory is the current one; no settings file is left behind.
  EXPECT_EQ(work.Read("page.rtf").substr(0, 5), "{\\rtf");
  EXPECT_EQ(work.Read("made/page.rtf"), work.Read("page.rtf"));
  EXPECT_EQ(work.Read("settings.ini"), "<missing>");
  EXPECT_NE(work.Read("out/a.rtf"), "<missing>");
  EXPECT_EQ(work.Read("out/notes.rtf"), "<missing>");
  EXPECT_EQ(work.Read("out/c.txt"), "\r\nc\r\n");
}

TEST(CommandLine, EncodingNames) {
  struct Case {
    const char* name;
    int index;
  } cases[] = {{"AUTO", 0}, {"windows-1251", 1}, {"KOI8-R", 2}, {"iso-8859-1", 3},
               {"iso-8859-5", 4}, {"(Windows-1251) Cyrillic", 1}, {"(koi8-r) cyrillic", -1},
               {"koi8", -1}, {"", -1}};
  for (const Case& c : cases) EXPECT_EQ(EncodingIndexForName(c.name), c.index) << c.name;
}

}  // namespace
}  // namespace vellumine
