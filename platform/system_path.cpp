#include "system_path.h"

#include <climits>

#ifdef _WIN32
#include <windows.h>
#endif

namespace vellumine {

#ifdef _WIN32

namespace {

// UTF-16 of text in codePage.
std::wstring WideFrom(UINT codePage, std::string_view text) {
  if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) return {};
  const int n = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(codePage, 0, text.data(), n, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), n, wide.data(), length);
  return wide;
}

}  // namespace

std::wstring Utf16FromUtf8(std::string_view text) { return WideFrom(CP_UTF8, text); }

std::string Utf8FromUtf16(std::wstring_view text) {
  if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) return {};
  const int n = static_cast<int>(text.size());
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), n, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string bytes(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), n, bytes.data(), length, nullptr, nullptr);
  return bytes;
}

std::string Utf8FromAnsi(std::string_view text) { return Utf8FromUtf16(WideFrom(CP_ACP, text)); }

bool AnsiFromUtf8(std::string_view text, std::string& ansi) {
  ansi.clear();
  const std::wstring wide = Utf16FromUtf8(text);
  if (wide.empty()) return true;
  const int n = static_cast<int>(wide.size());
  // No best fit: a character the code page lacks is no look-alike of another.
  BOOL defaulted = FALSE;
  const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), n, nullptr,
                                         0, nullptr, nullptr);
  if (length <= 0) return false;
  ansi.assign(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), n, ansi.data(), length,
                      nullptr, &defaulted);
  // Some code pages map a character to a byte that reads back as another.
  return !defaulted && Utf16FromUtf8(Utf8FromAnsi(ansi)) == wide;
}

std::wstring SystemPath(std::string_view path) {
  std::wstring wide = Utf16FromUtf8(path);
  // Below the old limit (less the room CreateDirectory keeps for a file name) a path works
  // as it stands, relative or not.
  constexpr size_t kOldLimit = MAX_PATH - 12;
  if (wide.size() < kOldLimit || wide.starts_with(L"\\\\?\\")) return wide;
  const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return wide;
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return wide;
  full.resize(length);
  if (full.starts_with(L"\\\\.\\")) return full;  // a device
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::FILE* OpenFile(const std::string& path, const char* mode) {
  return _wfopen(SystemPath(path).c_str(), Utf16FromUtf8(mode).c_str());
}

bool RemoveFile(const std::string& path) { return DeleteFileW(SystemPath(path).c_str()) != 0; }

#else

std::FILE* OpenFile(const std::string& path, const char* mode) {
  return std::fopen(path.c_str(), mode);
}

bool RemoveFile(const std::string& path) { return std::remove(path.c_str()) == 0; }

#endif

}  // namespace vellumine
