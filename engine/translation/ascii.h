// Byte comparisons shared by the passes: letters match in either case, everything else
// exactly, and nothing matches at or beyond the end of the text.
#pragma once

#include <cstddef>

namespace vellumine {

// Lower-cases ASCII letters only; every other byte comes back unchanged.
constexpr unsigned char AsciiLower(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c | 0x20) : c;
}

// True when text[p..) starts with `pattern` (lowercase letters in pattern match either
// case; other bytes must be equal). Bytes at or beyond n match nothing.
template <size_t L>
bool MatchNoCase(const char* text, size_t n, size_t p, const char (&pattern)[L]) {
  constexpr size_t len = L - 1;
  if (p > n || n - p < len) return false;
  for (size_t i = 0; i < len; ++i) {
    if (AsciiLower(static_cast<unsigned char>(text[p + i])) !=
        static_cast<unsigned char>(pattern[i]))
      return false;
  }
  return true;
}

// True when text[p..) starts with `pattern` byte for byte.
template <size_t L>
bool MatchExact(const char* text, size_t n, size_t p, const char (&pattern)[L]) {
  constexpr size_t len = L - 1;
  if (p > n || n - p < len) return false;
  for (size_t i = 0; i < len; ++i) {
    if (text[p + i] != pattern[i]) return false;
  }
  return true;
}

}  // namespace vellumine
