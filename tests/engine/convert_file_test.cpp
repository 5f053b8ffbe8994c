// ConvertFile end to end: result codes and their order, the files left behind, the read
// and write transformations, the input protected from being its own output.
#include "job/convert_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "engine_test_files.h"
#include "fast/split_preparation.h"
#include "fast/split_translation.h"

namespace vellumine {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::RecordedSteps;
using testing::TempDir;
using testing::WriteFile;
using Calls = std::vector<std::string>;

const Calls kResetOnly = {"0/50"};

struct JobRun {
  vellumine_result result;
  Calls calls;
};

JobRun Convert(const std::string& input, const std::string& directory,
               ConversionMode mode = ConversionMode::Text, PathStyle style = kNativePathStyle) {
  RecordedSteps steps;
  vellumine_result result =
      ConvertFile(input.c_str(), directory.c_str(), steps.Attach(OptionsFor(mode)), style);
  return {result, steps.calls};
}

// Each mode writes to its file what the same job writes to memory, and shows the sink the
// same calls; the text mode's bytes are checked too.
TEST(ConvertFileTest, OutputWithReadAndWriteTransformations) {
  TempDir dir;
  auto koi8Page = ReadFile(testing::FixturePath("koi8r-page.html"));
  auto koi8Text = ReadFile(testing::FixturePath("koi8r-page.txt"));
  ASSERT_TRUE(koi8Page && koi8Text) << "fixture missing";
  struct Case {
    const char* name;
    std::string html;
    std::string text;
    Calls calls;  // not checked when empty
  };
  const Case cases[] = {
      // The line feed after "<html>" is the first blank; "\r" before "<br>" is an ordinary
      // text byte; nothing after 0x1A is read.
      {"page", "<html>\r\n<p>one\r\ntwo</p>\r<br>x\x1A<p>lost", " \r\none two\r\n\r\r\nx",
       {"0/50", "1/50", "50/50"}},
      {"eof", "\x1A<p>never read", "", {"0/50", "50/50"}},
      // A KOI8-R page declared in its head becomes Windows-1251 text.
      {"koi8r-page", *koi8Page, *koi8Text, {}},
      {"long", "<p>" + std::string(20000, 'x'), "\r\n" + std::string(20000, 'x'), {}},
  };
  for (const Case& c : cases) {
    const std::string input = dir.Path(std::string(c.name) + ".html");
    ASSERT_TRUE(WriteFile(input, c.html));
    for (ConversionMode mode :
         {ConversionMode::Text, ConversionMode::Rtf, ConversionMode::RtfTables}) {
      SCOPED_TRACE(std::string(c.name) + " in mode " + std::to_string(static_cast<int>(mode)));
      JobRun run = Convert(input, dir.Path(""), mode);
      ASSERT_EQ(run.result, VELLUMINE_OK);
      auto output = ReadFile(dir.Path(c.name) + (mode == ConversionMode::Text ? ".txt" : ".rtf"));
      RecordedSteps memorySteps;
      MemoryOutputStream memory(true);
      ASSERT_EQ(ConvertMemory(c.html.data(), c.html.size(), memorySteps.Attach(OptionsFor(mode)), memory),
                VELLUMINE_OK);
      EXPECT_EQ(output, memory.str());
      EXPECT_EQ(run.calls, memorySteps.calls);
      if (mode != ConversionMode::Text) continue;
      EXPECT_EQ(output, c.text);
      if (!c.calls.empty()) { EXPECT_EQ(run.calls, c.calls); }
    }
  }
}

// Pages large enough to be read, prepared and translated in halves: the file, read in two
// parts at once, gives what the same bytes in memory give, and the same progress.
TEST(ConvertFileTest, LargePagesReadInHalves) {
  static_assert(kSplitPreparationFrom <= kSplitTranslationFrom);
  TempDir dir;
  std::string unit = "<p>one\r\ntwo <b>bold</b> &amp; x</p>\r\n<script>s</script><ol><li>item";
  std::string html;
  while (html.size() < kSplitTranslationFrom + 4096) html += unit;
  // Whole units, a cut one at the end, and a script block from before the middle to after
  // it (the first half stops past the middle, and the rest is prepared again from there).
  const std::string across = html.substr(0, html.size() / 2 - 300) + "<script>" +
                             std::string(600, 'q') + "</script>" +
                             html.substr(html.size() / 2 + 300);
  for (const std::string& page : {html, html.substr(0, html.size() - 17), across}) {
    const std::string input = dir.Path("large.html");
    ASSERT_TRUE(WriteFile(input, page));
    for (ConversionMode mode :
         {ConversionMode::Text, ConversionMode::Rtf, ConversionMode::RtfTables}) {
      SCOPED_TRACE(std::to_string(page.size()) + " bytes, mode " +
                   std::to_string(static_cast<int>(mode)));
      JobRun run = Convert(input, dir.Path(""), mode);
      ASSERT_EQ(run.result, VELLUMINE_OK);
      RecordedSteps memorySteps;
      MemoryOutputStream memory(true);
      ASSERT_EQ(ConvertMemory(page.data(), page.size(), memorySteps.Attach(OptionsFor(mode)), memory),
                VELLUMINE_OK);
      EXPECT_TRUE(ReadFile(dir.Path(mode == ConversionMode::Text ? "large.txt" : "large.rtf")) ==
                  memory.str());
      EXPECT_EQ(run.calls, memorySteps.calls);
    }
  }
}

// An empty read still gives a whole document; groups the body left open are all closed.
TEST(ConvertFileTest, RtfDocumentsAreComplete) {
  std::string bolds = "<p>";
  for (int i = 0; i < 20; ++i) bolds += "<b>w ";
  for (auto [html, ending] : {std::pair{std::string("\x1A<p>x"), "\\lang1033\n\\par}}}}}}}}"},
                              std::pair{bolds, "w \\par}}}}}}}}}}}}}}}}}}}}}"}}) {
    MemoryOutputStream out;
    ASSERT_EQ(ConvertMemory(html.data(), html.size(), OptionsFor(ConversionMode::Rtf), out),
              VELLUMINE_OK);
    EXPECT_TRUE(out.str().starts_with("{\\rtf1\\ansi")) << html;
    EXPECT_TRUE(out.str().ends_with(ending)) << out.str();
  }
}

TEST(ConvertFileTest, ResultCodesInTheirOrder) {
  TempDir dir;
  const std::string missingDir = dir.Path("missing") + "/", page = dir.Path("page.htm"),
                    empty = dir.Path("empty.htm"), out = dir.Path("out");
  ASSERT_TRUE(WriteFile(page, "<p>x") && WriteFile(empty, "") && fs::create_directory(out) &&
              fs::create_directory(dir.path() / "folder.htm") &&
              fs::create_directory(dir.path() / "out" / "page.rtf"));

  // 4 before 3: a missing input with a missing output directory.
  EXPECT_EQ(Convert(dir.Path("nothing.htm"), missingDir).result, VELLUMINE_CANNOT_OPEN_INPUT);
  // A directory is no input, on every platform; no output is created for it.
  EXPECT_EQ(Convert(dir.Path("folder.htm"), out).result, VELLUMINE_CANNOT_OPEN_INPUT);
  EXPECT_FALSE(fs::exists(dir.Path("out/folder.txt")));
  // 3 before 5.
  EXPECT_EQ(Convert(empty, missingDir).result, VELLUMINE_CANNOT_OPEN_OUTPUT);
  EXPECT_FALSE(fs::exists(missingDir));
  // An output name taken by a directory cannot be created.
  EXPECT_EQ(Convert(page, out, ConversionMode::Rtf).result, VELLUMINE_CANNOT_OPEN_OUTPUT);
  // 5: the empty output file of the right name stays.
  JobRun run = Convert(empty, out);
  EXPECT_EQ(run.result, VELLUMINE_EMPTY_INPUT);
  EXPECT_EQ(run.calls, kResetOnly);
  EXPECT_EQ(ReadFile(dir.Path("out/empty.txt")), "");
  // An existing output is replaced.
  ASSERT_TRUE(WriteFile(dir.Path("out/page.txt"), "old content that is longer"));
  EXPECT_EQ(Convert(page, out).result, VELLUMINE_OK);
  EXPECT_EQ(ReadFile(dir.Path("out/page.txt")), "\r\nx");
}

TEST(ConvertFileTest, TooLargeForTheWorkBuffers) {
  // A sparse file far larger than memory (on 32-bit: larger than 4 x size + 1000 can
  // count): OutOfMemory, with the empty output left behind.
  TempDir dir;
  std::string input = dir.Path("huge.htm");
  std::ofstream(input, std::ios::binary).close();
#ifndef _WIN32
  std::ifstream overcommit("/proc/sys/vm/overcommit_memory");
  int mode = 0;
  if (overcommit >> mode && mode == 1)
    GTEST_SKIP() << "memory overcommit would let a 4 TiB allocation succeed";
#endif
  std::error_code error;
  fs::resize_file(input, sizeof(size_t) == 4 ? (uintmax_t{1} << 30) + 1 : uintmax_t{1} << 40,
                  error);
  if (error) GTEST_SKIP() << "cannot make a sparse file: " << error.message();
  JobRun run = Convert(input, dir.Path(""));
  EXPECT_EQ(run.result, VELLUMINE_OUT_OF_MEMORY);
  EXPECT_EQ(run.calls, kResetOnly);
  EXPECT_EQ(ReadFile(dir.Path("huge.txt")), "");
  // The missing output directory is still found first.
  EXPECT_EQ(Convert(input, dir.Path("missing") + "/").result, VELLUMINE_CANNOT_OPEN_OUTPUT);
}

TEST(ConvertFileTest, OutputThatIsTheInputItself) {
  TempDir dir;
  const std::string original = "<p>keep me</p>", sub = dir.Path("sub"),
                    text = dir.Path("sub/page.txt"), rtf = dir.Path("sub/page.rtf");
  fs::create_directory(sub);
  ASSERT_TRUE(WriteFile(text, original) && WriteFile(rtf, original));
  struct Case {
    std::string input;
    std::string directory;
    ConversionMode mode = ConversionMode::Text;
  };
  // The same directory in other spellings, and through links.
  std::vector<Case> cases = {{text, sub}, {rtf, sub, ConversionMode::RtfTables},
                             {text, sub + "/../sub/./"}};
#ifdef _WIN32
  cases.push_back({text, dir.path().generic_string() + "/SUB\\"});  // slashes, letter case
#endif
  std::error_code error;
  fs::create_directory(dir.path() / "linked");
  fs::create_hard_link(text, dir.path() / "linked" / "page.txt", error);
  if (!error) cases.push_back({text, dir.Path("linked")});
#ifndef _WIN32
  fs::create_directory_symlink(sub, dir.path() / "alias");
  cases.push_back({text, dir.Path("alias")});
#endif
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input + " into " + c.directory);
    EXPECT_EQ(Convert(c.input, c.directory, c.mode).result, VELLUMINE_CANNOT_OPEN_OUTPUT);
    EXPECT_EQ(ReadFile(c.input), original);
  }
  // The same name in another directory is another file and is written.
  fs::create_directory(dir.path() / "other");
  EXPECT_EQ(Convert(text, dir.Path("other")).result, VELLUMINE_OK);
  EXPECT_EQ(ReadFile(dir.Path("other/page.txt")), "\r\nkeep me\r\n");
}

TEST(ConvertFileTest, WindowsPathLimit) {
  TempDir dir;
  const std::string input = dir.Path("p.htm"), base = dir.path().string() + "/";
  // A directory name that brings the output path ("/p.txt" in it) to 260 characters; one
  // less fits.
  const size_t room = 260 - base.size() - 6;
  ASSERT_TRUE(room > 10 && WriteFile(input, "<p>x") &&
              fs::create_directory(base + std::string(room - 1, 'd')));
  for (size_t n : {room, room - 1}) {
    EXPECT_EQ(Convert(input, base + std::string(n, 'd'), ConversionMode::Text, PathStyle::Windows)
                  .result,
              n == room ? VELLUMINE_CANNOT_OPEN_OUTPUT : VELLUMINE_OK);
  }
}

}  // namespace
}  // namespace vellumine
