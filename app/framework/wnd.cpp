#include "wnd.h"

#include "system_path.h"

namespace {

// The property that maps a window to its object.
constexpr const wchar_t* kObjectProperty = L"Vellumine.CWnd";

}  // namespace

CWnd::~CWnd() {
  if (m_hWnd != nullptr && m_pfnSuper != nullptr && IsWindow(m_hWnd)) UnsubclassWindow();
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
  if (hwnd == nullptr) return nullptr;
  return static_cast<CWnd*>(GetPropW(hwnd, kObjectProperty));
}

void CWnd::AttachHandle(HWND hwnd) {
  m_hWnd = hwnd;
  SetPropW(hwnd, kObjectProperty, this);
}

void CWnd::DetachHandle() {
  if (m_hWnd != nullptr) RemovePropW(m_hWnd, kObjectProperty);
  m_hWnd = nullptr;
}

// The procedure is set with the wide function, so the window stays a Unicode window: its
// texts reach the control without a trip through the ANSI code page.
bool CWnd::SubclassWindow(HWND hwnd) {
  if (hwnd == nullptr || m_hWnd != nullptr || FromHandlePermanent(hwnd) != nullptr)
    return false;
  AttachHandle(hwnd);
  PreSubclassWindow();
  m_pfnSuper = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
      hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::SubclassProc)));
  if (m_pfnSuper == nullptr) {
    DetachHandle();
    return false;
  }
  return true;
}

HWND CWnd::UnsubclassWindow() {
  HWND hwnd = m_hWnd;
  if (hwnd == nullptr) return nullptr;
  if (m_pfnSuper != nullptr) {
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
  }
  DetachHandle();
  return hwnd;
}

bool CWnd::PreTranslateMessage(MSG*) { return false; }

bool CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefaultWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefaultWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_pfnSuper != nullptr) return CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
  return DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* wnd = FromHandlePermanent(hwnd);
  if (wnd == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    // The window goes away: hand it back to its own procedure and forget it.
    WNDPROC super = wnd->m_pfnSuper;
    wnd->UnsubclassWindow();
    return CallWindowProcW(super, hwnd, message, wParam, lParam);
  }
  return wnd->WindowProc(message, wParam, lParam);
}

std::string CWnd::GetText() const { return GetWindowTextOf(m_hWnd); }

void CWnd::SetText(const std::string& text) { SetWindowTextOf(m_hWnd, text); }

std::string GetWindowTextOf(HWND hwnd) {
  // The length may be an overestimate; a text that grew in between is cut to it.
  int length = GetWindowTextLengthW(hwnd);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  int copied = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return vellumine::Utf8FromUtf16(text);
}

bool SetWindowTextOf(HWND hwnd, const std::string& text) {
  return SetWindowTextW(hwnd, vellumine::Utf16FromUtf8(text).c_str()) != FALSE;
}
