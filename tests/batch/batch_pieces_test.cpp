// The batch's pieces: HTML file names, paths, the percent rule, names in every script and
// long paths on the real file system, and the settings file (paths of any length, its
// marker, the reading after the paths, errors, the current directory and the code page of
// earlier versions).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>
#include <tuple>

#include "command_fakes.h"
#include "directory_path.h"
#include "html_file_name.h"
#include "percent.h"
#include "settings_file.h"
#include "temp_directory.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace vellumine::testing {

// The extension's letters anywhere in the name qualify it ("htmfile", "myaspnotes").
TEST(BatchPieces, HtmlFileNames) {
  for (const char* name : {"index.HTML", "a.shtml", "a.ASPX", "htmfile", "myaspnotes", ".htm"})
    EXPECT_TRUE(IsHtmlFileName(name)) << name;
  for (const char* name : {"notes.txt", "html.txt", "page.htm.bak", ".htaccess", "", "x.h-t-m"})
    EXPECT_FALSE(IsHtmlFileName(name)) << name;
}

// A path, its directory (CutToDirectory) and the path with a separator (AppendSeparator).
TEST(BatchPieces, DirectoriesAndSeparators) {
  using enum PathStyle;
  const std::tuple<const char*, PathStyle, const char*, const char*> cases[] = {
      {"C:\\web\\page.htm", Windows, "C:\\web\\", "C:\\web\\page.htm\\"},
      {"C:/web/", Windows, "C:/web/", "C:/web/"}, {"", Windows, "", "\\"},
      {"/srv/web/page.htm", Posix, "/srv/web/", "/srv/web/page.htm/"},
      {"web\\", Posix, "", "web\\/"}};
  for (auto [input, style, directory, appended] : cases) {
    std::string path = input;
    AppendSeparator(path, style);
    EXPECT_EQ(CutToDirectory(input, style), directory) << input;
    EXPECT_EQ(path, appended) << input;
  }
}

// Truncated, never past 100; an empty whole is all done once anything is.
TEST(BatchPieces, Percent) {
  for (auto [part, whole, percent] : {std::tuple{2, 3, 66}, {0, 0, 0}, {1, 0, 100}, {4, 3, 100},
                                      {-1, 3, 0}, {INT32_MAX, INT32_MAX, 100},
                                      {INT32_MAX - 1, INT32_MAX, 99}})
    EXPECT_EQ(Percent(part, whole), percent) << part << " of " << whole;
}

// Paths of any length, and Cyrillic ones, in CR LF lines, written beside the directory given
// with or without its separator, and read back from the current directory too; a missing
// file or a failed read leaves the settings alone, and a failed write says so.
TEST(SettingsFile, LongAndCyrillicPathsReadBack) {
  TempDirectory dir;
  Settings settings{"keep", "keep", VELLUMINE_READING_CLASSIC};
  EXPECT_FALSE(ReadSettingsFile(dir.path() + "settings.ini", settings));
  EXPECT_EQ(settings.inputPath, "keep");
  EXPECT_FALSE(WriteSettings(dir.path() + "missing", {"a", "b"}));
  dir.Write("settings.ini", "an older and longer file that the write replaces");
  const std::string longInput = "C:\\" + std::string(1000, 'a') + "\\page.htm",
                    cyrillic = "D:\\\u041f\u0440\u0438\u0432\u0435\u0442 \u043c\u0438\u0440\\";
  ASSERT_TRUE(WriteSettings(dir.bare(), {longInput, cyrillic}));
  ASSERT_TRUE(ReadSettingsFile(dir.path() + "settings.ini", settings));
  EXPECT_EQ(settings.inputPath, longInput);
  EXPECT_EQ(settings.outputPath, cyrillic);
  EXPECT_EQ(settings.reading, VELLUMINE_READING_DEFAULT);
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  settings = {};
  const bool read = ReadSettings(settings);
  std::filesystem::current_path(previous);
  EXPECT_TRUE(read);
  EXPECT_EQ(settings.inputPath, longInput);
}

// The settings as written: with the default reading and pictures the three lines of every
// earlier version, with the classic reading or pictures' alt text a line after them for
// each, which earlier versions (they take the two lines after the marker) pass over. Each
// reads back as it was written.
TEST(SettingsFile, TheReadingAndPicturesAfterThePathsAndTheMarkersRules) {
  TempDirectory dir;
  const std::string paths = "[Default path]\r\nC:\\in\\a.htm\r\nD:\\out\r\n";
  constexpr vellumine_reading kDefault = VELLUMINE_READING_DEFAULT,
                              kClassic = VELLUMINE_READING_CLASSIC;
  constexpr vellumine_images kEmbed = VELLUMINE_IMAGES_EMBED, kAlt = VELLUMINE_IMAGES_ALT;
  const struct {
    vellumine_reading reading;
    vellumine_images images;
    std::string written;
  } saved[] = {{kDefault, kEmbed, paths}, {kClassic, kEmbed, paths + "Reading=classic\r\n"},
               {kDefault, kAlt, paths + "Images=alt\r\n"},
               {kClassic, kAlt, paths + "Reading=classic\r\nImages=alt\r\n"}};
  for (const auto& [reading, images, written] : saved) {
    ASSERT_TRUE(WriteSettings(dir.bare(), {"C:\\in\\a.htm", "D:\\out", reading, images}));
    EXPECT_EQ(dir.Read("settings.ini"), written);
    Settings settings{"", "", reading == kClassic ? kDefault : kClassic,
                      images == kAlt ? kEmbed : kAlt};
    ASSERT_TRUE(ReadSettingsFile(dir.path() + "settings.ini", settings));
    EXPECT_EQ(settings.inputPath + "|" + settings.outputPath, "C:\\in\\a.htm|D:\\out");
    EXPECT_EQ(settings.reading, reading) << written;
    EXPECT_EQ(settings.images, images) << written;
  }
  // The marker's rules and the reading's and pictures' lines, in files as people and earlier
  // versions left them: "input|output", "|classic" when that reading is read, "|alt" when
  // pictures keep their alt text.
  const std::string fails = "untouched|untouched|classic|alt";  // the read leaves all alone
  const std::string m = "[Default path]\n", ab = m + "a\nb\n";
  const std::pair<std::string, std::string> files[] = {
      {"xx[Default path]yy\r\nC:\\in\r\nD:\\out", "C:\\in|D:\\out"},
      {"junk\n" + ab + m + "c\nd\n", "c|d"},
      // A marker right at the end leaves the earlier section's paths and reading.
      {ab + m, "a|b"}, {ab + "Reading=classic\n" + m, "a|b|classic"},
      {m + "\nD:\\out\n", "|D:\\out"},  // an empty path, not a missing one
      // The two lines after a marker are paths even when they look like markers or readings.
      {m + m + "b\n", "[Default path]|b"}, {m + "Reading=classic\nb\n", "Reading=classic|b"},
      // Text mode: 0x1A ends the file, a lone CR stays.
      {m + "a\rb\nc\x1A\nignored\n", "a\rb|c"}, {ab + "Reading=classic\x1A", "a|b|classic"},
      {m + "C:\\in\n", fails}, {"[default path]\nC:\\in\nD:\\out\n", fails},
      {"Reading=classic\n", fails},
      // The reading's line anywhere after the paths, in any letter case and spacing; the
      // last one wins; a later section starts over at the default reading.
      {"[Default path]\r\na\r\nb\r\nReading=classic", "a|b|classic"},
      {ab + "notes\n  reading = CLASSIC \t\n", "a|b|classic"},
      {ab + "Reading=classic\nReading=default\n", "a|b"},
      {ab + "Reading=classic\n" + m + "c\nd\n", "c|d"},
      // Before any marker a line belongs to no section; another key or value is not
      // classic (a later version's reading reads as the default one).
      {"Reading=classic\n" + ab, "a|b"}, {ab + "Reading=classical\n", "a|b"},
      {ab + "Readings=classic\nReading:classic\n", "a|b"},
      // Pictures' line the same way, beside the reading's or alone.
      {ab + "Images=alt\n", "a|b|alt"},
      {ab + " images = ALT \nReading=classic\n", "a|b|classic|alt"},
      {ab + "Images=alt\nImages=none\n", "a|b"}, {ab + "Images=alt\n" + m + "c\nd\n", "c|d"},
      {m + "Images=alt\nb\n", "Images=alt|b"}};
  for (const auto& [contents, expected] : files) {
    dir.Write("settings.ini", contents);
    Settings settings{"untouched", "untouched", kClassic, kAlt};
    EXPECT_EQ(ReadSettingsFile(dir.path() + "settings.ini", settings), expected != fails);
    EXPECT_EQ(settings.inputPath + "|" + settings.outputPath +
                  (settings.reading == kClassic ? "|classic" : "") +
                  (settings.images == kAlt ? "|alt" : ""),
              expected) << contents;
  }
}

// Names in every script, whatever the system's code page (ctest runs this again with a
// Cyrillic one on Windows): the walk finds them, the command converts them into a
// directory it creates, by the directory and by each file's own name, and the file system
// holds the names themselves.
TEST(UnicodeNames, WalkConvertAndCreateDirectory) {
#ifdef _WIN32
  if (std::getenv("VELLUMINE_REQUIRE_CP1251") != nullptr && GetACP() != 1251)
    FAIL() << "the ANSI code page is " << GetACP() << " although LC_ALL asks for Russian";
#endif
  const std::string& folder = kScriptsFolder;
  const std::string output = "\u0412\u044b\u0445\u043e\u0434 \u51fa\u529b";
  const std::vector<std::string>& pages = kScriptNames;
  TempDirectory dir;
  const std::string sep(1, dir.path().back());
  ASSERT_TRUE(NativeFileSystem().MakeDirectory(dir.path() + folder));
  for (const std::string& page : pages)
    dir.Write(folder + sep + page + ".htm", "<p>" + page + "</p>");
  std::vector<std::string> listed;
  ASSERT_TRUE(NativeFileSystem().ListDirectory(dir.path() + folder + sep + "*.*", listed));
  for (const std::string& page : pages)
    EXPECT_NE(std::find(listed.begin(), listed.end(), page + ".htm"), listed.end()) << page;

  Log log;
  RecordingView view(log);
  ConvertEnvironment env{.files = NativeFileSystem()};
  // The output directory is missing: the command creates it.
  ConvertChoices choices{.inputPath = dir.path() + folder, .outputPath = dir.path() + output,
                         .convertAll = true};
  choices.options.format = VELLUMINE_FORMAT_TEXT;
  choices.options.encoding = VELLUMINE_ENCODING_UTF_8;
  choices.options.text_utf8 = 1;
  EXPECT_EQ(RunConvertCommand(choices, view, env).converted, pages.size());
  for (const std::string& page : pages)
    EXPECT_EQ(dir.Read(output + sep + page + ".txt"), page + "\r\n") << page;

  // Each file by its full name, into the directory that now exists.
  for (const std::string& page : pages) {
    choices = {.inputPath = dir.path() + folder + sep + page + ".htm",
               .outputPath = dir.path() + output};
    EXPECT_EQ(RunConvertCommand(choices, view, env).converted, 1) << page;
  }
  // What the file system holds are the names, not their bytes read in another code page.
  for (const std::string& page : pages)
    EXPECT_TRUE(std::filesystem::is_regular_file(PathOf(dir.path() + output + sep + page + ".rtf")))
        << page;
}

// Past the old limit of 260 characters: directories made, a page found, converted and its
// output replaced, a settings file beside them.
TEST(LongPaths, ThreeHundredCharacters) {
  TempDirectory dir;
  std::string deep = dir.path();
  const std::string sep(1, deep.back());
  while (deep.size() < 300) deep += std::string(40, 'd') + "\u00e9" + sep;
  ASSERT_TRUE(MakeDirectories(NativeFileSystem(), deep, kNativePathStyle));
  const std::string page = deep + "page.htm";
  ASSERT_GT(page.size(), 300u);
  dir.Write(page.substr(dir.path().size()), "<p>deep");
  Log log;
  RecordingView view(log);
  ConvertEnvironment env{.files = NativeFileSystem()};
  ConvertChoices choices{.inputPath = deep, .outputPath = deep + "out", .convertAll = true};
  choices.options.format = VELLUMINE_FORMAT_TEXT;
  for (int time = 0; time < 2; ++time)  // the second replaces the first
    EXPECT_EQ(RunConvertCommand(choices, view, env).converted, 1) << log.back();
  EXPECT_EQ(ReadBytes(deep + "out" + sep + "page.txt"), "deep\r\n");
  ASSERT_TRUE(WriteSettings(deep, {page, deep}));
  Settings settings;
  ASSERT_TRUE(ReadSettingsFile(SettingsFilePath(deep), settings));
  EXPECT_EQ(settings.inputPath, page);
  EXPECT_EQ(settings.outputPath, deep);
}

#ifdef _WIN32
// settings.ini as earlier versions wrote it (paths in the ANSI code page) reads as it always
// did; paths that the code page holds are written as those versions wrote them, others in
// UTF-8 after its mark, and read back whole.
TEST(SettingsFile, AnsiFilesOfEarlierVersionsAndNamesBeyondTheCodePage) {
  TempDirectory dir;
  const bool cyrillic = GetACP() == 1251;
  // One path in the code page's own bytes: "D:\Привет\" in 1251, "D:\café\" in 1252.
  const std::string ansi = cyrillic ? "D:\\\xCF\xF0\xE8\xE2\xE5\xF2\\" : "D:\\caf\xE9\\";
  const std::string utf8 =
      cyrillic ? "D:\\\u041f\u0440\u0438\u0432\u0435\u0442\\" : "D:\\caf\u00e9\\";
  const std::string earlier = "[Default path]\r\nC:\\in\\a.htm\r\n" + ansi + "\r\n";
  dir.Write("settings.ini", earlier);
  Settings settings;
  ASSERT_TRUE(ReadSettingsFile(dir.path() + "settings.ini", settings));
  EXPECT_EQ(settings.inputPath + "|" + settings.outputPath, "C:\\in\\a.htm|" + utf8);
  ASSERT_TRUE(WriteSettings(dir.bare(), settings));
  EXPECT_EQ(dir.Read("settings.ini"), earlier);  // byte for byte
  const std::string japanese = "D:\\\u65e5\u672c\u8a9e\\";
  ASSERT_TRUE(WriteSettings(dir.bare(), {japanese, utf8, VELLUMINE_READING_CLASSIC}));
  EXPECT_TRUE(dir.Read("settings.ini").starts_with("\xEF\xBB\xBF[Default path]\r\n"));
  settings = {};
  ASSERT_TRUE(ReadSettingsFile(dir.path() + "settings.ini", settings));
  EXPECT_EQ(settings.inputPath + "|" + settings.outputPath, japanese + "|" + utf8);
  EXPECT_EQ(settings.reading, VELLUMINE_READING_CLASSIC);
}
#endif

}  // namespace vellumine::testing
