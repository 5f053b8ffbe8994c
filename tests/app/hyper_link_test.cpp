// The link labels: colours under the pointer, opening the target, the fallback program,
// the error texts, the tool tip and the hand cursor.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "converter_dlg.h"
#include "gui_helpers.h"
#include "gui_script.h"
#include "hyper_link.h"
#include "link_targets.h"
#include "resource.h"

namespace vellumine::testing {
namespace {

const std::string kUnable = "Unable to open hyperlink:\n\n";

class LinkLabelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dialog_.Create());
    ShowWindow(dialog_.m_hWnd, SW_SHOW);
    hwnd_ = dialog_.m_hWnd;
    link_ = dialog_.m_linkFirst.m_hWnd;
  }

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

  TempDirectory start_;
  CurrentDirectoryGuard cwd_{start_.bare()};
  ScopedScripts script_;
  CConverterDlg dialog_;
  HWND hwnd_ = nullptr;
  HWND link_ = nullptr;
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
  ASSERT_EQ(script_.launcher.opened.size(), 1u);
  EXPECT_EQ(script_.launcher.opened[0].target, kHomePageUrl);
  EXPECT_EQ(script_.launcher.opened[0].showCommand, SW_SHOW);
  EXPECT_EQ(Colours(link_).first, RGB(85, 26, 139));
  EXPECT_TRUE(script_.prompts.messages.empty());
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
  EXPECT_EQ(script_.launcher.commandLines,
            std::vector<std::string>{"\"C:\\Program Files\\Viewer\\viewer.exe\" -nohome  " +
                                     std::string(kHomePageUrl)});
  EXPECT_TRUE(dialog_.m_linkFirst.m_bVisited);
  EXPECT_TRUE(script_.prompts.messages.empty());

  // The fallback program failing too: WinExec's code is the one reported.
  script_.launcher.runResult = ERROR_FILE_NOT_FOUND;
  ClickLink();
  EXPECT_FALSE(dialog_.m_linkFirst.m_bVisited);
  // No open command for the page kind: the shell's code is reported.
  script_.launcher.classesRoot.erase("webpage\\shell\\open\\command");
  script_.launcher.openResult = SE_ERR_ACCESSDENIED;
  ClickLink();
  ASSERT_EQ(script_.prompts.messages.size(), 2u);
  EXPECT_EQ(script_.prompts.messages[0].text, kUnable + "The specified file was not found.");
  EXPECT_EQ(script_.prompts.messages[1].text,
            kUnable + "The operating system denied\naccess to the specified file.");
  EXPECT_EQ(script_.launcher.commandLines.size(), 2u);
}

TEST(OpenCommandLine, CutsAtThePlaceholderAndAppendsTheTarget) {
  const char* cases[][2] = {
      {"iexplore.exe -nohome", "iexplore.exe -nohome https://t/"},
      {"b.exe -url %1 -new", "b.exe -url  https://t/"},
      {"b.exe -a \"x\" %1 \"%1\"", "b.exe -a \"x\" %1  https://t/"},  // only "%1" in quotes
      {"", " https://t/"},
  };
  for (auto& c : cases) EXPECT_EQ(BuildOpenCommandLine(c[0], "https://t/"), c[1]) << c[0];
}

TEST(OpenErrorReport, ShowsTheTextForEachCode) {
  struct Case {
    int code;
    const char* text;
  } cases[] = {
      {0, "The operating system is out\nof memory or resources."},
      {2, "The specified file was not found."},
      {3, "The specified path was not found."},
      {5, "The operating system denied\naccess to the specified file."},
      {8, "There was not enough memory to complete the operation."},
      {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
      {26, "A sharing violation occurred. "},
      {27, "The filename association is\nincomplete or invalid."},
      {28, "The DDE transaction could not\nbe completed because the request timed out."},
      {29, "The DDE transaction failed."},
      {30, "The DDE transaction could not\nbe completed because other DDE transactions\n"
           "were being processed."},
      {31, "There is no application associated\nwith the given filename extension."},
      {32, "The specified dynamic-link library was not found."},
      {4, "Unknown Error (4) occurred."},
      {-7, "Unknown Error (-7) occurred."},
  };
  ScopedScripts script;
  CHyperLink link;
  for (const Case& c : cases) {
    link.ReportOpenError(c.code);
    ASSERT_FALSE(script.prompts.messages.empty());
    EXPECT_EQ(script.prompts.messages.back().text, kUnable + c.text) << "code " << c.code;
  }
  EXPECT_EQ(script.prompts.messages.size(), std::size(cases));
}

TEST_F(LinkLabelTest, LabelsAreUnderlinedAndCarryTheirTargetInTheToolTip) {
  for (CHyperLink* link : {&dialog_.m_linkFirst, &dialog_.m_linkSecond}) {
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(link->m_hWnd, WM_GETFONT, 0, 0)),
               sizeof(font), &font);
    EXPECT_TRUE(font.lfUnderline);
    EXPECT_EQ(link->m_tip.GetToolText(*link, 1), link->m_strTarget);
  }
  EXPECT_EQ(dialog_.m_linkFirst.m_strTarget + " " + GetWindowTextOf(dialog_.m_linkFirst.m_hWnd),
            std::string(kHomePageUrl) + " " + kHomePageText);
  EXPECT_EQ(dialog_.m_linkSecond.m_strTarget + " " + GetWindowTextOf(dialog_.m_linkSecond.m_hWnd),
            std::string(kUserGuideUrl) + " " + kUserGuideText);
}

// Two cursors show the same picture (the hand is kept as a copy).
bool SameCursorImage(HCURSOR a, HCURSOR b) {
  ICONINFO info[2] = {};
  if (!GetIconInfo(a, &info[0]) || !GetIconInfo(b, &info[1])) return false;
  auto bits = [](HBITMAP bitmap) {
    BITMAP header{};
    if (bitmap != nullptr) GetObjectA(bitmap, sizeof(header), &header);
    std::vector<unsigned char> bytes(static_cast<size_t>(header.bmWidthBytes) *
                                     static_cast<size_t>(header.bmHeight));
    if (bitmap != nullptr) GetBitmapBits(bitmap, static_cast<LONG>(bytes.size()), bytes.data());
    if (bitmap != nullptr) DeleteObject(bitmap);
    return bytes;
  };
  bool sameHotspot = info[0].xHotspot == info[1].xHotspot && info[0].yHotspot == info[1].yHotspot;
  bool sameMask = bits(info[0].hbmMask) == bits(info[1].hbmMask);
  return bits(info[0].hbmColor) == bits(info[1].hbmColor) && sameMask && sameHotspot;
}

// Without cursor 106 in winhlp32.exe (current Windows has none) the link uses the
// system's hand; the pointer over the label shows it.
TEST_F(LinkLabelTest, HandCursorFallsBackToTheSystemHand) {
  HCURSOR systemHand = LoadCursorA(nullptr, IDC_HAND);
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  for (std::string module : {std::string("C:\\no\\such\\winhlp32.exe"), std::string(self)}) {
    CHyperLink link;
    link.LoadHandCursorFrom(module);
    EXPECT_TRUE(SameCursorImage(link.m_hHandCursor, systemHand)) << module;
  }
  EXPECT_EQ(SendMessageA(link_, WM_SETCURSOR, reinterpret_cast<WPARAM>(link_),
                         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);
  EXPECT_NE(GetCursor(), nullptr);
  EXPECT_EQ(GetCursor(), dialog_.m_linkFirst.m_hHandCursor);
}

}  // namespace
}  // namespace vellumine::testing
