// Finds a top-level window by its caption and reports its place or sends it a command.
// Used by scripts/screenshot, which runs it under Wine beside the program.
//
//   window_driver wait CAPTION         prints "x y width height" once the window is shown
//   window_driver command CAPTION ID   posts WM_COMMAND ID
//   window_driver syscommand CAPTION ID  posts WM_SYSCOMMAND ID
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

HWND FindShown(const char* caption) {
  HWND window = FindWindowA(nullptr, caption);
  return window != nullptr && IsWindowVisible(window) ? window : nullptr;
}

HWND WaitFor(const char* caption) {
  for (int attempt = 0; attempt < 600; ++attempt) {
    if (HWND window = FindShown(caption); window != nullptr) return window;
    Sleep(100);
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: window_driver wait|command|syscommand CAPTION [ID]\n");
    return 2;
  }
  HWND window = WaitFor(argv[2]);
  if (window == nullptr) {
    std::fprintf(stderr, "window_driver: no window \"%s\"\n", argv[2]);
    return 1;
  }
  if (std::strcmp(argv[1], "wait") == 0) {
    RECT rect{};
    GetWindowRect(window, &rect);
    std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top);
    return 0;
  }
  if (argc < 4) return 2;
  auto id = static_cast<WPARAM>(std::strtoul(argv[3], nullptr, 0));
  UINT message = std::strcmp(argv[1], "syscommand") == 0 ? WM_SYSCOMMAND : WM_COMMAND;
  return PostMessageA(window, message, id, 0) ? 0 : 1;
}
