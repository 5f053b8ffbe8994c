#include "dialog.h"

#include "common_controls.h"
#include "data_exchange.h"
#include "win_app.h"

CDialog::CDialog(UINT templateId, CWnd* parent)
    : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog() {
  // The object goes first: the window must not call into a half-destroyed object.
  HWND hwnd = m_hWnd;
  if (hwnd != nullptr) {
    DetachHandle();
    DestroyWindow(hwnd);
  }
}

HWND CDialog::CreateFromTemplate() {
  EnsureCommonControls();
  HWND owner = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : nullptr;
  return CreateDialogParamW(CurrentResourceInstance(), MAKEINTRESOURCEW(m_nIDTemplate), owner,
                            &CDialog::StaticDialogProc, reinterpret_cast<LPARAM>(this));
}

bool CDialog::Create() {
  m_bModal = false;
  m_nResult = -1;
  return CreateFromTemplate() != nullptr;
}

INT_PTR CDialog::DoModal() {
  m_bModal = true;
  m_bContinueModal = true;
  m_nResult = -1;
  HWND hwnd = CreateFromTemplate();
  if (hwnd == nullptr) {
    m_bModal = false;
    return -1;
  }
  HWND owner = GetWindow(hwnd, GW_OWNER);
  bool disabledOwner = owner != nullptr && IsWindowEnabled(owner);
  if (disabledOwner) EnableWindow(owner, FALSE);
  if (m_bContinueModal) {
    CenterWindow();
    if (!IsWindowVisible(hwnd)) ShowWindow(hwnd, SW_SHOWNORMAL);
    RunModalLoop();
  }
  // Re-enable the owner before the dialog goes, so that activation returns to it.
  if (disabledOwner) EnableWindow(owner, TRUE);
  if (owner != nullptr && GetActiveWindow() == hwnd) SetActiveWindow(owner);
  DestroyWindow(hwnd);
  m_bModal = false;
  return m_nResult;
}

void CDialog::RunModalLoop() {
  MSG msg;
  while (m_bContinueModal && m_hWnd != nullptr) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      // WM_QUIT belongs to the outer loop: put it back and end this one.
      PostQuitMessage(static_cast<int>(msg.wParam));
      if (m_nResult == -1) m_nResult = IDCANCEL;
      return;
    }
    if (got == -1) return;
    if (PreTranslateInput(&msg)) continue;
    if (m_hWnd != nullptr && IsDialogMessageW(m_hWnd, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

bool CDialog::PreTranslateInput(MSG* msg) {
  for (HWND hwnd = msg->hwnd; hwnd != nullptr; hwnd = GetParent(hwnd)) {
    CWnd* wnd = FromHandlePermanent(hwnd);
    if (wnd != nullptr && wnd->PreTranslateMessage(msg)) return true;
    if (hwnd == m_hWnd) break;
  }
  return false;
}

void CDialog::CenterWindow() {
  if (m_hWnd == nullptr) return;
  RECT window{};
  GetWindowRect(m_hWnd, &window);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& area = monitor.rcWork;
  RECT around = area;
  HWND owner = GetWindow(m_hWnd, GW_OWNER);
  if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &around);
  LONG width = window.right - window.left;
  LONG height = window.bottom - window.top;
  LONG left = around.left + (around.right - around.left - width) / 2;
  LONG top = around.top + (around.bottom - around.top - height) / 2;
  // Kept on the work area.
  if (left + width > area.right) left = area.right - width;
  if (top + height > area.bottom) top = area.bottom - height;
  if (left < area.left) left = area.left;
  if (top < area.top) top = area.top;
  SetWindowPos(m_hWnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CDialog::PreTranslateMessage(MSG* msg) {
  if (msg->message == WM_KEYDOWN && msg->wParam == VK_F1 && GetKeyState(VK_SHIFT) >= 0 &&
      GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0 && m_hWnd != nullptr) {
    SendMessageW(m_hWnd, WM_COMMAND, kIdHelp, 0);
    return true;
  }
  return CWnd::PreTranslateMessage(msg);
}

void CDialog::EndDialog(int result) {
  m_nResult = result;
  if (m_bModal) {
    m_bContinueModal = false;
    if (m_hWnd != nullptr) {
      ShowWindow(m_hWnd, SW_HIDE);
      PostMessageW(m_hWnd, WM_NULL, 0, 0);  // wakes the loop if it waits
    }
  } else if (m_hWnd != nullptr) {
    DestroyWindow(m_hWnd);
  }
}

bool CDialog::UpdateData(bool saveAndValidate) {
  if (m_hWnd == nullptr) return false;
  CDataExchange dx(this, saveAndValidate);
  DoDataExchange(&dx);
  return true;
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::OnInitDialog() {
  UpdateData(false);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(true)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::OnCommand(UINT id, UINT code) {
  if (code == BN_CLICKED && id == IDOK) {
    OnOK();
    return true;
  }
  if (code == BN_CLICKED && id == IDCANCEL) {
    OnCancel();
    return true;
  }
  // What no window handles goes on to the application.
  CWinApp* app = CWinApp::Current();
  return app != nullptr && app->OnCommand(id, code);
}

INT_PTR CDialog::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return DialogProcDefault(message, wParam, lParam);
}

INT_PTR CDialog::DialogProcDefault(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_COMMAND: {
      // A control's notification goes back to the control first (a link label's click).
      HWND control = reinterpret_cast<HWND>(lParam);
      if (CWnd* child = FromHandlePermanent(control); child != nullptr && child != this) {
        LRESULT result = 0;
        if (child->OnChildNotify(message, wParam, lParam, &result)) return TRUE;
      }
      return OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: {
      // The control chooses its own colours when it wants to; the brush is the answer.
      HWND control = reinterpret_cast<HWND>(lParam);
      if (CWnd* child = FromHandlePermanent(control); child != nullptr && child != this) {
        LRESULT result = 0;
        if (child->OnChildNotify(message, wParam, lParam, &result))
          return static_cast<INT_PTR>(result);
      }
      return FALSE;
    }
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK CDialog::StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  CDialog* dialog = nullptr;
  if (message == WM_INITDIALOG) {
    dialog = reinterpret_cast<CDialog*>(lParam);
    dialog->AttachHandle(hwnd);
  } else {
    dialog = static_cast<CDialog*>(FromHandlePermanent(hwnd));
  }
  if (dialog == nullptr) return FALSE;
  INT_PTR result = dialog->DialogProc(message, wParam, lParam);
  if (message == WM_NCDESTROY) dialog->DetachHandle();
  return result;
}
