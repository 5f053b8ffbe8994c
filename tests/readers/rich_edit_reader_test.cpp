// The reader of WordPad and Word: every page, converted in both RTF modes, streamed into a
// rich edit control (EM_STREAMIN) and read back as Unicode text; the control must show every
// word of the page, in order, and every character.
#include <windows.h>
#include <richedit.h>

#include <cstring>
#include <string_view>

#include "reader_pages.h"

namespace vellumine::testing {

// A hidden rich edit control of the kind WordPad uses (msftedit.dll).
struct RichEdit {
  RichEdit() {
    library_ = LoadLibraryA("msftedit.dll");
    if (library_ != nullptr)
      hwnd_ = CreateWindowExW(0, MSFTEDIT_CLASS, L"", ES_MULTILINE, 0, 0, 400, 300, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  ~RichEdit() {
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
    if (library_ != nullptr) FreeLibrary(library_);
  }
  RichEdit(const RichEdit&) = delete;
  RichEdit& operator=(const RichEdit&) = delete;

  bool ok() const { return hwnd_ != nullptr; }

  // Loads the RTF document and returns the text the control holds, as UTF-8; paragraph ends
  // become line feeds.
  std::string Read(std::string_view rtf) {
    Source source{rtf, 0};
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, &ReadChunk};
    SendMessageW(hwnd_, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    if (stream.dwError != 0) return "";
    GETTEXTLENGTHEX length{GTL_NUMCHARS | GTL_PRECISE, 1200};
    auto units = static_cast<int>(SendMessageW(hwnd_, EM_GETTEXTLENGTHEX,
                                                reinterpret_cast<WPARAM>(&length), 0));
    std::wstring text(static_cast<size_t>(units) + 1, L'\0');
    GETTEXTEX get{static_cast<DWORD>(text.size() * sizeof(wchar_t)), GT_DEFAULT, 1200, nullptr,
                  nullptr};
    auto got = SendMessageW(hwnd_, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get),
                            reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(got));
    for (wchar_t& c : text)
      if (c == L'\r') c = L'\n';
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                    nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(),
                        bytes, nullptr, nullptr);
    return utf8;
  }
  struct Source { std::string_view rtf; size_t at; };

  static DWORD CALLBACK ReadChunk(DWORD_PTR cookie, BYTE* buffer, LONG wanted, LONG* given) {
    auto* source = reinterpret_cast<Source*>(cookie);
    size_t n = std::min(static_cast<size_t>(wanted), source->rtf.size() - source->at);
    std::memcpy(buffer, source->rtf.data() + source->at, n);
    source->at += n;
    *given = static_cast<LONG>(n);
    return 0;
  }

  HMODULE library_ = nullptr;
  HWND hwnd_ = nullptr;
};

TEST(RichEditReader, EveryWordOfEveryPageInOrder) {
  RichEdit control;
  ASSERT_TRUE(control.ok()) << "no rich edit control (msftedit.dll)";
  for (const Page& page : Pages()) {
    for (const Document& document : ConvertPage(page)) {
      SCOPED_TRACE(document.name);
      ExpectReaderShows(page, control.Read(document.rtf));
    }
  }
}

}  // namespace vellumine::testing
