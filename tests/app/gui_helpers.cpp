#include "gui_helpers.h"

#include <map>

namespace vellumine::testing {
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
  if (!IsWindowVisible(hwnd) || GetWindowTextOf(hwnd) != *search->caption) return TRUE;
  search->found = hwnd;
  return FALSE;
}

}  // namespace

WindowWatcher::WindowWatcher(std::string caption, std::function<void(HWND)> action)
    : caption_(std::move(caption)), action_(std::move(action)) {
  timer_ = SetTimer(nullptr, 0, 20, &WindowWatcher::OnTimer);
  Watchers()[timer_] = this;
}

WindowWatcher::~WindowWatcher() {
  if (timer_ == 0) return;
  KillTimer(nullptr, timer_);
  Watchers().erase(timer_);
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

std::vector<std::string> ComboItems(HWND dialog, int id) {
  std::vector<std::string> items;
  auto count = SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0);
  for (WPARAM i = 0; i < static_cast<WPARAM>(count); ++i) {
    auto length = static_cast<size_t>(SendDlgItemMessageA(dialog, id, CB_GETLBTEXTLEN, i, 0));
    std::string item(length + 1, '\0');
    SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()));
    item.resize(length);
    items.push_back(item);
  }
  return items;
}

}  // namespace vellumine::testing
