// The batch's pieces: HTML file names, paths, Cyrillic names on the real file system, and the
// settings file (paths of any length, its marker, errors and the current directory).
#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

#include "command_fakes.h"
#include "directory_path.h"
#include "html_file_name.h"
#include "settings_file.h"
#include "temp_directory.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace vellumine::testing {

// The extension's letters anywhere in the name qualify it ("htmfile", "myaspnotes"); a path,
// its directory (CutToDirectory) and the path with a separator (AppendSeparator).
TEST(BatchPieces, NamesPathsAndTheSettingsFile) {
  for (const char* name : {"index.HTML", "a.shtml", "a.ASPX", "htmfile", "myaspnotes", ".htm"})
    EXPECT_TRUE(IsHtmlFileName(name)) << name;
  for (const char* name : {"notes.txt", "html.txt", "page.htm.bak", ".htaccess", "", "x.h-t-m"})
    EXPECT_FALSE(IsHtmlFileName(name)) << name;
  using enum PathStyle;
  const std::tuple<const char*, PathStyle, const char*, const char*> cases[] = {
      {"C:\\web\\page.htm", Windows, "C:\\web\\", "C:\\web\\page.htm\\"},
      {"C:/web/", Windows, "C:/web/", "C:/web/"}, {"", Windows, "", "\\"},
      {"/srv/web/page.htm", Posix, "/srv/web/", "/srv/web/page.htm/"},
      {"web\\", Posix, "", "web\\/"}};
  for (auto [input, style, directory, appended] : cases) {
    std::string path = input;
    AppendSeparator(path, style);
    EXPECT_EQ(CutToDirectory(input, style) + "|" + path, std::string(directory) + "|" + appended);
  }
  // Paths of any length, and Cyrillic ones, in CR LF lines, written beside the directory given
  // with or without its separator, and read back from the current directory too; the marker's
  // rules; a missing file or a failed read leaves the paths alone, and a failed write says so.
  TempDirectory dir;
  std::string input = "keep", output = "keep";
  EXPECT_FALSE(ReadSettingsFile(dir.path() + "settings.ini", input, output) || input != "keep");
  EXPECT_FALSE(WriteSettings(dir.path() + "missing", "a", "b"));
  dir.Write("settings.ini", "an older and longer file that the write replaces");
  const std::string longInput = "C:\\" + std::string(1000, 'a') + "\\page.htm",
                    cyrillic = "D:\\\xCF\xF0\xE8\xE2\xE5\xF2 \xEC\xE8\xF0\\";
  ASSERT_TRUE(WriteSettings(dir.bare(), longInput, cyrillic));
  ASSERT_TRUE(ReadSettingsFile(dir.path() + "settings.ini", input, output));
  EXPECT_TRUE(input == longInput && output == cyrillic);
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  input = output = "";
  const bool read = ReadSettings(input, output);
  std::filesystem::current_path(previous);
  EXPECT_TRUE(read && input == longInput && output == cyrillic);
  const std::string fails = "untouched|untouched";  // the read fails and leaves both alone
  const std::pair<const char*, std::string> files[] = {
      {"xx[Default path]yy\r\nC:\\in\r\nD:\\out", "C:\\in|D:\\out"},
      {"junk\n[Default path]\na\nb\n[Default path]\nc\nd\n", "c|d"},
      // A marker right at the end leaves the earlier section's paths.
      {"[Default path]\na\nb\n[Default path]\n", "a|b"},
      {"[Default path]\n\nD:\\out\n", "|D:\\out"},  // an empty path, not a missing one
      // The two lines after a marker are paths even when they look like markers.
      {"[Default path]\n[Default path]\nb\n", "[Default path]|b"},
      // Text mode: 0x1A ends the file, a lone CR stays.
      {"[Default path]\na\rb\nc\x1A\nignored\n", "a\rb|c"}, {"[Default path]\nC:\\in\n", fails},
      {"[default path]\nC:\\in\nD:\\out\n", fails}};
  for (const auto& [contents, expected] : files) {
    dir.Write("settings.ini", contents);
    input = output = "untouched";
    EXPECT_EQ(ReadSettingsFile(dir.path() + "settings.ini", input, output), expected != fails);
    EXPECT_EQ(input + "|" + output, expected) << contents;
  }
}

TEST(CyrillicNames, WalkConvertAndCreateDirectory) {
#ifdef _WIN32
  if (GetACP() != 1251) {
    if (std::getenv("VELLUMINE_REQUIRE_CP1251") != nullptr)
      FAIL() << "the ANSI code page is " << GetACP() << " although LC_ALL asks for Russian";
    GTEST_SKIP() << "the ANSI code page is " << GetACP() << ", not 1251; ctest runs this test "
                 << "again as batch_tests.CyrillicNamesInWindows1251 with LC_ALL=ru_RU.UTF-8";
  }
#endif
  const std::string folder = "\xCF\xE0\xEF\xEA\xE0";  // "Папка"
  const std::string page = "\xCF\xF0\xE8\xE2\xE5\xF2";  // "Привет"
  const std::string output = "\xC2\xFB\xF5\xEE\xE4";   // "Выход"
  TempDirectory dir;
  const std::string sep(1, dir.path().back());
  ASSERT_TRUE(NativeFileSystem().MakeDirectory(dir.path() + folder));
  dir.Write(folder + sep + page + ".htm", "<p>" + page + "</p>");

  Log log;
  RecordingView view(log);
  ConvertEnvironment env{.files = NativeFileSystem(), .saveSettings = false};
  // The output directory is missing: the command creates it.
  ConvertChoices choices{.inputPath = dir.path() + folder, .outputPath = dir.path() + output,
                         .convertAll = true};
  choices.options.format = VELLUMINE_FORMAT_TEXT;
  choices.options.encoding = VELLUMINE_ENCODING_WINDOWS_1251;
  EXPECT_EQ(RunConvertCommand(choices, view, env, nullptr).converted, 1);
  EXPECT_EQ(dir.Read(output + sep + page + ".txt"), "\r\n" + page + "\r\n");

  // The single file by its full name, into the directory that now exists.
  choices = {.inputPath = dir.path() + folder + sep + page + ".htm",
             .outputPath = dir.path() + output};
  EXPECT_EQ(RunConvertCommand(choices, view, env, nullptr).converted, 1);
  EXPECT_NE(dir.Read(output + sep + page + ".rtf"), "<missing>");

#ifdef _WIN32
  // What the file system holds is the Cyrillic text, not the bytes read as another code page.
  auto stored = std::filesystem::path(dir.bare()) / L"\u0412\u044b\u0445\u043e\u0434";
  for (const wchar_t* name : {L"\u041f\u0440\u0438\u0432\u0435\u0442.txt",
                              L"\u041f\u0440\u0438\u0432\u0435\u0442.rtf"})
    EXPECT_TRUE(std::filesystem::is_regular_file(stored / name));
#endif
}

}  // namespace vellumine::testing
