// Help > Contents (with the HTML guide when there is no help file or help engine),
// Help > Update and the About box's web button.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "about_dlg.h"
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
    app_ = CWinApp::Current();
    ASSERT_NE(app_, nullptr);
    savedHelp_ = app_->m_strHelpFilePath;
    savedHtml_ = app_->m_strHtmlHelpPath;
    app_->m_strHelpFilePath = files_ / "Vellumine.HLP";
    app_->m_strHtmlHelpPath = files_ / "Vellumine.html";
    ASSERT_TRUE(dialog_.Create());
    hwnd_ = dialog_.m_hWnd;
  }
  void TearDown() override {
    app_->m_strHelpFilePath = savedHelp_;
    app_->m_strHtmlHelpPath = savedHtml_;
  }

  TempDirectory files_;
  CurrentDirectoryGuard cwd_{files_.path()};
  ScopedScripts script_;
  CConverterDlg dialog_;
  HWND hwnd_ = nullptr;
  CWinApp* app_ = nullptr;
  std::string savedHelp_;
  std::string savedHtml_;
};

TEST_F(HelpTest, WithoutTheHelpFileTheHtmlGuideOpens) {
  Command(hwnd_, ID_HELP_CONTENTS);
  EXPECT_TRUE(script_.launcher.helpCalls.empty());
  ASSERT_EQ(script_.launcher.opened.size(), 1u);
  EXPECT_EQ(script_.launcher.opened[0].target, files_ / "Vellumine.html");
  EXPECT_EQ(script_.launcher.opened[0].showCommand, SW_SHOWNORMAL);
  EXPECT_TRUE(script_.prompts.messages.empty());
}

TEST_F(HelpTest, TheHelpFileOpensAtItsContentsWhenTheHelpEngineRuns) {
  files_.Write("Vellumine.HLP", "help");
  script_.launcher.helpResult = true;
  Command(hwnd_, ID_HELP_CONTENTS);
  ASSERT_EQ(script_.launcher.helpCalls.size(), 1u);
  EXPECT_EQ(script_.launcher.helpCalls[0].helpFile, files_ / "Vellumine.HLP");
  EXPECT_EQ(script_.launcher.helpCalls[0].command, static_cast<UINT>(HELP_FINDER));
  EXPECT_EQ(script_.launcher.helpCalls[0].data, 0u);
  EXPECT_TRUE(script_.launcher.opened.empty());
}

TEST_F(HelpTest, AFailingHelpEngineFallsBackToTheHtmlGuide) {
  files_.Write("Vellumine.HLP", "help");
  script_.launcher.helpResult = false;
  // F1 reaches the same command.
  HELPINFO info{};
  info.cbSize = sizeof(info);
  SendMessageA(hwnd_, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(script_.launcher.helpCalls.size(), 1u);
  ASSERT_EQ(script_.launcher.opened.size(), 1u);
  EXPECT_EQ(script_.launcher.opened[0].target, files_ / "Vellumine.html");
}

TEST_F(HelpTest, TheHelpKeyInTheMainWindowIsTheHelpCommand) {
  MSG key{GetDlgItem(hwnd_, IDC_INPUT_PATH), WM_KEYDOWN, VK_F1, 0, 0, {0, 0}};
  EXPECT_TRUE(dialog_.PreTranslateMessage(&key));
  ASSERT_EQ(script_.launcher.opened.size(), 1u);
  EXPECT_EQ(script_.launcher.opened[0].target, files_ / "Vellumine.html");
  // Other keys go on to the window.
  MSG other{GetDlgItem(hwnd_, IDC_INPUT_PATH), WM_KEYDOWN, VK_F2, 0, 0, {0, 0}};
  EXPECT_FALSE(dialog_.PreTranslateMessage(&other));
  EXPECT_EQ(script_.launcher.opened.size(), 1u);
}

TEST_F(HelpTest, WhenNothingOpensTheUserIsTold) {
  script_.launcher.openResult = SE_ERR_NOASSOC;
  Command(hwnd_, ID_HELP_CONTENTS);
  ASSERT_EQ(script_.prompts.messages.size(), 1u);
  EXPECT_EQ(script_.prompts.messages[0].text, "Failed to launch help.");
}

TEST_F(HelpTest, UpdateAndTheAboutButtonOpenTheHomePageSilently) {
  script_.launcher.openResult = SE_ERR_NOASSOC;  // failures are not reported
  Command(hwnd_, ID_HELP_UPDATE);
  WindowWatcher about("About Vellumine", [](HWND box) {
    SendMessageA(box, WM_COMMAND, MAKEWPARAM(IDC_WEB_ADDRESS, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDC_WEB_ADDRESS)));
    SendMessageA(box, WM_COMMAND, IDOK, 0);
  });
  Command(hwnd_, ID_HELP_ABOUT);
  ASSERT_TRUE(about.fired());
  ASSERT_EQ(script_.launcher.opened.size(), 2u);
  for (const OpenCall& call : script_.launcher.opened) {
    EXPECT_EQ(call.target, kHomePageUrl);
    EXPECT_EQ(call.showCommand, SW_SHOWNORMAL);
  }
  EXPECT_TRUE(script_.prompts.messages.empty());
}

TEST(HelpFiles, TheGuideLiesBesideTheProgram) {
  const std::string directory = VELLUMINE_PROGRAM_DIR;
  DWORD program = GetFileAttributesA((directory + "\\Vellumine.exe").c_str());
  DWORD guide = GetFileAttributesA((directory + "\\Vellumine.html").c_str());
  EXPECT_NE(program, INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(guide, INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace vellumine::testing
