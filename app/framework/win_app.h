// CWinApp: the one application object, its start (InitInstance), help and message box.
#pragma once

#include <windows.h>

#include <string>

class CWnd;

class CWinApp {
 public:
  // The object registers itself as the application; exactly one may exist.
  explicit CWinApp(const char* appName);
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  static CWinApp* Current();

  // Called by the entry point. False ends the program without a message loop.
  virtual BOOL InitInstance();
  // The message loop, for applications whose InitInstance returned true.
  virtual int Run();
  // Called when the program ends; its result is the exit code.
  virtual int ExitInstance();

  // Prepares the controls' drawing: the common-control classes, drawn with the visual
  // styles the manifest asks for.
  void Enable3dControlsStatic();

  // Opens the help file at command (HELP_FINDER, ...) with WinHelp. When the .HLP file is
  // absent or WinHelp fails, the HTML guide beside the program opens instead; when that
  // fails too, "Failed to launch help." is shown.
  void WinHelp(DWORD_PTR data, UINT command);

  // Commands that no window handled. The command map: ID_HELP -> OnHelp.
  virtual bool OnCommand(UINT id, UINT code);
  //   void OnHelp()
  void OnHelp();

  HINSTANCE m_hInstance;          // the program module
  CWnd* m_pMainWnd = nullptr;     // the main window while it runs; we don't own it
  // Texts and paths in UTF-8.
  std::string m_strAppName;       // caption of the application's message boxes
  std::string m_strHelpFilePath;  // the program's path with the extension ".HLP"
  std::string m_strHtmlHelpPath;  // the program's path with the extension ".html"
};

// The framework's help command and the one that opens the help contents.
inline constexpr UINT kIdHelp = 57670;

// The module that holds the dialog templates, menus, icons and strings.
HINSTANCE CurrentResourceInstance();

// The application's message box: owned by the main window, captioned with the application
// name. Returns the button pressed.
int AppMessageBox(const std::string& text, UINT type);

// The program file's path with its extension replaced by extension (".HLP").
std::string ModulePathWithExtension(HMODULE module, const char* extension);
