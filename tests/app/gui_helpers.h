// What the GUI tests share: the current directory, windows that appear inside modal loops,
// reading controls, files of any name, dropped files, scripts in place of the prompts and
// the launcher (every message box, folder browser, shell call and registry read is recorded
// and answered from the script), and the main window with what it hands the converter.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "converter_dlg.h"
#include "framework/launcher.h"
#include "framework/prompts.h"
#include "framework/wnd.h"
#include "resource.h"
#include "temp_directory.h"

namespace vellumine::testing {

// Makes a directory (its path in UTF-8) current for the lifetime of the object.
struct CurrentDirectoryGuard {
  explicit CurrentDirectoryGuard(const std::string& directory) {
    std::filesystem::current_path(PathOf(directory));
  }
  ~CurrentDirectoryGuard() { std::filesystem::current_path(previous_); }
  std::filesystem::path previous_ = std::filesystem::current_path();
};

// The tests' own reading of the wide texts and files, apart from the program's conversions.

// A control's text as UTF-16, whatever its length.
inline std::wstring WideControlText(HWND dialog, int id) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(GetDlgItem(dialog, id))) + 1, L'\0');
  text.resize(static_cast<size_t>(
      GetDlgItemTextW(dialog, id, text.data(), static_cast<int>(text.size()))));
  return text;
}
// A temporary directory's path as UTF-16, with its separator.
inline std::wstring WidePath(const TempDirectory& directory) {
  return directory.root_.wstring() + L"\\";
}

// Memory as the shell hands a drop over: a DROPFILES header, then each path in UTF-16 with
// its terminator and one more terminator after the last. The window that takes the drop
// frees it (DragFinish).
inline HDROP MakeDrop(const std::vector<std::wstring>& paths) {
  std::wstring list;
  for (const std::wstring& path : paths) list += path + L'\0';
  list += L'\0';
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
  if (memory == nullptr) return nullptr;
  auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
  header->pFiles = sizeof(DROPFILES);
  header->fWide = TRUE;
  std::memcpy(header + 1, list.data(), list.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

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
  // A converter that records what a window's Convert hands it (the input, the current-file
  // label meanwhile, the options and their font name) and converts when real.
  ConvertFunction Recorder(bool real = false) {
    return [this, real](const char* input, const char* output, const vellumine_options& options) {
      inputs_.emplace_back(input);
      labels_.push_back(WideControlText(hwnd_, IDC_CURRENT_FILE));
      options_.push_back(options);
      fonts_.emplace_back(options.font_name);
      return real ? vellumine_convert_file(input, output, &options) : VELLUMINE_OK;
    };
  }
  // A page in the start-up directory typed into Input, and output into Output.
  void TypePage(const std::string& output) {
    start_.Write("page.htm", "<p>page");
    SetDlgItemTextA(hwnd_, IDC_INPUT_PATH, (start_.path() + "page.htm").c_str());
    SetDlgItemTextA(hwnd_, IDC_OUTPUT_PATH, output.c_str());
  }
  // Opens the settings dialog of window and runs action on it (which closes it).
  static void Settings(HWND window, const std::function<void(HWND)>& action) {
    WindowWatcher watcher("Program settings", action);
    Command(window, ID_SETTINGS);
    EXPECT_TRUE(watcher.fired_);
  }
  // Opens the settings dialog of window, clicks its check box `box` when asked and closes the
  // dialog with button; the box's label and whether it was checked as the dialog opened.
  static std::string SettingsBox(HWND window, int box, bool click, int button) {
    std::string seen;
    Settings(window, [&](HWND settings) {
      seen = ControlText(settings, box) + (IsChecked(settings, box) ? " checked" : " clear");
      if (click) Click(settings, box);
      Command(settings, button);
    });
    return seen;
  }
  static std::string ClassicBox(HWND window, bool click, int button) {
    return SettingsBox(window, IDC_CLASSIC_READING, click, button);
  }

  TempDirectory start_;
  CurrentDirectoryGuard cwd_{start_.bare()};
  ScopedScripts script_;
  CConverterDlg dialog_;
  HWND hwnd_ = nullptr;
  std::vector<std::string> inputs_, fonts_;
  std::vector<std::wstring> labels_;
  std::vector<vellumine_options> options_;
};

}  // namespace vellumine::testing
