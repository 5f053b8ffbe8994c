// Scripts in place of the prompts and the launcher: every message box, folder browser,
// shell call and registry read is recorded and answered from the test's script.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "converter_dlg.h"
#include "framework/launcher.h"
#include "framework/prompts.h"
#include "gui_helpers.h"

namespace vellumine::testing {

struct MessageRecord {
  HWND owner;
  std::string text;
  std::string caption;
  UINT type;  // MB_* flags
};

class ScriptedPrompts final : public Prompts {
 public:
  // Buttons to press, in order; a box beyond the script is answered IDOK (IDNO for Yes/No).
  std::deque<int> answers;
  std::function<void()> onMessage;  // runs while each box is up
  std::optional<std::string> folderAnswer;  // what the folder browser returns; nullopt cancels

  std::vector<MessageRecord> messages;
  std::vector<std::string> folderRequests;  // "title|initial path"

  int ShowMessage(HWND owner, const std::string& text, const std::string& caption,
                  UINT type) override {
    messages.push_back({owner, text, caption, type});
    if (onMessage) onMessage();
    if (answers.empty()) return (type & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
    int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  bool OpenFile(const OpenFileRequest&, std::string&) override { return false; }
  bool BrowseForFolder(HWND, const std::string& title, const std::string& initialPath,
                       std::string& chosenPath) override {
    folderRequests.push_back(title + "|" + initialPath);
    if (folderAnswer) chosenPath = *folderAnswer;
    return folderAnswer.has_value();
  }
};

class ScriptedLauncher final : public Launcher {
 public:
  int openResult = 42;       // the shell's answer to every OpenDocument
  unsigned runResult = 33;   // WinExec's answer
  bool helpResult = true;    // WinHelp's answer
  std::map<std::string, std::string> classesRoot;  // key -> default value; others missing

  // "open TARGET SHOW", "run COMMAND LINE", "help FILE" (with HELP_FINDER), in order.
  std::vector<std::string> calls;

  int OpenDocument(const std::string& target, int showCommand) override {
    calls.push_back("open " + target + " " + std::to_string(showCommand));
    return openResult;
  }
  unsigned RunCommandLine(const std::string& commandLine, int) override {
    calls.push_back("run " + commandLine);
    return runResult;
  }
  bool ShowHelp(HWND, const std::string& helpFile, UINT command, ULONG_PTR) override {
    calls.push_back("help " + (command == HELP_FINDER ? helpFile : "?"));
    return helpResult;
  }
  long ReadClassesRootValue(const std::string& subKey, std::string& value) override {
    auto found = classesRoot.find(subKey);
    if (found == classesRoot.end()) return ERROR_FILE_NOT_FOUND;
    value = found->second;
    return ERROR_SUCCESS;
  }
};

// Puts both scripts in place for the lifetime of the object.
class ScopedScripts {
 public:
  ScopedScripts()
      : previousPrompts_(SetPrompts(&prompts)), previousLauncher_(SetLauncher(&launcher)) {}
  ~ScopedScripts() {
    SetPrompts(previousPrompts_);
    SetLauncher(previousLauncher_);
  }
  ScopedScripts(const ScopedScripts&) = delete;
  ScopedScripts& operator=(const ScopedScripts&) = delete;

  ScriptedPrompts prompts;
  ScriptedLauncher launcher;

 private:
  Prompts* previousPrompts_;
  Launcher* previousLauncher_;
};

// The main window, created modelessly and shown, with both scripts in place, in a temporary
// start-up directory.
class MainWindowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dialog_.Create());
    ShowWindow(dialog_.m_hWnd, SW_SHOW);
    hwnd_ = dialog_.m_hWnd;
  }

  TempDirectory start_;
  CurrentDirectoryGuard cwd_{start_.bare()};
  ScopedScripts script_;
  CConverterDlg dialog_;
  HWND hwnd_ = nullptr;
};

}  // namespace vellumine::testing
