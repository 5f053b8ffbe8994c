// The settings dialog from its real template: its lists, its preselection and its result.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "gui_helpers.h"
#include "gui_script.h"
#include "resource.h"
#include "settings_dlg.h"

namespace vellumine::testing {
namespace {

int CALLBACK CollectFace(const LOGFONTA* font, const TEXTMETRICA*, DWORD, LPARAM faces) {
  reinterpret_cast<std::vector<std::string>*>(faces)->push_back(font->lfFaceName);
  return 1;
}

// The face names the platform reports for one character set.
std::vector<std::string> FontFaces(BYTE charset) {
  std::vector<std::string> faces;
  LOGFONTA filter{};
  filter.lfCharSet = charset;
  HDC dc = GetDC(nullptr);
  EnumFontFamiliesExA(dc, &filter, &CollectFace, reinterpret_cast<LPARAM>(&faces), 0);
  ReleaseDC(nullptr, dc);
  return faces;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

TEST(SettingsDialog, ListsTheSizesInOrderAndPreselectsTen) {
  CSettingsDlg dialog;
  EXPECT_EQ(dialog.m_strFont, "");
  EXPECT_EQ(dialog.m_strSize, "");
  ASSERT_TRUE(dialog.Create());
  HWND hwnd = dialog.m_hWnd;
  EXPECT_EQ(GetWindowTextOf(hwnd), "Program settings");
  EXPECT_EQ(ComboItems(hwnd, IDC_FONT_SIZE),
            (std::vector<std::string>{"6", "7", "8", "9", "10", "11", "12", "13", "14", "16",
                                      "18", "20", "22", "24", "26", "28", "36", "48", "72"}));
  EXPECT_EQ(ControlText(hwnd, IDC_FONT_SIZE), "10");
  EXPECT_EQ(SendDlgItemMessageA(hwnd, IDC_FONT_SIZE, CB_GETCURSEL, 0, 0), 4);
}

TEST(SettingsDialog, OffersExactlyTheCyrillicFontsAndPreselectsArial) {
  CSettingsDlg dialog;
  ASSERT_TRUE(dialog.Create());
  HWND hwnd = dialog.m_hWnd;

  std::vector<std::string> listed = ComboItems(hwnd, IDC_FONT_NAME);
  std::vector<std::string> cyrillic = FontFaces(RUSSIAN_CHARSET);
  ASSERT_FALSE(cyrillic.empty());
  EXPECT_EQ(listed.size(), cyrillic.size());
  EXPECT_EQ(std::multiset<std::string>(listed.begin(), listed.end()),
            std::multiset<std::string>(cyrillic.begin(), cyrillic.end()));

  // Fonts without Cyrillic letters (symbol fonts) are left out.
  std::set<std::string> offered(listed.begin(), listed.end());
  int symbolFonts = 0;
  for (const std::string& face : FontFaces(SYMBOL_CHARSET)) {
    if (std::count(cyrillic.begin(), cyrillic.end(), face) != 0) continue;
    ++symbolFonts;
    EXPECT_EQ(offered.count(face), 0u) << face;
  }
  EXPECT_GT(symbolFonts, 0);

  // The selection is the first entry after the first that starts with "Arial".
  auto arial = std::find_if(listed.begin() + 1, listed.end(), [](const std::string& face) {
    return Lower(face).rfind("arial", 0) == 0;
  });
  if (arial == listed.end()) {
    arial = Lower(listed.front()).rfind("arial", 0) == 0 ? listed.begin() : listed.end();
  }
  ASSERT_NE(arial, listed.end()) << "no Arial font with Cyrillic letters is installed";
  EXPECT_EQ(ControlText(hwnd, IDC_FONT_NAME), *arial);
}

TEST(SettingsDialog, OkTakesTheTypedTextsAndCancelTakesNothing) {
  for (int button : {IDOK, IDCANCEL}) {
    CSettingsDlg dialog;
    ASSERT_TRUE(dialog.Create());
    SetDlgItemTextA(dialog.m_hWnd, IDC_FONT_NAME, "No Such Face");
    SetDlgItemTextA(dialog.m_hWnd, IDC_FONT_SIZE, "");
    SendMessageA(dialog.m_hWnd, WM_COMMAND, static_cast<WPARAM>(button), 0);
    EXPECT_EQ(dialog.GetResult(), button);
    if (button == IDOK) {
      EXPECT_EQ(dialog.m_strFont, "No Such Face");
      EXPECT_EQ(dialog.m_strSize, "");
    } else {
      EXPECT_EQ(dialog.m_strFont, "");
    }
  }
}

TEST(SettingsDialog, RunsModallyAndReturnsTheButton) {
  CSettingsDlg dialog;
  WindowWatcher watcher("Program settings", [](HWND settings) {
    SetDlgItemTextA(settings, IDC_FONT_SIZE, "14");
    SendMessageA(settings, WM_COMMAND, IDOK, 0);
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_TRUE(watcher.fired());
  EXPECT_EQ(dialog.m_strSize, "14");
  EXPECT_EQ(dialog.m_hWnd, nullptr);
}

}  // namespace
}  // namespace vellumine::testing
