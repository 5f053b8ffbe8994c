// ConvertFile end to end: result codes and their order, the files left behind, the read
// and write transformations, the input protected from being its own output.
#include "convert_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "engine_test_files.h"
#include "rtf_templates.h"
#include "rtf_writer.h"

namespace vellumine {
namespace {

namespace fs = std::filesystem;
using testing::Exists;
using testing::ReadFile;
using testing::RecordingSink;
using testing::TempDir;
using testing::WriteFile;

ConvertOptions Options(ConversionMode mode, const char* label = "Auto-Select") {
  ConvertOptions options;
  options.mode = mode;
  options.encodingLabel = label;
  return options;
}

struct JobRun {
  ConvertResult result;
  std::vector<std::string> calls;
};

JobRun Convert(const std::string& input, const std::string& directory,
            ConversionMode mode = ConversionMode::Text, PathStyle style = kNativePathStyle) {
  RecordingSink sink;
  ConvertOptions options = Options(mode);
  ConvertResult result = ConvertFile(input.c_str(), directory.c_str(), options, sink, style);
  return {result, sink.calls};
}

const std::vector<std::string> kResetOnly = {"range 0 50", "pos 0", "text 0"};

TEST(ConvertFileTest, TextOutputWithReadAndWriteTransformations) {
  TempDir dir;
  std::string input = dir.Path("page.html");
  ASSERT_TRUE(WriteFile(input, "<html>\r\n<p>one\r\ntwo</p>\r<br>x\x1A<p>lost"));
  fs::create_directory(dir.path() / "out");
  JobRun run = Convert(input, dir.Path("out"));
  EXPECT_EQ(run.result, ConvertResult::Ok);
  // The line feed after "<html>" is the first blank; "\r" before "<br>" is an ordinary
  // text byte; everything after 0x1A is never read.
  EXPECT_EQ(ReadFile(dir.Path("out/page.txt")), " \r\none two\r\n\r\r\nx");
  EXPECT_EQ(run.calls, (std::vector<std::string>{"range 0 50", "pos 0", "text 0", "pos 1",
                                                  "pos 50", "text 100"}));
}

TEST(ConvertFileTest, ResultCodesInTheirOrder) {
  TempDir dir;
  const std::string missingDir = dir.Path("missing") + "/";
  const std::string page = dir.Path("page.htm");
  const std::string empty = dir.Path("empty.htm");
  ASSERT_TRUE(WriteFile(page, "<p>x"));
  ASSERT_TRUE(WriteFile(empty, ""));
  fs::create_directory(dir.path() / "out");

  // 4 before 3: a missing input with a missing output directory.
  JobRun run = Convert(dir.Path("nothing.htm"), missingDir);
  EXPECT_EQ(run.result, ConvertResult::CannotOpenInput);
  EXPECT_EQ(run.calls, kResetOnly);
  // A directory is no input, on every platform; no output is created for it.
  fs::create_directory(dir.path() / "folder.htm");
  EXPECT_EQ(Convert(dir.Path("folder.htm"), dir.Path("out")).result,
            ConvertResult::CannotOpenInput);
  EXPECT_FALSE(Exists(dir.Path("out/folder.txt")));
  // 3 before 5.
  EXPECT_EQ(Convert(empty, missingDir).result, ConvertResult::CannotOpenOutput);
  EXPECT_EQ(Convert(page, missingDir).result, ConvertResult::CannotOpenOutput);
  EXPECT_FALSE(Exists(missingDir));
  // An output name taken by a directory cannot be created.
  fs::create_directory(dir.path() / "out" / "page.rtf");
  EXPECT_EQ(Convert(page, dir.Path("out"), ConversionMode::Rtf).result,
            ConvertResult::CannotOpenOutput);
  // 5: the empty output file of the right name stays.
  run = Convert(empty, dir.Path("out"));
  EXPECT_EQ(run.result, ConvertResult::EmptyInput);
  EXPECT_EQ(run.calls, kResetOnly);
  EXPECT_EQ(ReadFile(dir.Path("out/empty.txt")), "");
  // An existing output is replaced.
  ASSERT_TRUE(WriteFile(dir.Path("out/page.txt"), "old content that is longer"));
  EXPECT_EQ(Convert(page, dir.Path("out")).result, ConvertResult::Ok);
  EXPECT_EQ(ReadFile(dir.Path("out/page.txt")), "\r\nx");
}

TEST(ConvertFileTest, TooLargeForTheWorkBuffers) {
  // A sparse file far larger than memory (on 32-bit: larger than 4 x size + 1000 can
  // count): OutOfMemory, with the empty output left behind.
  TempDir dir;
  std::string input = dir.Path("huge.htm");
  {
    std::ofstream create(input, std::ios::binary);
  }
  std::error_code error;
  uintmax_t size = sizeof(size_t) == 4 ? (uintmax_t{1} << 30) + 1 : uintmax_t{1} << 40;
#ifndef _WIN32
  std::ifstream overcommit("/proc/sys/vm/overcommit_memory");
  int mode = 0;
  if (overcommit >> mode && mode == 1)
    GTEST_SKIP() << "memory overcommit would let a 4 TiB allocation succeed";
#endif
  fs::resize_file(input, size, error);
  if (error) GTEST_SKIP() << "cannot make a sparse file: " << error.message();
  JobRun run = Convert(input, dir.Dir());
  EXPECT_EQ(run.result, ConvertResult::OutOfMemory);
  EXPECT_EQ(run.calls, kResetOnly);
  EXPECT_EQ(ReadFile(dir.Path("huge.txt")), "");
  // The missing output directory is still found first.
  EXPECT_EQ(Convert(input, dir.Path("missing") + "/").result, ConvertResult::CannotOpenOutput);
}

TEST(ConvertFileTest, FirstByteEndOfFile) {
  TempDir dir;
  std::string input = dir.Path("eof.htm");
  ASSERT_TRUE(WriteFile(input, "\x1A<p>never read"));
  JobRun run = Convert(input, dir.Dir());
  EXPECT_EQ(run.result, ConvertResult::Ok);
  EXPECT_EQ(run.calls, (std::vector<std::string>{"range 0 50", "pos 0", "text 0", "pos 50",
                                                  "text 100"}));
  EXPECT_EQ(ReadFile(dir.Path("eof.txt")), "");

  // The RTF modes write a whole empty document: the header with no Cyrillic code page
  // (nothing was read to find a charset in), then the trailer with no open groups.
  for (ConversionMode mode : {ConversionMode::Rtf, ConversionMode::RtfTables}) {
    ASSERT_EQ(Convert(input, dir.Dir(), mode).result, ConvertResult::Ok);
    RtfTemplates templates;
    FormatRtfTemplates(templates, "10", mode == ConversionMode::RtfTables);
    MemoryOutputStream expected(true);
    WriteRtfHeader(expected, "Arial", templates, false);
    WriteRtfTrailer(expected, 0);
    EXPECT_EQ(ReadFile(dir.Path("eof.rtf")), expected.str());
  }
}

// The output path names the input itself: the job refuses, and the input stays as it was.
void ExpectInputProtected(const std::string& input, const std::string& directory,
                          ConversionMode mode, const std::string& original) {
  SCOPED_TRACE(input + " into " + directory);
  EXPECT_EQ(Convert(input, directory, mode).result, ConvertResult::CannotOpenOutput);
  EXPECT_EQ(ReadFile(input), original);
}

TEST(ConvertFileTest, OutputThatIsTheInputItself) {
  TempDir dir;
  const std::string original = "<p>keep me</p>";
  fs::create_directory(dir.path() / "sub");
  std::string text = dir.Path("sub/page.txt");
  std::string rtf = dir.Path("sub/page.rtf");
  ASSERT_TRUE(WriteFile(text, original));
  ASSERT_TRUE(WriteFile(rtf, original));
  std::string sub = (dir.path() / "sub").string();

  ExpectInputProtected(text, sub, ConversionMode::Text, original);
  ExpectInputProtected(rtf, sub, ConversionMode::Rtf, original);
  ExpectInputProtected(rtf, sub, ConversionMode::RtfTables, original);
  // Other spellings of the same directory.
  ExpectInputProtected(text, sub + "/", ConversionMode::Text, original);
  ExpectInputProtected(text, sub + "/./", ConversionMode::Text, original);
  ExpectInputProtected(text, sub + "/../sub", ConversionMode::Text, original);
  ExpectInputProtected(text, sub + "//", ConversionMode::Text, original);
#ifdef _WIN32
  ExpectInputProtected(text, dir.path().string() + "\\SUB\\", ConversionMode::Text, original);
  std::string slashes = sub;
  for (char& c : slashes)
    if (c == '\\') c = '/';
  ExpectInputProtected(text, slashes, ConversionMode::Text, original);
#endif
  // A hard link to the input under the output name.
  fs::create_directory(dir.path() / "linked");
  std::error_code error;
  fs::create_hard_link(text, dir.path() / "linked" / "page.txt", error);
  if (!error) ExpectInputProtected(text, dir.Path("linked"), ConversionMode::Text, original);
#ifndef _WIN32
  // A symbolic link to the directory, and one to the file itself.
  fs::create_directory_symlink(dir.path() / "sub", dir.path() / "alias", error);
  ASSERT_FALSE(error) << error.message();
  ExpectInputProtected(text, dir.Path("alias"), ConversionMode::Text, original);
  fs::create_directory(dir.path() / "symlinked");
  fs::create_symlink(text, dir.path() / "symlinked" / "page.txt", error);
  ASSERT_FALSE(error) << error.message();
  ExpectInputProtected(text, dir.Path("symlinked"), ConversionMode::Text, original);
#endif
  // The same name in another directory is another file and is written.
  fs::create_directory(dir.path() / "other");
  EXPECT_EQ(Convert(text, dir.Path("other")).result, ConvertResult::Ok);
  EXPECT_EQ(ReadFile(dir.Path("other/page.txt")), "\r\nkeep me\r\n");
  EXPECT_EQ(ReadFile(text), original);
}

TEST(ConvertFileTest, FailedWriteRemovesThePartialOutput) {
#ifdef _WIN32
  GTEST_SKIP() << "needs a device that is always full";
#else
  TempDir dir;
  std::string input = dir.Path("page.htm");
  ASSERT_TRUE(WriteFile(input, "<p>" + std::string(100000, 'x')));
  fs::create_directory(dir.path() / "out");
  std::error_code error;
  fs::create_symlink("/dev/full", dir.path() / "out" / "page.txt", error);
  if (error || !Exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  JobRun run = Convert(input, dir.Path("out"));
  EXPECT_EQ(run.result, ConvertResult::CannotWriteOutput);
  EXPECT_FALSE(fs::exists(fs::symlink_status(dir.path() / "out" / "page.txt")));
  EXPECT_EQ(run.calls.back(), "text 100");
#endif
}

TEST(ConvertFileTest, WindowsPathLimit) {
  TempDir dir;
  std::string input = dir.Path("p.htm");
  ASSERT_TRUE(WriteFile(input, "<p>x"));
  // A directory name that brings the output path to 260 characters.
  std::string base = dir.path().string() + "/";
  size_t room = 260 - base.size() - std::string("/p.txt").size();
  ASSERT_GT(room, 10u);
  std::string longDir = base + std::string(room, 'd');
  EXPECT_EQ(Convert(input, longDir, ConversionMode::Text, PathStyle::Windows).result,
            ConvertResult::CannotOpenOutput);
#ifndef _WIN32
  // Without the Windows limit the same path is fine.
  fs::create_directory(longDir);
  EXPECT_EQ(Convert(input, longDir, ConversionMode::Text, PathStyle::Posix).result,
            ConvertResult::Ok);
  EXPECT_TRUE(Exists(longDir + "/p.txt"));
#endif
  // One character less fits.
  std::string shorter = base + std::string(room - 1, 'd');
  fs::create_directory(shorter);
  EXPECT_EQ(Convert(input, shorter, ConversionMode::Text, PathStyle::Windows).result,
            ConvertResult::Ok);
}

TEST(ConvertFileTest, SameBytesAsConvertMemory) {
  TempDir dir;
  const std::string inputs[] = {
      "<html><head><meta charset=koi8-r><title>t</title></head><body>\r\n"
      "<h1>\xF4\xC5\xD3\xD4</h1><p>a &amp; b<br>\r\nc<li>d</body></html>",
      "<p>x\r\ny</p>\x1A tail",
      std::string(5000, 'q') + "<p>" + std::string(3000, 'r'),
  };
  for (ConversionMode mode :
       {ConversionMode::Text, ConversionMode::Rtf, ConversionMode::RtfTables}) {
    for (const std::string& bytes : inputs) {
      std::string input = dir.Path("same.htm");
      ASSERT_TRUE(WriteFile(input, bytes));
      ConvertOptions options = Options(mode);
      RecordingSink fileSink;
      ASSERT_EQ(ConvertFile(input.c_str(), dir.Dir().c_str(), options, fileSink),
                ConvertResult::Ok);
      RecordingSink memorySink;
      MemoryOutputStream memory(true);
      ASSERT_EQ(ConvertMemory(bytes.data(), bytes.size(), options, memorySink, memory),
                ConvertResult::Ok);
      EXPECT_EQ(ReadFile(dir.Path(mode == ConversionMode::Text ? "same.txt" : "same.rtf")),
                memory.str());
      EXPECT_EQ(fileSink.calls, memorySink.calls);
    }
  }
  RecordingSink sink;
  MemoryOutputStream out;
  EXPECT_EQ(ConvertMemory("", 0, Options(ConversionMode::Text), sink, out),
            ConvertResult::EmptyInput);
  EXPECT_EQ(sink.calls, kResetOnly);
}

// What the job must write in an RTF mode: the header (with the encoding's Cyrillic flag)
// before the body, the body of the mode's translation over the prepared text, then the
// trailer with the depth the translation left.
std::string ExpectedRtf(ConversionMode mode, const std::string& prepared, size_t inputSize,
                        size_t* bodySize) {
  const bool tables = mode == ConversionMode::RtfTables;
  RtfTemplates templates;
  FormatRtfTemplates(templates, "12", tables);
  MemoryOutputStream expected;
  WriteRtfHeader(expected, "Courier New", templates, true);
  NullProgressSink sink;
  ProgressTicks ticks;
  BuildProgressTicks(ticks, prepared.size(), sink);
  ByteBuffer body;
  EXPECT_TRUE(body.Allocate(4 * inputSize + 1000));
  int depth = tables ? TranslateToRtfWithTables(prepared.data(), prepared.size(), templates,
                                                MapKoi8r, true, ticks, body)
                     : TranslateToRtf(prepared.data(), prepared.size(), templates, MapKoi8r,
                                      true, ticks, body);
  *bodySize = body.size();
  expected.Write(body.data(), body.size());
  WriteRtfTrailer(expected, depth);
  return expected.str();
}

TEST(ConvertMemoryTest, RtfModesCallTheWriterInOrder) {
  std::string cells = "<table><tr>";
  for (int i = 0; i < 20000; ++i) cells += "<td>";
  struct Case {
    std::string html;
    std::string prepared;
  };
  const Case cases[] = {
      {"<html><head><title>t</title></head><body><p>\xC1\xC2 <b>bold<table><tr><td>c",
       "<html><head></head><body><p>\xC1\xC2 <b>bold<table><tr><td>c"},
      // A body far larger than 4 x size + 1000 bytes: the text buffer grows.
      {cells, cells},
  };
  for (ConversionMode mode : {ConversionMode::Rtf, ConversionMode::RtfTables}) {
    for (const Case& c : cases) {
      ConvertOptions options = Options(mode, "(KOI8-R) Cyrillic");
      options.fontName = "Courier New";
      options.fontSizeText = "12";
      NullProgressSink sink;
      MemoryOutputStream out;
      ASSERT_EQ(ConvertMemory(c.html.data(), c.html.size(), options, sink, out),
                ConvertResult::Ok);
      size_t bodySize = 0;
      EXPECT_EQ(out.str(), ExpectedRtf(mode, c.prepared, c.html.size(), &bodySize))
          << "mode " << static_cast<int>(mode) << " on " << c.html.substr(0, 40);
      if (mode == ConversionMode::RtfTables && c.html == cells) {
        EXPECT_GT(bodySize, 4 * c.html.size() + 1000) << "the case no longer outgrows the buffer";
      }
    }
  }
}

TEST(ConvertFileTest, Koi8rPageFixture) {
  // A KOI8-R page declared in its head becomes Windows-1251 text with CR LF line ends.
  TempDir dir;
  auto html = ReadFile(testing::FixturePath("koi8r-page.html"));
  auto expected = ReadFile(testing::FixturePath("koi8r-page.txt"));
  ASSERT_TRUE(html && expected) << "fixture missing";
  std::string input = dir.Path("koi8r-page.html");
  ASSERT_TRUE(WriteFile(input, *html));
  ASSERT_EQ(Convert(input, dir.Dir()).result, ConvertResult::Ok);
  EXPECT_EQ(ReadFile(dir.Path("koi8r-page.txt")), *expected);
}

}  // namespace
}  // namespace vellumine
