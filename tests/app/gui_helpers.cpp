#include "gui_helpers.h"

#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <map>

#include "framework/wnd.h"

namespace vellumine::testing {

TempDirectory::TempDirectory() {
  static std::atomic<int> counter{0};
  char base[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, base);
  std::string root = base;
  if (!root.empty() && root.back() == '\\') root.pop_back();
  path_ = root + "\\vellumine-gui-" + std::to_string(GetCurrentProcessId()) + "-" +
          std::to_string(GetTickCount()) + "-" + std::to_string(counter++);
  std::filesystem::create_directories(path_);
}

TempDirectory::~TempDirectory() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void TempDirectory::Write(const std::string& name, const std::string& bytes) const {
  std::FILE* file = std::fopen((*this / name).c_str(), "wb");
  if (file == nullptr) return;
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

std::string TempDirectory::Read(const std::string& name) const {
  std::FILE* file = std::fopen((*this / name).c_str(), "rb");
  if (file == nullptr) return "<missing>";
  std::string bytes;
  char chunk[4096];
  size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof(chunk), file)) > 0) bytes.append(chunk, n);
  std::fclose(file);
  return bytes;
}

std::string CurrentDirectory() {
  char directory[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, directory);
  return directory;
}

CurrentDirectoryGuard::CurrentDirectoryGuard(const std::string& directory)
    : previous_(CurrentDirectory()) {
  SetCurrentDirectoryA(directory.c_str());
}

CurrentDirectoryGuard::~CurrentDirectoryGuard() { SetCurrentDirectoryA(previous_.c_str()); }

namespace {

std::map<UINT_PTR, WindowWatcher*>& Watchers() {
  static std::map<UINT_PTR, WindowWatcher*> watchers;
  return watchers;
}

struct WindowSearch {
  const std::string* caption;
  HWND found;
};

BOOL CALLBACK MatchCaption(HWND hwnd, LPARAM data) {
  auto* search = reinterpret_cast<WindowSearch*>(data);
  if (IsWindowVisible(hwnd) && GetWindowTextOf(hwnd) == *search->caption) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

WindowWatcher::WindowWatcher(std::string caption, std::function<void(HWND)> action)
    : caption_(std::move(caption)), action_(std::move(action)) {
  timer_ = SetTimer(nullptr, 0, 20, &WindowWatcher::OnTimer);
  Watchers()[timer_] = this;
}

WindowWatcher::~WindowWatcher() {
  if (timer_ != 0) {
    KillTimer(nullptr, timer_);
    Watchers().erase(timer_);
  }
}

void CALLBACK WindowWatcher::OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
  auto found = Watchers().find(id);
  if (found != Watchers().end()) found->second->Poll();
}

void WindowWatcher::Poll() {
  WindowSearch search{&caption_, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), &MatchCaption, reinterpret_cast<LPARAM>(&search));
  if (search.found == nullptr) return;
  KillTimer(nullptr, timer_);
  Watchers().erase(timer_);
  timer_ = 0;
  fired_ = true;
  action_(search.found);
}

std::string ControlText(HWND dialog, int id) { return GetWindowTextOf(GetDlgItem(dialog, id)); }

bool IsChecked(HWND dialog, int id) {
  return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

bool IsEnabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

int ProgressPosition(HWND dialog, int id) {
  return static_cast<int>(SendDlgItemMessageA(dialog, id, PBM_GETPOS, 0, 0));
}

int ProgressHigh(HWND dialog, int id) {
  return static_cast<int>(SendDlgItemMessageA(dialog, id, PBM_GETRANGE, FALSE, 0));
}

std::vector<std::string> ComboItems(HWND dialog, int id) {
  std::vector<std::string> items;
  HWND combo = GetDlgItem(dialog, id);
  auto count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    auto length = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    std::string item(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i),
                 reinterpret_cast<LPARAM>(item.data()));
    item.resize(static_cast<size_t>(length));
    items.push_back(item);
  }
  return items;
}

void Click(HWND dialog, int id) { SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0); }

void Command(HWND dialog, UINT id) { SendMessageA(dialog, WM_COMMAND, id, 0); }

void PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

}  // namespace vellumine::testing
