// CHyperLink: a static text that looks like a web link and opens its target when clicked.
#pragma once

#include <windows.h>

#include <string>

#include "framework/font.h"
#include "framework/static_control.h"
#include "framework/tool_tip_ctrl.h"

class CHyperLink : public CStatic {
 public:
  CHyperLink();
  ~CHyperLink() override;

  // Stores the target; with a window, fits it to its text and retitles the tool tip.
  void SetTarget(const std::string& target);
  // Stores the flag; with a window, repaints it in the new colour.
  void SetVisited(bool visited);
  // Shrinks the control to its text, keeping the side its alignment keeps.
  void FitToText();
  // The hand cursor: cursor 106 of winhlp32.exe in the Windows directory when there is
  // one, otherwise the system's hand cursor. Only when no cursor is loaded yet.
  void LoadHandCursor();
  void LoadHandCursorFrom(const std::string& modulePath);
  // Opens target with the shell, falling back to the program that opens ".htm" pages;
  // the shell's (or WinExec's) result, above 32 on success.
  int OpenTarget(const std::string& target, int showCommand);
  // The default value of a key under HKEY_CLASSES_ROOT; 0 or the error of opening it.
  long ReadClassesRootValue(const std::string& subKey, std::string& out);
  // "Unable to open hyperlink:" and the text for the shell's error code, with a warning.
  void ReportOpenError(int code);

  bool PreTranslateMessage(MSG* msg) override;

  COLORREF m_crNormal;       // text colour of a link not yet opened
  COLORREF m_crVisited;      // text colour after the target was opened
  COLORREF m_crHover;        // text colour while the pointer is over the control
  BOOL m_bMouseOver;         // the pointer is over the control (which holds the capture)
  BOOL m_bVisited;           // the target was opened successfully
  BOOL m_bUnderline;         // draw the text underlined
  BOOL m_bFitToText;         // resize the control to its text
  std::string m_strTarget;   // the address or file to open
  CFont m_fontLink;          // the control's font, underlined
  HCURSOR m_hHandCursor;     // our copy of the cursor shown over the control, or null
  CToolTipCtrl m_tip;        // shows m_strTarget

 protected:
  void PreSubclassWindow() override;
  // Message map: WM_SETCURSOR -> OnSetCursor, WM_MOUSEMOVE -> OnMouseMove.
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Reflected STN_CLICKED -> OnClicked.
  bool OnReflectedCommand(UINT code) override;
  //   HBRUSH CtlColor(HDC dc, UINT ctlColor): the colour for the state, no background
  HBRUSH CtlColor(HDC dc, UINT ctlColor) override;

  //   void OnClicked()
  void OnClicked();
  //   bool OnSetCursor(): true when the hand cursor was set
  bool OnSetCursor();
  //   void OnMouseMove(POINT point)
  void OnMouseMove(POINT point);

 private:
  void RedrawNow();
};

// The text for a shell open error code, as the link's error box shows it after its lead.
std::string OpenErrorText(int code);

// The command line that opens target with a program's "open" command: the command is cut
// at its quoted "%1" placeholder (or else at a bare %1), then a blank and target follow.
std::string BuildOpenCommandLine(const std::string& openCommand, const std::string& target);
