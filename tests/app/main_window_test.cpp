// The main window and the settings dialog, made from their real templates and driven with
// window messages; Help > Contents (with the HTML guide when there is no help file or help
// engine) and Help > Update.
#include <gmock/gmock.h>

#include <algorithm>
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

TEST_F(MainWindowTest, FirstStartShowsTheCurrentDirectoryAndTheDefaults) {
  EXPECT_EQ(GetWindowTextOf(hwnd_), "Vellumine 1.2");
  EXPECT_EQ(ControlText(hwnd_, IDC_INPUT_PATH), start_.bare());
  EXPECT_EQ(ControlText(hwnd_, IDC_OUTPUT_PATH), start_.bare());
  EXPECT_TRUE(IsChecked(hwnd_, IDC_FORMAT_RTF) && !IsChecked(hwnd_, IDC_FORMAT_TXT));
  EXPECT_TRUE(IsEnabled(hwnd_, IDC_CONVERT_TABLES) && !IsChecked(hwnd_, IDC_CONVERT_TABLES));
  EXPECT_FALSE(IsChecked(hwnd_, IDC_CONVERT_ALL));
  std::vector<std::string> labels;
  for (const EncodingListEntry& entry : kEncodingList) labels.push_back(entry.label);
  EXPECT_EQ(ComboItems(hwnd_, IDC_ENCODING), labels);
  EXPECT_EQ(EncodingOfLabel(ControlText(hwnd_, IDC_ENCODING).c_str()), VELLUMINE_ENCODING_AUTO);
  EXPECT_EQ(ControlText(hwnd_, IDC_FILE_PERCENT) + ControlText(hwnd_, IDC_TOTAL_PERCENT), "00");
  EXPECT_EQ(dialog_.m_strFontName + " " + dialog_.m_strFontSize, "Arial 10");
  EXPECT_NE(dialog_.m_hIcon, nullptr);
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(hwnd_, WM_GETICON, ICON_BIG, 0)),
            dialog_.m_hIcon);
  EXPECT_EQ(start_.Read("settings.ini"), "<missing>");  // the first start writes nothing
}

TEST_F(MainWindowTest, PathsComeFromTheSettingsFile) {
  start_.Write("settings.ini", "[Default path]\r\nC:\\in\\page.htm\r\nD:\\out\\\r\n");
  CConverterDlg second;
  ASSERT_TRUE(second.Create());
  EXPECT_EQ(ControlText(second.m_hWnd, IDC_INPUT_PATH), "C:\\in\\page.htm");
  EXPECT_EQ(ControlText(second.m_hWnd, IDC_OUTPUT_PATH), "D:\\out\\");
}

TEST_F(MainWindowTest, FormatRadiosEnableConvertTablesAndKeepItsState) {
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
}

TEST_F(MainWindowTest, SaveConfigurationWritesTheFileAndReportsAFailedWrite) {
  SetDlgItemTextA(hwnd_, IDC_INPUT_PATH, "C:\\in\\a.htm");
  SetDlgItemTextA(hwnd_, IDC_OUTPUT_PATH, "D:\\out");
  // The file goes to the start-up directory, whatever the current directory is by then.
  TempDirectory elsewhere;
  CurrentDirectoryGuard moved(elsewhere.bare());
  Command(hwnd_, ID_FILE_SAVE_CONFIGURATION);
  EXPECT_EQ(start_.Read("settings.ini"), "[Default path]\r\nC:\\in\\a.htm\r\nD:\\out\r\n");
  EXPECT_EQ(elsewhere.Read("settings.ini"), "<missing>");
  const std::string missing = start_.path() + "no-such-directory";
  CopyPath(dialog_.m_szStartDir, missing);
  Command(hwnd_, ID_FILE_SAVE_CONFIGURATION);
  EXPECT_EQ(script_.prompts.Shown(),
            (std::vector<std::string>{std::string(kThanks) + ": Input path: \"C:\\in\\a.htm\".\n"
                                      "Output path: \"D:\\out\".\n\nSaved successfully.",
                                      "Error!: Can't write " + missing + "\\settings.ini file."}));
  const MessageRecord& saved = script_.prompts.messages.at(0);
  EXPECT_TRUE(saved.type == MB_OK && saved.owner == hwnd_);
}

TEST_F(MainWindowTest, BrowseForOutputCancelledShowsTheRememberedPathWithoutSeparator) {
  CopyPath(dialog_.m_szOutputPath, "D:\\out\\");
  SetDlgItemTextA(hwnd_, IDC_OUTPUT_PATH, "typed but not saved");
  Click(hwnd_, IDC_BROWSE_OUTPUT);
  EXPECT_EQ(script_.prompts.folderRequests,
            std::vector<std::string>{"Please, select output directory:|D:\\out"});
  EXPECT_EQ(ControlText(hwnd_, IDC_OUTPUT_PATH) + "|" + dialog_.m_szOutputPath, "D:\\out|D:\\out");
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

// The About box by the system menu and by Help > About, its web button opening the home
// page; Help > Update opens it too; failures to open it are not reported.
TEST_F(MainWindowTest, SystemMenuAndHelpMenuShowTheAboutBoxWithItsWebButton) {
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
}

TEST_F(MainWindowTest, SettingsCommandTakesTheDialogsTextsOnlyOnOk) {
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

// Help > Contents, WM_HELP and F1, with the application's help paths pointed into a
// temporary directory: the HTML guide without a help file, else the help file at its
// contents, then the guide when the help engine fails; a message when nothing opens.
class HelpTest : public MainWindowFixture {
 protected:
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

}  // namespace vellumine::testing
