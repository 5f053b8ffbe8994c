// CDialog: a dialog built from a template, run modally (with its own message loop, so that
// PreTranslateMessage sees every message) or modelessly.
#pragma once

#include <windows.h>

#include "wnd.h"

class CDataExchange;

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);
  ~CDialog() override;

  // Creates the dialog, disables its owner and runs until EndDialog; returns the value
  // given to EndDialog, or -1 when the dialog cannot be created.
  INT_PTR DoModal();
  // Creates the dialog without a loop of its own (tests drive it with messages).
  bool Create();
  // Ends a modal dialog with result; destroys a modeless one.
  void EndDialog(int result);

  // Centres the window over its owner, or on the work area when it has none.
  void CenterWindow();

  // Moves control values into the members (true) or the members into the controls.
  bool UpdateData(bool saveAndValidate = true);

  // WM_INITDIALOG: the first data exchange; true lets the system set the focus.
  virtual BOOL OnInitDialog();
  // The help key: F1 becomes the help command (kIdHelp), for the command map of the
  // dialog and then of the application.
  bool PreTranslateMessage(MSG* msg) override;

  // IDOK: reads the controls and ends with IDOK. IDCANCEL: ends with IDCANCEL.
  virtual void OnOK();
  virtual void OnCancel();

 protected:
  //   void DoDataExchange(CDataExchange* pDX)
  virtual void DoDataExchange(CDataExchange* pDX);
  // WM_COMMAND that no control took through reflection. Classes look up their command
  // map and then call this, which handles IDOK and IDCANCEL. True when handled.
  virtual bool OnCommand(UINT id, UINT code);
  // The part of the dialog procedure a class overrides; unhandled messages always go on to
  // DialogProcDefault. The result is the dialog procedure's.
  virtual INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR DialogProcDefault(UINT message, WPARAM wParam, LPARAM lParam);

  UINT m_nIDTemplate;     // dialog template resource id
  CWnd* m_pParentWnd;     // owner; we don't own it

 private:
  static INT_PTR CALLBACK StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam,
                                           LPARAM lParam);
  HWND CreateFromTemplate();
  void RunModalLoop();
  bool PreTranslateInput(MSG* msg);

  bool m_bModal = false;          // running inside DoModal
  bool m_bContinueModal = false;  // cleared by EndDialog
  INT_PTR m_nResult = -1;         // the value given to EndDialog
};
