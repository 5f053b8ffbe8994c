// The settings file: its paths of any length, its marker, errors and the current directory.
#include <gtest/gtest.h>

#include "settings_file.h"
#include "temp_directory.h"

namespace vellumine::testing {
namespace {

TEST(SettingsFile, RoundTripsPathsOfAnyLengthInCrLfLines) {
  TempDirectory dir;
  dir.Write("settings.ini", "an older and longer file that the write replaces");
  // The directory without its separator names the same file.
  const std::string longInput = "C:\\" + std::string(1000, 'a') + "\\page.htm";
  const std::string cyrillic = "D:\\\xCF\xF0\xE8\xE2\xE5\xF2 \xEC\xE8\xF0\\";
  ASSERT_TRUE(WriteSettings(dir.bare(), longInput, cyrillic));
  std::string input, output;
  ASSERT_TRUE(ReadSettingsFile(dir.path() + "settings.ini", input, output));
  EXPECT_TRUE(input == longInput && output == cyrillic);
}

TEST(SettingsFile, MarkerHandling) {
  TempDirectory dir;
  const std::string fails = "untouched|untouched";  // the read fails and leaves both alone
  const std::pair<const char*, std::string> cases[] = {
      {"xx[Default path]yy\r\nC:\\in\r\nD:\\out", "C:\\in|D:\\out"},
      {"junk\n[Default path]\na\nb\n[Default path]\nc\nd\n", "c|d"},
      // A marker right at the end leaves the earlier section's paths.
      {"[Default path]\na\nb\n[Default path]\n", "a|b"},
      {"[Default path]\n\nD:\\out\n", "|D:\\out"},  // an empty path, not a missing one
      // The two lines after a marker are paths even when they look like markers.
      {"[Default path]\n[Default path]\nb\n", "[Default path]|b"},
      // Text mode: 0x1A ends the file, a lone CR stays.
      {"[Default path]\na\rb\nc\x1A\nignored\n", "a\rb|c"}, {"[Default path]\nC:\\in\n", fails},
      {"[default path]\nC:\\in\nD:\\out\n", fails},
  };
  for (const auto& [contents, expected] : cases) {
    dir.Write("settings.ini", contents);
    std::string input = "untouched", output = "untouched";
    bool read = ReadSettingsFile(dir.path() + "settings.ini", input, output);
    EXPECT_EQ(read, expected != fails) << contents;
    EXPECT_EQ(input + "|" + output, expected) << contents;
  }
}

TEST(SettingsFile, ErrorsAndTheCurrentDirectory) {
  TempDirectory dir;
  std::string input = "keep", output = "keep";
  EXPECT_FALSE(ReadSettingsFile(dir.path() + "settings.ini", input, output) || input != "keep");
  EXPECT_FALSE(WriteSettings(dir.path() + "missing", "a", "b"));  // a failed write is reported

  ASSERT_TRUE(WriteSettings(dir.path(), "in.htm", "out"));
  std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  bool ok = ReadSettings(input, output);
  std::filesystem::current_path(previous);
  EXPECT_TRUE(ok && input + "|" + output == "in.htm|out") << input << "|" << output;
}

}  // namespace
}  // namespace vellumine::testing
