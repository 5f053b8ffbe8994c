#include "tool_tip_ctrl.h"

#include <commctrl.h>

#include "common_controls.h"
#include "system_path.h"
#include "win_app.h"

CToolTipCtrl::~CToolTipCtrl() {
  if (m_hWnd != nullptr && IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
}

bool CToolTipCtrl::Create(const CWnd& parent, DWORD style) {
  EnsureCommonControls();
  m_hWnd = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | style,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                           parent.m_hWnd, nullptr, CurrentResourceInstance(), nullptr);
  return m_hWnd != nullptr;
}

TTTOOLINFOW CToolTipCtrl::MakeToolInfo(const CWnd& wnd, UINT id) const {
  TTTOOLINFOW info{};
  info.cbSize = sizeof(info);
  info.hwnd = wnd.m_hWnd;
  info.uId = id;
  info.hinst = CurrentResourceInstance();
  return info;
}

bool CToolTipCtrl::AddTool(const CWnd& wnd, const std::string& text, const RECT& rect,
                           UINT id) {
  if (m_hWnd == nullptr) return false;
  std::wstring wide = vellumine::Utf16FromUtf8(text);
  TTTOOLINFOW info = MakeToolInfo(wnd, id);
  info.rect = rect;
  info.lpszText = wide.data();  // copied by the control
  return SendMessageW(m_hWnd, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)) != 0;
}

void CToolTipCtrl::UpdateTipText(const std::string& text, const CWnd& wnd, UINT id) {
  if (m_hWnd == nullptr) return;
  std::wstring wide = vellumine::Utf16FromUtf8(text);
  TTTOOLINFOW info = MakeToolInfo(wnd, id);
  info.lpszText = wide.data();
  SendMessageW(m_hWnd, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
}

std::string CToolTipCtrl::GetToolText(const CWnd& wnd, UINT id) const {
  if (m_hWnd == nullptr) return {};
  wchar_t text[1024] = {};
  TTTOOLINFOW info = MakeToolInfo(wnd, id);
  info.lpszText = text;
  SendMessageW(m_hWnd, TTM_GETTEXTW, sizeof(text) / sizeof(text[0]),
               reinterpret_cast<LPARAM>(&info));
  return vellumine::Utf8FromUtf16(text);
}

void CToolTipCtrl::RelayEvent(MSG* msg) {
  if (m_hWnd != nullptr) SendMessageW(m_hWnd, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
}
