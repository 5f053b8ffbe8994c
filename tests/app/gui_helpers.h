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
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    previous_ = previous;
    SetCurrentDirectoryA(directory.c_str());
  }
  ~CurrentDirectoryGuard() { SetCurrentDirectoryA(previous_.c_str()); }
  CurrentDirectoryGuard(const CurrentDirectoryGuard&) = delete;
  CurrentDirectoryGuard& operator=(const CurrentDirectoryGuard&) = delete;

 private:
  std::string previous_;
};

// Runs action once on the first window of this thread with the given caption, as soon as
// it is up. A thread timer polls for it, so the action runs inside modal loops too.
class WindowWatcher {
 public:
  WindowWatcher(std::string caption, std::function<void(HWND)> action);
  ~WindowWatcher();
  WindowWatcher(const WindowWatcher&) = delete;
  WindowWatcher& operator=(const WindowWatcher&) = delete;

  bool fired() const { return fired_; }

 private:
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD);
  void Poll();

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
std::vector<std::string> ComboItems(HWND dialog, int id);
// Clicks a button as the mouse would (BM_CLICK).
inline void Click(HWND dialog, int id) { SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0); }
// Sends a command, as a menu item or a dialog's own button does.
inline void Command(HWND window, UINT id) { SendMessageA(window, WM_COMMAND, id, 0); }

}  // namespace vellumine::testing
