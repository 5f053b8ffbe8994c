// The main window and the settings dialog, made from their real templates and driven with
// window messages, the classic reading from the dialog to the options and settings.ini;
// Help > Contents (with the HTML guide when there is no help file or help engine) and
// Help > Update; the link labels: colours under the pointer, opening the target, the
// fallback program, the error texts, the tool tip and the hand cursor.
#include <gmock/gmock.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <tuple>

#include "conversion_controls.h"
#include "framework/win_app.h"
#include "gui_helpers.h"
#include "link_targets.h"
#include "resource.h"
#include "settings_dlg.h"

#ifndef VELLUMINE_PROGRAM_DIR
#error "VELLUMINE_PROGRAM_DIR names the directory of Vellumine.exe"
#endif

namespace vellumine::testing {

using ::testing::ElementsAre;

constexpr const char* kThanks = "Thank you for using Vellumine!";
const std::string kHome = kHomePageUrl;

using MainWindowTest = MainWindowFixture;

TEST_F(MainWindowTest, FirstStartFormatRadiosSettingsFileAndOutputPath) {
  EXPECT_EQ(GetWindowTextOf(hwnd_), "Vellumine 1.3");
  EXPECT_EQ(ControlText(hwnd_, IDC_INPUT_PATH) + "|" + ControlText(hwnd_, IDC_OUTPUT_PATH),
            start_.bare() + "|" + start_.bare());
  EXPECT_TRUE(IsChecked(hwnd_, IDC_FORMAT_RTF) && !IsChecked(hwnd_, IDC_FORMAT_TXT) &&
              IsEnabled(hwnd_, IDC_CONVERT_TABLES) && !IsChecked(hwnd_, IDC_CONVERT_TABLES) &&
              !IsChecked(hwnd_, IDC_CONVERT_ALL));
  EXPECT_EQ(ComboItems(hwnd_, IDC_ENCODING),
            (std::vector<std::string>{"Auto-Select", "(Windows-1251) Cyrillic",
                                      "(KOI8-R) Cyrillic", "(ISO-8859-1) Latin1",
                                      "(ISO-8859-5) Cyrillic", "(UTF-8) Unicode"}));
  EXPECT_EQ(ControlText(hwnd_, IDC_ENCODING), "Auto-Select");
  EXPECT_EQ(ControlText(hwnd_, IDC_FILE_PERCENT) + ControlText(hwnd_, IDC_TOTAL_PERCENT), "00");
  EXPECT_EQ(dialog_.m_strFontName + " " + dialog_.m_strFontSize, "Arial 10");
  const auto icon = reinterpret_cast<HICON>(SendMessageA(hwnd_, WM_GETICON, ICON_BIG, 0));
  EXPECT_TRUE(dialog_.m_hIcon != nullptr && icon == dialog_.m_hIcon);
  EXPECT_EQ(start_.Read("settings.ini"), "<missing>");  // the first start writes nothing
  start_.Write("settings.ini", "[Default path]\r\nC:\\in\\page.htm\r\nD:\\out\\\r\n");
  CConverterDlg second;
  ASSERT_TRUE(second.Create());
  EXPECT_EQ(ControlText(second.m_hWnd, IDC_INPUT_PATH) + "|" +
                ControlText(second.m_hWnd, IDC_OUTPUT_PATH), "C:\\in\\page.htm|D:\\out\\");
  for (bool checked : {true, false}) {
    if (IsChecked(hwnd_, IDC_CONVERT_TABLES) != checked) Click(hwnd_, IDC_CONVERT_TABLES);
    Click(hwnd_, IDC_FORMAT_TXT);
    EXPECT_FALSE(IsChecked(hwnd_, IDC_FORMAT_RTF) || IsEnabled(hwnd_, IDC_CONVERT_TABLES));
    ASSERT_TRUE(dialog_.UpdateData(true));
    EXPECT_TRUE(dialog_.m_nFormat == 1 && IsChecked(hwnd_, IDC_CONVERT_TABLES) == checked);
    Click(hwnd_, IDC_FORMAT_RTF);
    EXPECT_TRUE(!IsChecked(hwnd_, IDC_FORMAT_TXT) && IsEnabled(hwnd_, IDC_CONVERT_TABLES));
    EXPECT_EQ(IsChecked(hwnd_, IDC_CONVERT_TABLES), checked);
  }
  SetDlgItemTextA(hwnd_, IDC_INPUT_PATH, "C:\\in\\a.htm");
  SetDlgItemTextA(hwnd_, IDC_OUTPUT_PATH, "D:\\out");
  // The file goes to the start-up directory, whatever the current directory is by then.
  TempDirectory elsewhere;
  CurrentDirectoryGuard moved(elsewhere.bare());
  Command(hwnd_, ID_FILE_SAVE_CONFIGURATION);
  EXPECT_EQ(start_.Read("settings.ini"), "[Default path]\r\nC:\\in\\a.htm\r\nD:\\out\r\n");
  EXPECT_EQ(elsewhere.Read("settings.ini"), "<missing>");
  const std::string missing = start_.path() + "no-such-directory";
  dialog_.m_strStartDir = missing;
  Command(hwnd_, ID_FILE_SAVE_CONFIGURATION);
  EXPECT_EQ(script_.prompts.Shown(),
            (std::vector<std::string>{std::string(kThanks) + ": Input path: \"C:\\in\\a.htm\".\n"
                                      "Output path: \"D:\\out\".\n\nSaved successfully.",
                                      "Error!: Can't write " + missing + "\\settings.ini file."}));
  const MessageRecord& saved = script_.prompts.messages.at(0);
  EXPECT_TRUE(saved.type == MB_OK && saved.owner == hwnd_);
  dialog_.m_strOutputPath = "D:\\out\\";
  SetDlgItemTextA(hwnd_, IDC_OUTPUT_PATH, "typed but not saved");
  Click(hwnd_, IDC_BROWSE_OUTPUT);
  EXPECT_EQ(script_.prompts.folderRequests,
            std::vector<std::string>{"Please, select output directory:|D:\\out"});
  EXPECT_EQ(ControlText(hwnd_, IDC_OUTPUT_PATH) + "|" + dialog_.m_strOutputPath, "D:\\out|D:\\out");
  script_.prompts.folderAnswer = "E:\\chosen";
  Click(hwnd_, IDC_BROWSE_OUTPUT);
  EXPECT_EQ(ControlText(hwnd_, IDC_OUTPUT_PATH), "E:\\chosen");
}

// Three qualifying pages, one of them empty, and a file that is not a page; then a total bar
// beyond sixteen bits.
TEST_F(MainWindowTest, ConvertAllReportsTheFailedFileAndTheTotal) {
  TempDirectory pages;
  pages.Make({{"alpha.htm", "<p>Alpha"}, {"empty.htm", ""}, {"gamma.html", "<h1>Gamma"},
              {"notes.txt", "not a page"}});
  const std::string output = start_.path() + "out";
  SetDlgItemTextA(hwnd_, IDC_INPUT_PATH, pages.bare().c_str());
  SetDlgItemTextA(hwnd_, IDC_OUTPUT_PATH, output.c_str());
  Click(hwnd_, IDC_CONVERT_ALL);
  std::vector<std::string> seen;  // the labels and the total bar while each box is up
  script_.prompts.answers = {IDYES, IDOK, IDOK};
  script_.prompts.onMessage = [&] {
    seen.push_back(ControlText(hwnd_, IDC_CURRENT_FILE) + "|" +
                   ControlText(hwnd_, IDC_TOTAL_FILES) + "|" +
                   ControlText(hwnd_, IDC_TOTAL_PERCENT) + "|" +
                   std::to_string(ProgressValue(hwnd_, IDC_TOTAL_PROGRESS, PBM_GETPOS)) + "/" +
                   std::to_string(ProgressValue(hwnd_, IDC_TOTAL_PROGRESS, PBM_GETRANGE)));
  };
  Click(hwnd_, IDC_CONVERT);
  EXPECT_EQ(script_.prompts.Shown(),
            (std::vector<std::string>{
                "Error!: The directory " + output + "\\ does not exist\nCreate?",
                "Error!: " + pages.path() + "empty.htm file has zero length.",
                std::string(kThanks) + ": Conversion completed. 2 files converted successfully."}));
  EXPECT_EQ(script_.prompts.messages.at(0).type, static_cast<UINT>(MB_YESNO));
  for (const MessageRecord& box : script_.prompts.messages) EXPECT_EQ(box.owner, hwnd_);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[1].substr(0, 10), "empty.htm|");
  EXPECT_EQ(seen[2].substr(seen[2].find('|')), "|2 of 3 files converted successfully.|66|3/3");
  // After the final box.
  EXPECT_EQ(ControlText(hwnd_, IDC_TOTAL_FILES) + ControlText(hwnd_, IDC_CURRENT_FILE), "");
  EXPECT_EQ(ControlText(hwnd_, IDC_TOTAL_PERCENT) + ControlText(hwnd_, IDC_FILE_PERCENT), "00");
  EXPECT_EQ(ProgressValue(hwnd_, IDC_TOTAL_PROGRESS, PBM_GETPOS) +
                ProgressValue(hwnd_, IDC_FILE_PROGRESS, PBM_GETPOS), 0);
  EXPECT_EQ(start_.Read("out\\gamma.rtf").substr(0, 6), "{\\rtf1");
  // A batch beyond sixteen bits.
  static_cast<ConvertView&>(dialog_).BatchStarted({70000, true});
  FileReport report;
  report.converted = 69999;
  static_cast<ConvertView&>(dialog_).FileFinished(report);
  EXPECT_EQ(ProgressValue(hwnd_, IDC_TOTAL_PROGRESS, PBM_GETRANGE), 70000);
  EXPECT_EQ(ProgressValue(hwnd_, IDC_TOTAL_PROGRESS, PBM_GETPOS), 69999);
}

// Names in four scripts, an emoji (beyond the Basic Multilingual Plane: two UTF-16 units), a
// Latin letter that Cyrillic code pages lack and a plain name: as UTF-16 (what Windows shows
// and stores), as UTF-8 (what the program holds), and the name of the RTF made of each.
struct UnicodeName {
  const wchar_t* wide;
  const char* utf8;
  const wchar_t* output;
};
const UnicodeName kUnicodeNames[] = {
    {L"Привет.html", "Привет.html", L"Привет.rtf"},
    {L"Ελληνικά.html", "Ελληνικά.html", L"Ελληνικά.rtf"},
    {L"日本語.html", "日本語.html", L"日本語.rtf"},
    {L"中文.html", "中文.html", L"中文.rtf"},
    {L"😀.html", "😀.html", L"😀.rtf"},
    {L"café.html", "café.html", L"café.rtf"},
    {L"plain.html", "plain.html", L"plain.rtf"},
};

std::vector<std::wstring> OutputNames() {
  std::vector<std::wstring> names;
  for (const UnicodeName& name : kUnicodeNames) names.emplace_back(name.output);
  return names;
}

// Each name typed into Input (as the keyboard leaves it there) and converted by itself: the
// box shows it exactly before and after, the current-file label while it converts, and the
// RTF has the page's name; settings.ini keeps it for the next start.
TEST_F(MainWindowTest, NamesOfAnyScriptTypedAndConvertedOneAtATime) {
  // The window and its boxes are Unicode windows: no text passes through the ANSI code page.
  for (HWND window : {hwnd_, GetDlgItem(hwnd_, IDC_INPUT_PATH), GetDlgItem(hwnd_, IDC_CURRENT_FILE)})
    EXPECT_TRUE(IsWindowUnicode(window));
  TempDirectory pages, output;
  const std::wstring in = WidePath(pages), out = WidePath(output);
  TypeWide(hwnd_, IDC_OUTPUT_PATH, out);
  std::wstring label;  // the current file while the final box is up
  script_.prompts.onMessage = [&] { label = WideControlText(hwnd_, IDC_CURRENT_FILE); };
  for (const UnicodeName& name : kUnicodeNames) {
    SCOPED_TRACE(name.utf8);
    const std::wstring input = in + name.wide;
    ASSERT_TRUE(WriteWide(input, std::string("<p>") + name.utf8));
    TypeWide(hwnd_, IDC_INPUT_PATH, input);
    EXPECT_EQ(WideControlText(hwnd_, IDC_INPUT_PATH), input);
    script_.prompts.messages.clear();
    label.clear();
    Click(hwnd_, IDC_CONVERT);
    EXPECT_EQ(script_.prompts.Shown(),
              std::vector<std::string>{std::string(kThanks) +
                                       ": Conversion completed. 1 file converted successfully."});
    EXPECT_EQ(label, input);
    EXPECT_EQ(WideControlText(hwnd_, IDC_INPUT_PATH), input);
    EXPECT_EQ(ReadWide(out + name.output).substr(0, 6), "{\\rtf1");
    CConverterDlg next;
    ASSERT_TRUE(next.Create());
    EXPECT_EQ(WideControlText(next.m_hWnd, IDC_INPUT_PATH), input);
    EXPECT_EQ(next.m_strInputPath, pages.path() + name.utf8);
  }
  EXPECT_THAT(WideNames(out), ::testing::UnorderedElementsAreArray(OutputNames()));
}

// The same names as one directory's pages: each is handed to the converter in UTF-8 and shown
// in the current-file label as it is, and each RTF has its page's name.
TEST_F(MainWindowTest, NamesOfAnyScriptConvertedAsADirectory) {
  TempDirectory pages, output;
  std::vector<std::wstring> labels, inputs;
  std::vector<std::string> utf8Inputs;
  for (const UnicodeName& name : kUnicodeNames) {
    ASSERT_TRUE(WriteWide(WidePath(pages) + name.wide, std::string("<p>") + name.utf8));
    labels.emplace_back(name.wide);
    utf8Inputs.push_back(pages.path() + name.utf8);
  }
  // The directory as the window shows one: without a separator at the end.
  const std::wstring directory = pages.root_.wstring();
  TypeWide(hwnd_, IDC_INPUT_PATH, directory);
  TypeWide(hwnd_, IDC_OUTPUT_PATH, WidePath(output));
  Click(hwnd_, IDC_CONVERT_ALL);
  std::vector<std::wstring> shown;
  std::vector<std::string> handed;
  dialog_.m_fnConvert = [&](const char* input, const char* outputDirectory,
                            const vellumine_options& options) {
    shown.push_back(WideControlText(hwnd_, IDC_CURRENT_FILE));
    handed.emplace_back(input);
    return vellumine_convert_file(input, outputDirectory, &options);
  };
  Click(hwnd_, IDC_CONVERT);
  EXPECT_EQ(script_.prompts.Shown(),
            std::vector<std::string>{std::string(kThanks) +
                                     ": Conversion completed. 7 files converted successfully."});
  EXPECT_THAT(shown, ::testing::UnorderedElementsAreArray(labels));
  EXPECT_THAT(handed, ::testing::UnorderedElementsAreArray(utf8Inputs));
  EXPECT_THAT(WideNames(WidePath(output)), ::testing::UnorderedElementsAreArray(OutputNames()));
  EXPECT_EQ(WideControlText(hwnd_, IDC_INPUT_PATH), directory);
}

// A path beyond the old limit of 259 characters is typed, converted, remembered and shown
// whole.
TEST_F(MainWindowTest, PathsBeyondTheOldLimitAreKeptWhole) {
  TempDirectory pages, output;
  // Names of 60 characters (Linux, below Wine, takes 255 bytes of UTF-8 for one name).
  std::wstring folder = L"Длинный каталог 日本語";
  while (folder.size() < 60) folder += L" ещё";
  std::wstring wide = WidePath(pages);
  std::string utf8 = pages.path();
  for (int level = 0; level < 5; ++level) {
    wide += folder + L"\\";
    utf8 += Utf8Of(std::filesystem::path(folder)) + "\\";
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + wide).c_str(), nullptr));
  }
  wide += L"страница.html";
  utf8 += "страница.html";
  ASSERT_GT(wide.size(), 300u);
  ASSERT_TRUE(WriteWide(L"\\\\?\\" + wide, "<p>page"));
  TypeWide(hwnd_, IDC_INPUT_PATH, wide);
  TypeWide(hwnd_, IDC_OUTPUT_PATH, WidePath(output));
  std::vector<std::string> handed;
  dialog_.m_fnConvert = [&](const char* input, const char* outputDirectory,
                            const vellumine_options& options) {
    handed.emplace_back(input);
    return vellumine_convert_file(input, outputDirectory, &options);
  };
  Click(hwnd_, IDC_CONVERT);
  EXPECT_EQ(handed, std::vector<std::string>{utf8});
  EXPECT_EQ(ReadWide(WidePath(output) + L"страница.rtf").substr(0, 6), "{\\rtf1");
  EXPECT_EQ(WideControlText(hwnd_, IDC_INPUT_PATH), wide);
  CConverterDlg next;
  ASSERT_TRUE(next.Create());
  EXPECT_EQ(WideControlText(next.m_hWnd, IDC_INPUT_PATH), wide);
}

// Files and folders dropped on the window, by SendMessage and by a posted message: the first
// item becomes the input; a folder checks "Convert all files in this directory", a file
// clears it. Nothing is converted, saved or shown until Convert is pressed, which then takes
// what the drop left.
TEST_F(MainWindowTest, DroppedFileOrFolderBecomesTheInput) {
  EXPECT_NE(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
  TempDirectory dropped, output;
  const std::wstring root = WidePath(dropped);
  const std::wstring folder = root + L"Папка 日本語", page = root + L"😀 café.html";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(WriteWide(folder + L"\\Ελληνικά.htm", "<p>inner") && WriteWide(page, "<p>page"));
  TypeWide(hwnd_, IDC_OUTPUT_PATH, WidePath(output));
  std::vector<std::string> converted;
  dialog_.m_fnConvert = [&](const char* input, const char*, const vellumine_options&) {
    converted.emplace_back(input);
    return VELLUMINE_OK;
  };
  struct DropCase {
    std::vector<std::wstring> items;
    bool checkedBefore;
    bool posted;
    const std::wstring& input;  // what Input shows after the drop
    bool checked;               // "Convert all files in this directory" after the drop
  };
  const DropCase cases[] = {
      {{page}, true, false, page, false},
      {{page}, false, true, page, false},
      {{folder}, false, false, folder, true},
      {{folder}, true, true, folder, true},
      {{folder, page}, false, false, folder, true},
      {{page, folder}, true, true, page, false},
  };
  for (const DropCase& drop : cases) {
    SCOPED_TRACE(::testing::PrintToString(drop.items) + (drop.posted ? " posted" : " sent"));
    TypeWide(hwnd_, IDC_INPUT_PATH, L"typed before");
    CheckDlgButton(hwnd_, IDC_CONVERT_ALL, drop.checkedBefore ? BST_CHECKED : BST_UNCHECKED);
    HDROP memory = MakeDrop(drop.items);
    ASSERT_NE(memory, nullptr);
    if (drop.posted) {
      ASSERT_TRUE(PostMessageW(hwnd_, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0));
      PumpMessages();
    } else {
      SendMessageW(hwnd_, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
    }
    EXPECT_EQ(WideControlText(hwnd_, IDC_INPUT_PATH), drop.input);
    EXPECT_EQ(IsChecked(hwnd_, IDC_CONVERT_ALL), drop.checked);
  }
  EXPECT_TRUE(converted.empty() && script_.prompts.messages.empty());
  EXPECT_TRUE(WideNames(WidePath(output)).empty());
  EXPECT_EQ(start_.Read("settings.ini"), "<missing>");
  // The last drop left the file and a clear box; then a folder.
  Click(hwnd_, IDC_CONVERT);
  SendMessageW(hwnd_, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({folder})), 0);
  Click(hwnd_, IDC_CONVERT);
  EXPECT_EQ(converted, (std::vector<std::string>{dropped.path() + "😀 café.html",
                                                 dropped.path() + "Папка 日本語\\Ελληνικά.htm"}));
}

// A start-up directory of any name: settings.ini is written there, with paths in any
// script, and the next start shows them as they were typed.
TEST(MainWindowSettings, PathsOfAnyScriptRememberedInAStartDirectoryOfAnyName) {
  TempDirectory top;
  const std::wstring start = WidePath(top) + L"Старт 日本 😀";
  ASSERT_TRUE(CreateDirectoryW(start.c_str(), nullptr));
  CurrentDirectoryGuard cwd(top.path() + "Старт 日本 😀");
  ScopedScripts script;
  CConverterDlg first;
  ASSERT_TRUE(first.Create());
  EXPECT_EQ(first.m_strStartDir, top.path() + "Старт 日本 😀");
  // The first start shows the current directory in both boxes.
  EXPECT_EQ(WideControlText(first.m_hWnd, IDC_INPUT_PATH) + L"|" +
                WideControlText(first.m_hWnd, IDC_OUTPUT_PATH), start + L"|" + start);
  TypeWide(first.m_hWnd, IDC_INPUT_PATH, L"C:\\Ελληνικά\\中文.html");
  TypeWide(first.m_hWnd, IDC_OUTPUT_PATH, L"D:\\Привет\\café");
  Command(first.m_hWnd, ID_FILE_SAVE_CONFIGURATION);
  EXPECT_EQ(script.prompts.Shown(),
            std::vector<std::string>{std::string(kThanks) +
                                     ": Input path: \"C:\\Ελληνικά\\中文.html\".\n"
                                     "Output path: \"D:\\Привет\\café\".\n\nSaved successfully."});
  EXPECT_NE(ReadWide(start + L"\\settings.ini"), "<missing>");
  CConverterDlg next;
  ASSERT_TRUE(next.Create());
  EXPECT_EQ(WideControlText(next.m_hWnd, IDC_INPUT_PATH) + L"|" +
                WideControlText(next.m_hWnd, IDC_OUTPUT_PATH),
            L"C:\\Ελληνικά\\中文.html|D:\\Привет\\café");
}

// The item chosen in the Encoding list is the encoding the converter gets.
TEST_F(MainWindowTest, ChosenEncodingReachesTheConverter) {
  std::vector<int> encodings;
  dialog_.m_fnConvert = [&](const char*, const char*, const vellumine_options& options) {
    encodings.push_back(options.encoding);
    return VELLUMINE_OK;
  };
  start_.Write("page.htm", "<p>page");
  SetDlgItemTextA(hwnd_, IDC_INPUT_PATH, (start_.path() + "page.htm").c_str());
  for (int item : {4, 1, 5, 0, 2, 3}) {
    SendDlgItemMessageW(hwnd_, IDC_ENCODING, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    Click(hwnd_, IDC_CONVERT);
  }
  EXPECT_EQ(encodings, (std::vector<int>{VELLUMINE_ENCODING_ISO_8859_5,
                                         VELLUMINE_ENCODING_WINDOWS_1251, VELLUMINE_ENCODING_UTF_8,
                                         VELLUMINE_ENCODING_AUTO, VELLUMINE_ENCODING_KOI8_R,
                                         VELLUMINE_ENCODING_ISO_8859_1}));
}

// The font typed into the settings dialog reaches the converter in the ANSI code page, as
// earlier versions handed it over (the RTF header holds the name's bytes as they are).
TEST_F(MainWindowTest, FontNameReachesTheConverterInTheAnsiCodePage) {
  std::vector<std::string> fonts;
  dialog_.m_fnConvert = [&](const char*, const char*, const vellumine_options& options) {
    fonts.emplace_back(options.font_name);
    return VELLUMINE_OK;
  };
  start_.Write("page.htm", "<p>page");
  SetDlgItemTextA(hwnd_, IDC_INPUT_PATH, (start_.path() + "page.htm").c_str());
  struct FontCase {
    UINT codePage;  // the code page the case belongs to; 0: any
    const wchar_t* typed;
    const char* handed;
  };
  const FontCase cases[] = {{0, L"Arial", "Arial"},
                            {1252, L"Café Sans", "Caf\xE9 Sans"},
                            {1251, L"Шрифт", "\xD8\xF0\xE8\xF4\xF2"}};
  int run = 0;
  for (const FontCase& font : cases) {
    if (font.codePage != 0 && font.codePage != GetACP()) continue;
    WindowWatcher watcher("Program settings", [&](HWND settings) {
      TypeWide(settings, IDC_FONT_NAME, font.typed);
      Command(settings, IDOK);
    });
    Command(hwnd_, ID_SETTINGS);
    ASSERT_TRUE(watcher.fired());
    fonts.clear();
    Click(hwnd_, IDC_CONVERT);
    EXPECT_EQ(fonts, std::vector<std::string>{font.handed});
    ++run;
  }
  EXPECT_EQ(run, 2) << "the ANSI code page " << GetACP() << " has no case of its own here";
}

// ctest runs these tests in a Western and in a Cyrillic ANSI code page (which Wine takes from
// the locale); each run checks that it got the one it asked for.
TEST(CodePage, IsTheOneTheRunAskedFor) {
  const char* wanted = std::getenv("VELLUMINE_GUI_CODE_PAGE");
  if (wanted == nullptr) GTEST_SKIP() << "VELLUMINE_GUI_CODE_PAGE names none";
  EXPECT_EQ(std::to_string(GetACP()), wanted);
}

// The About box by the system menu and by Help > About, its web button opening the home
// page; Help > Update opens it too; failures to open it are not reported.
TEST_F(MainWindowTest, AboutBoxAndSettingsDialog) {
  HMENU system = GetSystemMenu(hwnd_, FALSE);
  char text[64] = {};
  GetMenuStringA(system, IDM_ABOUTBOX, text, sizeof(text), MF_BYCOMMAND);
  EXPECT_STREQ(text, "&About Vellumine...");
  EXPECT_EQ(GetMenuItemID(system, GetMenuItemCount(system) - 1), static_cast<UINT>(IDM_ABOUTBOX));
  script_.launcher.openResult = SE_ERR_NOASSOC;
  for (UINT message : {WM_SYSCOMMAND, WM_COMMAND}) {
    std::string seen;
    WindowWatcher about("About Vellumine", [&](HWND box) {
      seen = ControlText(box, IDC_WEB_ADDRESS) + (IsWindowEnabled(hwnd_) ? "" : " modal") +
             (GetWindow(box, GW_OWNER) == hwnd_ ? " owned" : "");
      SendMessageA(box, WM_COMMAND, MAKEWPARAM(IDC_WEB_ADDRESS, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(box, IDC_WEB_ADDRESS)));
      Command(box, IDOK);
    });
    script_.launcher.calls.clear();
    SendMessageA(hwnd_, message, message == WM_SYSCOMMAND ? IDM_ABOUTBOX : ID_HELP_ABOUT, 0);
    EXPECT_TRUE(about.fired() && IsWindowEnabled(hwnd_)) << message;
    EXPECT_EQ(seen, "vellumine.example modal owned");
    EXPECT_EQ(script_.launcher.calls, std::vector<std::string>{"open " + kHome + " 1"});
  }
  Command(hwnd_, ID_HELP_UPDATE);
  EXPECT_EQ(script_.launcher.calls, std::vector<std::string>(2, "open " + kHome + " 1"));
  EXPECT_TRUE(script_.prompts.messages.empty());
  std::vector<std::string> opened;  // the size each time the dialog opens
  for (auto [font, size, button] :
       {std::tuple{"Typed Face", "11.5", IDOK}, std::tuple{"Other", "72", IDCANCEL}}) {
    WindowWatcher watcher("Program settings", [&](HWND settings) {
      opened.push_back(ControlText(settings, IDC_FONT_SIZE));
      SetDlgItemTextA(settings, IDC_FONT_NAME, font);
      SetDlgItemTextA(settings, IDC_FONT_SIZE, size);
      Command(settings, button);
    });
    Command(hwnd_, ID_SETTINGS);
    ASSERT_TRUE(watcher.fired());
    // Cancel keeps the values in use.
    EXPECT_EQ(dialog_.m_strFontName + " " + dialog_.m_strFontSize, "Typed Face 11.5");
  }
  // The dialog always opens on the defaults, not on the values in use.
  EXPECT_EQ(opened, (std::vector<std::string>{"10", "10"}));
}

// "Classic reading" in the settings dialog: the dialog opens on the reading in use, OK takes
// the box's state and Cancel keeps the reading in use. The reading reaches the conversion's
// options, and settings.ini keeps it after the paths (no line for the default reading) on
// Convert and on Save configuration; the next start takes it from there.
TEST_F(MainWindowTest, ClassicReadingReachesTheOptionsAndTheSettingsFile) {
  std::vector<std::string> converted;  // each conversion's reading
  auto record = [&](const char*, const char*, const vellumine_options& options) {
    converted.push_back(options.reading == VELLUMINE_READING_CLASSIC ? "classic" : "default");
    return VELLUMINE_OK;
  };
  dialog_.m_fnConvert = record;
  // Opens the settings dialog of window, clicks the box when asked and closes the dialog with
  // button; the box's label and whether it was checked when the dialog opened.
  auto settings = [](CConverterDlg& window, bool click, int button) {
    std::string seen;
    WindowWatcher watcher("Program settings", [&](HWND dialog) {
      seen = ControlText(dialog, IDC_CLASSIC_READING) +
             (IsChecked(dialog, IDC_CLASSIC_READING) ? " checked" : " clear");
      if (click) Click(dialog, IDC_CLASSIC_READING);
      Command(dialog, button);
    });
    Command(window.m_hWnd, ID_SETTINGS);
    EXPECT_TRUE(watcher.fired());
    return seen;
  };
  const std::string label = "&Classic reading (the output of version 1.2)";
  const std::string page = start_.path() + "page.htm", output = start_.bare();
  const std::string paths = "[Default path]\r\n" + page + "\r\n" + output + "\r\n";
  start_.Write("page.htm", "<p>page");
  SetDlgItemTextA(hwnd_, IDC_INPUT_PATH, page.c_str());
  SetDlgItemTextA(hwnd_, IDC_OUTPUT_PATH, output.c_str());
  EXPECT_EQ(settings(dialog_, true, IDOK), label + " clear");
  EXPECT_EQ(settings(dialog_, true, IDCANCEL), label + " checked");
  EXPECT_EQ(dialog_.m_eReading, VELLUMINE_READING_CLASSIC);
  Click(hwnd_, IDC_CONVERT);
  EXPECT_EQ(converted, std::vector<std::string>{"classic"});
  EXPECT_EQ(start_.Read("settings.ini"), paths + "Reading=classic\r\n");
  start_.Write("settings.ini", "");
  Command(hwnd_, ID_FILE_SAVE_CONFIGURATION);
  EXPECT_EQ(start_.Read("settings.ini"), paths + "Reading=classic\r\n");
  EXPECT_EQ(script_.prompts.Shown().back(),
            std::string(kThanks) + ": Input path: \"" + page + "\".\nOutput path: \"" + output +
                "\".\nClassic reading (the output of version 1.2).\n\nSaved successfully.");
  // The next start: the box checked from the file; cleared, the file as every earlier
  // version wrote it.
  CConverterDlg next;
  next.m_fnConvert = record;
  ASSERT_TRUE(next.Create());
  EXPECT_EQ(next.m_eReading, VELLUMINE_READING_CLASSIC);
  EXPECT_EQ(settings(next, true, IDOK), label + " checked");
  Command(next.m_hWnd, IDC_CONVERT);
  EXPECT_EQ(converted, (std::vector<std::string>{"classic", "default"}));
  EXPECT_EQ(start_.Read("settings.ini"), paths);
  // A file without the line, as earlier versions left it: the default reading.
  CConverterDlg earlier;
  ASSERT_TRUE(earlier.Create());
  EXPECT_EQ(earlier.m_eReading, VELLUMINE_READING_DEFAULT);
  EXPECT_EQ(settings(earlier, false, IDCANCEL), label + " clear");
}

// Help > Contents, WM_HELP and F1, with the application's help paths pointed into a
// temporary directory: the HTML guide without a help file, else the help file at its
// contents, then the guide when the help engine fails; a message when nothing opens.
struct HelpTest : MainWindowFixture {
  void SetUp() override {
    ASSERT_NE(app_, nullptr);
    app_->m_strHelpFilePath = start_.path() + "Vellumine.HLP";
    app_->m_strHtmlHelpPath = start_.path() + "Vellumine.html";
    MainWindowFixture::SetUp();
  }
  void TearDown() override {
    app_->m_strHelpFilePath = savedHelp_;
    app_->m_strHtmlHelpPath = savedHtml_;
  }
  // The launcher's calls for the help command by one of its routes (menu, WM_HELP, F1).
  std::vector<std::string> Help(int route) {
    MSG f1{GetDlgItem(hwnd_, IDC_INPUT_PATH), WM_KEYDOWN, VK_F1, 0, 0, {0, 0}};
    HELPINFO info{};
    info.cbSize = sizeof(info);
    script_.launcher.calls.clear();
    if (route == 0) Command(hwnd_, ID_HELP_CONTENTS);
    if (route == 1) SendMessageA(hwnd_, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    if (route == 2) { EXPECT_TRUE(dialog_.PreTranslateMessage(&f1)); }
    return script_.launcher.calls;
  }

  CWinApp* app_ = CWinApp::Current();
  std::string savedHelp_ = app_ ? app_->m_strHelpFilePath : "";
  std::string savedHtml_ = app_ ? app_->m_strHtmlHelpPath : "";
  const std::string guide_ = "open " + start_.path() + "Vellumine.html 1";  // SW_SHOWNORMAL
};

TEST_F(HelpTest, TheHelpFileOrTheHtmlGuideOpens) {
  for (int route : {0, 1, 2}) EXPECT_THAT(Help(route), ElementsAre(guide_)) << route;
  // Other keys go on to the window.
  MSG f2{GetDlgItem(hwnd_, IDC_INPUT_PATH), WM_KEYDOWN, VK_F2, 0, 0, {0, 0}};
  EXPECT_FALSE(dialog_.PreTranslateMessage(&f2));
  EXPECT_TRUE(script_.prompts.messages.empty());
  start_.Write("Vellumine.HLP", "help");
  const std::string help = "help " + start_.path() + "Vellumine.HLP";
  EXPECT_THAT(Help(0), ElementsAre(help));
  script_.launcher.helpResult = false;
  EXPECT_THAT(Help(1), ElementsAre(help, guide_));
  script_.launcher.openResult = SE_ERR_NOASSOC;
  EXPECT_THAT(Help(2), ElementsAre(help, guide_));
  EXPECT_EQ(script_.prompts.Shown(), std::vector<std::string>{"Vellumine: Failed to launch help."});
}

TEST(HelpFiles, TheGuideLiesBesideTheProgram) {
  for (const char* name : {"\\Vellumine.exe", "\\Vellumine.html"})
    EXPECT_NE(GetFileAttributesA((VELLUMINE_PROGRAM_DIR + std::string(name)).c_str()),
              INVALID_FILE_ATTRIBUTES) << name;
}

int CALLBACK CollectFace(const LOGFONTA* font, const TEXTMETRICA*, DWORD, LPARAM faces) {
  reinterpret_cast<std::multiset<std::string>*>(faces)->insert(font->lfFaceName);
  return 1;
}

// The face names the platform reports for one character set.
std::multiset<std::string> FontFaces(BYTE charset) {
  std::multiset<std::string> faces;
  LOGFONTA filter{};
  filter.lfCharSet = charset;
  HDC dc = GetDC(nullptr);
  EnumFontFamiliesExA(dc, &filter, &CollectFace, reinterpret_cast<LPARAM>(&faces), 0);
  ReleaseDC(nullptr, dc);
  return faces;
}

// Wine's own Marlett, a family without Cyrillic letters, added for this process while the test
// runs: the list must leave it out on any machine, even one whose fonts all have Cyrillic.
struct PrivateFont {
  const char* path;
  const bool added = AddFontResourceExA(path, FR_PRIVATE, nullptr) > 0;
  ~PrivateFont() {
    if (added) RemoveFontResourceExA(path, FR_PRIVATE, nullptr);
  }
};

TEST(SettingsDialog, ListsTheSizesAndTheCyrillicFontsWithArialAndTenPreselected) {
  PrivateFont marlett{"Z:\\usr\\share\\wine\\fonts\\marlett.ttf"};
  ASSERT_TRUE(marlett.added) << "Wine's marlett.ttf (package fonts-wine) cannot be loaded";
  CSettingsDlg dialog;
  ASSERT_TRUE(dialog.Create());
  HWND hwnd = dialog.m_hWnd;
  EXPECT_EQ(GetWindowTextOf(hwnd), "Program settings");
  const std::vector<std::string> sizes(std::begin(CSettingsDlg::kSizes),
                                       std::end(CSettingsDlg::kSizes));
  EXPECT_EQ(ComboItems(hwnd, IDC_FONT_SIZE), sizes);
  const auto ten = SendDlgItemMessageA(hwnd, IDC_FONT_SIZE, CB_GETCURSEL, 0, 0);
  EXPECT_TRUE(ten >= 0 && sizes.at(ten) == "10" && ControlText(hwnd, IDC_FONT_SIZE) == "10");
  // Exactly the fonts with Cyrillic letters: symbol fonts are left out.
  std::vector<std::string> listed = ComboItems(hwnd, IDC_FONT_NAME);
  std::multiset<std::string> cyrillic = FontFaces(RUSSIAN_CHARSET);
  ASSERT_FALSE(cyrillic.empty());
  EXPECT_EQ(std::multiset<std::string>(listed.begin(), listed.end()), cyrillic);
  EXPECT_TRUE(FontFaces(SYMBOL_CHARSET).count("Marlett") >= 1 && cyrillic.count("Marlett") == 0);
  // The list's own prefix search: from the second entry to the last, then round to the
  // first, so the first entry is chosen only when no later one starts with "Arial".
  auto isArial = [](const std::string& face) {
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, face.c_str(),
                          std::min(static_cast<int>(face.size()), 5), "arial", 5) == CSTR_EQUAL;
  };
  ASSERT_FALSE(listed.empty());
  auto arial = std::find_if(listed.begin() + 1, listed.end(), isArial);
  if (arial == listed.end() && isArial(listed.front())) arial = listed.begin();
  ASSERT_NE(arial, listed.end()) << "no Arial font with Cyrillic letters is installed";
  EXPECT_EQ(SendDlgItemMessageA(hwnd, IDC_FONT_NAME, CB_GETCURSEL, 0, 0), arial - listed.begin());
  EXPECT_EQ(ControlText(hwnd, IDC_FONT_NAME), *arial);
}

const std::string kUnable = "Unable to open hyperlink:\n\n";

struct LinkLabelTest : MainWindowFixture {
  // The text colour the label asks for when painted, and whether its background is clear.
  std::pair<COLORREF, bool> Colours(HWND label) {
    HDC dc = GetDC(label);
    auto brush = SendMessageA(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                              reinterpret_cast<LPARAM>(label));
    std::pair<COLORREF, bool> colours{
        GetTextColor(dc), GetBkMode(dc) == TRANSPARENT &&
                              brush == reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH))};
    ReleaseDC(label, dc);
    return colours;
  }
  void ClickLink() {
    SendMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(IDC_LINK_FIRST, STN_CLICKED),
                 reinterpret_cast<LPARAM>(link_));
  }

  HWND& link_ = dialog_.m_linkFirst.m_hWnd;
};

TEST_F(LinkLabelTest, ColourFollowsThePointerAndTheVisitedState) {
  const COLORREF normal = RGB(0, 0, 238);
  EXPECT_EQ(Colours(link_), std::pair(normal, true));
  EXPECT_FALSE(Colours(GetDlgItem(hwnd_, IDC_TOTAL_FILES)).second);  // other labels: as they were

  // The pointer enters: hover colour, and the label holds the capture to see it leave.
  SendMessageA(link_, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
  EXPECT_EQ(GetCapture(), link_);
  EXPECT_EQ(Colours(link_).first, GetSysColor(COLOR_HIGHLIGHT));
  SendMessageA(link_, WM_MOUSEMOVE, 0, MAKELPARAM(-5, -5));
  EXPECT_NE(GetCapture(), link_);
  EXPECT_EQ(Colours(link_).first, normal);

  // A click that opens the target makes it visited; a later one that fails clears it.
  ClickLink();
  EXPECT_EQ(script_.launcher.calls, std::vector<std::string>{"open " + kHome + " 5"});  // SW_SHOW
  EXPECT_TRUE(Colours(link_).first == RGB(85, 26, 139) && script_.prompts.messages.empty());
  script_.launcher.openResult = SE_ERR_NOASSOC;
  ClickLink();
  EXPECT_EQ(Colours(link_).first, normal);
  ASSERT_EQ(script_.prompts.messages.size(), 1u);
  EXPECT_EQ(script_.prompts.messages[0].caption, "Vellumine");
  EXPECT_EQ(script_.prompts.messages[0].type, static_cast<UINT>(MB_ICONEXCLAMATION | MB_OK));
}

TEST_F(LinkLabelTest, FailedShellOpenFallsBackToTheHtmProgram) {
  script_.launcher.openResult = SE_ERR_NOASSOC;
  script_.launcher.classesRoot[".htm"] = "webpage";
  script_.launcher.classesRoot["webpage\\shell\\open\\command"] =
      "\"C:\\Program Files\\Viewer\\viewer.exe\" -nohome \"%1\"";
  ClickLink();
  EXPECT_EQ(script_.launcher.calls.back(),
            "run \"C:\\Program Files\\Viewer\\viewer.exe\" -nohome  " + kHome);
  EXPECT_TRUE(dialog_.m_linkFirst.m_bVisited && script_.prompts.messages.empty());

  // The fallback program failing too: WinExec's code is the one reported.
  script_.launcher.runResult = ERROR_FILE_NOT_FOUND;
  ClickLink();
  EXPECT_FALSE(dialog_.m_linkFirst.m_bVisited);
  // No open command for the page kind: the shell's code is reported.
  script_.launcher.classesRoot.erase("webpage\\shell\\open\\command");
  script_.launcher.openResult = SE_ERR_ACCESSDENIED;
  ClickLink();
  EXPECT_EQ(script_.prompts.Shown(),
            (std::vector<std::string>{"Vellumine: " + kUnable + "The specified file was not found.",
                                      "Vellumine: " + kUnable + "The operating system denied\n"
                                                                "access to the specified file."}));
  EXPECT_EQ(script_.launcher.calls.back(), "open " + kHome + " 5");
}

TEST(OpenCommandLine, PlaceholderTargetAndErrorTexts) {
  const char* cases[][2] = {
      {"iexplore.exe -nohome", "iexplore.exe -nohome https://t/"},
      {"b.exe -url %1 -new", "b.exe -url  https://t/"},
      {"b.exe -a \"x\" %1 \"%1\"", "b.exe -a \"x\" %1  https://t/"},  // only "%1" in quotes
      {"", " https://t/"},
  };
  for (auto& c : cases) EXPECT_EQ(BuildOpenCommandLine(c[0], "https://t/"), c[1]) << c[0];
  // Each code the shell and WinExec give has a text of its own (2 and 5: above); any other is
  // reported by its number.
  ScopedScripts script;
  CHyperLink link;
  for (int code : {0, 3, 8, 11, 26, 27, 28, 29, 30, 31, 32, 4, -7}) link.ReportOpenError(code);
  std::set<std::string> texts;
  int unknown = 0;
  for (const MessageRecord& box : script.prompts.messages) {
    texts.insert(box.text);
    unknown += box.text.starts_with(kUnable + "Unknown Error (");
  }
  EXPECT_EQ(texts.size(), 13u);
  EXPECT_EQ(unknown, 2);
  EXPECT_TRUE(texts.count(kUnable + "Unknown Error (-7) occurred.")) << *texts.rbegin();
}

// A cursor's picture: its hot spot and its mask's bits (the hand is kept as a copy).
std::vector<unsigned char> CursorImage(HCURSOR cursor) {
  ICONINFO info{};
  if (!GetIconInfo(cursor, &info)) return {};
  BITMAP header{};
  GetObjectA(info.hbmMask, sizeof(header), &header);
  std::vector<unsigned char> image(static_cast<size_t>(header.bmWidthBytes * header.bmHeight));
  GetBitmapBits(info.hbmMask, static_cast<LONG>(image.size()), image.data());
  image.insert(image.end(), {static_cast<unsigned char>(info.xHotspot),
                             static_cast<unsigned char>(info.yHotspot)});
  DeleteObject(info.hbmMask);
  if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
  return image;
}

TEST_F(LinkLabelTest, UnderlinedToolTipAndHandCursor) {
  for (auto [link, target, text] :
       {std::tuple{&dialog_.m_linkFirst, kHomePageUrl, kHomePageText},
        {&dialog_.m_linkSecond, kUserGuideUrl, kUserGuideText}}) {
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(link->m_hWnd, WM_GETFONT, 0, 0)),
               sizeof(font), &font);
    EXPECT_TRUE(font.lfUnderline);
    EXPECT_EQ(link->m_strTarget + " " + GetWindowTextOf(link->m_hWnd),
              std::string(target) + " " + text);
    EXPECT_EQ(link->m_tip.GetToolText(*link, 1), target);
  }
  // Without cursor 106 in winhlp32.exe (current Windows has none) the link uses the
  // system's hand; the pointer over the label shows it.
  HCURSOR systemHand = LoadCursorA(nullptr, IDC_HAND);
  ASSERT_FALSE(CursorImage(systemHand).empty());
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  for (std::string module : {std::string("C:\\no\\such\\winhlp32.exe"), std::string(self)}) {
    CHyperLink link;
    link.LoadHandCursorFrom(module);
    EXPECT_EQ(CursorImage(link.m_hHandCursor), CursorImage(systemHand)) << module;
  }
  EXPECT_EQ(SendMessageA(link_, WM_SETCURSOR, reinterpret_cast<WPARAM>(link_),
                         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);
  EXPECT_NE(GetCursor(), nullptr);
  EXPECT_EQ(GetCursor(), dialog_.m_linkFirst.m_hHandCursor);
}

// The platform's registry read takes a default value of any length: the program that opens
// a link may have a long command line.
TEST(RegistryReadTest, DefaultValuesOfAnyLength) {
  Launcher* script = SetLauncher(nullptr);  // the platform's own
  const std::string subKey = "VellumineTest." + std::to_string(GetCurrentProcessId());
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr), ERROR_SUCCESS);
  for (size_t length : {size_t{0}, size_t{258}, size_t{259}, size_t{260}, size_t{1000}}) {
    std::string written = "\"C:\\Program Files\\Browser\\browser.exe\" ";
    while (written.size() < length) written += static_cast<char>('a' + written.size() % 26);
    written.resize(length);
    ASSERT_EQ(RegSetValueExA(key, nullptr, 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(written.c_str()),
                             static_cast<DWORD>(written.size() + 1)), ERROR_SUCCESS);
    std::string read = "unchanged";
    EXPECT_EQ(CurrentLauncher().ReadClassesRootValue(subKey, read), ERROR_SUCCESS);
    EXPECT_EQ(read, written) << length << " characters";
  }
  // A program's path in any script comes back in UTF-8.
  const std::wstring wide = L"\"C:\\Программы\\閲覧 😀.exe\" \"%1\"";
  ASSERT_EQ(RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                           static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  std::string read = "unchanged";
  EXPECT_EQ(CurrentLauncher().ReadClassesRootValue(subKey, read), ERROR_SUCCESS);
  EXPECT_EQ(read, "\"C:\\Программы\\閲覧 😀.exe\" \"%1\"");
  // A value that is no string reads as empty; a missing key gives the error of opening it.
  const DWORD number = 7;
  RegSetValueExA(key, nullptr, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  read = "unchanged";
  EXPECT_EQ(CurrentLauncher().ReadClassesRootValue(subKey, read), ERROR_SUCCESS);
  EXPECT_EQ(read, "");
  RegCloseKey(key);
  RegDeleteKeyA(HKEY_CLASSES_ROOT, subKey.c_str());
  EXPECT_EQ(CurrentLauncher().ReadClassesRootValue(subKey, read), ERROR_FILE_NOT_FOUND);
  SetLauncher(script);
}

// The platform's launcher starts a program of any name, as WinExec would: 33 once it runs,
// WinExec's error when it cannot.
TEST(PlatformLauncherTest, RunsAProgramOfAnyName) {
  Launcher* script = SetLauncher(nullptr);  // the platform's own
  TempDirectory dir;
  wchar_t self[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  const std::wstring program = WidePath(dir) + L"Программа 日本 😀.exe";
  ASSERT_TRUE(CopyFileW(self, program.c_str(), TRUE));
  // This test program again, running none of its tests and leaving its report.
  const std::string report = dir.path() + "report.xml";
  EXPECT_EQ(CurrentLauncher().RunCommandLine("\"" + dir.path() + "Программа 日本 😀.exe\" "
                                             "--gtest_filter=-* --gtest_output=xml:" + report,
                                             SW_HIDE),
            33u);
  EXPECT_EQ(CurrentLauncher().RunCommandLine("\"" + dir.path() + "Нет 日本.exe\"", SW_HIDE),
            static_cast<unsigned>(ERROR_FILE_NOT_FOUND));
  SetLauncher(script);
  // The copy can go once it has ended.
  for (int wait = 0; wait < 400 && !DeleteFileW(program.c_str()); ++wait) Sleep(50);
  EXPECT_NE(ReadBytes(report), "<missing>") << "the program did not run";
}

}  // namespace vellumine::testing
