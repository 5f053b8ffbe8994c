// CToolTipCtrl: a tool-tip window for the tools (rectangles) of other windows.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "wnd.h"

class CToolTipCtrl : public CWnd {
 public:
  CToolTipCtrl() = default;
  ~CToolTipCtrl() override;

  // Creates the tool-tip window owned by parent.
  bool Create(const CWnd& parent, DWORD style = 0);
  // Adds tool id of wnd over rect (client coordinates of wnd), showing text (UTF-8, as every
  // text here).
  bool AddTool(const CWnd& wnd, const std::string& text, const RECT& rect, UINT id);
  void UpdateTipText(const std::string& text, const CWnd& wnd, UINT id);
  // The text of tool id of wnd.
  std::string GetToolText(const CWnd& wnd, UINT id) const;
  // Hands a mouse message to the tool tip so that it can show itself.
  void RelayEvent(MSG* msg);

 private:
  TTTOOLINFOW MakeToolInfo(const CWnd& wnd, UINT id) const;
};
