// File and directory names are bytes in the system's code page: Cyrillic names in
// Windows-1251 go through the walk, the converter and the output directory unchanged.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "command_fakes.h"
#include "convert_command.h"
#include "temp_directory.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace vellumine {
namespace {

using ::testing::Contains;

TEST(CyrillicNames, WalkConvertAndCreateDirectory) {
#ifdef _WIN32
  if (GetACP() != 1251) {
    if (std::getenv("VELLUMINE_REQUIRE_CP1251") != nullptr) {
      FAIL() << "the ANSI code page is " << GetACP() << " although LC_ALL asks for Russian";
    }
    GTEST_SKIP() << "the ANSI code page is " << GetACP() << ", not 1251; ctest runs this test "
                 << "again as batch_tests.CyrillicNamesInWindows1251 with LC_ALL=ru_RU.UTF-8";
  }
#endif
  const std::string folder = "\xCF\xE0\xEF\xEA\xE0";  // "Папка"
  const std::string page = "\xCF\xF0\xE8\xE2\xE5\xF2";  // "Привет"
  const std::string output = "\xC2\xFB\xF5\xEE\xE4";   // "Выход"
  testing::TempDirectory dir;
  const char sep = dir.path().back();
  ASSERT_TRUE(NativeFileSystem().MakeDirectory(dir.path() + folder));
  dir.Write(folder + sep + page + ".htm", "<p>" + page + "</p>");
  ASSERT_NE(dir.Read(folder + sep + page + ".htm"), "<missing>");

  testing::Log log;
  testing::RecordingView view(log);
  ConvertEnvironment env{NativeFileSystem()};
  env.saveSettings = false;
  // The output directory is missing: the command creates it.
  ConvertChoices choices{.inputPath = dir.path() + folder, .outputPath = dir.path() + output,
                         .format = 1, .convertAll = true, .encodingIndex = 1};
  EXPECT_EQ(RunConvertCommand(choices, view, env, nullptr).converted, 1);
  EXPECT_THAT(log, Contains("yesno [Error!] The directory " + dir.path() + output + sep +
                            " does not exist\nCreate?"));
  EXPECT_THAT(log, Contains("file label " + page + ".htm"));
  EXPECT_EQ(dir.Read(output + sep + page + ".txt"), "\r\n" + page + "\r\n");

  // The single file by its full name, into the directory that now exists.
  choices.convertAll = false;
  choices.format = 0;
  choices.inputPath = dir.path() + folder + sep + page + ".htm";
  EXPECT_EQ(RunConvertCommand(choices, view, env, nullptr).converted, 1);
  EXPECT_NE(dir.Read(output + sep + page + ".rtf"), "<missing>");

#ifdef _WIN32
  // What the file system holds is the Cyrillic text, not the bytes read as another code page.
  std::filesystem::path stored(dir.bare() + sep);
  stored /= L"\u0412\u044b\u0445\u043e\u0434";
  for (const wchar_t* name : {L"\u041f\u0440\u0438\u0432\u0435\u0442.txt",
                              L"\u041f\u0440\u0438\u0432\u0435\u0442.rtf"}) {
    EXPECT_TRUE(std::filesystem::is_regular_file(stored / name));
  }
#endif
}

}  // namespace
}  // namespace vellumine
