// Paths as the system takes them. Inside the program a path is UTF-8 text on every
// platform; on Windows it reaches the wide (UTF-16) file functions, with the long-path
// prefix when it is longer than the old limit of 260 characters, so that any name and any
// length the file system allows can be used. Elsewhere the bytes go to the system as they
// are.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace vellumine {

#ifdef _WIN32
// UTF-16 of UTF-8 text (a byte that is no UTF-8 becomes U+FFFD), and back (an unpaired
// surrogate becomes U+FFFD).
std::wstring Utf16FromUtf8(std::string_view text);
std::string Utf8FromUtf16(std::wstring_view text);
// Text in the system's ANSI code page as UTF-8, and back: false when a character has no
// byte in the code page (ansi then holds "?" for it).
std::string Utf8FromAnsi(std::string_view text);
bool AnsiFromUtf8(std::string_view text, std::string& ansi);
// path for the wide file functions: from the old limit on, made absolute and given the
// "\\?\" (or "\\?\UNC\") prefix, which lifts it.
std::wstring SystemPath(std::string_view path);
#endif

// fopen and remove of a UTF-8 path.
std::FILE* OpenFile(const std::string& path, const char* mode);
bool RemoveFile(const std::string& path);

}  // namespace vellumine
