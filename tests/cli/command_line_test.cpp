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

// What --version names as the build's platform.
#ifdef _WIN32
constexpr const char* kPlatform = "Windows i686";
#else
constexpr const char* kPlatform = "Linux x86_64";
#endif

const std::string kSuccessOne = "1 of 1 file converted successfully.\n";

TEST(CommandLine, WritesWhatTheWindowWrites) {
  TempDirectory work;
  const std::string examples = testing::HostPath(VELLUMINE_SOURCE_DIR "/examples/");
  const char* names[] = {"koi8r-news-article", "quarterly-sales-tables"};
  testing::ProcessResult run = RunVellumine(
      {"--format", "rtf", "--tables", "-e", "koi8-r", "--font", "Times New Roman", "--size", "12",
       "-o", work.path() + "cli", examples + names[0] + ".html", examples + names[1] + ".html"},
      work);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out + run.err, "2 of 2 files converted successfully.\n");  // once, for both

  // The same request as the window makes it.
  ConvertChoices choices{.outputPath = work.path() + "window"};
  choices.options.encoding = VELLUMINE_ENCODING_KOI8_R;
  choices.options.font_name = "Times New Roman";
  choices.options.font_size = 12;
  testing::Log log;
  testing::RecordingView view(log);
  ConvertEnvironment env{.files = NativeFileSystem(), .saveSettings = false};
  for (const std::string name : names) {
    choices.inputPath = examples + name + ".html";
    RunConvertCommand(choices, view, env, nullptr);
    std::string written = work.Read("cli/" + name + ".rtf");
    EXPECT_NE(written, "<missing>") << name;
    EXPECT_EQ(written, work.Read("window/" + name + ".rtf")) << name;
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
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string out, err;
  } cases[] = {
      {{"-q", "page.htm"}, 0, "", ""},
      {{"empty.htm", "page.htm"}, 1, "1 of 2 files converted successfully.\n",
       "vellumine: empty.htm file has zero length.\n"},
      {{"-o", "out", "."}, 1, "", "vellumine: . is a directory: -a converts its HTML files, -r "
                                  "those of its sub-directories too.\n"},
      {{"-o", "a/b", "page.htm", "page.htm"}, 1, "",
       "vellumine: Can't create a/b" + sep + " directory.\n"},
      // A file in the directory selects the whole directory.
      {{"-a", "-f", "txt", "-o", "out", "site" + sep + "a.htm"}, 1,
       "2 of 3 files converted successfully.\n", "vellumine: site" + sep + "b.html file has zero length.\n"},
      {{"-a", "-o", "out", "gone" + sep}, 1, "",
       "vellumine: HTML - files not found, please select correct path.\n"},
      {{"-o", "made", "page.htm"}, 0, kSuccessOne, ""},  // made one level deep
      {{"--version"}, 0, std::string("vellumine 1.2 (") + kPlatform + ")\n", ""},
      // Usage errors: the message is the argument parser's.
      {{}, 2, "", "vellumine: "},
      {{"-f", "pdf", "x.htm"}, 2, "", "vellumine: "},
      {{"-e", "utf-16", "x.htm"}, 2, "", "vellumine: "},
      // Font texts the header could not hold as they stand.
      {{"--font", "Arial;}}}}{\\par injected", "page.htm"}, 2, "", "vellumine: "},
      {{"--font", "Arial}", "page.htm"}, 2, "", "vellumine: "},
      {{"--font", "Tab\tFont", "page.htm"}, 2, "", "vellumine: "},
      {{"--size", "99999999999", "page.htm"}, 2, "", "vellumine: "},
      {{"--size", "0", "page.htm"}, 2, "", "vellumine: "},
      {{"--size", "1639", "page.htm"}, 2, "", "vellumine: "},
      {{"--size", "12pt", "page.htm"}, 2, "", "vellumine: "},
      {{"--size", "-3", "page.htm"}, 2, "", "vellumine: "},
      {{"-q", "--size", "1638", "--font", "Times New Roman", "-o", "big", "page.htm"}, 0, "", ""},
  };
  for (const Case& c : cases) {
    testing::ProcessResult run = RunVellumine(c.args, work);
    const std::string joined = ::testing::PrintToString(c.args);
    EXPECT_EQ(run.exitCode, c.exitCode) << joined;
    EXPECT_EQ(run.out, c.out) << joined;
    EXPECT_EQ(c.exitCode == 2 ? run.err.substr(0, c.err.size()) : run.err, c.err) << joined;
  }
  EXPECT_NE(RunVellumine({"--help"}, work).out.find("-o,--output DIR"), std::string::npos);
  // The default output directory is the current one; no settings file is left behind.
  EXPECT_EQ(work.Read("page.rtf").substr(0, 5), "{\\rtf");
  EXPECT_EQ(work.Read("made/page.rtf"), work.Read("page.rtf"));
  EXPECT_EQ(work.Read("settings.ini"), "<missing>");
  EXPECT_EQ(work.Read("out/c.txt"), "\r\nc\r\n");
  EXPECT_NE(work.Read("big/page.rtf").find("\\fs3276{\\fonttbl{\\f0\\fswiss\\fprq2\\fcharset0 Times New Roman;}"),
            std::string::npos);
}

TEST(CommandLine, EncodingNames) {
  constexpr int kNone = -1;
  for (auto [name, expected] :
       {std::pair{"AUTO", int{VELLUMINE_ENCODING_AUTO}}, {"KOI8-R", VELLUMINE_ENCODING_KOI8_R},
        {"iso-8859-5", VELLUMINE_ENCODING_ISO_8859_5}, {"iso-8859-1", VELLUMINE_ENCODING_ISO_8859_1},
        {"(Windows-1251) Cyrillic", VELLUMINE_ENCODING_WINDOWS_1251}, {"(koi8-r) cyrillic", kNone},
        {"koi8", kNone}, {"utf-8", VELLUMINE_ENCODING_UTF_8}, {"UTF8", VELLUMINE_ENCODING_UTF_8},
        {"(UTF-8) Unicode", VELLUMINE_ENCODING_UTF_8}, {"utf_8", kNone}}) {
    vellumine_encoding encoding = VELLUMINE_ENCODING_AUTO;
    const bool known = ParseEncodingName(name, encoding);
    EXPECT_EQ(known ? int{encoding} : kNone, expected) << name;
  }
}

}  // namespace
}  // namespace vellumine
