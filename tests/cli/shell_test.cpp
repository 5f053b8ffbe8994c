// The command line in a shell, run as a process: standard streams, recursion, parallel
// conversion, --update, --text-encoding, and what --help and --version say.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "run_process.h"

namespace vellumine {
namespace {

namespace fs = std::filesystem;
using testing::ProcessResult;
using testing::RunVellumine;
using testing::TempDirectory;

const std::string kPage = "<html><body><h1>Title</h1><p>caf\xE9 &amp; cr\xE8me</p></body></html>";

TEST(Shell, StandardInputToStandardOutput) {
  TempDirectory work;
  work.Write("page.htm", kPage);
  // What a file conversion writes, for comparison.
  ASSERT_EQ(RunVellumine({"-q", "-f", "txt", "-o", "files", "page.htm"}, work).exitCode, 0);
  ASSERT_EQ(RunVellumine({"-q", "-o", "files", "page.htm"}, work).exitCode, 0);

  for (auto [format, extension] : {std::pair{"txt", ".txt"}, {"rtf", ".rtf"}}) {
    SCOPED_TRACE(format);
    ProcessResult run = RunVellumine({"-f", format, "-"}, work, "", "page.htm");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.rawOut, work.Read(std::string("files/page") + extension));
    EXPECT_EQ(run.err, "");
    // --stdout: a named page, nothing written beside it.
    run = RunVellumine({"-f", format, "-c", "page.htm"}, work);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.rawOut, work.Read(std::string("files/page") + extension));
    EXPECT_EQ(run.err, "");
  }
  EXPECT_EQ(work.Read("page.txt") + work.Read("page.rtf"), "<missing><missing>");

  // Failures: a message on standard error, nothing on standard output, exit code 1.
  work.Write("empty.htm", "");
  const struct {
    std::vector<std::string> args;
    std::string stdinName, err;
  } failures[] = {
      {{"-"}, "empty.htm", "vellumine: (standard input) file has zero length.\n"},
      {{"-c", "empty.htm"}, "", "vellumine: empty.htm file has zero length.\n"},
      {{"-c", "missing.htm"}, "", "vellumine: Can't open missing.htm file for reading.\n"},
  };
  for (const auto& f : failures) {
    ProcessResult run = RunVellumine(f.args, work, "", f.stdinName);
    EXPECT_EQ(run.exitCode, 1) << f.args.back();
    EXPECT_EQ(run.rawOut, "") << f.args.back();
    EXPECT_EQ(run.err, f.err);
  }
  // Standard output takes one page.
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"-c", "page.htm", "page.htm"}, {"-", "page.htm"},
                                             {"-a", "-"}, {"-c", "-r", "."}}) {
    ProcessResult run = RunVellumine(args, work);
    EXPECT_EQ(run.exitCode, 2) << ::testing::PrintToString(args);
    EXPECT_EQ(run.rawOut, "");
  }
}

#ifndef _WIN32
TEST(Shell, StandardOutputThatCannotBeWritten) {
  TempDirectory work;
  work.Write("page.htm", kPage);
  std::string command = "cd " + testing::Quote(work.bare()) + " && " +
                        testing::Quote(VELLUMINE_EXE) + " -c page.htm >/dev/full 2>err.log";
  int status = std::system(command.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
  EXPECT_EQ(work.Read("err.log"),
            "vellumine: Can't write (standard output) file.\nThe disk may be full.\n");
}
#endif

// A site of pages in sub-directories, as the tests below walk it.
void WriteSite(const TempDirectory& work) {
  for (const char* dir : {"site", "site/sub", "site/sub/deeper", "site/empty"})
    fs::create_directories(work.path() + dir);
  work.Write("site/a.htm", "<p>a");
  work.Write("site/sub/b.htm", "<p>b");
  work.Write("site/sub/deeper/c.html", "<p>c");
  work.Write("site/sub/notes.txt", "<p>not a page");
  work.Write("site/sub/zero.htm", "");
}

TEST(Shell, RecursiveWalkMirrorsTheTree) {
  TempDirectory work;
  WriteSite(work);
#ifndef _WIN32
  // A link back up the tree, and one to a directory elsewhere: neither is followed.
  fs::create_directory_symlink("..", work.path() + "site/sub/loop");
  fs::create_directories(work.path() + "elsewhere");
  work.Write("elsewhere/x.htm", "<p>x");
  fs::create_directory_symlink(work.path() + "elsewhere", work.path() + "site/outside");
#endif
  const std::string sep(1, work.path().back());
  ProcessResult run = RunVellumine({"-r", "-f", "txt", "-o", "out", "site"}, work);
  EXPECT_EQ(run.exitCode, 1);  // zero.htm
  EXPECT_EQ(run.err, "vellumine: site" + sep + "sub" + sep + "zero.htm file has zero length.\n");
  EXPECT_EQ(run.out, "3 of 4 files converted successfully.\n");
  EXPECT_EQ(work.Read("out/a.txt"), "\r\na");
  EXPECT_EQ(work.Read("out/sub/b.txt"), "\r\nb");
  EXPECT_EQ(work.Read("out/sub/deeper/c.txt"), "\r\nc");
  EXPECT_EQ(work.Read("out/sub/zero.txt"), "");
  EXPECT_FALSE(fs::exists(work.path() + "out/empty"));  // no page: no directory
  EXPECT_FALSE(fs::exists(work.path() + "out/outside"));
  EXPECT_FALSE(fs::exists(work.path() + "out/sub/loop"));
  EXPECT_FALSE(fs::exists(work.path() + "out/notes.txt"));
}

// -j 4 writes what -j 1 writes, and says it in the same order.
TEST(Shell, ParallelConversionMatchesOneAtATime) {
  TempDirectory work;
  fs::create_directories(work.path() + "site/sub");
  for (int i = 0; i < 40; ++i) {
    std::string page = "<p>page " + std::to_string(i);
    for (int k = 0; k < i * 200; ++k) page += " <b>word</b> &eacute;";
    const std::string name = (i % 3 == 0 ? "site/sub/p" : "site/p") + std::to_string(i) + ".htm";
    work.Write(name, i % 7 == 3 ? "" : page);  // some fail
  }
  ProcessResult one = RunVellumine({"-r", "-t", "-j", "1", "-o", "one", "site"}, work);
  ProcessResult four = RunVellumine({"-r", "-t", "-j", "4", "-o", "four", "site"}, work);
  EXPECT_EQ(one.exitCode, 1);
  EXPECT_EQ(four.exitCode, one.exitCode);
  EXPECT_EQ(four.out, one.out);
  EXPECT_EQ(four.err, one.err);
  EXPECT_NE(one.err, "");
  auto files = [&](const std::string& dir) {
    std::vector<std::pair<std::string, std::string>> all;
    for (const auto& entry : fs::recursive_directory_iterator(work.path() + dir)) {
      if (!entry.is_regular_file()) continue;
      std::string name = fs::relative(entry.path(), work.path() + dir).generic_string();
      all.emplace_back(name, work.Read(dir + "/" + name));
    }
    std::sort(all.begin(), all.end());
    return all;
  };
  EXPECT_EQ(files("one").size(), 40u);
  EXPECT_TRUE(files("one") == files("four"));
}

TEST(Shell, UpdateConvertsOnlyWhatChanged) {
  TempDirectory work;
  WriteSite(work);
  fs::remove(work.path() + "site/sub/zero.htm");
  ASSERT_EQ(RunVellumine({"-q", "-r", "-o", "out", "site"}, work).exitCode, 0);
  // Nothing changed: nothing converted, and it says so.
  ProcessResult run = RunVellumine({"-r", "-u", "-o", "out", "site"}, work);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "3 files were up to date and not converted.\n");
  // One page is newer than its output, one output is missing.
  auto later = fs::last_write_time(work.path() + "out/a.rtf") + std::chrono::seconds(10);
  fs::last_write_time(work.path() + "site/a.htm", later);
  work.Write("site/a.htm", "<p>changed");
  fs::last_write_time(work.path() + "site/a.htm", later);
  fs::remove(work.path() + "out/sub/b.rtf");
  run = RunVellumine({"-r", "-u", "-o", "out", "site"}, work);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "2 of 3 files converted successfully.\n"
                     "1 file was up to date and not converted.\n");
  EXPECT_NE(work.Read("out/a.rtf").find("changed"), std::string::npos);
  EXPECT_NE(work.Read("out/sub/b.rtf"), "<missing>");
  // A single file too, once its output is newer.
  fs::last_write_time(work.path() + "site/a.htm",
                      fs::last_write_time(work.path() + "out/a.rtf") - std::chrono::seconds(10));
  run = RunVellumine({"-u", "-o", "out", "site/a.htm"}, work);
  EXPECT_EQ(run.out, "1 file was up to date and not converted.\n");
}

// Inputs of one command whose outputs have one name: the first is converted, each later one
// refused with a message naming both, whatever the number of jobs; an output left by an
// earlier run is still replaced.
TEST(Shell, InputsWithOneOutputAreRefusedAfterTheFirst) {
  TempDirectory work;
  const std::string sep(1, work.path().back());
  for (const char* dir : {"a", "b", "c", "site"}) fs::create_directory(work.path() + dir);
  work.Write("a/x.html", "<p>from a");
  work.Write("b/x.html", "<p>from b");
  work.Write("site/x.htm", "<p>from htm");
  work.Write("site/x.html", "<p>from html");
  work.Write("site/y.html", "<p>y");
  work.Write("c/X.html", "<p>capital");
  auto refused = [&](const std::string& output, const std::string& earlier,
                     const std::string& later) {
    return "vellumine: Will not overwrite just-created " + output + " (from " + earlier +
           ") with " + later + ".\n";
  };
  const std::string a = "a" + sep + "x.html", b = "b" + sep + "x.html",
                    out = "out" + sep + "x.txt";
  for (const char* jobs : {"1", "2"}) {
    SCOPED_TRACE(std::string("-j ") + jobs);
    fs::remove_all(work.path() + "out");
    fs::create_directory(work.path() + "out");
    work.Write("out/x.txt", "from an earlier run");
    ProcessResult run = RunVellumine({"-j", jobs, "-f", "txt", "-o", "out", a, b, a}, work);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, refused(out, a, b) + refused(out, a, a));
    EXPECT_EQ(run.out, "1 of 3 files converted successfully.\n");
    EXPECT_EQ(work.Read("out/x.txt"), "\r\nfrom a");

    // "x.htm" before "x.html" in the walk; "y.html" is converted as ever.
    run = RunVellumine({"-j", jobs, "-a", "-f", "txt", "-o", "out", "site"}, work);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, refused(out, "site" + sep + "x.htm", "site" + sep + "x.html"));
    EXPECT_EQ(run.out, "2 of 3 files converted successfully.\n");
    EXPECT_EQ(work.Read("out/x.txt"), "\r\nfrom htm");
    EXPECT_EQ(work.Read("out/y.txt"), "\r\ny");
  }

  // Names that differ in case only are one name where the file system ignores case.
  fs::remove_all(work.path() + "out");
  ProcessResult run = RunVellumine({"-f", "txt", "-o", "out", a, "c" + sep + "X.html"}, work);
#ifdef _WIN32
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, refused("out" + sep + "X.txt", a, "c" + sep + "X.html"));
  EXPECT_EQ(work.Read("out/x.txt"), "\r\nfrom a");
#else
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "2 of 2 files converted successfully.\n");
  EXPECT_EQ(work.Read("out/X.txt"), "\r\ncapital");
#endif
}

TEST(Shell, TextInUtf8FromAnyPage) {
  TempDirectory work;
  const struct {
    std::string page, page8, utf8;
  } cases[] = {
      // Latin, read as windows-1252.
      {"<p>caf\xE9 \x80 &mdash;", "\r\ncaf\xE9 \x80 \x97", "\r\ncaf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x94"},
      // KOI8-R, recoded to windows-1251 first.
      {"<head><meta charset=koi8-r></head><p>\xF0\xD2\xC9\xD7\xC5\xD4", "\r\n\xCF\xF0\xE8\xE2\xE5\xF2",
       "\r\n\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
      // A UTF-8 page is UTF-8 already.
      {"<p>\xE6\x97\xA5 \xC3\xA9", "\r\n\xE6\x97\xA5 \xC3\xA9", "\r\n\xE6\x97\xA5 \xC3\xA9"},
  };
  for (const auto& c : cases) {
    work.Write("page.htm", c.page);
    EXPECT_EQ(RunVellumine({"-f", "txt", "-c", "page.htm"}, work).rawOut, c.page8);
    EXPECT_EQ(RunVellumine({"-f", "txt", "--text-encoding", "utf-8", "-c", "page.htm"}, work).rawOut,
              c.utf8);
  }
  EXPECT_EQ(RunVellumine({"--text-encoding", "utf-16", "-c", "page.htm"}, work).exitCode, 2);
}

TEST(Shell, HelpAndVersion) {
  TempDirectory work;
  ProcessResult help = RunVellumine({"--help"}, work);
  EXPECT_EQ(help.exitCode, 0);
  for (const char* text : {"Input and output:", "Format:", "Other:", "-f,--format rtf|txt=rtf",
                           "-o,--output DIR=.", "--size POINTS=10", "-j,--jobs N",
                           "Exit codes:\n  0 ", "  1 ", "  2 ", "-r,--recursive", "-u,--update",
                           "-c,--stdout", "--text-encoding"}) {
    EXPECT_NE(help.out.find(text), std::string::npos) << text;
  }
  EXPECT_EQ(RunVellumine({"--version"}, work).out.rfind("vellumine 1.2 (", 0), 0u);
}

}  // namespace
}  // namespace vellumine
