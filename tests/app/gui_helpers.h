// Helpers of the GUI tests: temporary directories, the current directory, windows that
// appear inside modal loops, and reading controls.
#pragma once

#include <windows.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace vellumine::testing {

// A fresh directory under the temporary directory, removed with its contents.
class TempDirectory {
 public:
  TempDirectory();
  ~TempDirectory();
  TempDirectory(const TempDirectory&) = delete;
  TempDirectory& operator=(const TempDirectory&) = delete;

  // The directory, without a final backslash.
  const std::string& path() const { return path_; }
  // path() + "\" + name.
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }
  void Write(const std::string& name, const std::string& bytes) const;
  // The file's bytes, or "<missing>".
  std::string Read(const std::string& name) const;

 private:
  std::string path_;
};

// Makes a directory current for the lifetime of the object.
class CurrentDirectoryGuard {
 public:
  explicit CurrentDirectoryGuard(const std::string& directory);
  ~CurrentDirectoryGuard();
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

std::string CurrentDirectory();
std::string ControlText(HWND dialog, int id);
bool IsChecked(HWND dialog, int id);
bool IsEnabled(HWND dialog, int id);
int ProgressPosition(HWND dialog, int id);
int ProgressHigh(HWND dialog, int id);
std::vector<std::string> ComboItems(HWND dialog, int id);
// Clicks a button as the mouse would (BM_CLICK).
void Click(HWND dialog, int id);
// Sends a menu command.
void Command(HWND dialog, UINT id);
// Dispatches whatever is waiting in this thread's queue.
void PumpMessages();

}  // namespace vellumine::testing
