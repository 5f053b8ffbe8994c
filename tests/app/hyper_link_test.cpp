// The link labels: colours under the pointer, opening the target, the fallback program,
// the error texts, the tool tip and the hand cursor.
#include <set>
#include <tuple>

#include "gui_helpers.h"
#include "link_targets.h"
#include "resource.h"

namespace vellumine::testing {

const std::string kUnable = "Unable to open hyperlink:\n\n";
const std::string kHome = kHomePageUrl;

class LinkLabelTest : public MainWindowFixture {
 protected:
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

TEST(OpenCommandLine, CutsAtThePlaceholderAndAppendsTheTarget) {
  const char* cases[][2] = {
      {"iexplore.exe -nohome", "iexplore.exe -nohome https://t/"},
      {"b.exe -url %1 -new", "b.exe -url  https://t/"},
      {"b.exe -a \"x\" %1 \"%1\"", "b.exe -a \"x\" %1  https://t/"},  // only "%1" in quotes
      {"", " https://t/"},
  };
  for (auto& c : cases) EXPECT_EQ(BuildOpenCommandLine(c[0], "https://t/"), c[1]) << c[0];
}

// Each code the shell and WinExec give has a text of its own (2 and 5: above); any other is
// reported by its number.
TEST(OpenErrorReport, ShowsTheTextForEachCode) {
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

TEST_F(LinkLabelTest, LabelsAreUnderlinedAndCarryTheirTargetInTheToolTip) {
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

// Without cursor 106 in winhlp32.exe (current Windows has none) the link uses the
// system's hand; the pointer over the label shows it.
TEST_F(LinkLabelTest, HandCursorFallsBackToTheSystemHand) {
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
  // A value that is no string reads as empty; a missing key gives the error of opening it.
  const DWORD number = 7;
  RegSetValueExA(key, nullptr, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  std::string read = "unchanged";
  EXPECT_EQ(CurrentLauncher().ReadClassesRootValue(subKey, read), ERROR_SUCCESS);
  EXPECT_EQ(read, "");
  RegCloseKey(key);
  RegDeleteKeyA(HKEY_CLASSES_ROOT, subKey.c_str());
  EXPECT_EQ(CurrentLauncher().ReadClassesRootValue(subKey, read), ERROR_FILE_NOT_FOUND);
  SetLauncher(script);
}

}  // namespace vellumine::testing
