// File and directory names are bytes in the system's code page: Cyrillic names in
// Windows-1251 go through the walk, the converter and the output directory unchanged.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "command_fakes.h"
#include "convert_command.h"
#include "temp_directory.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#endif

namespace vellumine {
namespace {

using ::testing::Contains;

const std::string kFolder = "\xCF\xE0\xEF\xEA\xE0";            // "Папка"
const std::string kPage = "\xCF\xF0\xE8\xE2\xE5\xF2";          // "Привет"
const std::string kOutput = "\xC2\xFB\xF5\xEE\xE4";            // "Выход"

#ifdef _WIN32
// The names of the entries that match pattern, as the file system stores them (UTF-16).
std::vector<std::wstring> WideNames(const std::wstring& pattern) {
  std::vector<std::wstring> names;
  _wfinddata_t entry;
  intptr_t handle = _wfindfirst(pattern.c_str(), &entry);
  if (handle == -1) return names;
  do {
    names.emplace_back(entry.name);
  } while (_wfindnext(handle, &entry) == 0);
  _findclose(handle);
  return names;
}

std::wstring WidenAscii(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }
#endif

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
  testing::TempDirectory dir;
  const char sep = dir.path().back();
  ASSERT_TRUE(NativeFileSystem().MakeDirectory(dir.path() + kFolder));
  dir.Write(kFolder + sep + kPage + ".htm", "<p>\xCF\xF0\xE8\xE2\xE5\xF2</p>");
  ASSERT_NE(dir.Read(kFolder + sep + kPage + ".htm"), "<missing>");

  testing::Log log;
  testing::RecordingView view(log);
  ConvertEnvironment env{NativeFileSystem()};
  env.saveSettings = false;
  ConvertChoices choices;
  choices.inputPath = dir.path() + kFolder;
  choices.outputPath = dir.path() + kOutput;  // missing: the command creates it
  choices.format = 1;
  choices.encodingIndex = 1;
  choices.convertAll = true;
  ConvertOutcome walk = RunConvertCommand(choices, view, env, nullptr);
  EXPECT_EQ(walk.converted, 1);
  EXPECT_THAT(log, Contains("yesno [Error!] The directory " + dir.path() + kOutput + sep +
                            " does not exist\nCreate?"));
  EXPECT_THAT(log, Contains("file label " + kPage + ".htm"));
  EXPECT_THAT(log, Contains("total label 1 of 1 file converted successfully."));
  EXPECT_EQ(dir.Read(kOutput + sep + kPage + ".txt"), "\r\n\xCF\xF0\xE8\xE2\xE5\xF2\r\n");

  // The single file by its full name, into the directory that now exists.
  log.clear();
  choices.convertAll = false;
  choices.format = 0;
  choices.inputPath = dir.path() + kFolder + sep + kPage + ".htm";
  ConvertOutcome single = RunConvertCommand(choices, view, env, nullptr);
  EXPECT_EQ(single.converted, 1);
  EXPECT_THAT(log, Contains("file label " + choices.inputPath));
  EXPECT_NE(dir.Read(kOutput + sep + kPage + ".rtf"), "<missing>");

#ifdef _WIN32
  // What the file system holds is the Cyrillic text, not the bytes read as another code page.
  std::vector<std::wstring> outputs =
      WideNames(WidenAscii(dir.path()) + L"\u0412\u044b\u0445\u043e\u0434\\*.*");
  EXPECT_THAT(outputs, Contains(std::wstring(L"\u041f\u0440\u0438\u0432\u0435\u0442.txt")));
  EXPECT_THAT(outputs, Contains(std::wstring(L"\u041f\u0440\u0438\u0432\u0435\u0442.rtf")));
#endif
}

}  // namespace
}  // namespace vellumine
