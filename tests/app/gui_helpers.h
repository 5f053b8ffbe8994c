// What the GUI tests share: the current directory, windows that appear inside modal loops,
// reading controls, files of any name, dropped files, and scripts in place of the prompts
// and the launcher (every message box, folder browser, shell call and registry read is
// recorded and answered from the script).
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <type_traits>
#include <vector>

#include "converter_dlg.h"
#include "framework/launcher.h"
#include "framework/prompts.h"
#include "framework/wnd.h"
#include "temp_directory.h"

namespace vellumine::testing {

// Makes a directory (its path in UTF-8) current for the lifetime of the object.
struct CurrentDirectoryGuard {
  explicit CurrentDirectoryGuard(const std::string& directory) {
    GetCurrentDirectoryW(MAX_PATH, previous_);
    SetCurrentDirectoryW(PathOf(directory).c_str());
  }
  ~CurrentDirectoryGuard() { SetCurrentDirectoryW(previous_); }
  wchar_t previous_[MAX_PATH] = {};
};

// The tests' own reading of the wide texts and files, apart from the program's conversions.

// A window's text as UTF-16, whatever its length.
inline std::wstring WideText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}
inline std::wstring WideControlText(HWND dialog, int id) { return WideText(GetDlgItem(dialog, id)); }
// Types text into a control, as the keyboard would leave it there.
inline void TypeWide(HWND dialog, int id, const std::wstring& text) {
  SetWindowTextW(GetDlgItem(dialog, id), text.c_str());
}

// A temporary directory's path as UTF-16, with its separator.
inline std::wstring WidePath(const TempDirectory& directory) {
  return directory.root_.wstring() + L"\\";
}

using HandleOwner = std::unique_ptr<std::remove_pointer_t<HANDLE>, decltype(&CloseHandle)>;
inline HandleOwner OpenWide(const std::wstring& path, DWORD access, DWORD disposition) {
  HANDLE handle = CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  return HandleOwner(handle == INVALID_HANDLE_VALUE ? nullptr : handle, &CloseHandle);
}
// Creates a file of any name, by the wide functions.
inline bool WriteWide(const std::wstring& path, const std::string& contents) {
  HandleOwner file = OpenWide(path, GENERIC_WRITE, CREATE_ALWAYS);
  DWORD written = 0;
  return file && WriteFile(file.get(), contents.data(), static_cast<DWORD>(contents.size()),
                           &written, nullptr) && written == contents.size();
}
// The whole file, or "<missing>".
inline std::string ReadWide(const std::wstring& path) {
  HandleOwner file = OpenWide(path, GENERIC_READ, OPEN_EXISTING);
  if (!file) return "<missing>";
  std::string contents;
  char chunk[4096];
  for (DWORD read = 0; ReadFile(file.get(), chunk, sizeof(chunk), &read, nullptr) && read > 0;)
    contents.append(chunk, read);
  return contents;
}
// The names in a directory, "." and ".." left out.
inline std::vector<std::wstring> WideNames(const std::wstring& directory) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry{};
  HANDLE first = FindFirstFileW((directory + L"*").c_str(), &entry);
  if (first == INVALID_HANDLE_VALUE) return names;
  std::unique_ptr<std::remove_pointer_t<HANDLE>, decltype(&FindClose)> find(first, &FindClose);
  do {
    if (std::wcscmp(entry.cFileName, L".") != 0 && std::wcscmp(entry.cFileName, L"..") != 0)
      names.emplace_back(entry.cFileName);
  } while (FindNextFileW(find.get(), &entry));
  return names;
}

// Memory as the shell hands a drop over: a DROPFILES header, then each path in UTF-16 with
// its terminator and one more terminator after the last. The window that takes the drop
// frees it (DragFinish).
inline HDROP MakeDrop(const std::vector<std::wstring>& paths) {
  std::wstring list;
  for (const std::wstring& path : paths) list += path + L'\0';
  list += L'\0';
  const size_t bytes = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GHND, bytes);
  if (memory == nullptr) return nullptr;
  auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
  header->pFiles = sizeof(DROPFILES);
  header->fWide = TRUE;
  std::memcpy(reinterpret_cast<char*>(header) + sizeof(DROPFILES), list.data(),
              list.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

// Dispatches what was posted to this thread's windows.
inline void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
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
