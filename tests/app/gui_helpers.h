// Helpers of the GUI tests: the current directory, windows that appear inside modal loops,
// and reading controls.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/wnd.h"
#include "temp_directory.h"

namespace vellumine::testing {

// Makes a directory current for the lifetime of the object.
class CurrentDirectoryGuard {
 public:
  explicit CurrentDirectoryGuard(const std::string& directory) {
    GetCurrentDirectoryA(MAX_PATH, previous_);
    SetCurrentDirectoryA(directory.c_str());
  }
  ~CurrentDirectoryGuard() { SetCurrentDirectoryA(previous_); }
  CurrentDirectoryGuard(const CurrentDirectoryGuard&) = delete;
  CurrentDirectoryGuard& operator=(const CurrentDirectoryGuard&) = delete;

 private:
  char previous_[MAX_PATH] = {};
};

// Runs action once on the first shown window of this thread with the given caption, as soon
// as it is up. A thread timer polls for it, so the action runs inside modal loops too. One
// watcher at a time.
class WindowWatcher {
 public:
  WindowWatcher(std::string caption, std::function<void(HWND)> action)
      : caption_(std::move(caption)), action_(std::move(action)) {
    active_ = this;
    timer_ = SetTimer(nullptr, 0, 20, &WindowWatcher::OnTimer);
  }
  ~WindowWatcher() {
    KillTimer(nullptr, timer_);
    active_ = nullptr;
  }
  WindowWatcher(const WindowWatcher&) = delete;
  WindowWatcher& operator=(const WindowWatcher&) = delete;

  bool fired() const { return fired_; }

 private:
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (active_ == nullptr || active_->fired_) return;
    EnumThreadWindows(GetCurrentThreadId(), &Match, 0);
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

}  // namespace vellumine::testing
