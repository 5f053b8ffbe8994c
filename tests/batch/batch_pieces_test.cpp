// The batch's pieces: HTML file names, paths, Cyrillic names on the real file system, and the
// settings file (paths of any length, its marker, the reading after the paths, errors and
// the current directory).
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
  // with or without its separator, and read back from the current directory too; a missing
  // file or a failed read leaves the settings alone, and a failed write says so.
  TempDirectory dir;
  Settings settings{"keep", "keep", VELLUMINE_READING_CLASSIC};
  EXPECT_FALSE(ReadSettingsFile(dir.path() + "settings.ini", settings) ||
               settings.inputPath != "keep");
  EXPECT_FALSE(WriteSettings(dir.path() + "missing", {"a", "b"}));
  dir.Write("settings.ini", "an older and longer file that the write replaces");
  const std::string longInput = "C:\\" + std::string(1000, 'a') + "\\page.htm",
                    cyrillic = "D:\\\xCF\xF0\xE8\xE2\xE5\xF2 \xEC\xE8\xF0\\";
  ASSERT_TRUE(WriteSettings(dir.bare(), {longInput, cyrillic}));
  ASSERT_TRUE(ReadSettingsFile(dir.path() + "settings.ini", settings));
  EXPECT_TRUE(settings.inputPath == longInput && settings.outputPath == cyrillic &&
              settings.reading == VELLUMINE_READING_DEFAULT);
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  settings = {};
  const bool read = ReadSettings(settings);
  std::filesystem::current_path(previous);
  EXPECT_TRUE(read && settings.inputPath == longInput && settings.outputPath == cyrillic);
}

// The settings as written: with the default reading the three lines of every earlier
// version, with the classic one a fourth line after them, which earlier versions (they take
// the two lines after the marker) pass over. Each reads back as it was written.
TEST(SettingsFile, TheReadingAfterThePathsAndTheMarkersRules) {
  TempDirectory dir;
  const std::string paths = "[Default path]\r\nC:\\in\\a.htm\r\nD:\\out\r\n";
  for (auto [reading, written] : {std::pair{VELLUMINE_READING_DEFAULT, paths},
                                  {VELLUMINE_READING_CLASSIC, paths + "Reading=classic\r\n"}}) {
    ASSERT_TRUE(WriteSettings(dir.bare(), {"C:\\in\\a.htm", "D:\\out", reading}));
    EXPECT_EQ(dir.Read("settings.ini"), written);
    Settings settings{"", "", reading == VELLUMINE_READING_CLASSIC ? VELLUMINE_READING_DEFAULT
                                                                   : VELLUMINE_READING_CLASSIC};
    ASSERT_TRUE(ReadSettingsFile(dir.path() + "settings.ini", settings));
    EXPECT_TRUE(settings.inputPath == "C:\\in\\a.htm" && settings.outputPath == "D:\\out" &&
                settings.reading == reading) << written;
  }
  // The marker's rules and the reading's line, in files as people and earlier versions left
  // them: "input|output", and "|classic" when that reading is read.
  const std::string fails = "untouched|untouched|classic";  // the read leaves all alone
  const std::pair<const char*, std::string> files[] = {
      {"xx[Default path]yy\r\nC:\\in\r\nD:\\out", "C:\\in|D:\\out"},
      {"junk\n[Default path]\na\nb\n[Default path]\nc\nd\n", "c|d"},
      // A marker right at the end leaves the earlier section's paths and reading.
      {"[Default path]\na\nb\n[Default path]\n", "a|b"},
      {"[Default path]\na\nb\nReading=classic\n[Default path]\n", "a|b|classic"},
      {"[Default path]\n\nD:\\out\n", "|D:\\out"},  // an empty path, not a missing one
      // The two lines after a marker are paths even when they look like markers or readings.
      {"[Default path]\n[Default path]\nb\n", "[Default path]|b"},
      {"[Default path]\nReading=classic\nb\n", "Reading=classic|b"},
      // Text mode: 0x1A ends the file, a lone CR stays.
      {"[Default path]\na\rb\nc\x1A\nignored\n", "a\rb|c"},
      {"[Default path]\na\nb\nReading=classic\x1A", "a|b|classic"},
      {"[Default path]\nC:\\in\n", fails}, {"[default path]\nC:\\in\nD:\\out\n", fails},
      {"Reading=classic\n", fails},
      // The reading's line anywhere after the paths, in any letter case and spacing; the
      // last one wins; a later section starts over at the default reading.
      {"[Default path]\r\na\r\nb\r\nReading=classic", "a|b|classic"},
      {"[Default path]\na\nb\nnotes\n  reading = CLASSIC \t\n", "a|b|classic"},
      {"[Default path]\na\nb\nReading=classic\nReading=default\n", "a|b"},
      {"[Default path]\na\nb\nReading=classic\n[Default path]\nc\nd\n", "c|d"},
      // Before any marker a line belongs to no section; another key or value is not
      // classic (a later version's reading reads as the default one).
      {"Reading=classic\n[Default path]\na\nb\n", "a|b"},
      {"[Default path]\na\nb\nReadings=classic\nReading:classic\n", "a|b"},
      {"[Default path]\na\nb\nReading=classical\n", "a|b"}};
  for (const auto& [contents, expected] : files) {
    dir.Write("settings.ini", contents);
    Settings settings{"untouched", "untouched", VELLUMINE_READING_CLASSIC};
    EXPECT_EQ(ReadSettingsFile(dir.path() + "settings.ini", settings), expected != fails);
    EXPECT_EQ(settings.inputPath + "|" + settings.outputPath +
                  (settings.reading == VELLUMINE_READING_CLASSIC ? "|classic" : ""),
              expected) << contents;
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
  choices.options.reading = VELLUMINE_READING_CLASSIC;  // whose text is compared below
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
