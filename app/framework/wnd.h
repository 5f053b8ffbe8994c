// CWnd: a window handle with an object behind it. Subclassing routes a control's messages
// to the object, and the parent's dialog hands reflected notifications back to it.
#pragma once

#include <windows.h>

#include <string>

class CWnd {
 public:
  CWnd() = default;
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND m_hWnd = nullptr;  // the window; null until attached, again null after WM_NCDESTROY

  // The object attached to a window by this framework, or null.
  static CWnd* FromHandlePermanent(HWND hwnd);

  // Attaches this object to an existing window and routes its messages through WindowProc.
  // PreSubclassWindow runs first, with m_hWnd already set.
  bool SubclassWindow(HWND hwnd);
  // Restores the window's own procedure and forgets the window.
  HWND UnsubclassWindow();

  // Gives a wrapper the first look at a message before it is dispatched (the modal loop
  // calls it for the target window and its ancestors); true when the message is consumed.
  virtual bool PreTranslateMessage(MSG* msg);

  // A notification the parent reflected back to the control that sent it (WM_COMMAND,
  // WM_CTLCOLOR*); true when the control handled it and *result holds the answer.
  virtual bool OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

  // The window's text, in UTF-8.
  std::string GetText() const;
  void SetText(const std::string& text);
  LONG_PTR GetStyle() const { return GetWindowLongPtrW(m_hWnd, GWL_STYLE); }
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }

 protected:
  // Runs once the window is attached, before its messages reach WindowProc.
  virtual void PreSubclassWindow() {}

  // Messages of a subclassed window; pass what is not handled to DefaultWindowProc.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // The window's own procedure, as it was before subclassing.
  LRESULT DefaultWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

  // Marks the window as belonging to this object (the handle map is a window property).
  void AttachHandle(HWND hwnd);
  void DetachHandle();

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam,
                                       LPARAM lParam);
  WNDPROC m_pfnSuper = nullptr;  // the procedure replaced by SubclassWindow
};

// Reads a window's text of any length, in UTF-8.
std::string GetWindowTextOf(HWND hwnd);
// Sets a window's text from UTF-8; false when the window refuses it.
bool SetWindowTextOf(HWND hwnd, const std::string& text);
