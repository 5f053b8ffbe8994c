// UTF-8 <-> UTF-16 where the program meets Windows. Every text and path inside the program
// is UTF-8; the wide (W) functions of Windows take and give UTF-16. These two are the only
// conversions between them.
#pragma once

#include <windows.h>

#include <climits>
#include <string>
#include <string_view>

// UTF-16 of UTF-8 text. A byte sequence that is no UTF-8 becomes U+FFFD.
inline std::wstring Utf8ToUtf16(std::string_view text) {
  if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) return {};
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
  return wide;
}

// UTF-8 of UTF-16 text. A lone surrogate becomes U+FFFD.
inline std::string Utf16ToUtf8(std::wstring_view text) {
  if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) return {};
  const int size = static_cast<int>(text.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string utf8(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), size, utf8.data(), length, nullptr, nullptr);
  return utf8;
}
