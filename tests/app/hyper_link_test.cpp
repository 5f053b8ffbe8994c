// The link labels: colours under the pointer, opening the target, the fallback program,
// the error texts, the tool tip and the hand cursor.
#include <windows.h>
#include <commctrl.h>

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

// What a link label answers to its parent's colour request.
struct Painted {
  COLORREF text;
  int backgroundMode;
  HBRUSH brush;
};

Painted AskColours(HWND dialog, HWND link) {
  HDC dc = GetDC(link);
  auto brush = reinterpret_cast<HBRUSH>(
      SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(link)));
  Painted painted{GetTextColor(dc), GetBkMode(dc), brush};
  ReleaseDC(link, dc);
  return painted;
}

LPARAM Point(int x, int y) { return MAKELPARAM(x, y); }

// Two cursors show the same picture (the hand is kept as a copy).
bool SameCursorImage(HCURSOR a, HCURSOR b) {
  ICONINFO first{};
  ICONINFO second{};
  if (!GetIconInfo(a, &first) || !GetIconInfo(b, &second)) return false;
  auto bits = [](HBITMAP bitmap) {
    std::vector<unsigned char> bytes;
    if (bitmap == nullptr) return bytes;
    BITMAP info{};
    GetObjectA(bitmap, sizeof(info), &info);
    bytes.resize(static_cast<size_t>(info.bmWidthBytes) * static_cast<size_t>(info.bmHeight));
    GetBitmapBits(bitmap, static_cast<LONG>(bytes.size()), bytes.data());
    return bytes;
  };
  bool same = first.xHotspot == second.xHotspot && first.yHotspot == second.yHotspot &&
              bits(first.hbmMask) == bits(second.hbmMask) &&
              bits(first.hbmColor) == bits(second.hbmColor);
  for (ICONINFO* info : {&first, &second}) {
    if (info->hbmMask != nullptr) DeleteObject(info->hbmMask);
    if (info->hbmColor != nullptr) DeleteObject(info->hbmColor);
  }
  return same;
}

class LinkLabelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dialog_.Create());
    ShowWindow(dialog_.m_hWnd, SW_SHOW);
    hwnd_ = dialog_.m_hWnd;
    link_ = dialog_.m_linkFirst.m_hWnd;
    ASSERT_NE(link_, nullptr);
  }

  void ClickLink() {
    SendMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(IDC_LINK_FIRST, STN_CLICKED),
                 reinterpret_cast<LPARAM>(link_));
  }

  TempDirectory start_;
  CurrentDirectoryGuard cwd_{start_.path()};
  ScopedScripts script_;
  CConverterDlg dialog_;
  HWND hwnd_ = nullptr;
  HWND link_ = nullptr;
};

TEST_F(LinkLabelTest, ColourFollowsThePointerAndTheVisitedState) {
  const COLORREF normal = RGB(0, 0, 238);
  const COLORREF visited = RGB(85, 26, 139);
  const COLORREF hover = GetSysColor(COLOR_HIGHLIGHT);

  Painted painted = AskColours(hwnd_, link_);
  EXPECT_EQ(painted.text, normal);
  EXPECT_EQ(painted.backgroundMode, TRANSPARENT);
  EXPECT_EQ(painted.brush, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
  // Other labels keep the dialog's own colours.
  Painted plain = AskColours(hwnd_, GetDlgItem(hwnd_, IDC_TOTAL_FILES));
  EXPECT_NE(plain.brush, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));

  // The pointer enters: hover colour, and the label holds the capture to see it leave.
  SendMessageA(link_, WM_MOUSEMOVE, 0, Point(2, 2));
  EXPECT_TRUE(dialog_.m_linkFirst.m_bMouseOver);
  EXPECT_EQ(GetCapture(), link_);
  EXPECT_EQ(AskColours(hwnd_, link_).text, hover);
  SendMessageA(link_, WM_MOUSEMOVE, 0, Point(3, 2));
  EXPECT_EQ(GetCapture(), link_);

  // It leaves: normal colour again.
  SendMessageA(link_, WM_MOUSEMOVE, 0, Point(-5, -5));
  EXPECT_FALSE(dialog_.m_linkFirst.m_bMouseOver);
  EXPECT_NE(GetCapture(), link_);
  EXPECT_EQ(AskColours(hwnd_, link_).text, normal);

  // A click that opens the target makes it visited.
  script_.launcher.openResult = 42;
  ClickLink();
  ASSERT_EQ(script_.launcher.opened.size(), 1u);
  EXPECT_EQ(script_.launcher.opened[0].target, kHomePageUrl);
  EXPECT_EQ(script_.launcher.opened[0].showCommand, SW_SHOW);
  EXPECT_EQ(AskColours(hwnd_, link_).text, visited);
  EXPECT_TRUE(script_.prompts.messages.empty());

  // A later click that fails clears it, with one error box.
  script_.launcher.openResult = SE_ERR_NOASSOC;
  ClickLink();
  EXPECT_EQ(AskColours(hwnd_, link_).text, normal);
  ASSERT_EQ(script_.prompts.messages.size(), 1u);
  EXPECT_EQ(script_.prompts.messages[0].text,
            "Unable to open hyperlink:\n\nThere is no application associated\n"
            "with the given filename extension.");
  EXPECT_EQ(script_.prompts.messages[0].caption, "Vellumine");
  EXPECT_EQ(script_.prompts.messages[0].type, static_cast<UINT>(MB_ICONEXCLAMATION | MB_OK));
  EXPECT_TRUE(script_.launcher.commandLines.empty());
}

TEST_F(LinkLabelTest, FailedShellOpenFallsBackToTheHtmProgram) {
  script_.launcher.openResult = SE_ERR_NOASSOC;
  script_.launcher.classesRoot[".htm"] = "webpage";
  script_.launcher.classesRoot["webpage\\shell\\open\\command"] =
      "\"C:\\Program Files\\Viewer\\viewer.exe\" -nohome \"%1\"";
  script_.launcher.runResult = 33;
  ClickLink();
  ASSERT_EQ(script_.launcher.commandLines.size(), 1u);
  EXPECT_EQ(script_.launcher.commandLines[0].target,
            std::string("\"C:\\Program Files\\Viewer\\viewer.exe\" -nohome  ") + kHomePageUrl);
  EXPECT_EQ(script_.launcher.commandLines[0].showCommand, SW_SHOW);
  EXPECT_TRUE(dialog_.m_linkFirst.m_bVisited);
  EXPECT_TRUE(script_.prompts.messages.empty());

  // The fallback program failing too: WinExec's code is the one reported.
  script_.launcher.runResult = ERROR_FILE_NOT_FOUND;
  ClickLink();
  EXPECT_FALSE(dialog_.m_linkFirst.m_bVisited);
  ASSERT_EQ(script_.prompts.messages.size(), 1u);
  EXPECT_EQ(script_.prompts.messages[0].text,
            "Unable to open hyperlink:\n\nThe specified file was not found.");

  // No open command for the page kind: the shell's code is reported.
  script_.launcher.classesRoot.erase("webpage\\shell\\open\\command");
  script_.launcher.openResult = SE_ERR_ACCESSDENIED;
  ClickLink();
  ASSERT_EQ(script_.prompts.messages.size(), 2u);
  EXPECT_EQ(script_.prompts.messages[1].text,
            "Unable to open hyperlink:\n\nThe operating system denied\naccess to the "
            "specified file.");
  EXPECT_EQ(script_.launcher.commandLines.size(), 2u);
}

TEST(OpenCommandLine, CutsAtThePlaceholderAndAppendsTheTarget) {
  struct Case {
    const char* command;
    const char* expected;
  };
  const Case cases[] = {
      {"iexplore.exe -nohome", "iexplore.exe -nohome https://t/"},
      {"\"C:\\B\\b.exe\" \"%1\"", "\"C:\\B\\b.exe\"  https://t/"},
      {"b.exe -url %1 -new", "b.exe -url  https://t/"},
      {"b.exe -a \"x\" %1 \"%1\"", "b.exe -a \"x\" %1  https://t/"},
      {"", " https://t/"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BuildOpenCommandLine(c.command, "https://t/"), c.expected) << c.command;
  }
}

TEST(OpenErrorReport, ShowsTheTextForEachCode) {
  struct Case {
    int code;
    const char* text;
  };
  const Case cases[] = {
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
      {1, "Unknown Error (1) occurred."},
      {4, "Unknown Error (4) occurred."},
      {-7, "Unknown Error (-7) occurred."},
  };
  ScopedScripts script;
  CHyperLink link;
  for (const Case& c : cases) {
    link.ReportOpenError(c.code);
    ASSERT_FALSE(script.prompts.messages.empty());
    EXPECT_EQ(script.prompts.messages.back().text,
              std::string("Unable to open hyperlink:\n\n") + c.text)
        << "code " << c.code;
    EXPECT_EQ(script.prompts.messages.back().type,
              static_cast<UINT>(MB_ICONEXCLAMATION | MB_OK));
  }
  EXPECT_EQ(script.prompts.messages.size(), std::size(cases));
}

TEST_F(LinkLabelTest, LabelsAreUnderlinedFittedAndCarryTheirTargetInTheToolTip) {
  for (CHyperLink* link : {&dialog_.m_linkFirst, &dialog_.m_linkSecond}) {
    EXPECT_NE(GetWindowLongPtrA(link->m_hWnd, GWL_STYLE) & SS_NOTIFY, 0);
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(link->m_hWnd, WM_GETFONT, 0, 0)),
               sizeof(font), &font);
    EXPECT_TRUE(font.lfUnderline);

    // The control is as wide and as high as its text.
    std::string text = GetWindowTextOf(link->m_hWnd);
    HDC dc = GetDC(link->m_hWnd);
    HGDIOBJ previous = SelectObject(dc, link->m_fontLink.GetSafeHandle());
    SIZE extent{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, previous);
    ReleaseDC(link->m_hWnd, dc);
    RECT client{};
    GetClientRect(link->m_hWnd, &client);
    EXPECT_EQ(client.right, extent.cx) << text;
    EXPECT_EQ(client.bottom, extent.cy) << text;

    EXPECT_EQ(link->m_tip.GetToolText(*link, 1), link->m_strTarget);
  }
  EXPECT_EQ(dialog_.m_linkFirst.m_strTarget, kHomePageUrl);
  EXPECT_EQ(dialog_.m_linkSecond.m_strTarget, kUserGuideUrl);
  EXPECT_EQ(GetWindowTextOf(dialog_.m_linkFirst.m_hWnd), kHomePageText);
  EXPECT_EQ(GetWindowTextOf(dialog_.m_linkSecond.m_hWnd), kUserGuideText);

  dialog_.m_linkSecond.SetTarget("https://vellumine.example/other/");
  EXPECT_EQ(dialog_.m_linkSecond.m_tip.GetToolText(dialog_.m_linkSecond, 1),
            "https://vellumine.example/other/");
}

// Without cursor 106 in winhlp32.exe (current Windows has none) the link uses the
// system's hand.
TEST(LinkHandCursor, FallsBackToTheSystemHand) {
  HCURSOR systemHand = LoadCursorA(nullptr, IDC_HAND);
  ASSERT_NE(systemHand, nullptr);
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  for (std::string module : {std::string("C:\\no\\such\\winhlp32.exe"), std::string(self)}) {
    CHyperLink link;
    link.LoadHandCursorFrom(module);
    ASSERT_NE(link.m_hHandCursor, nullptr) << module;
    EXPECT_TRUE(SameCursorImage(link.m_hHandCursor, systemHand)) << module;
    // Loaded once: a second call keeps the cursor.
    HCURSOR first = link.m_hHandCursor;
    link.LoadHandCursorFrom(module);
    EXPECT_EQ(link.m_hHandCursor, first);
  }
}

TEST_F(LinkLabelTest, PointerOverTheLabelShowsItsHandCursor) {
  ASSERT_NE(dialog_.m_linkFirst.m_hHandCursor, nullptr);
  LRESULT handled = SendMessageA(link_, WM_SETCURSOR, reinterpret_cast<WPARAM>(link_),
                                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(handled, TRUE);
  EXPECT_EQ(GetCursor(), dialog_.m_linkFirst.m_hHandCursor);
}

}  // namespace
}  // namespace vellumine::testing
