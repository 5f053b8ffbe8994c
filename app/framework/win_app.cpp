#include "win_app.h"

#include "common_controls.h"
#include "launcher.h"
#include "prompts.h"
#include "system_path.h"
#include "wnd.h"

namespace {

CWinApp* g_application = nullptr;  // the one application object; we don't own it

bool FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesW(vellumine::Utf16FromUtf8(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

CWinApp::CWinApp(const char* appName)
    : m_hInstance(GetModuleHandleW(nullptr)),
      m_strAppName(appName != nullptr ? appName : ""),
      m_strHelpFilePath(ModulePathWithExtension(nullptr, ".HLP")),
      m_strHtmlHelpPath(ModulePathWithExtension(nullptr, ".html")) {
  g_application = this;
}

CWinApp::~CWinApp() {
  if (g_application == this) g_application = nullptr;
}

CWinApp* CWinApp::Current() { return g_application; }

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::Run() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return ExitInstance();
}

int CWinApp::ExitInstance() { return 0; }

void CWinApp::Enable3dControlsStatic() { EnsureCommonControls(); }

void CWinApp::WinHelp(DWORD_PTR data, UINT command) {
  vellumine::Launcher& launcher = vellumine::CurrentLauncher();
  HWND owner = m_pMainWnd != nullptr ? m_pMainWnd->m_hWnd : nullptr;
  if (FileExists(m_strHelpFilePath) &&
      launcher.ShowHelp(owner, m_strHelpFilePath, command, data)) {
    return;
  }
  // No help file, or no help engine (current Windows has none): the HTML guide.
  if (launcher.OpenDocument(m_strHtmlHelpPath, SW_SHOWNORMAL) > 32) return;
  AppMessageBox("Failed to launch help.", MB_OK | MB_ICONEXCLAMATION);
}

bool CWinApp::OnCommand(UINT id, UINT code) {
  if (id == kIdHelp && code == 0) {
    OnHelp();
    return true;
  }
  return false;
}

void CWinApp::OnHelp() { WinHelp(0, HELP_FINDER); }

HINSTANCE CurrentResourceInstance() {
  CWinApp* app = CWinApp::Current();
  return app != nullptr ? app->m_hInstance : GetModuleHandleW(nullptr);
}

int AppMessageBox(const std::string& text, UINT type) {
  CWinApp* app = CWinApp::Current();
  HWND owner = nullptr;
  std::string caption;
  if (app != nullptr) {
    if (app->m_pMainWnd != nullptr) owner = app->m_pMainWnd->m_hWnd;
    caption = app->m_strAppName;
  }
  if (owner == nullptr) owner = GetActiveWindow();
  return vellumine::CurrentPrompts().ShowMessage(owner, text, caption, type);
}

std::string ModulePathWithExtension(HMODULE module, const char* extension) {
  // A path that fills the buffer may have been cut: the buffer doubles until the whole
  // path fits (Windows paths end at 32767 characters).
  std::wstring path(MAX_PATH, L'\0');
  DWORD length = 0;
  for (;;) {
    length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) break;
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
  path.resize(length);
  std::string result = vellumine::Utf8FromUtf16(path);
  size_t nameStart = result.find_last_of("\\/");
  size_t dot = result.rfind('.');
  if (dot != std::string::npos && (nameStart == std::string::npos || dot > nameStart))
    result.resize(dot);
  return result + extension;
}
