#include "data_exchange.h"

#include "dialog.h"

HWND CDataExchange::PrepareCtrl(int id) const { return m_pDlgWnd->GetDlgItem(id); }

void DDX_Text(CDataExchange* pDX, int id, std::string& value) {
  HWND control = pDX->PrepareCtrl(id);
  if (control == nullptr) return;
  if (pDX->m_bSaveAndValidate) {
    value = GetWindowTextOf(control);
  } else {
    SetWindowTextOf(control, value);
  }
}

void DDX_Check(CDataExchange* pDX, int id, int& value) {
  HWND control = pDX->PrepareCtrl(id);
  if (control == nullptr) return;
  if (pDX->m_bSaveAndValidate) {
    value = static_cast<int>(SendMessageW(control, BM_GETCHECK, 0, 0));
  } else {
    SendMessageW(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
  }
}

void DDX_Radio(CDataExchange* pDX, int id, int& value) {
  HWND control = pDX->PrepareCtrl(id);
  if (control == nullptr) return;
  if (pDX->m_bSaveAndValidate) value = -1;
  int index = 0;
  do {
    if ((SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) != 0) {
      if (pDX->m_bSaveAndValidate) {
        if (SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED) value = index;
      } else {
        SendMessageW(control, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
      }
      ++index;
    }
    control = GetWindow(control, GW_HWNDNEXT);
  } while (control != nullptr && (GetWindowLongPtrW(control, GWL_STYLE) & WS_GROUP) == 0);
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
  if (control.m_hWnd != nullptr) return;
  control.SubclassWindow(pDX->PrepareCtrl(id));
}
