// Help > Contents (with the HTML guide when there is no help file or help engine),
// Help > Update and the About box's web button.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "converter_dlg.h"
#include "framework/win_app.h"
#include "gui_helpers.h"
#include "gui_script.h"
#include "link_targets.h"
#include "resource.h"

#ifndef VELLUMINE_PROGRAM_DIR
#error "VELLUMINE_PROGRAM_DIR names the directory of Vellumine.exe"
#endif

namespace vellumine::testing {
namespace {

// The application's help paths pointed into a temporary directory for one test.
class HelpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(app_, nullptr);
    app_->m_strHelpFilePath = files_.path() + "Vellumine.HLP";
    app_->m_strHtmlHelpPath = files_.path() + "Vellumine.html";
    ASSERT_TRUE(dialog_.Create());
  }
  void TearDown() override {
    app_->m_strHelpFilePath = savedHelp_;
    app_->m_strHtmlHelpPath = savedHtml_;
  }
  // The help command by one of its routes; what was opened and shown.
  std::string Help(int route) {
    MSG f1{GetDlgItem(dialog_.m_hWnd, IDC_INPUT_PATH), WM_KEYDOWN, VK_F1, 0, 0, {0, 0}};
    HELPINFO info{};
    info.cbSize = sizeof(info);
    if (route == 0) Command(dialog_.m_hWnd, ID_HELP_CONTENTS);
    if (route == 1) SendMessageA(dialog_.m_hWnd, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    if (route == 2) {
      EXPECT_TRUE(dialog_.PreTranslateMessage(&f1));
    }
    std::string seen;
    for (const std::string& file : script_.launcher.helpCalls) seen += "help " + file + "; ";
    for (const OpenCall& call : script_.launcher.opened) {
      seen += "open " + call.target + (call.showCommand == SW_SHOWNORMAL ? "; " : " ?; ");
    }
    for (const MessageRecord& box : script_.prompts.messages) seen += "box " + box.text;
    return seen;
  }

  CWinApp* app_ = CWinApp::Current();
  std::string savedHelp_ = app_ ? app_->m_strHelpFilePath : "";
  std::string savedHtml_ = app_ ? app_->m_strHtmlHelpPath : "";
  TempDirectory files_;
  CurrentDirectoryGuard cwd_{files_.bare()};
  ScopedScripts script_;
  CConverterDlg dialog_;
};

TEST_F(HelpTest, WithoutTheHelpFileTheHtmlGuideOpens) {
  for (int route : {0, 1, 2}) {
    script_.launcher.opened.clear();
    EXPECT_EQ(Help(route), "open " + files_.path() + "Vellumine.html; ") << route;
  }
  // Other keys go on to the window.
  MSG f2{GetDlgItem(dialog_.m_hWnd, IDC_INPUT_PATH), WM_KEYDOWN, VK_F2, 0, 0, {0, 0}};
  EXPECT_FALSE(dialog_.PreTranslateMessage(&f2));
}

TEST_F(HelpTest, TheHelpFileOpensAtItsContentsUnlessTheHelpEngineFails) {
  files_.Write("Vellumine.HLP", "help");
  EXPECT_EQ(Help(0), "help " + files_.path() + "Vellumine.HLP; ");
  script_.launcher.helpResult = false;
  EXPECT_EQ(Help(1), "help " + files_.path() + "Vellumine.HLP; help " + files_.path() +
                         "Vellumine.HLP; open " + files_.path() + "Vellumine.html; ");
}

TEST_F(HelpTest, WhenNothingOpensTheUserIsTold) {
  script_.launcher.openResult = SE_ERR_NOASSOC;
  EXPECT_EQ(Help(0), "open " + files_.path() + "Vellumine.html; box Failed to launch help.");
}

TEST_F(HelpTest, UpdateAndTheAboutButtonOpenTheHomePageSilently) {
  script_.launcher.openResult = SE_ERR_NOASSOC;  // failures are not reported
  Command(dialog_.m_hWnd, ID_HELP_UPDATE);
  WindowWatcher about("About Vellumine", [](HWND box) {
    SendMessageA(box, WM_COMMAND, MAKEWPARAM(IDC_WEB_ADDRESS, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDC_WEB_ADDRESS)));
    Command(box, IDOK);
  });
  Command(dialog_.m_hWnd, ID_HELP_ABOUT);
  ASSERT_TRUE(about.fired());
  const std::string home = "open " + std::string(kHomePageUrl) + "; ";
  EXPECT_EQ(Help(-1), home + home);
}

TEST(HelpFiles, TheGuideLiesBesideTheProgram) {
  for (const char* name : {"\\Vellumine.exe", "\\Vellumine.html"}) {
    EXPECT_NE(GetFileAttributesA((VELLUMINE_PROGRAM_DIR + std::string(name)).c_str()),
              INVALID_FILE_ATTRIBUTES) << name;
  }
}

}  // namespace
}  // namespace vellumine::testing
