#include "common_controls.h"

#include <windows.h>
#include <commctrl.h>

void EnsureCommonControls() {
  static const bool registered = [] {
    INITCOMMONCONTROLSEX init{};
    init.dwSize = sizeof(init);
    init.dwICC = ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES | ICC_WIN95_CLASSES;
    return InitCommonControlsEx(&init) != FALSE;
  }();
  (void)registered;
}
