#include "static_control.h"

bool CStatic::OnChildNotify(UINT message, WPARAM wParam, LPARAM, LRESULT* result) {
  switch (message) {
    case WM_COMMAND:
      *result = 0;
      return OnReflectedCommand(HIWORD(wParam));
    case WM_CTLCOLORSTATIC: {
      HBRUSH brush = CtlColor(reinterpret_cast<HDC>(wParam), CTLCOLOR_STATIC);
      if (brush == nullptr) return false;
      *result = reinterpret_cast<LRESULT>(brush);
      return true;
    }
    default:
      return false;
  }
}

bool CStatic::OnReflectedCommand(UINT) { return false; }

HBRUSH CStatic::CtlColor(HDC, UINT) { return nullptr; }
