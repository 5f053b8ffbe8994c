#include "settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "temp_directory.h"

namespace vellumine {
namespace {

using testing::TempDirectory;

TEST(SettingsFile, RoundTripsPathsOfAnyLengthInCrLfLines) {
  TempDirectory dir;
  ASSERT_TRUE(WriteSettings(dir.path(), "C:\\in\\a.htm", "D:\\out"));
  EXPECT_EQ(dir.Read("settings.ini"), "[Default path]\r\nC:\\in\\a.htm\r\nD:\\out\r\n");
  // The directory without its separator names the same file; a second write replaces it.
  const std::string longInput = "C:\\" + std::string(1000, 'a') + "\\page.htm";
  const std::string cyrillic = "D:\\\xCF\xF0\xE8\xE2\xE5\xF2 \xEC\xE8\xF0\\";
  ASSERT_TRUE(WriteSettings(dir.bare(), longInput, cyrillic));
  std::string input, output;
  ASSERT_TRUE(ReadSettingsFile(dir.path() + "settings.ini", input, output));
  EXPECT_EQ(input, longInput);
  EXPECT_EQ(output, cyrillic);
}

TEST(SettingsFile, MarkerHandling) {
  TempDirectory dir;
  struct Case {
    const char* contents;
    const char* input;  // nullptr: the read fails and leaves both paths alone
    const char* output;
  } cases[] = {
      {"xx[Default path]yy\r\nC:\\in\r\nD:\\out", "C:\\in", "D:\\out"},
      {"junk\n[Default path]\na\nb\n[Default path]\nc\nd\n", "c", "d"},
      // A marker right at the end leaves the earlier section's paths.
      {"[Default path]\na\nb\n[Default path]\n", "a", "b"},
      {"[Default path]\n\nD:\\out\n", "", "D:\\out"},  // an empty path, not a missing one
      // The two lines after a marker are paths even when they look like markers.
      {"[Default path]\n[Default path]\nb\n", "[Default path]", "b"},
      // Text mode: 0x1A ends the file, a lone CR stays.
      {"[Default path]\na\rb\nc\x1A\nignored\n", "a\rb", "c"},
      {"[Default path]\nC:\\in\n", nullptr, nullptr},
      {"C:\\in\nD:\\out\n", nullptr, nullptr},
      {"[default path]\nC:\\in\nD:\\out\n", nullptr, nullptr},
      {"", nullptr, nullptr},
  };
  for (const Case& c : cases) {
    dir.Write("settings.ini", c.contents);
    std::string input = "untouched", output = "untouched";
    EXPECT_EQ(ReadSettingsFile(dir.path() + "settings.ini", input, output), c.input != nullptr)
        << c.contents;
    EXPECT_EQ(input, c.input ? c.input : "untouched") << c.contents;
    EXPECT_EQ(output, c.output ? c.output : "untouched") << c.contents;
  }
}

TEST(SettingsFile, ErrorsAndTheCurrentDirectory) {
  TempDirectory dir;
  std::string input = "keep", output = "keep";
  EXPECT_FALSE(ReadSettingsFile(dir.path() + "settings.ini", input, output));
  EXPECT_EQ(input, "keep");
  EXPECT_FALSE(WriteSettings(dir.path() + "missing", "a", "b"));  // a failed write is reported

  ASSERT_TRUE(WriteSettings(dir.path(), "in.htm", "out"));
  std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  bool ok = ReadSettings(input, output);
  std::filesystem::current_path(previous);
  EXPECT_TRUE(ok);
  EXPECT_EQ(input + "|" + output, "in.htm|out");
}

}  // namespace
}  // namespace vellumine
