// Data exchange: moves values between a dialog's controls and its members, in the order a
// dialog's DoDataExchange lists them.
#pragma once

#include <windows.h>

#include <string>

class CDialog;
class CWnd;

class CDataExchange {
 public:
  CDataExchange(CDialog* dialog, bool saveAndValidate)
      : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

  bool m_bSaveAndValidate;  // true: controls to members; false: members to controls
  CDialog* m_pDlgWnd;       // the dialog whose controls are exchanged; we don't own it

  // The control with this id (null when the template has none).
  HWND PrepareCtrl(int id) const;
};

// The window text of a control (an edit box, or the edit part of a combo box), in UTF-8.
void DDX_Text(CDataExchange* pDX, int id, std::string& value);
// A check box: 0 unchecked, 1 checked, 2 indeterminate.
void DDX_Check(CDataExchange* pDX, int id, int& value);
// A radio group starting at id and running to the next control with WS_GROUP: the index of
// the checked button, -1 when none is checked.
void DDX_Radio(CDataExchange* pDX, int id, int& value);
// Binds a wrapper object to the control on the first exchange (subclassing it).
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);
