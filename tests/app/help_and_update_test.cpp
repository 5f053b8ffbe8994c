// Help > Contents (with the HTML guide when there is no help file or help engine),
// and Help > Update.
#include <windows.h>

#include <gmock/gmock.h>
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

using ::testing::ElementsAre;

// The application's help paths pointed into a temporary directory for one test.
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
  // The help command by one of its routes (menu, WM_HELP, F1); the launcher's calls.
  std::vector<std::string>& Help(int route) {
    MSG f1{GetDlgItem(hwnd_, IDC_INPUT_PATH), WM_KEYDOWN, VK_F1, 0, 0, {0, 0}};
    HELPINFO info{};
    info.cbSize = sizeof(info);
    script_.launcher.calls.clear();
    if (route == 0) Command(hwnd_, ID_HELP_CONTENTS);
    if (route == 1) SendMessageA(hwnd_, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    if (route == 2) {
      EXPECT_TRUE(dialog_.PreTranslateMessage(&f1));
    }
    return script_.launcher.calls;
  }

  CWinApp* app_ = CWinApp::Current();
  std::string savedHelp_ = app_ ? app_->m_strHelpFilePath : "";
  std::string savedHtml_ = app_ ? app_->m_strHtmlHelpPath : "";
  const std::string guide_ = "open " + start_.path() + "Vellumine.html 1";  // SW_SHOWNORMAL
};

TEST_F(HelpTest, WithoutTheHelpFileTheHtmlGuideOpens) {
  for (int route : {0, 1, 2}) EXPECT_THAT(Help(route), ElementsAre(guide_)) << route;
  // Other keys go on to the window.
  MSG f2{GetDlgItem(hwnd_, IDC_INPUT_PATH), WM_KEYDOWN, VK_F2, 0, 0, {0, 0}};
  EXPECT_FALSE(dialog_.PreTranslateMessage(&f2));
  EXPECT_TRUE(script_.prompts.messages.empty());
}

TEST_F(HelpTest, TheHelpFileOpensAtItsContentsUnlessTheHelpEngineFails) {
  start_.Write("Vellumine.HLP", "help");
  const std::string help = "help " + start_.path() + "Vellumine.HLP";
  EXPECT_THAT(Help(0), ElementsAre(help));
  script_.launcher.helpResult = false;
  EXPECT_THAT(Help(1), ElementsAre(help, guide_));
}

TEST_F(HelpTest, WhenNothingOpensTheUserIsTold) {
  script_.launcher.openResult = SE_ERR_NOASSOC;
  EXPECT_THAT(Help(0), ElementsAre(guide_));
  ASSERT_EQ(script_.prompts.messages.size(), 1u);
  EXPECT_EQ(script_.prompts.messages[0].text, "Failed to launch help.");
}

TEST_F(HelpTest, UpdateOpensTheHomePageSilently) {
  script_.launcher.openResult = SE_ERR_NOASSOC;  // failures are not reported
  Command(hwnd_, ID_HELP_UPDATE);
  EXPECT_THAT(script_.launcher.calls, ElementsAre("open " + std::string(kHomePageUrl) + " 1"));
  EXPECT_TRUE(script_.prompts.messages.empty());
}

TEST(HelpFiles, TheGuideLiesBesideTheProgram) {
  for (const char* name : {"\\Vellumine.exe", "\\Vellumine.html"}) {
    EXPECT_NE(GetFileAttributesA((VELLUMINE_PROGRAM_DIR + std::string(name)).c_str()),
              INVALID_FILE_ATTRIBUTES) << name;
  }
}

}  // namespace
}  // namespace vellumine::testing
