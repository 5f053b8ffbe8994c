#include "tool_tip_ctrl.h"

#include <commctrl.h>

#include "common_controls.h"
#include "win_app.h"

CToolTipCtrl::~CToolTipCtrl() {
  if (m_hWnd != nullptr && IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
}

bool CToolTipCtrl::Create(const CWnd& parent, DWORD style) {
  EnsureCommonControls();
  m_hWnd = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | style,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                           parent.m_hWnd, nullptr, CurrentResourceInstance(), nullptr);
  return m_hWnd != nullptr;
}

TTTOOLINFOA CToolTipCtrl::MakeToolInfo(const CWnd& wnd, UINT id) const {
  TTTOOLINFOA info{};
  info.cbSize = sizeof(info);
  info.hwnd = wnd.m_hWnd;
  info.uId = id;
  info.hinst = CurrentResourceInstance();
  return info;
}

bool CToolTipCtrl::AddTool(const CWnd& wnd, const std::string& text, const RECT& rect,
                           UINT id) {
  if (m_hWnd == nullptr) return false;
  TTTOOLINFOA info = MakeToolInfo(wnd, id);
  info.rect = rect;
  info.lpszText = const_cast<char*>(text.c_str());  // copied by the control
  return SendMessageA(m_hWnd, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)) != 0;
}

void CToolTipCtrl::UpdateTipText(const std::string& text, const CWnd& wnd, UINT id) {
  if (m_hWnd == nullptr) return;
  TTTOOLINFOA info = MakeToolInfo(wnd, id);
  info.lpszText = const_cast<char*>(text.c_str());
  SendMessageA(m_hWnd, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
}

std::string CToolTipCtrl::GetToolText(const CWnd& wnd, UINT id) const {
  if (m_hWnd == nullptr) return {};
  char text[1024] = {};
  TTTOOLINFOA info = MakeToolInfo(wnd, id);
  info.lpszText = text;
  SendMessageA(m_hWnd, TTM_GETTEXTA, sizeof(text), reinterpret_cast<LPARAM>(&info));
  return text;
}

void CToolTipCtrl::RelayEvent(MSG* msg) {
  if (m_hWnd != nullptr) SendMessageA(m_hWnd, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
}
