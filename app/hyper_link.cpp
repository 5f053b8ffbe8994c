#include "hyper_link.h"

#include <shellapi.h>

#include <cstdio>

#include "framework/launcher.h"
#include "system_path.h"
#include "framework/win_app.h"

namespace {

constexpr UINT kToolId = 1;           // the one tool of the link's tool tip
constexpr int kWinHelpHandCursor = 106;  // the hand cursor resource of winhlp32.exe

// The system's hand cursor: IDC_HAND, spelt for the wide function.
const wchar_t* const kSystemHandCursor = MAKEINTRESOURCEW(32649);

}  // namespace

CHyperLink::CHyperLink()
    : m_crNormal(RGB(0, 0, 238)),
      m_crVisited(RGB(85, 26, 139)),
      m_crHover(GetSysColor(COLOR_HIGHLIGHT)),
      m_bMouseOver(FALSE),
      m_bVisited(FALSE),
      m_bUnderline(TRUE),
      m_bFitToText(TRUE),
      m_hHandCursor(nullptr) {}

CHyperLink::~CHyperLink() {
  if (m_hHandCursor != nullptr) DestroyCursor(m_hHandCursor);
}

void CHyperLink::PreSubclassWindow() {
  SetWindowLongPtrW(m_hWnd, GWL_STYLE, GetStyle() | SS_NOTIFY);
  if (m_strTarget.empty()) m_strTarget = GetText();
  if (GetText().empty()) SetText(m_strTarget);

  LOGFONTW font{};
  HFONT current = reinterpret_cast<HFONT>(SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
  if (current == nullptr) current = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  GetObjectW(current, sizeof(font), &font);
  font.lfUnderline = m_bUnderline ? TRUE : FALSE;
  m_fontLink.CreateFontIndirect(font);
  SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_fontLink.GetSafeHandle()), TRUE);

  FitToText();
  LoadHandCursor();

  RECT client{};
  GetClientRect(m_hWnd, &client);
  m_tip.Create(*this);
  m_tip.AddTool(*this, m_strTarget, client, kToolId);
}

bool CHyperLink::PreTranslateMessage(MSG* msg) {
  m_tip.RelayEvent(msg);
  return CStatic::PreTranslateMessage(msg);
}

void CHyperLink::SetTarget(const std::string& target) {
  m_strTarget = target;
  if (m_hWnd == nullptr) return;
  FitToText();
  m_tip.UpdateTipText(target, *this, kToolId);
}

void CHyperLink::SetVisited(bool visited) {
  m_bVisited = visited ? TRUE : FALSE;
  if (m_hWnd != nullptr) InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CHyperLink::FitToText() {
  if (m_hWnd == nullptr || !m_bFitToText) return;
  HWND parent = GetParent(m_hWnd);
  RECT rect{};
  GetWindowRect(m_hWnd, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);

  const std::wstring text = vellumine::Utf16FromUtf8(GetText());
  SIZE extent{};
  HDC dc = GetDC(m_hWnd);
  HGDIOBJ previous = SelectObject(dc, m_fontLink.GetSafeHandle());
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  SelectObject(dc, previous);
  ReleaseDC(m_hWnd, dc);

  LONG_PTR style = GetStyle();
  LONG height = rect.bottom - rect.top;
  LONG width = rect.right - rect.left;
  if ((style & SS_CENTERIMAGE) != 0) {
    LONG shrink = (height - extent.cy) / 2;
    rect.top += shrink;
    rect.bottom -= shrink;
  } else {
    rect.bottom = rect.top + extent.cy;
  }
  switch (style & SS_TYPEMASK) {
    case SS_CENTER: {
      LONG shrink = (width - extent.cx) / 2;
      rect.left += shrink;
      rect.right -= shrink;
      break;
    }
    case SS_RIGHT:
      rect.left = rect.right - extent.cx;
      break;
    default:
      rect.right = rect.left + extent.cx;
      break;
  }
  SetWindowPos(m_hWnd, nullptr, rect.left, rect.top, rect.right - rect.left,
               rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CHyperLink::LoadHandCursor() {
  if (m_hHandCursor != nullptr) return;
  wchar_t directory[MAX_PATH] = {};
  UINT length = GetWindowsDirectoryW(directory, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    LoadHandCursorFrom({});
    return;
  }
  LoadHandCursorFrom(vellumine::Utf8FromUtf16(std::wstring_view(directory, length)) +
                     "\\winhlp32.exe");
}

void CHyperLink::LoadHandCursorFrom(const std::string& modulePath) {
  if (m_hHandCursor != nullptr) return;
  if (!modulePath.empty()) {
    HMODULE module =
        LoadLibraryExW(vellumine::Utf16FromUtf8(modulePath).c_str(), nullptr,
                       LOAD_LIBRARY_AS_DATAFILE);
    if (module != nullptr) {
      HCURSOR cursor = LoadCursorW(module, MAKEINTRESOURCEW(kWinHelpHandCursor));
      if (cursor != nullptr) m_hHandCursor = CopyCursor(cursor);
      FreeLibrary(module);
    }
  }
  // Current Windows has no such cursor: the system's own hand.
  if (m_hHandCursor == nullptr) m_hHandCursor = CopyCursor(LoadCursorW(nullptr, kSystemHandCursor));
}

LRESULT CHyperLink::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETCURSOR:
      if (OnSetCursor()) return TRUE;
      break;
    case WM_MOUSEMOVE: {
      LRESULT result = DefaultWindowProc(message, wParam, lParam);
      POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      OnMouseMove(point);
      return result;
    }
    default:
      break;
  }
  return CStatic::WindowProc(message, wParam, lParam);
}

bool CHyperLink::OnReflectedCommand(UINT code) {
  if (code != STN_CLICKED) return false;
  OnClicked();
  return true;
}

HBRUSH CHyperLink::CtlColor(HDC dc, UINT) {
  COLORREF colour = m_bMouseOver ? m_crHover : m_bVisited ? m_crVisited : m_crNormal;
  SetTextColor(dc, colour);
  SetBkMode(dc, TRANSPARENT);
  return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

bool CHyperLink::OnSetCursor() {
  if (m_hHandCursor == nullptr) return false;
  ::SetCursor(m_hHandCursor);
  return true;
}

void CHyperLink::RedrawNow() {
  RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CHyperLink::OnMouseMove(POINT point) {
  if (m_bMouseOver) {
    RECT client{};
    GetClientRect(m_hWnd, &client);
    if (!PtInRect(&client, point)) {
      m_bMouseOver = FALSE;
      ReleaseCapture();
      RedrawNow();
    }
  } else {
    m_bMouseOver = TRUE;
    RedrawNow();
    SetCapture(m_hWnd);
  }
}

void CHyperLink::OnClicked() {
  int result = OpenTarget(m_strTarget, SW_SHOW);
  m_bVisited = result > 32 ? TRUE : FALSE;
  if (m_bVisited) {
    SetVisited(true);
  } else {
    MessageBeep(MB_ICONEXCLAMATION);
    ReportOpenError(result);
  }
}

int CHyperLink::OpenTarget(const std::string& target, int showCommand) {
  vellumine::Launcher& launcher = vellumine::CurrentLauncher();
  int result = launcher.OpenDocument(target, showCommand);
  if (result > 32) return result;
  // The shell cannot: try the program that opens ".htm" pages.
  std::string kind;
  if (ReadClassesRootValue(".htm", kind) != ERROR_SUCCESS) return result;
  std::string openCommand;
  if (ReadClassesRootValue(kind + "\\shell\\open\\command", openCommand) != ERROR_SUCCESS)
    return result;
  return static_cast<int>(
      launcher.RunCommandLine(BuildOpenCommandLine(openCommand, target), showCommand));
}

long CHyperLink::ReadClassesRootValue(const std::string& subKey, std::string& out) {
  return vellumine::CurrentLauncher().ReadClassesRootValue(subKey, out);
}

void CHyperLink::ReportOpenError(int code) {
  AppMessageBox("Unable to open hyperlink:\n\n" + OpenErrorText(code),
                MB_ICONEXCLAMATION | MB_OK);
}

std::string OpenErrorText(int code) {
  switch (code) {
    case 0: return "The operating system is out\nof memory or resources.";
    case SE_ERR_FNF: return "The specified file was not found.";
    case SE_ERR_PNF: return "The specified path was not found.";
    case SE_ERR_ACCESSDENIED: return "The operating system denied\naccess to the specified file.";
    case SE_ERR_OOM: return "There was not enough memory to complete the operation.";
    case ERROR_BAD_FORMAT:
      return "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
    case SE_ERR_SHARE: return "A sharing violation occurred. ";
    case SE_ERR_ASSOCINCOMPLETE: return "The filename association is\nincomplete or invalid.";
    case SE_ERR_DDETIMEOUT:
      return "The DDE transaction could not\nbe completed because the request timed out.";
    case SE_ERR_DDEFAIL: return "The DDE transaction failed.";
    case SE_ERR_DDEBUSY:
      return "The DDE transaction could not\nbe completed because other DDE transactions\n"
             "were being processed.";
    case SE_ERR_NOASSOC:
      return "There is no application associated\nwith the given filename extension.";
    case SE_ERR_DLLNOTFOUND: return "The specified dynamic-link library was not found.";
    default: {
      char text[64];
      std::snprintf(text, sizeof(text), "Unknown Error (%d) occurred.", code);
      return text;
    }
  }
}

std::string BuildOpenCommandLine(const std::string& openCommand, const std::string& target) {
  std::string line = openCommand;
  // UTF-8: no byte of a character beyond ASCII is a quote or a percent sign.
  size_t cut = line.find("\"%1\"");
  if (cut == std::string::npos) cut = line.find("%1");
  if (cut != std::string::npos) line.resize(cut);
  return line + " " + target;
}
