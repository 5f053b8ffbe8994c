// What the GUI tests share: the current directory, windows that appear inside modal loops,
// reading controls, and scripts in place of the prompts and the launcher (every message box,
// folder browser, shell call and registry read is recorded and answered from the script).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "converter_dlg.h"
#include "framework/launcher.h"
#include "framework/prompts.h"
#include "framework/wnd.h"
#include "temp_directory.h"

namespace vellumine::testing {

// Makes a directory current for the lifetime of the object.
struct CurrentDirectoryGuard {
  explicit CurrentDirectoryGuard(const std::string& directory) {
    GetCurrentDirectoryA(MAX_PATH, previous_);
    SetCurrentDirectoryA(directory.c_str());
  }
  ~CurrentDirectoryGuard() { SetCurrentDirectoryA(previous_); }
  char previous_[MAX_PATH] = {};
};

// Runs action once on the first shown window of this thread with the given caption, as soon
// as it is up. A thread timer polls for it, so the action runs inside modal loops too. One
// watcher at a time.
struct WindowWatcher {
  WindowWatcher(std::string caption, std::function<void(HWND)> action)
      : caption_(std::move(caption)), action_(std::move(action)) {
    active_ = this;
    timer_ = SetTimer(nullptr, 0, 20, &WindowWatcher::OnTimer);
  }
  ~WindowWatcher() {
    KillTimer(nullptr, timer_);
    active_ = nullptr;
  }
  bool fired() const { return fired_; }
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (active_ != nullptr && !active_->fired_) EnumThreadWindows(GetCurrentThreadId(), &Match, 0);
  }
  static BOOL CALLBACK Match(HWND hwnd, LPARAM) {
    if (!IsWindowVisible(hwnd) || GetWindowTextOf(hwnd) != active_->caption_) return TRUE;
    active_->fired_ = true;
    active_->action_(hwnd);
    return FALSE;
  }

  static inline WindowWatcher* active_ = nullptr;
  std::string caption_;
  std::function<void(HWND)> action_;
  UINT_PTR timer_ = 0;
  bool fired_ = false;
};

inline std::string ControlText(HWND dialog, int id) {
  return GetWindowTextOf(GetDlgItem(dialog, id));
}
inline bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
inline bool IsEnabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != 0; }
inline int ProgressValue(HWND dialog, int id, UINT message) {  // PBM_GETPOS or PBM_GETRANGE
  return static_cast<int>(SendDlgItemMessageA(dialog, id, message, FALSE, 0));
}
inline std::vector<std::string> ComboItems(HWND dialog, int id) {
  std::vector<std::string> items(SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0));
  for (WPARAM i = 0; i < items.size(); ++i) {
    items[i].resize(SendDlgItemMessageA(dialog, id, CB_GETLBTEXTLEN, i, 0) + 1);
    SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(items[i].data()));
    items[i].pop_back();
  }
  return items;
}
// Clicks a button as the mouse would (BM_CLICK).
inline void Click(HWND dialog, int id) { SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0); }
// Sends a command, as a menu item or a dialog's own button does.
inline void Command(HWND window, UINT id) { SendMessageA(window, WM_COMMAND, id, 0); }

// A message box shown: its owner, text, caption and MB_* flags.
struct MessageRecord { HWND owner; std::string text, caption; UINT type; };

struct ScriptedPrompts final : Prompts {
  // Buttons to press, in order; a box beyond the script is answered IDOK (IDNO for Yes/No).
  std::deque<int> answers;
  std::function<void()> onMessage;          // runs while each box is up
  std::optional<std::string> folderAnswer;  // what the folder browser returns; nullopt cancels
  std::vector<MessageRecord> messages;
  std::vector<std::string> folderRequests;  // "title|initial path"

  // Each box shown as "caption: text".
  std::vector<std::string> Shown() const {
    std::vector<std::string> shown;
    for (const MessageRecord& box : messages) shown.push_back(box.caption + ": " + box.text);
    return shown;
  }

  int ShowMessage(HWND owner, const std::string& text, const std::string& caption,
                  UINT type) override {
    messages.push_back({owner, text, caption, type});
    if (onMessage) onMessage();
    if (answers.empty()) return (type & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
    const int answer = answers.front();
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

struct ScriptedLauncher final : Launcher {
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
    if (found != classesRoot.end()) value = found->second;
    return found == classesRoot.end() ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS;
  }
};

// Puts both scripts in place for the lifetime of the object.
struct ScopedScripts {
  ScriptedPrompts prompts;
  ScriptedLauncher launcher;
  Prompts* previousPrompts = SetPrompts(&prompts);
  Launcher* previousLauncher = SetLauncher(&launcher);
  ~ScopedScripts() { SetPrompts(previousPrompts), SetLauncher(previousLauncher); }
};

// The main window, created modelessly and shown, with both scripts in place, in a temporary
// start-up directory.
struct MainWindowFixture : ::testing::Test {
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
