// The main window, made from its real template and driven with window messages.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "converter_dlg.h"
#include "gui_helpers.h"
#include "gui_script.h"
#include "link_targets.h"
#include "resource.h"

namespace vellumine::testing {
namespace {

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
  EXPECT_EQ(ComboItems(hwnd_, IDC_ENCODING),
            (std::vector<std::string>{"Auto-Select", "(Windows-1251) Cyrillic",
                                      "(KOI8-R) Cyrillic", "(ISO-8859-1) Latin1",
                                      "(ISO-8859-5) Cyrillic", "(UTF-8) Unicode"}));
  EXPECT_EQ(ControlText(hwnd_, IDC_ENCODING), "Auto-Select");
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
    EXPECT_EQ(IsChecked(hwnd_, IDC_CONVERT_TABLES), checked);
    ASSERT_TRUE(dialog_.UpdateData(true));
    EXPECT_EQ(dialog_.m_nFormat, 1);
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
  const auto& boxes = script_.prompts.messages;
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text,
            "Input path: \"C:\\in\\a.htm\".\nOutput path: \"D:\\out\".\n\nSaved successfully.");
  EXPECT_EQ(boxes[0].caption, kThanks);
  EXPECT_TRUE(boxes[0].type == static_cast<UINT>(MB_OK) && boxes[0].owner == hwnd_);
  EXPECT_EQ(boxes[1].text, "Can't write " + missing + "\\settings.ini file.");
  EXPECT_EQ(boxes[1].caption, "Error!");
}

TEST_F(MainWindowTest, BrowseForOutputCancelledShowsTheRememberedPathWithoutSeparator) {
  CopyPath(dialog_.m_szOutputPath, "D:\\out\\");
  SetDlgItemTextA(hwnd_, IDC_OUTPUT_PATH, "typed but not saved");
  Click(hwnd_, IDC_BROWSE_OUTPUT);
  EXPECT_EQ(script_.prompts.folderRequests,
            std::vector<std::string>{"Please, select output directory:|D:\\out"});
  EXPECT_EQ(ControlText(hwnd_, IDC_OUTPUT_PATH), "D:\\out");
  EXPECT_STREQ(dialog_.m_szOutputPath, "D:\\out");

  script_.prompts.folderAnswer = "E:\\chosen";
  Click(hwnd_, IDC_BROWSE_OUTPUT);
  EXPECT_EQ(ControlText(hwnd_, IDC_OUTPUT_PATH), "E:\\chosen");
}

TEST_F(MainWindowTest, TotalBarTakesRangesBeyondSixteenBits) {
  ConvertView& view = dialog_;
  view.BatchStarted({70000, true});
  FileReport report;
  report.converted = 69999;
  view.FileFinished(report);
  EXPECT_EQ(ProgressValue(hwnd_, IDC_TOTAL_PROGRESS, PBM_GETRANGE), 70000);
  EXPECT_EQ(ProgressValue(hwnd_, IDC_TOTAL_PROGRESS, PBM_GETPOS), 69999);
}

// Three qualifying pages, one of them empty, and a file that is not a page.
TEST_F(MainWindowTest, ConvertAllReportsTheFailedFileAndTheTotal) {
  TempDirectory pages;
  pages.Write("alpha.htm", "<p>Alpha</p>");
  pages.Write("empty.htm", "");
  pages.Write("gamma.html", "<h1>Gamma</h1>");
  pages.Write("notes.txt", "not a page");
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

  const auto& boxes = script_.prompts.messages;
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].text, "The directory " + output + "\\ does not exist\nCreate?");
  EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_YESNO));
  EXPECT_EQ(boxes[1].caption + " " + boxes[1].text,
            "Error! " + pages.path() + "empty.htm file has zero length.");
  EXPECT_EQ(boxes[2].caption + " " + boxes[2].text,
            std::string(kThanks) + " Conversion completed. 2 files converted successfully.");
  for (const MessageRecord& box : boxes) EXPECT_EQ(box.owner, hwnd_);
  EXPECT_EQ(seen[1].substr(0, 10), "empty.htm|");
  EXPECT_EQ(seen[2].substr(seen[2].find('|')), "|2 of 3 files converted successfully.|66|3/3");

  // After the final box.
  EXPECT_EQ(ControlText(hwnd_, IDC_TOTAL_FILES) + ControlText(hwnd_, IDC_CURRENT_FILE), "");
  EXPECT_EQ(ControlText(hwnd_, IDC_TOTAL_PERCENT) + ControlText(hwnd_, IDC_FILE_PERCENT), "00");
  EXPECT_EQ(ProgressValue(hwnd_, IDC_TOTAL_PROGRESS, PBM_GETPOS) +
                ProgressValue(hwnd_, IDC_FILE_PROGRESS, PBM_GETPOS), 0);
  EXPECT_EQ(start_.Read("out\\gamma.rtf").substr(0, 6), "{\\rtf1");
}

TEST_F(MainWindowTest, SystemMenuAndHelpMenuShowTheAboutBoxWithItsWebButton) {
  HMENU system = GetSystemMenu(hwnd_, FALSE);
  char text[64] = {};
  GetMenuStringA(system, IDM_ABOUTBOX, text, sizeof(text), MF_BYCOMMAND);
  EXPECT_STREQ(text, "&About Vellumine...");
  EXPECT_EQ(GetMenuItemID(system, GetMenuItemCount(system) - 1), static_cast<UINT>(IDM_ABOUTBOX));

  script_.launcher.openResult = SE_ERR_NOASSOC;  // failures are not reported
  for (UINT message : {WM_SYSCOMMAND, WM_COMMAND}) {
    std::string seen;
    WindowWatcher about("About Vellumine", [&](HWND box) {
      seen = ControlText(box, IDC_WEB_ADDRESS) + (IsWindowEnabled(hwnd_) ? "" : " modal");
      seen += GetWindow(box, GW_OWNER) == hwnd_ ? " owned" : "";
      SendMessageA(box, WM_COMMAND, MAKEWPARAM(IDC_WEB_ADDRESS, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(box, IDC_WEB_ADDRESS)));
      Command(box, IDOK);
    });
    script_.launcher.calls.clear();
    SendMessageA(hwnd_, message, message == WM_SYSCOMMAND ? IDM_ABOUTBOX : ID_HELP_ABOUT, 0);
    EXPECT_TRUE(about.fired()) << message;
    EXPECT_EQ(seen, "vellumine.example modal owned");
    EXPECT_TRUE(IsWindowEnabled(hwnd_));
    EXPECT_EQ(script_.launcher.calls, std::vector<std::string>{"open " + kHome + " 1"});
  }
  EXPECT_TRUE(script_.prompts.messages.empty());
}

TEST_F(MainWindowTest, SettingsCommandTakesTheDialogsTextsOnlyOnOk) {
  std::vector<std::string> opened;  // the size each time the dialog opens
  for (auto [font, size, button] : {std::tuple{"Typed Face", "11.5", IDOK},
                                    std::tuple{"Other", "72", IDCANCEL}}) {
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

}  // namespace
}  // namespace vellumine::testing
