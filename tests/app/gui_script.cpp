#include "gui_script.h"

namespace vellumine::testing {

int ScriptedPrompts::ShowMessage(HWND owner, const std::string& text,
                                 const std::string& caption, UINT type) {
  messages.push_back({owner, text, caption, type});
  if (onMessage) onMessage(messages.back());
  if (answers.empty()) return (type & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
  int answer = answers.front();
  answers.pop_front();
  return answer;
}

bool ScriptedPrompts::OpenFile(const OpenFileRequest& request, std::string& chosenPath) {
  openFileRequests.push_back(request);
  if (!openFileAnswer) return false;
  chosenPath = *openFileAnswer;
  return true;
}

bool ScriptedPrompts::BrowseForFolder(HWND owner, const std::string& title,
                                      const std::string& initialPath,
                                      std::string& chosenPath) {
  folderRequests.push_back({owner, title, initialPath});
  if (!folderAnswer) return false;
  chosenPath = *folderAnswer;
  return true;
}

int ScriptedLauncher::OpenDocument(const std::string& target, int showCommand) {
  opened.push_back({target, showCommand});
  return openResult;
}

unsigned ScriptedLauncher::RunCommandLine(const std::string& commandLine, int showCommand) {
  commandLines.push_back({commandLine, showCommand});
  return runResult;
}

bool ScriptedLauncher::ShowHelp(HWND, const std::string& helpFile, UINT command,
                                ULONG_PTR data) {
  helpCalls.push_back({helpFile, command, data});
  return helpResult;
}

long ScriptedLauncher::ReadClassesRootValue(const std::string& subKey, std::string& value) {
  auto found = classesRoot.find(subKey);
  if (found == classesRoot.end()) return ERROR_FILE_NOT_FOUND;
  value = found->second;
  return ERROR_SUCCESS;
}

ScopedScripts::ScopedScripts()
    : previousPrompts_(SetPrompts(&prompts)), previousLauncher_(SetLauncher(&launcher)) {}

ScopedScripts::~ScopedScripts() {
  SetPrompts(previousPrompts_);
  SetLauncher(previousLauncher_);
}

}  // namespace vellumine::testing
