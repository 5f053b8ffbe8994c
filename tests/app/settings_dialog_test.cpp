// The settings dialog from its real template: its lists and its preselection.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "gui_helpers.h"
#include "resource.h"
#include "settings_dlg.h"

namespace vellumine::testing {
namespace {

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
class PrivateFont {
 public:
  explicit PrivateFont(const char* path) : path_(path) {
    added_ = AddFontResourceExA(path_, FR_PRIVATE, nullptr) > 0;
  }
  ~PrivateFont() {
    if (added_) RemoveFontResourceExA(path_, FR_PRIVATE, nullptr);
  }
  PrivateFont(const PrivateFont&) = delete;
  PrivateFont& operator=(const PrivateFont&) = delete;
  bool added() const { return added_; }

 private:
  const char* path_;
  bool added_ = false;
};

TEST(SettingsDialog, ListsTheSizesAndTheCyrillicFontsWithArialAndTenPreselected) {
  PrivateFont marlett("Z:\\usr\\share\\wine\\fonts\\marlett.ttf");
  ASSERT_TRUE(marlett.added()) << "Wine's marlett.ttf (package fonts-wine) cannot be loaded";
  CSettingsDlg dialog;
  ASSERT_TRUE(dialog.Create());
  HWND hwnd = dialog.m_hWnd;
  EXPECT_EQ(GetWindowTextOf(hwnd), "Program settings");
  EXPECT_EQ(ComboItems(hwnd, IDC_FONT_SIZE),
            (std::vector<std::string>{"6", "7", "8", "9", "10", "11", "12", "13", "14", "16",
                                      "18", "20", "22", "24", "26", "28", "36", "48", "72"}));
  EXPECT_EQ(ControlText(hwnd, IDC_FONT_SIZE), "10");
  EXPECT_EQ(SendDlgItemMessageA(hwnd, IDC_FONT_SIZE, CB_GETCURSEL, 0, 0), 4);

  // Exactly the fonts with Cyrillic letters: symbol fonts are left out.
  std::vector<std::string> listed = ComboItems(hwnd, IDC_FONT_NAME);
  std::multiset<std::string> cyrillic = FontFaces(RUSSIAN_CHARSET);
  ASSERT_FALSE(cyrillic.empty());
  EXPECT_EQ(std::multiset<std::string>(listed.begin(), listed.end()), cyrillic);
  EXPECT_GE(FontFaces(SYMBOL_CHARSET).count("Marlett"), 1u);
  EXPECT_EQ(cyrillic.count("Marlett"), 0u);

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

}  // namespace
}  // namespace vellumine::testing
