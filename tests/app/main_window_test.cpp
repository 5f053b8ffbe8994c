// The main window, made from its real template and driven with window messages.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "converter_dlg.h"
#include "gui_helpers.h"
#include "gui_script.h"
#include "link_targets.h"
#include "resource.h"

namespace vellumine::testing {
namespace {

constexpr const char* kThanks = "Thank you for using Vellumine!";

// The main window, created modelessly in a temporary start-up directory.
class MainWindowTest : public ::testing::Test {
 protected:
  void Open() {
    ASSERT_TRUE(dialog_.Create());
    ShowWindow(dialog_.m_hWnd, SW_SHOW);
    hwnd_ = dialog_.m_hWnd;
  }

  TempDirectory start_;
  CurrentDirectoryGuard cwd_{start_.path()};
  ScopedScripts script_;
  CConverterDlg dialog_;
  HWND hwnd_ = nullptr;
};

TEST_F(MainWindowTest, FirstStartShowsTheCurrentDirectoryAndTheDefaults) {
  Open();
  EXPECT_EQ(GetWindowTextOf(hwnd_), "Vellumine 1.2");
  EXPECT_EQ(ControlText(hwnd_, IDC_INPUT_PATH), start_.path());
  EXPECT_EQ(ControlText(hwnd_, IDC_OUTPUT_PATH), start_.path());
  EXPECT_STREQ(dialog_.m_szInputPath, start_.path().c_str());
  EXPECT_STREQ(dialog_.m_szOutputPath, start_.path().c_str());
  EXPECT_STREQ(dialog_.m_szStartDir, start_.path().c_str());

  EXPECT_TRUE(IsChecked(hwnd_, IDC_FORMAT_RTF));
  EXPECT_FALSE(IsChecked(hwnd_, IDC_FORMAT_TXT));
  EXPECT_TRUE(IsEnabled(hwnd_, IDC_CONVERT_TABLES));
  EXPECT_FALSE(IsChecked(hwnd_, IDC_CONVERT_TABLES));
  EXPECT_FALSE(IsChecked(hwnd_, IDC_CONVERT_ALL));
  EXPECT_EQ(dialog_.m_nFormat, 0);

  EXPECT_EQ(ComboItems(hwnd_, IDC_ENCODING),
            (std::vector<std::string>{"Auto-Select", "(Windows-1251) Cyrillic",
                                      "(KOI8-R) Cyrillic", "(ISO-8859-1) Latin1",
                                      "(ISO-8859-5) Cyrillic"}));
  EXPECT_EQ(ControlText(hwnd_, IDC_ENCODING), "Auto-Select");
  EXPECT_EQ(ControlText(hwnd_, IDC_FILE_PERCENT), "0");
  EXPECT_EQ(ControlText(hwnd_, IDC_TOTAL_PERCENT), "0");
  EXPECT_EQ(ControlText(hwnd_, IDC_CURRENT_FILE), "");
  EXPECT_EQ(ControlText(hwnd_, IDC_TOTAL_FILES), "");

  EXPECT_EQ(dialog_.m_strFontName, "Arial");
  EXPECT_EQ(dialog_.m_strFontSize, "10");
  EXPECT_NE(dialog_.m_hIcon, nullptr);
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(hwnd_, WM_GETICON, ICON_BIG, 0)),
            dialog_.m_hIcon);
  EXPECT_NE(GetMenu(hwnd_), nullptr);
  // The first start writes nothing.
  EXPECT_EQ(start_.Read("settings.ini"), "<missing>");
}

TEST_F(MainWindowTest, StartShowsThePathsOfTheSettingsFile) {
  start_.Write("settings.ini", "[Default path]\r\nC:\\in\\page.htm\r\nD:\\out\\\r\n");
  Open();
  EXPECT_EQ(ControlText(hwnd_, IDC_INPUT_PATH), "C:\\in\\page.htm");
  EXPECT_EQ(ControlText(hwnd_, IDC_OUTPUT_PATH), "D:\\out\\");
  EXPECT_STREQ(dialog_.m_szInputPath, "C:\\in\\page.htm");
}

TEST_F(MainWindowTest, AnUnusableSettingsFileFallsBackToTheCurrentDirectory) {
  start_.Write("settings.ini", "[Default path]\r\nC:\\in\\page.htm\r\n");
  Open();
  EXPECT_EQ(ControlText(hwnd_, IDC_INPUT_PATH), start_.path());
  EXPECT_EQ(ControlText(hwnd_, IDC_OUTPUT_PATH), start_.path());
  EXPECT_TRUE(script_.prompts.messages.empty());
}

TEST_F(MainWindowTest, FormatRadiosEnableConvertTablesAndKeepItsState) {
  Open();
  Click(hwnd_, IDC_CONVERT_TABLES);
  ASSERT_TRUE(IsChecked(hwnd_, IDC_CONVERT_TABLES));

  Click(hwnd_, IDC_FORMAT_TXT);
  EXPECT_TRUE(IsChecked(hwnd_, IDC_FORMAT_TXT));
  EXPECT_FALSE(IsChecked(hwnd_, IDC_FORMAT_RTF));
  EXPECT_FALSE(IsEnabled(hwnd_, IDC_CONVERT_TABLES));
  EXPECT_TRUE(IsChecked(hwnd_, IDC_CONVERT_TABLES));

  Click(hwnd_, IDC_FORMAT_RTF);
  EXPECT_TRUE(IsChecked(hwnd_, IDC_FORMAT_RTF));
  EXPECT_TRUE(IsEnabled(hwnd_, IDC_CONVERT_TABLES));
  EXPECT_TRUE(IsChecked(hwnd_, IDC_CONVERT_TABLES));

  // Unchecked stays unchecked across the same round.
  Click(hwnd_, IDC_CONVERT_TABLES);
  Click(hwnd_, IDC_FORMAT_TXT);
  Click(hwnd_, IDC_FORMAT_RTF);
  EXPECT_FALSE(IsChecked(hwnd_, IDC_CONVERT_TABLES));

  // The data exchange reads the group as an index.
  Click(hwnd_, IDC_FORMAT_TXT);
  ASSERT_TRUE(dialog_.UpdateData(true));
  EXPECT_EQ(dialog_.m_nFormat, 1);
  CheckDlgButton(hwnd_, IDC_FORMAT_TXT, BST_UNCHECKED);
  ASSERT_TRUE(dialog_.UpdateData(true));
  EXPECT_EQ(dialog_.m_nFormat, -1);
}

TEST_F(MainWindowTest, SaveConfigurationWritesTheFileAndShowsWhatItSaved) {
  Open();
  SetDlgItemTextA(hwnd_, IDC_INPUT_PATH, "C:\\in\\a.htm");
  SetDlgItemTextA(hwnd_, IDC_OUTPUT_PATH, "D:\\out");
  Command(hwnd_, ID_FILE_SAVE_CONFIGURATION);

  EXPECT_EQ(start_.Read("settings.ini"), "[Default path]\r\nC:\\in\\a.htm\r\nD:\\out\r\n");
  ASSERT_EQ(script_.prompts.messages.size(), 1u);
  const MessageRecord& box = script_.prompts.messages[0];
  EXPECT_EQ(box.text,
            "Input path: \"C:\\in\\a.htm\".\nOutput path: \"D:\\out\".\n\nSaved successfully.");
  EXPECT_EQ(box.caption, kThanks);
  EXPECT_EQ(box.type, static_cast<UINT>(MB_OK));
  EXPECT_EQ(box.owner, hwnd_);
  EXPECT_STREQ(dialog_.m_szInputPath, "C:\\in\\a.htm");
  EXPECT_STREQ(dialog_.m_szOutputPath, "D:\\out");

  // A later save goes to the same file, whatever the current directory is by then.
  TempDirectory elsewhere;
  CurrentDirectoryGuard moved(elsewhere.path());
  SetDlgItemTextA(hwnd_, IDC_INPUT_PATH, "C:\\second.htm");
  Command(hwnd_, ID_FILE_SAVE_CONFIGURATION);
  EXPECT_EQ(start_.Read("settings.ini"), "[Default path]\r\nC:\\second.htm\r\nD:\\out\r\n");
  EXPECT_EQ(elsewhere.Read("settings.ini"), "<missing>");
}

TEST_F(MainWindowTest, SaveConfigurationReportsAFailedWrite) {
  Open();
  const std::string missing = start_ / "no-such-directory";
  CopyPath(dialog_.m_szStartDir, missing);
  Command(hwnd_, ID_FILE_SAVE_CONFIGURATION);

  ASSERT_EQ(script_.prompts.messages.size(), 1u);
  EXPECT_EQ(script_.prompts.messages[0].text,
            "Can't write " + missing + "\\settings.ini file.");
  EXPECT_EQ(script_.prompts.messages[0].caption, "Error!");
  EXPECT_EQ(script_.prompts.messages[0].owner, hwnd_);
}

TEST_F(MainWindowTest, BrowseForOutputCancelledShowsTheRememberedPathWithoutSeparator) {
  Open();
  CopyPath(dialog_.m_szOutputPath, "D:\\out\\");
  SetDlgItemTextA(hwnd_, IDC_OUTPUT_PATH, "typed but not saved");
  Click(hwnd_, IDC_BROWSE_OUTPUT);

  ASSERT_EQ(script_.prompts.folderRequests.size(), 1u);
  const FolderRequest& request = script_.prompts.folderRequests[0];
  EXPECT_EQ(request.owner, nullptr);
  EXPECT_EQ(request.title, "Please, select output directory:");
  EXPECT_EQ(request.initialPath, "D:\\out");
  EXPECT_EQ(ControlText(hwnd_, IDC_OUTPUT_PATH), "D:\\out");
  EXPECT_STREQ(dialog_.m_szOutputPath, "D:\\out");

  script_.prompts.folderAnswer = "E:\\chosen";
  Click(hwnd_, IDC_BROWSE_OUTPUT);
  EXPECT_EQ(ControlText(hwnd_, IDC_OUTPUT_PATH), "E:\\chosen");
  EXPECT_STREQ(dialog_.m_szOutputPath, "E:\\chosen");
}

TEST_F(MainWindowTest, BrowseForInputStartsFromTheRememberedPath) {
  Open();
  // A directory: no initial file name.
  Click(hwnd_, IDC_BROWSE_INPUT);
  ASSERT_EQ(script_.prompts.openFileRequests.size(), 1u);
  const OpenFileRequest& first = script_.prompts.openFileRequests[0];
  EXPECT_EQ(first.initialFile, "");
  EXPECT_EQ(first.owner, hwnd_);
  EXPECT_EQ(first.filter,
            "*.asp; *.htm; *.html; *.shtml; *.phtml|*.asp*; *.htm; *.html; *.shtml; "
            "*.phtml|All Files (*.*)|*.*||");
  EXPECT_EQ(first.defaultExtension, "*.htm");
  EXPECT_EQ(first.templateId, static_cast<UINT>(IDD_OPEN_EXTENSION));
  EXPECT_EQ(ControlText(hwnd_, IDC_INPUT_PATH), start_.path());

  // Confirmed: the chosen file is remembered and shown.
  script_.prompts.openFileAnswer = "C:\\pages\\index.html";
  Click(hwnd_, IDC_BROWSE_INPUT);
  EXPECT_EQ(ControlText(hwnd_, IDC_INPUT_PATH), "C:\\pages\\index.html");

  // Typing a path does not move where the dialog starts; a file path is its initial name.
  SetDlgItemTextA(hwnd_, IDC_INPUT_PATH, "C:\\typed.htm");
  script_.prompts.openFileAnswer.reset();
  Click(hwnd_, IDC_BROWSE_INPUT);
  ASSERT_EQ(script_.prompts.openFileRequests.size(), 3u);
  EXPECT_EQ(script_.prompts.openFileRequests[2].initialFile, "C:\\pages\\index.html");
  EXPECT_EQ(ControlText(hwnd_, IDC_INPUT_PATH), "C:\\typed.htm");
}

TEST_F(MainWindowTest, TotalBarTakesRangesBeyondSixteenBits) {
  Open();
  ConvertView& view = dialog_;
  view.SetTotalRange(70000);
  view.SetTotalPosition(69999);
  EXPECT_EQ(ProgressHigh(hwnd_, IDC_TOTAL_PROGRESS), 70000);
  EXPECT_EQ(ProgressPosition(hwnd_, IDC_TOTAL_PROGRESS), 69999);
  EXPECT_EQ(dialog_.m_nTotal, 70000);
}

// Three qualifying pages, one of them empty, and a file that is not a page.
TEST_F(MainWindowTest, ConvertAllReportsTheFailedFileAndTheTotal) {
  TempDirectory pages;
  pages.Write("alpha.htm", "<html><body><p>Alpha</p></body></html>");
  pages.Write("empty.htm", "");
  pages.Write("gamma.html", "<h1>Gamma</h1><p>Text</p>");
  pages.Write("notes.txt", "not a page");
  const std::string output = start_ / "out";

  Open();
  SetDlgItemTextA(hwnd_, IDC_INPUT_PATH, pages.path().c_str());
  SetDlgItemTextA(hwnd_, IDC_OUTPUT_PATH, output.c_str());
  Click(hwnd_, IDC_CONVERT_ALL);

  struct Display {
    std::string total, current, totalPercent;
    int totalPosition, totalHigh;
  };
  std::vector<Display> seen;
  script_.prompts.answers = {IDYES, IDOK, IDOK};
  script_.prompts.onMessage = [&](const MessageRecord&) {
    seen.push_back({ControlText(hwnd_, IDC_TOTAL_FILES), ControlText(hwnd_, IDC_CURRENT_FILE),
                    ControlText(hwnd_, IDC_TOTAL_PERCENT),
                    ProgressPosition(hwnd_, IDC_TOTAL_PROGRESS),
                    ProgressHigh(hwnd_, IDC_TOTAL_PROGRESS)});
  };
  Click(hwnd_, IDC_CONVERT);

  const auto& boxes = script_.prompts.messages;
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].text, "The directory " + output + "\\ does not exist\nCreate?");
  EXPECT_EQ(boxes[0].caption, "Error!");
  EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_YESNO));
  EXPECT_EQ(boxes[1].text, (pages / "empty.htm") + " file has zero length.");
  EXPECT_EQ(boxes[1].caption, "Error!");
  EXPECT_EQ(boxes[1].type, static_cast<UINT>(MB_OK));
  EXPECT_EQ(seen[1].current, "empty.htm");
  EXPECT_EQ(boxes[2].text, "Conversion completed. 2 files converted successfully.");
  EXPECT_EQ(boxes[2].caption, kThanks);
  for (const MessageRecord& box : boxes) EXPECT_EQ(box.owner, hwnd_);

  // While the final box is up.
  EXPECT_EQ(seen[2].total, "2 of 3 files converted successfully.");
  EXPECT_EQ(seen[2].totalHigh, 3);
  EXPECT_EQ(seen[2].totalPosition, 3);
  EXPECT_EQ(seen[2].totalPercent, "66");

  // After it.
  EXPECT_EQ(ControlText(hwnd_, IDC_TOTAL_FILES), "");
  EXPECT_EQ(ControlText(hwnd_, IDC_CURRENT_FILE), "");
  EXPECT_EQ(ControlText(hwnd_, IDC_TOTAL_PERCENT), "0");
  EXPECT_EQ(ControlText(hwnd_, IDC_FILE_PERCENT), "0");
  EXPECT_EQ(ProgressPosition(hwnd_, IDC_TOTAL_PROGRESS), 0);
  EXPECT_EQ(ProgressPosition(hwnd_, IDC_FILE_PROGRESS), 0);

  EXPECT_EQ(dialog_.m_nConverted, 2);
  EXPECT_STREQ(dialog_.m_szOutputPath, (output + "\\").c_str());
  EXPECT_EQ(start_.Read("settings.ini"),
            "[Default path]\r\n" + pages.path() + "\r\n" + output + "\r\n");
  for (const char* name : {"alpha.rtf", "gamma.rtf"}) {
    std::FILE* file = std::fopen((output + "\\" + name).c_str(), "rb");
    ASSERT_NE(file, nullptr) << name;
    char head[7] = {};
    EXPECT_EQ(std::fread(head, 1, 6, file), 6u);
    std::fclose(file);
    EXPECT_STREQ(head, "{\\rtf1") << name;
  }
}

TEST_F(MainWindowTest, SystemMenuAndHelpMenuShowTheSameAboutBox) {
  Open();
  HMENU system = GetSystemMenu(hwnd_, FALSE);
  ASSERT_NE(system, nullptr);
  int count = GetMenuItemCount(system);
  ASSERT_GE(count, 2);
  char text[64] = {};
  GetMenuStringA(system, IDM_ABOUTBOX, text, sizeof(text), MF_BYCOMMAND);
  EXPECT_STREQ(text, "&About Vellumine...");
  EXPECT_EQ(GetMenuItemID(system, count - 1), static_cast<UINT>(IDM_ABOUTBOX));
  MENUITEMINFOA separator{};
  separator.cbSize = sizeof(separator);
  separator.fMask = MIIM_FTYPE;
  GetMenuItemInfoA(system, static_cast<UINT>(count - 2), TRUE, &separator);
  EXPECT_NE(separator.fType & MFT_SEPARATOR, 0u);

  for (int route = 0; route < 2; ++route) {
    std::vector<std::string> seen;
    HWND owner = nullptr;
    bool ownerDisabled = false;
    WindowWatcher about("About Vellumine", [&](HWND box) {
      seen = {ControlText(box, IDC_WEB_ADDRESS), ControlText(box, IDOK)};
      owner = GetWindow(box, GW_OWNER);
      ownerDisabled = !IsWindowEnabled(hwnd_);
      SendMessageA(box, WM_COMMAND, IDOK, 0);
    });
    if (route == 0) {
      SendMessageA(hwnd_, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    } else {
      Command(hwnd_, ID_HELP_ABOUT);
    }
    EXPECT_TRUE(about.fired()) << "route " << route;
    EXPECT_EQ(seen, (std::vector<std::string>{"vellumine.example", "OK"}));
    EXPECT_EQ(owner, hwnd_);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(hwnd_));
  }
}

TEST_F(MainWindowTest, SettingsCommandTakesTheDialogsTextsOnlyOnOk) {
  Open();
  std::vector<std::string> opened;
  auto answer = [&](const char* font, const char* size, int button) {
    return [&, font, size, button](HWND settings) {
      opened.push_back(ControlText(settings, IDC_FONT_NAME) + "/" +
                       ControlText(settings, IDC_FONT_SIZE));
      SetDlgItemTextA(settings, IDC_FONT_NAME, font);
      SetDlgItemTextA(settings, IDC_FONT_SIZE, size);
      SendMessageA(settings, WM_COMMAND, static_cast<WPARAM>(button), 0);
    };
  };
  {
    WindowWatcher watcher("Program settings", answer("Typed Face", "11.5", IDOK));
    Command(hwnd_, ID_SETTINGS);
    ASSERT_TRUE(watcher.fired());
  }
  EXPECT_EQ(dialog_.m_strFontName, "Typed Face");
  EXPECT_EQ(dialog_.m_strFontSize, "11.5");
  {
    WindowWatcher watcher("Program settings", answer("Other", "72", IDCANCEL));
    Command(hwnd_, ID_SETTINGS);
    ASSERT_TRUE(watcher.fired());
  }
  EXPECT_EQ(dialog_.m_strFontName, "Typed Face");
  EXPECT_EQ(dialog_.m_strFontSize, "11.5");
  // The dialog always opens on the defaults, not on the values in use.
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[1].substr(opened[1].find('/')), "/10");
  EXPECT_EQ(opened[0], opened[1]);
}

// Quit (and Escape) is the Cancel command; Enter without a default button is OK. Both
// close the window.
TEST_F(MainWindowTest, QuitButtonAndEnterCloseTheWindow) {
  for (int command : {IDCANCEL, IDOK}) {
    CConverterDlg dialog;
    ASSERT_TRUE(dialog.Create());
    if (command == IDCANCEL) {
      Click(dialog.m_hWnd, IDCANCEL);
    } else {
      SendMessageA(dialog.m_hWnd, WM_COMMAND, IDOK, 0);
    }
    EXPECT_EQ(dialog.GetResult(), command);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
  }
}

}  // namespace
}  // namespace vellumine::testing
