#include "settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "temp_directory.h"

namespace vellumine {
namespace {

using testing::TempDirectory;

struct ReadResult {
  bool ok;
  std::string input, output;
};

ReadResult ReadFrom(const TempDirectory& dir, const std::string& contents) {
  dir.Write("settings.ini", contents);
  ReadResult r{false, "untouched", "untouched"};
  r.ok = ReadSettingsFile(dir.path() + "settings.ini", r.input, r.output);
  return r;
}

TEST(SettingsFile, WritesThreeLinesWithCrLf) {
  TempDirectory dir;
  ASSERT_TRUE(WriteSettings(dir.path(), "C:\\in\\a.htm", "D:\\out"));
  EXPECT_EQ(dir.Read("settings.ini"), "[Default path]\r\nC:\\in\\a.htm\r\nD:\\out\r\n");
  // The directory without its separator names the same file; a second write replaces it.
  std::string bare = dir.path();
  bare.pop_back();
  ASSERT_TRUE(WriteSettings(bare, "x", "y"));
  EXPECT_EQ(dir.Read("settings.ini"), "[Default path]\r\nx\r\ny\r\n");
}

TEST(SettingsFile, RoundTripsPathsOfAnyLength) {
  TempDirectory dir;
  const std::string longInput = "C:\\" + std::string(1000, 'a') + "\\page.htm";
  const std::string cyrillic = "D:\\\xCF\xF0\xE8\xE2\xE5\xF2 \xEC\xE8\xF0\\";
  ASSERT_TRUE(WriteSettings(dir.path(), longInput, cyrillic));
  std::string input, output;
  ASSERT_TRUE(ReadSettingsFile(dir.path() + "settings.ini", input, output));
  EXPECT_EQ(input, longInput);
  EXPECT_EQ(output, cyrillic);
}

TEST(SettingsFile, MarkerHandling) {
  TempDirectory dir;
  struct Case {
    const char* contents;
    bool ok;
    const char* input;
    const char* output;
  } cases[] = {
      {"[Default path]\nC:\\in\nD:\\out\n", true, "C:\\in", "D:\\out"},
      {"xx[Default path]yy\r\nC:\\in\r\nD:\\out", true, "C:\\in", "D:\\out"},
      {"junk\n[Default path]\na\nb\n[Default path]\nc\nd\n", true, "c", "d"},
      // A marker right at the end leaves the earlier section's paths.
      {"[Default path]\na\nb\n[Default path]\n", true, "a", "b"},
      // An empty line is an empty path, not a missing one.
      {"[Default path]\n\nD:\\out\n", true, "", "D:\\out"},
      // The two lines after a marker are paths even when they look like markers.
      {"[Default path]\n[Default path]\nb\n", true, "[Default path]", "b"},
      {"[Default path]\nC:\\in\n", false, "untouched", "untouched"},
      {"[Default path]\n", false, "untouched", "untouched"},
      {"C:\\in\nD:\\out\n", false, "untouched", "untouched"},
      {"[default path]\nC:\\in\nD:\\out\n", false, "untouched", "untouched"},
      {"", false, "untouched", "untouched"},
      // Text mode: 0x1A ends the file, a lone CR stays.
      {"[Default path]\na\rb\nc\x1A\nignored\n", true, "a\rb", "c"},
  };
  for (const Case& c : cases) {
    ReadResult r = ReadFrom(dir, c.contents);
    EXPECT_EQ(r.ok, c.ok) << c.contents;
    EXPECT_EQ(r.input, c.input) << c.contents;
    EXPECT_EQ(r.output, c.output) << c.contents;
  }
}

TEST(SettingsFile, Errors) {
  TempDirectory dir;
  std::string input = "keep", output = "keep";
  EXPECT_FALSE(ReadSettingsFile(dir.path() + "settings.ini", input, output));
  EXPECT_EQ(input, "keep");
  // A write into a directory that does not exist reports the failure.
  EXPECT_FALSE(WriteSettings(dir.path() + "missing", "a", "b"));
}

TEST(SettingsFile, ReadSettingsUsesTheCurrentDirectory) {
  TempDirectory dir;
  ASSERT_TRUE(WriteSettings(dir.path(), "in.htm", "out"));
  std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  std::string input, output;
  bool ok = ReadSettings(input, output);
  std::filesystem::current_path(previous);
  EXPECT_TRUE(ok);
  EXPECT_EQ(input, "in.htm");
  EXPECT_EQ(output, "out");
}

}  // namespace
}  // namespace vellumine
