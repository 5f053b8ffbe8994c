// UTF-8 text: well-formed sequences, the meaning of a byte that starts none, and encoding.
#pragma once

#include <cstddef>
#include <cstdint>

#include "translation/windows_code_pages.h"

namespace vellumine {

// The length of the well-formed sequence that starts at s (avail bytes there), 0 when the
// bytes start none: no overlong forms, no surrogates, nothing above U+10FFFF, the whole
// sequence inside avail. Sets cp to the character of a sequence.
inline size_t DecodeUtf8Sequence(const unsigned char* s, size_t avail, uint32_t& cp) {
  // Unicode's table of well-formed sequences: the lead byte fixes the length and the range
  // of the second byte; every later byte is 0x80 to 0xBF.
  unsigned char b = s[0];
  size_t length;
  unsigned char low = 0x80, high = 0xBF;  // the second byte's range
  if (b >= 0xC2 && b <= 0xDF) {
    length = 2;
    cp = b & 0x1Fu;
  } else if (b >= 0xE0 && b <= 0xEF) {
    length = 3;
    cp = b & 0x0Fu;
    if (b == 0xE0) low = 0xA0;   // no overlong forms
    if (b == 0xED) high = 0x9F;  // no surrogates
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4;
    cp = b & 0x07u;
    if (b == 0xF0) low = 0x90;   // no overlong forms
    if (b == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (avail < length) return 0;
  if (s[1] < low || s[1] > high) return 0;
  cp = cp << 6 | (s[1] & 0x3Fu);
  for (size_t i = 2; i < length; ++i) {
    if (s[i] < 0x80 || s[i] > 0xBF) return 0;
    cp = cp << 6 | (s[i] & 0x3Fu);
  }
  return length;
}

// One character of a UTF-8 page from a byte of 0x80 or above at s: a well-formed sequence,
// or else that byte alone in its windows-1252 meaning. Returns the bytes it takes (at least 1).
inline size_t DecodeUtf8Character(const unsigned char* s, size_t avail, uint32_t& cp) {
  size_t length = DecodeUtf8Sequence(s, avail, cp);
  if (length != 0) return length;
  cp = Windows1252CodePoint(s[0]);
  return 1;
}

// Writes cp (at most U+10FFFF) as UTF-8 at out (room for four bytes); returns its length.
size_t EncodeUtf8(uint32_t cp, char* out);

// Texts from this size on are checked in two halves at once.
inline constexpr size_t kSplitUtf8CheckFrom = size_t{4} << 20;

// Whether every byte of text from 0x80 up belongs to a well-formed sequence; nonAscii, when
// given, tells whether there is such a byte at all.
bool IsWellFormedUtf8(const char* text, size_t n, bool* nonAscii = nullptr);

// Whether text is well-formed UTF-8 throughout and holds at least one byte of 0x80 or above.
inline bool IsUtf8WithNonAscii(const char* text, size_t n) {
  bool nonAscii = false;
  return IsWellFormedUtf8(text, n, &nonAscii) && nonAscii;
}

}  // namespace vellumine
