// CStatic: a static text control whose click and colour requests, sent to the parent,
// come back to the control itself (reflected notifications).
#pragma once

#include "wnd.h"

class CStatic : public CWnd {
 public:
  bool OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 protected:
  // A reflected WM_COMMAND notification (STN_CLICKED, ...); true when handled.
  //   bool OnReflectedCommand(UINT code)
  virtual bool OnReflectedCommand(UINT code);
  // The reflected WM_CTLCOLORSTATIC: prepare dc and return the background brush, or null
  // to let the parent choose the colours.
  //   HBRUSH CtlColor(HDC dc, UINT ctlColor)
  virtual HBRUSH CtlColor(HDC dc, UINT ctlColor);
};

// An edit control, bound by data exchange.
class CEdit : public CWnd {};
