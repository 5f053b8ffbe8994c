// The main window and the settings dialog, made from their real templates and driven with
// window messages: the first start, the format buttons, settings.ini, the output browser,
// conversions and their display, names of any script and length, dropped files, the
// options handed to the converter (the classic reading from the dialog to the options and
// settings.ini); the About box, Help > Contents (with the HTML guide when there is no help
// file or help engine) and Help > Update; the link labels: colours under the pointer,
// opening the target, the fallback program, the error texts, the tool tip and the hand cursor.
#include <gmock/gmock.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <tuple>

#include "framework/win_app.h"
#include "gui_helpers.h"
#include "settings_dlg.h"

#ifndef VELLUMINE_PROGRAM_DIR
#error "VELLUMINE_PROGRAM_DIR names the directory of Vellumine.exe"
#endif

namespace vellumine::testing {

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::IsEmpty;
using Texts = std::vector<std::string>;

const std::string kThanks = "Thank you for using Vellumine!: ";
const std::string kHome = "https://vellumine.example/";

using MainWindowTest = MainWindowFixture;

// The format buttons and the two boxes that are checked, and whether the tables box is
// enabled: "rtf tables / enabled".
std::string Buttons(HWND window) {
  std::string checked;
  for (auto [id, name] : {std::pair{IDC_FORMAT_RTF, "rtf "}, {IDC_FORMAT_TXT, "txt "},
                          {IDC_CONVERT_TABLES, "tables "}, {IDC_CONVERT_ALL, "all "}})
    checked += IsChecked(window, id) ? name : "";
  const bool enabled = IsWindowEnabled(GetDlgItem(window, IDC_CONVERT_TABLES));
  return checked + (enabled ? "/ enabled" : "/ disabled");
}

TEST_F(MainWindowTest, FirstStartShowsTheDefaultsAndWritesNothing) {
  EXPECT_EQ(GetWindowTextOf(hwnd_), "Vellumine 1.3");
  EXPECT_EQ(Buttons(hwnd_), "rtf / enabled");
  EXPECT_EQ(ComboItems(hwnd_, IDC_ENCODING),
            (Texts{"Auto-Select", "(Windows-1251) Cyrillic", "(KOI8-R) Cyrillic",
                   "(ISO-8859-1) Latin1", "(ISO-8859-5) Cyrillic", "(UTF-8) Unicode"}));
  EXPECT_EQ(ControlText(hwnd_, IDC_ENCODING), "Auto-Select");
  EXPECT_EQ(ControlText(hwnd_, IDC_FILE_PERCENT), "0");
  EXPECT_EQ(ControlText(hwnd_, IDC_TOTAL_PERCENT), "0");
  EXPECT_EQ(dialog_.m_strFontName + " " + dialog_.m_strFontSize, "Arial 10");
  EXPECT_NE(dialog_.m_hIcon, nullptr);
  const auto icon = reinterpret_cast<HICON>(SendMessageA(hwnd_, WM_GETICON, ICON_BIG, 0));
  EXPECT_EQ(icon, dialog_.m_hIcon);
  EXPECT_EQ(start_.Read("settings.ini"), "<missing>");
}

// "*.txt" disables the tables box and keeps its state; "*.rtf" enables it again.
TEST_F(MainWindowTest, TextFormatDisablesTheTablesBoxAndKeepsItsState) {
  for (bool checked : {true, false}) {
    if (IsChecked(hwnd_, IDC_CONVERT_TABLES) != checked) Click(hwnd_, IDC_CONVERT_TABLES);
    Click(hwnd_, IDC_FORMAT_TXT);
    EXPECT_EQ(Buttons(hwnd_), checked ? "txt tables / disabled" : "txt / disabled");
    ASSERT_TRUE(dialog_.UpdateData(true));
    EXPECT_EQ(dialog_.m_nFormat, 1);
    Click(hwnd_, IDC_FORMAT_RTF);
    EXPECT_EQ(Buttons(hwnd_), checked ? "rtf tables / enabled" : "rtf / enabled");
  }
}

// File > Save configuration writes both paths, and the classic reading after them when it is
// chosen, into the start-up directory, whatever the current directory is by then, and says so
// in a box of the window; the next start takes the reading from there; an error box when the
// file cannot be written.
TEST_F(MainWindowTest, SaveConfigurationWritesIntoTheStartDirectory) {
  SetDlgItemTextA(hwnd_, IDC_INPUT_PATH, "C:\\in\\a.htm");
  SetDlgItemTextA(hwnd_, IDC_OUTPUT_PATH, "D:\\out");
  const std::string paths = "[Default path]\r\nC:\\in\\a.htm\r\nD:\\out\r\n",
                    said = kThanks + "Input path: \"C:\\in\\a.htm\".\nOutput path: \"D:\\out\".\n";
  TempDirectory elsewhere;
  {
    CurrentDirectoryGuard moved(elsewhere.bare());
    Command(hwnd_, ID_FILE_SAVE_CONFIGURATION);
    EXPECT_EQ(start_.Read("settings.ini"), paths);
    ClassicBox(hwnd_, true, IDOK);
    Command(hwnd_, ID_FILE_SAVE_CONFIGURATION);
  }
  EXPECT_EQ(start_.Read("settings.ini"), paths + "Reading=classic\r\n");
  EXPECT_EQ(elsewhere.Read("settings.ini"), "<missing>");
  CConverterDlg next;
  ASSERT_TRUE(next.Create());
  EXPECT_EQ(next.m_eReading, VELLUMINE_READING_CLASSIC);
  dialog_.m_strStartDir = start_.path() + "gone";
  Command(hwnd_, ID_FILE_SAVE_CONFIGURATION);
  EXPECT_EQ(script_.prompts.Shown(),
            (Texts{said + "\nSaved successfully.",
                   said + "Classic reading (the output of version 1.2).\n\nSaved successfully.",
                   "Error!: Can't write " + start_.path() + "gone\\settings.ini file."}));
  EXPECT_EQ(script_.prompts.messages.at(0).type, UINT{MB_OK});
  EXPECT_EQ(script_.prompts.messages.at(0).owner, hwnd_);
}

// The folder browser starts at the remembered output path without its separator, whatever
// is typed; Cancel shows that path, a choice replaces it.
TEST_F(MainWindowTest, BrowseOutputStartsAtTheRememberedPath) {
  dialog_.m_strOutputPath = "D:\\out\\";
  SetDlgItemTextA(hwnd_, IDC_OUTPUT_PATH, "typed but not saved");
  Click(hwnd_, IDC_BROWSE_OUTPUT);
  EXPECT_EQ(script_.prompts.folderRequests, Texts{"Please, select output directory:|D:\\out"});
  EXPECT_EQ(ControlText(hwnd_, IDC_OUTPUT_PATH), "D:\\out");
  EXPECT_EQ(dialog_.m_strOutputPath, "D:\\out");
  script_.prompts.folderAnswer = "E:\\chosen";
  Click(hwnd_, IDC_BROWSE_OUTPUT);
  EXPECT_EQ(ControlText(hwnd_, IDC_OUTPUT_PATH), "E:\\chosen");
}

// Three qualifying pages, one of them empty, and a file that is not a page, into an output
// directory created on request: a box for the failed file and one with the total, the
// labels and the total bar while each is up, the display cleared after.
TEST_F(MainWindowTest, ConvertAllReportsTheFailedFileAndTheTotal) {
  TempDirectory pages;
  pages.Make({{"alpha.htm", "<p>Alpha"}, {"empty.htm", ""}, {"gamma.html", "<h1>Gamma"},
              {"notes.txt", "not a page"}});
  const std::string output = start_.path() + "out";
  SetDlgItemTextA(hwnd_, IDC_INPUT_PATH, pages.bare().c_str());
  SetDlgItemTextA(hwnd_, IDC_OUTPUT_PATH, output.c_str());
  Click(hwnd_, IDC_CONVERT_ALL);
  Texts seen;  // the current file, the total, its percent and the total bar's position/range
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
            (Texts{"Error!: The directory " + output + "\\ does not exist\nCreate?",
                   "Error!: " + pages.path() + "empty.htm file has zero length.",
                   kThanks + "Conversion completed. 2 files converted successfully."}));
  EXPECT_EQ(script_.prompts.messages.at(0).type, UINT{MB_YESNO});
  for (const MessageRecord& box : script_.prompts.messages) EXPECT_EQ(box.owner, hwnd_);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[1].substr(0, 10), "empty.htm|");
  EXPECT_EQ(seen[2].substr(seen[2].find('|')), "|2 of 3 files converted successfully.|66|3/3");
  EXPECT_EQ(ControlText(hwnd_, IDC_TOTAL_FILES) + "|" + ControlText(hwnd_, IDC_CURRENT_FILE), "|");
  EXPECT_EQ(ControlText(hwnd_, IDC_TOTAL_PERCENT) + "|" + ControlText(hwnd_, IDC_FILE_PERCENT),
            "0|0");
  EXPECT_EQ(ProgressValue(hwnd_, IDC_TOTAL_PROGRESS, PBM_GETPOS), 0);
  EXPECT_EQ(ProgressValue(hwnd_, IDC_FILE_PROGRESS, PBM_GETPOS), 0);
  EXPECT_EQ(start_.Read("out\\gamma.rtf").substr(0, 6), "{\\rtf1");
}

TEST_F(MainWindowTest, TotalBarCountsBeyondSixteenBits) {
  static_cast<ConvertView&>(dialog_).BatchStarted({70000, true});
  FileReport report;
  report.converted = 69999;
  static_cast<ConvertView&>(dialog_).FileFinished(report);
  EXPECT_EQ(ProgressValue(hwnd_, IDC_TOTAL_PROGRESS, PBM_GETRANGE), 70000);
  EXPECT_EQ(ProgressValue(hwnd_, IDC_TOTAL_PROGRESS, PBM_GETPOS), 69999);
}

// Convert remembers the typed paths, with the classic reading when it is chosen, before
// anything else: also when the command then stops, here at an output directory the user
// does not create.
TEST_F(MainWindowTest, ConvertWritesTheSettingsFileEvenWhenTheCommandStops) {
  dialog_.m_fnConvert = Recorder();
  TypePage(start_.path() + "missing");
  ClassicBox(hwnd_, true, IDOK);
  Click(hwnd_, IDC_CONVERT);  // answered No
  EXPECT_EQ(script_.prompts.Shown(),
            Texts{"Error!: The directory " + start_.path() + "missing\\ does not exist\nCreate?"});
  EXPECT_THAT(inputs_, IsEmpty());
  EXPECT_EQ(start_.Read("settings.ini"), "[Default path]\r\n" + start_.path() + "page.htm\r\n" +
                                             start_.path() + "missing\r\nReading=classic\r\n");
}

// A path beyond the old limit of 259 characters, in four scripts, with an emoji (beyond the
// Basic Multilingual Plane: two UTF-16 units) and a Latin letter that Cyrillic code pages
// lack, is typed (as the keyboard leaves it in Input), handed to the converter in UTF-8,
// converted into an RTF of the page's name, shown in the current-file label meanwhile,
// remembered and shown whole. The window and its boxes are Unicode windows: no text passes
// through the ANSI code page.
TEST_F(MainWindowTest, PathsOfAnyScriptBeyondTheOldLimitAreKeptWhole) {
  for (HWND window :
       {hwnd_, GetDlgItem(hwnd_, IDC_INPUT_PATH), GetDlgItem(hwnd_, IDC_CURRENT_FILE)})
    EXPECT_TRUE(IsWindowUnicode(window));
  TempDirectory pages, output;
  // Names of 60 characters (Linux, below Wine, takes 255 bytes of UTF-8 for one name).
  std::wstring folder = L"Длинный каталог 日本語";
  while (folder.size() < 60) folder += L" ещё";
  std::wstring path = WidePath(pages);
  for (int level = 0; level < 5; ++level) {
    path += folder + L"\\";
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + path).c_str(), nullptr));
  }
  path += L"страница Ελληνικά 中文 😀 café.html";
  ASSERT_GT(path.size(), 300u);
  std::ofstream(std::filesystem::path(L"\\\\?\\" + path), std::ios::binary) << "<p>page";
  SetDlgItemTextW(hwnd_, IDC_INPUT_PATH, path.c_str());
  SetDlgItemTextW(hwnd_, IDC_OUTPUT_PATH, WidePath(output).c_str());
  dialog_.m_fnConvert = Recorder(true);
  Click(hwnd_, IDC_CONVERT);
  EXPECT_EQ(inputs_, Texts{Utf8Of(path)});
  EXPECT_EQ(labels_, std::vector<std::wstring>{path});
  EXPECT_EQ(script_.prompts.Shown(),
            Texts{kThanks + "Conversion completed. 1 file converted successfully."});
  EXPECT_EQ(output.Read("страница Ελληνικά 中文 😀 café.rtf").substr(0, 6), "{\\rtf1");
  EXPECT_EQ(WideControlText(hwnd_, IDC_INPUT_PATH), path);
  CConverterDlg next;
  ASSERT_TRUE(next.Create());
  EXPECT_EQ(WideControlText(next.m_hWnd, IDC_INPUT_PATH), path);
}

// Files and folders dropped on the window, by SendMessage and by a posted message: the first
// item becomes the input; a folder checks "Convert all files in this directory", a file
// clears it. Nothing is converted, saved or shown until Convert is pressed, which then takes
// what the drop left.
TEST_F(MainWindowTest, DroppedFileOrFolderBecomesTheInput) {
  EXPECT_NE(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
  TempDirectory dropped, output;
  const std::wstring folder = WidePath(dropped) + L"Папка 日本語",
                     page = WidePath(dropped) + L"😀 café.html";
  dropped.Make({{"Папка 日本語/Ελληνικά.htm", "<p>inner"}, {"😀 café.html", "<p>page"}});
  SetDlgItemTextW(hwnd_, IDC_OUTPUT_PATH, WidePath(output).c_str());
  dialog_.m_fnConvert = Recorder();
  // The items, the box checked before, posted (else sent); Input and the box after.
  const std::tuple<std::vector<std::wstring>, bool, bool, std::wstring, bool> drops[] = {
      {{page}, true, false, page, false},     {{page}, false, true, page, false},
      {{folder}, false, false, folder, true}, {{folder}, true, true, folder, true},
      {{folder, page}, false, false, folder, true}, {{page, folder}, true, true, page, false}};
  for (const auto& [items, checkedBefore, posted, input, checked] : drops) {
    SCOPED_TRACE(::testing::PrintToString(items) + (posted ? " posted" : " sent"));
    SetDlgItemTextW(hwnd_, IDC_INPUT_PATH, L"typed before");
    CheckDlgButton(hwnd_, IDC_CONVERT_ALL, checkedBefore ? BST_CHECKED : BST_UNCHECKED);
    HDROP memory = MakeDrop(items);
    ASSERT_NE(memory, nullptr);
    if (posted) {
      ASSERT_TRUE(PostMessageW(hwnd_, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0));
      for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&msg);
    } else {
      SendMessageW(hwnd_, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
    }
    EXPECT_EQ(WideControlText(hwnd_, IDC_INPUT_PATH), input);
    EXPECT_EQ(IsChecked(hwnd_, IDC_CONVERT_ALL), checked);
  }
  EXPECT_THAT(inputs_, IsEmpty());
  EXPECT_THAT(script_.prompts.Shown(), IsEmpty());
  EXPECT_TRUE(std::filesystem::is_empty(output.root_));
  EXPECT_EQ(start_.Read("settings.ini"), "<missing>");
  // The last drop left the file and a clear box; then a folder.
  Click(hwnd_, IDC_CONVERT);
  SendMessageW(hwnd_, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({folder})), 0);
  Click(hwnd_, IDC_CONVERT);
  EXPECT_EQ(inputs_, (Texts{dropped.path() + "😀 café.html",
                            dropped.path() + "Папка 日本語\\Ελληνικά.htm"}));
}

// A start-up directory of any name: the first start shows it in both boxes, File > Save
// configuration writes settings.ini there with paths in any script, and the next start
// shows them as they were typed.
TEST(MainWindowSettings, PathsOfAnyScriptRememberedInAStartDirectoryOfAnyName) {
  TempDirectory top;
  const std::wstring start = WidePath(top) + L"Старт 日本 😀";
  ASSERT_TRUE(CreateDirectoryW(start.c_str(), nullptr));
  CurrentDirectoryGuard cwd(top.path() + "Старт 日本 😀");
  ScopedScripts script;
  CConverterDlg first;
  ASSERT_TRUE(first.Create());
  EXPECT_EQ(WideControlText(first.m_hWnd, IDC_INPUT_PATH), start);
  EXPECT_EQ(WideControlText(first.m_hWnd, IDC_OUTPUT_PATH), start);
  SetDlgItemTextW(first.m_hWnd, IDC_INPUT_PATH, L"C:\\Ελληνικά\\中文.html");
  SetDlgItemTextW(first.m_hWnd, IDC_OUTPUT_PATH, L"D:\\Привет\\café 😀");
  Command(first.m_hWnd, ID_FILE_SAVE_CONFIGURATION);
  CConverterDlg next;
  ASSERT_TRUE(next.Create());
  EXPECT_EQ(WideControlText(next.m_hWnd, IDC_INPUT_PATH), L"C:\\Ελληνικά\\中文.html");
  EXPECT_EQ(WideControlText(next.m_hWnd, IDC_OUTPUT_PATH), L"D:\\Привет\\café 😀");
  EXPECT_EQ(next.m_strInputPath, "C:\\Ελληνικά\\中文.html");
}

// The item chosen in the Encoding list is the encoding the converter gets.
TEST_F(MainWindowTest, ChosenEncodingReachesTheConverter) {
  dialog_.m_fnConvert = Recorder();
  TypePage(start_.bare());
  for (int item : {4, 1, 5, 0, 2, 3}) {
    SendDlgItemMessageW(hwnd_, IDC_ENCODING, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    Click(hwnd_, IDC_CONVERT);
  }
  std::vector<int> encodings;
  for (const vellumine_options& options : options_) encodings.push_back(options.encoding);
  EXPECT_EQ(encodings, (std::vector<int>{VELLUMINE_ENCODING_ISO_8859_5,
                                         VELLUMINE_ENCODING_WINDOWS_1251, VELLUMINE_ENCODING_UTF_8,
                                         VELLUMINE_ENCODING_AUTO, VELLUMINE_ENCODING_KOI8_R,
                                         VELLUMINE_ENCODING_ISO_8859_1}));
}

// The font typed into the settings dialog reaches the converter in the ANSI code page, as
// earlier versions handed it over (the RTF header holds the name's bytes as they are).
TEST_F(MainWindowTest, FontNameReachesTheConverterInTheAnsiCodePage) {
  dialog_.m_fnConvert = Recorder();
  TypePage(start_.bare());
  Texts handed;  // what each case of this code page hands over
  for (auto [codePage, typed, bytes] :  // the code page of the case (0: any)
       {std::tuple{0u, L"Arial", "Arial"}, {1252u, L"Café Sans", "Caf\xE9 Sans"},
        {1251u, L"Шрифт", "\xD8\xF0\xE8\xF4\xF2"}}) {
    if (codePage != 0 && codePage != GetACP()) continue;
    Settings(hwnd_, [&](HWND settings) {
      SetDlgItemTextW(settings, IDC_FONT_NAME, typed);
      Command(settings, IDOK);
    });
    Click(hwnd_, IDC_CONVERT);
    handed.push_back(bytes);
  }
  EXPECT_EQ(fonts_, handed);
  EXPECT_EQ(handed.size(), 2u) << "the ANSI code page " << GetACP() << " has no case of its own";
}

// ctest runs these tests in a Western and in a Cyrillic ANSI code page (which Wine takes from
// the locale); each run checks that it got the one it asked for.
TEST(CodePage, IsTheOneTheRunAskedFor) {
  const char* wanted = std::getenv("VELLUMINE_GUI_CODE_PAGE");
  if (wanted == nullptr) GTEST_SKIP() << "VELLUMINE_GUI_CODE_PAGE names none";
  EXPECT_EQ(std::to_string(GetACP()), wanted);
}

// The About box by the system menu and by Help > About, modal and owned by the window: its
// web button opens the home page, as Help > Update does; a failure to open it is not
// reported.
TEST_F(MainWindowTest, AboutBoxOpensTheHomePage) {
  HMENU system = GetSystemMenu(hwnd_, FALSE);
  char text[64] = {};
  GetMenuStringA(system, IDM_ABOUTBOX, text, sizeof(text), MF_BYCOMMAND);
  EXPECT_STREQ(text, "&About Vellumine...");
  EXPECT_EQ(GetMenuItemID(system, GetMenuItemCount(system) - 1), UINT{IDM_ABOUTBOX});
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
    SendMessageA(hwnd_, message, message == WM_SYSCOMMAND ? IDM_ABOUTBOX : ID_HELP_ABOUT, 0);
    EXPECT_EQ(seen, "vellumine.example modal owned") << message;
    EXPECT_TRUE(IsWindowEnabled(hwnd_)) << message;
  }
  Command(hwnd_, ID_HELP_UPDATE);
  EXPECT_EQ(script_.launcher.calls, Texts(3, "open " + kHome + " 1"));
  EXPECT_THAT(script_.prompts.Shown(), IsEmpty());
}

// The settings dialog opens on the default size, not on the one in use; OK takes the font
// and size typed, Cancel keeps those in use.
TEST_F(MainWindowTest, SettingsDialogOkTakesTheFontAndCancelKeepsIt) {
  Texts opened;
  for (auto [font, size, button] :
       {std::tuple{"Typed Face", "11.5", IDOK}, {"Other", "72", IDCANCEL}}) {
    Settings(hwnd_, [&](HWND settings) {
      opened.push_back(ControlText(settings, IDC_FONT_SIZE));
      SetDlgItemTextA(settings, IDC_FONT_NAME, font);
      SetDlgItemTextA(settings, IDC_FONT_SIZE, size);
      Command(settings, button);
    });
    EXPECT_EQ(dialog_.m_strFontName + " " + dialog_.m_strFontSize, "Typed Face 11.5");
  }
  EXPECT_EQ(opened, (Texts{"10", "10"}));
}

const std::string kClassicBox = "&Classic reading (the output of version 1.2)";

// "Classic reading" in the settings dialog: the dialog opens on the reading in use, OK takes
// the box's state and Cancel keeps the reading in use; Convert hands the reading over.
TEST_F(MainWindowTest, ClassicReadingBoxChoosesTheReadingConverted) {
  dialog_.m_fnConvert = Recorder();
  TypePage(start_.bare());
  EXPECT_EQ(ClassicBox(hwnd_, true, IDOK), kClassicBox + " clear");
  EXPECT_EQ(ClassicBox(hwnd_, true, IDCANCEL), kClassicBox + " checked");
  Click(hwnd_, IDC_CONVERT);
  EXPECT_EQ(ClassicBox(hwnd_, true, IDOK), kClassicBox + " checked");
  Click(hwnd_, IDC_CONVERT);
  ASSERT_EQ(options_.size(), 2u);
  EXPECT_EQ(options_[0].reading, VELLUMINE_READING_CLASSIC);
  EXPECT_EQ(options_[1].reading, VELLUMINE_READING_DEFAULT);
}

// "Embed pictures" in the settings dialog: checked at first, the dialog opens on the choice
// in use, Convert hands it over and remembers alt text in settings.ini, the next start takes
// it from there.
TEST_F(MainWindowTest, EmbedPicturesBoxChoosesThePicturesConverted) {
  const std::string box = "&Embed pictures (PNG and JPEG in the page's folder)";
  dialog_.m_fnConvert = Recorder();
  TypePage(start_.bare());
  Click(hwnd_, IDC_CONVERT);
  EXPECT_EQ(SettingsBox(hwnd_, IDC_EMBED_PICTURES, true, IDOK), box + " checked");
  EXPECT_EQ(SettingsBox(hwnd_, IDC_EMBED_PICTURES, true, IDCANCEL), box + " clear");
  Click(hwnd_, IDC_CONVERT);
  ASSERT_EQ(options_.size(), 2u);
  EXPECT_EQ(options_[0].images, VELLUMINE_IMAGES_EMBED);
  EXPECT_EQ(options_[1].images, VELLUMINE_IMAGES_ALT);
  EXPECT_THAT(start_.Read("settings.ini"), EndsWith("\r\nImages=alt\r\n"));
  CConverterDlg next;
  ASSERT_TRUE(next.Create());
  EXPECT_EQ(next.m_eImages, VELLUMINE_IMAGES_ALT);
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
  Texts Help(int route) {
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
  EXPECT_THAT(script_.prompts.Shown(), IsEmpty());
  start_.Write("Vellumine.HLP", "help");
  const std::string help = "help " + start_.path() + "Vellumine.HLP";
  EXPECT_THAT(Help(0), ElementsAre(help));
  script_.launcher.helpResult = false;
  EXPECT_THAT(Help(1), ElementsAre(help, guide_));
  script_.launcher.openResult = SE_ERR_NOASSOC;
  EXPECT_THAT(Help(2), ElementsAre(help, guide_));
  EXPECT_EQ(script_.prompts.Shown(), Texts{"Vellumine: Failed to launch help."});
}

TEST(HelpFiles, TheGuideLiesBesideTheProgram) {
  for (const char* name : {"\\Vellumine.exe", "\\Vellumine.html"})
    EXPECT_NE(GetFileAttributesA((VELLUMINE_PROGRAM_DIR + std::string(name)).c_str()),
              INVALID_FILE_ATTRIBUTES) << name;
}

TEST(SettingsDialog, OffersTheSizesWithTenChosen) {
  CSettingsDlg dialog;
  ASSERT_TRUE(dialog.Create());
  EXPECT_EQ(ComboItems(dialog.m_hWnd, IDC_FONT_SIZE),
            (Texts{"6", "7", "8", "9", "10", "11", "12", "13", "14", "16", "18", "20", "22",
                   "24", "26", "28", "36", "48", "72"}));
  EXPECT_EQ(SendDlgItemMessageA(dialog.m_hWnd, IDC_FONT_SIZE, CB_GETCURSEL, 0, 0), 4);
  EXPECT_EQ(ControlText(dialog.m_hWnd, IDC_FONT_SIZE), "10");
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

// Exactly the fonts with Cyrillic letters, symbol fonts left out: Wine's own Marlett, a
// family without them, is added for this process while the test runs, so that the list must
// leave it out on any machine, even one whose fonts all have Cyrillic. The list's own prefix
// search chooses Arial: from the second entry to the last, then round to the first, so the
// first entry is chosen only when no later one starts with "Arial".
TEST(SettingsDialog, OffersTheCyrillicFontsWithArialChosen) {
  const char* marlett = "Z:\\usr\\share\\wine\\fonts\\marlett.ttf";
  ASSERT_GT(AddFontResourceExA(marlett, FR_PRIVATE, nullptr), 0)
      << "Wine's marlett.ttf (package fonts-wine) cannot be loaded";
  CSettingsDlg dialog;
  ASSERT_TRUE(dialog.Create());
  const Texts listed = ComboItems(dialog.m_hWnd, IDC_FONT_NAME);
  const std::multiset<std::string> cyrillic = FontFaces(RUSSIAN_CHARSET);
  ASSERT_GE(FontFaces(SYMBOL_CHARSET).count("Marlett"), 1u);
  ASSERT_EQ(cyrillic.count("Marlett"), 0u);
  EXPECT_EQ(std::multiset<std::string>(listed.begin(), listed.end()), cyrillic);
  RemoveFontResourceExA(marlett, FR_PRIVATE, nullptr);
  auto isArial = [](const std::string& face) {
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, face.c_str(),
                          std::min(static_cast<int>(face.size()), 5), "arial", 5) == CSTR_EQUAL;
  };
  ASSERT_FALSE(listed.empty());
  auto arial = std::find_if(listed.begin() + 1, listed.end(), isArial);
  if (arial == listed.end() && isArial(listed.front())) arial = listed.begin();
  ASSERT_NE(arial, listed.end()) << "no Arial font with Cyrillic letters is installed";
  EXPECT_EQ(SendDlgItemMessageA(dialog.m_hWnd, IDC_FONT_NAME, CB_GETCURSEL, 0, 0),
            arial - listed.begin());
  EXPECT_EQ(ControlText(dialog.m_hWnd, IDC_FONT_NAME), *arial);
}

const std::string kUnable = "Vellumine: Unable to open hyperlink:\n\n";

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
  EXPECT_EQ(script_.launcher.calls, Texts{"open " + kHome + " 5"});  // SW_SHOW
  EXPECT_EQ(Colours(link_).first, RGB(85, 26, 139));
  EXPECT_THAT(script_.prompts.Shown(), IsEmpty());
  script_.launcher.openResult = SE_ERR_NOASSOC;
  ClickLink();
  EXPECT_EQ(Colours(link_).first, normal);
  ASSERT_EQ(script_.prompts.messages.size(), 1u);
  EXPECT_EQ(script_.prompts.messages[0].caption, "Vellumine");
  EXPECT_EQ(script_.prompts.messages[0].type, UINT{MB_ICONEXCLAMATION | MB_OK});
}

// When the shell cannot open the page, the program that opens ".htm" files is run with it;
// when that fails too, WinExec's code is the one reported; without an open command for the
// page kind, the shell's.
TEST_F(LinkLabelTest, FailedShellOpenFallsBackToTheHtmProgram) {
  script_.launcher.openResult = SE_ERR_NOASSOC;
  script_.launcher.classesRoot[".htm"] = "webpage";
  script_.launcher.classesRoot["webpage\\shell\\open\\command"] =
      "\"C:\\Program Files\\Viewer\\viewer.exe\" -nohome \"%1\"";
  ClickLink();
  EXPECT_EQ(script_.launcher.calls.back(),
            "run \"C:\\Program Files\\Viewer\\viewer.exe\" -nohome  " + kHome);
  EXPECT_TRUE(dialog_.m_linkFirst.m_bVisited);
  EXPECT_THAT(script_.prompts.Shown(), IsEmpty());
  script_.launcher.runResult = ERROR_FILE_NOT_FOUND;
  ClickLink();
  EXPECT_FALSE(dialog_.m_linkFirst.m_bVisited);
  script_.launcher.classesRoot.erase("webpage\\shell\\open\\command");
  script_.launcher.openResult = SE_ERR_ACCESSDENIED;
  ClickLink();
  EXPECT_EQ(script_.prompts.Shown(),
            (Texts{kUnable + "The specified file was not found.",
                   kUnable + "The operating system denied\naccess to the specified file."}));
  EXPECT_EQ(script_.launcher.calls.back(), "open " + kHome + " 5");
}

// The open command's "%1" outside quotes gives way to the target, which goes at the end.
TEST(OpenCommandLine, TargetAppendedInPlaceOfThePlaceholder) {
  for (auto [command, expected] :
       {std::pair{"iexplore.exe -nohome", "iexplore.exe -nohome https://t/"},
        {"b.exe -url %1 -new", "b.exe -url  https://t/"},
        {"b.exe -a \"x\" %1 \"%1\"", "b.exe -a \"x\" %1  https://t/"}, {"", " https://t/"}})
    EXPECT_EQ(BuildOpenCommandLine(command, "https://t/"), expected) << command;
}

// Each code the shell and WinExec give has a text of its own (2 and 5: above); any other is
// reported by its number.
TEST(OpenCommandLine, EachErrorCodeHasItsOwnText) {
  ScopedScripts script;
  CHyperLink link;
  for (int code : {0, 3, 8, 11, 26, 27, 28, 29, 30, 31, 32, 4, -7}) link.ReportOpenError(code);
  const Texts shown = script.prompts.Shown();
  EXPECT_EQ(std::set<std::string>(shown.begin(), shown.end()).size(), 13u);
  EXPECT_EQ(std::count_if(shown.begin(), shown.end(), [](const std::string& text) {
              return text.starts_with(kUnable + "Unknown Error (");
            }), 2);
  EXPECT_EQ(shown.back(), kUnable + "Unknown Error (-7) occurred.");
}

TEST_F(LinkLabelTest, UnderlinedWithItsTargetAsToolTip) {
  for (auto [link, target, text] :
       {std::tuple{&dialog_.m_linkFirst, kHome, "Vellumine home page"},
        {&dialog_.m_linkSecond, kHome + "guide/", "Online user guide"}}) {
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(link->m_hWnd, WM_GETFONT, 0, 0)),
               sizeof(font), &font);
    EXPECT_TRUE(font.lfUnderline) << text;
    EXPECT_EQ(GetWindowTextOf(link->m_hWnd), text);
    EXPECT_EQ(link->m_strTarget, target);
    EXPECT_EQ(link->m_tip.GetToolText(*link, 1), target);
  }
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

// Without cursor 106 in winhlp32.exe (current Windows has none) the link uses the system's
// hand; the pointer over the label shows it.
TEST_F(LinkLabelTest, PointerOverTheLabelIsTheHand) {
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

// The platform's registry read takes a default value of any length (the program that opens
// a link may have a long command line) and in any script; a value that is no string reads as
// empty, a missing key gives the error of opening it.
TEST(RegistryReadTest, DefaultValuesOfAnyLengthAndScript) {
  Launcher* script = SetLauncher(nullptr);  // the platform's own
  const std::string subKey = "VellumineTest." + std::to_string(GetCurrentProcessId());
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr), ERROR_SUCCESS);
  auto read = [&] {  // "error|value"
    std::string value = "unchanged";
    return std::to_string(CurrentLauncher().ReadClassesRootValue(subKey, value)) + "|" + value;
  };
  for (size_t length : {size_t{0}, size_t{258}, size_t{259}, size_t{260}, size_t{1000}}) {
    std::string written = "\"C:\\Program Files\\Browser\\browser.exe\" ";
    while (written.size() < length) written += static_cast<char>('a' + written.size() % 26);
    written.resize(length);
    ASSERT_EQ(RegSetValueExA(key, nullptr, 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(written.c_str()),
                             static_cast<DWORD>(written.size() + 1)), ERROR_SUCCESS);
    EXPECT_EQ(read(), "0|" + written) << length << " characters";
  }
  const std::wstring wide = L"\"C:\\Программы\\閲覧 😀.exe\" \"%1\"";
  ASSERT_EQ(RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                           static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  EXPECT_EQ(read(), "0|\"C:\\Программы\\閲覧 😀.exe\" \"%1\"");
  const DWORD number = 7;
  RegSetValueExA(key, nullptr, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  EXPECT_EQ(read(), "0|");
  RegCloseKey(key);
  RegDeleteKeyA(HKEY_CLASSES_ROOT, subKey.c_str());
  EXPECT_EQ(read().substr(0, 2), "2|");  // ERROR_FILE_NOT_FOUND
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
