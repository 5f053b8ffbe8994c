#include "prompts.h"

#include <commdlg.h>
#include <shlobj.h>

#include <memory>

#include "system_path.h"
#include "win_app.h"

namespace vellumine {
namespace {

// Room for the longest path Windows knows (32767 characters and the terminator).
constexpr DWORD kLongestPath = 32768;

// Preselects the initial folder once the browser is up; data points to its UTF-16 path.
int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED) SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}

// COM for this thread while the object lives, when it could be started.
class ComScope {
 public:
  ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  HRESULT result_;
};

// An item list the shell allocated, freed with the object.
struct ItemListFree {
  void operator()(ITEMIDLIST* item) const { CoTaskMemFree(item); }
};
using ItemList = std::unique_ptr<ITEMIDLIST, ItemListFree>;

class PlatformPrompts final : public Prompts {
 public:
  int ShowMessage(HWND owner, const std::string& text, const std::string& caption,
                  UINT type) override {
    return MessageBoxW(owner, Utf16FromUtf8(text).c_str(), Utf16FromUtf8(caption).c_str(),
                       type);
  }

  bool OpenFile(const OpenFileRequest& request, std::string& chosenPath) override {
    std::wstring path(kLongestPath, L'\0');
    vellumine::Utf16FromUtf8(request.initialFile).copy(path.data(), kLongestPath - 1);
    // The filter's '|' separators become the terminators the dialog expects.
    std::wstring filter = vellumine::Utf16FromUtf8(request.filter);
    for (wchar_t& c : filter) {
      if (c == L'|') c = L'\0';
    }
    filter.push_back(L'\0');
    const std::wstring defaultExtension = vellumine::Utf16FromUtf8(request.defaultExtension);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = request.owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = path.data();
    ofn.nMaxFile = kLongestPath;
    ofn.lpstrDefExt = defaultExtension.empty() ? nullptr : defaultExtension.c_str();
    ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER;
    if (request.templateId != 0) {
      ofn.Flags |= OFN_ENABLETEMPLATE;
      ofn.hInstance = CurrentResourceInstance();
      ofn.lpTemplateName = MAKEINTRESOURCEW(request.templateId);
    }
    if (!GetOpenFileNameW(&ofn)) return false;
    chosenPath = vellumine::Utf8FromUtf16(path.c_str());
    return true;
  }

  bool BrowseForFolder(HWND owner, const std::string& title, const std::string& initialPath,
                       std::string& chosenPath) override {
    ComScope com;
    const std::wstring wideTitle = vellumine::Utf16FromUtf8(title);
    const std::wstring initial = vellumine::Utf16FromUtf8(initialPath);
    wchar_t display[MAX_PATH] = {};  // the folder's display name, which is not used
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.pszDisplayName = display;
    info.lpszTitle = wideTitle.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = &BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(initial.c_str());
    ItemList item(SHBrowseForFolderW(&info));
    if (item == nullptr) return false;
    std::wstring path(kLongestPath, L'\0');
    if (!SHGetPathFromIDListEx(item.get(), path.data(), kLongestPath, GPFIDL_DEFAULT))
      return false;
    chosenPath = vellumine::Utf8FromUtf16(path.c_str());
    return true;
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
