#include "prompts.h"

#include <commdlg.h>
#include <shlobj.h>

#include "win_app.h"

namespace vellumine {
namespace {

// Preselects the initial folder once the browser is up.
int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED) SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, data);
  return 0;
}

class PlatformPrompts final : public Prompts {
 public:
  int ShowMessage(HWND owner, const std::string& text, const std::string& caption,
                  UINT type) override {
    return MessageBoxA(owner, text.c_str(), caption.c_str(), type);
  }

  bool OpenFile(const OpenFileRequest& request, std::string& chosenPath) override {
    char path[MAX_PATH] = {};
    request.initialFile.copy(path, MAX_PATH - 1);
    // The filter's '|' separators become the terminators the dialog expects.
    std::string filter = request.filter;
    for (char& c : filter) {
      if (c == '|') c = '\0';
    }
    filter.push_back('\0');
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = request.owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = path;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrDefExt = request.defaultExtension.empty() ? nullptr
                                                       : request.defaultExtension.c_str();
    ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER;
    if (request.templateId != 0) {
      ofn.Flags |= OFN_ENABLETEMPLATE;
      ofn.hInstance = CurrentResourceInstance();
      ofn.lpTemplateName = MAKEINTRESOURCEA(request.templateId);
    }
    if (!GetOpenFileNameA(&ofn)) return false;
    chosenPath = path;
    return true;
  }

  bool BrowseForFolder(HWND owner, const std::string& title, const std::string& initialPath,
                       std::string& chosenPath) override {
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    char display[MAX_PATH] = {};
    BROWSEINFOA info{};
    info.hwndOwner = owner;
    info.pszDisplayName = display;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = &BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(initialPath.c_str());
    bool chosen = false;
    if (LPITEMIDLIST item = SHBrowseForFolderA(&info); item != nullptr) {
      char path[MAX_PATH] = {};
      if (SHGetPathFromIDListA(item, path)) {
        chosenPath = path;
        chosen = true;
      }
      CoTaskMemFree(item);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return chosen;
  }
};

Prompts* g_replacement = nullptr;  // tests' script; we don't own it

}  // namespace

Prompts& CurrentPrompts() {
  static PlatformPrompts platform;
  return g_replacement != nullptr ? *g_replacement : platform;
}

Prompts* SetPrompts(Prompts* prompts) {
  Prompts* previous = g_replacement;
  g_replacement = prompts;
  return previous;
}

}  // namespace vellumine
