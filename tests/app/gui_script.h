// Scripts in place of the prompts and the launcher: every message box, Open dialog, folder
// browser, shell call and registry read is recorded and answered from the test's script.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "framework/launcher.h"
#include "framework/prompts.h"

namespace vellumine::testing {

struct MessageRecord {
  HWND owner;
  std::string text;
  std::string caption;
  UINT type;  // MB_* flags
};

struct FolderRequest {
  HWND owner;
  std::string title;
  std::string initialPath;
};

class ScriptedPrompts final : public Prompts {
 public:
  // Buttons to press, in order; a box beyond the script is answered IDOK (IDNO for Yes/No).
  std::deque<int> answers;
  // Runs while each box is up (the window's state can be read then).
  std::function<void(const MessageRecord&)> onMessage;
  // The path the Open dialog and the folder browser return; nullopt cancels.
  std::optional<std::string> openFileAnswer;
  std::optional<std::string> folderAnswer;

  std::vector<MessageRecord> messages;
  std::vector<OpenFileRequest> openFileRequests;
  std::vector<FolderRequest> folderRequests;

  int ShowMessage(HWND owner, const std::string& text, const std::string& caption,
                  UINT type) override;
  bool OpenFile(const OpenFileRequest& request, std::string& chosenPath) override;
  bool BrowseForFolder(HWND owner, const std::string& title, const std::string& initialPath,
                       std::string& chosenPath) override;
};

struct OpenCall {
  std::string target;
  int showCommand;
};

struct HelpCall {
  std::string helpFile;
  UINT command;
  ULONG_PTR data;
};

class ScriptedLauncher final : public Launcher {
 public:
  int openResult = 42;           // the shell's answer to every OpenDocument
  unsigned runResult = 33;       // WinExec's answer
  bool helpResult = true;        // WinHelp's answer
  std::map<std::string, std::string> classesRoot;  // key -> default value; others missing

  std::vector<OpenCall> opened;
  std::vector<OpenCall> commandLines;
  std::vector<HelpCall> helpCalls;

  int OpenDocument(const std::string& target, int showCommand) override;
  unsigned RunCommandLine(const std::string& commandLine, int showCommand) override;
  bool ShowHelp(HWND owner, const std::string& helpFile, UINT command,
                ULONG_PTR data) override;
  long ReadClassesRootValue(const std::string& subKey, std::string& value) override;
};

// Puts both scripts in place for the lifetime of the object.
class ScopedScripts {
 public:
  ScopedScripts();
  ~ScopedScripts();
  ScopedScripts(const ScopedScripts&) = delete;
  ScopedScripts& operator=(const ScopedScripts&) = delete;

  ScriptedPrompts prompts;
  ScriptedLauncher launcher;

 private:
  Prompts* previousPrompts_;
  Launcher* previousLauncher_;
};

}  // namespace vellumine::testing
