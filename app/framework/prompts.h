// The prompts a window raises: message boxes, the Open dialog and the folder browser. The
// program uses the platform's; tests put a script in their place. Every text and path is
// UTF-8.
#pragma once

#include <windows.h>

#include <string>

namespace vellumine {

// What the Open dialog is asked to show.
struct OpenFileRequest {
  HWND owner = nullptr;          // owning window
  std::string initialFile;       // initial file name; empty for none
  std::string filter;            // display text and pattern pairs, each ended by '|'
  std::string defaultExtension;  // appended to typed names without one
  UINT templateId = 0;           // extension template (a child dialog), 0 for none
};

class Prompts {
 public:
  virtual ~Prompts() = default;
  // A modal message box (MB_* type flags); returns the button pressed (IDOK, IDYES, ...).
  virtual int ShowMessage(HWND owner, const std::string& text, const std::string& caption,
                          UINT type) = 0;
  // The Open dialog; false when the user cancels.
  virtual bool OpenFile(const OpenFileRequest& request, std::string& chosenPath) = 0;
  // The folder browser (file-system directories only), preselecting initialPath; false
  // when the user cancels.
  virtual bool BrowseForFolder(HWND owner, const std::string& title,
                               const std::string& initialPath, std::string& chosenPath) = 0;
};

// The prompts in use: the platform's unless replaced.
Prompts& CurrentPrompts();
// Replaces the prompts (null restores the platform's); returns the previous replacement.
Prompts* SetPrompts(Prompts* prompts);

}  // namespace vellumine
