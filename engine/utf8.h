// UTF-8 text: well-formed sequences, the meaning of a byte that starts none, and encoding.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vellumine {

// The length of the well-formed sequence that starts at s (avail bytes there), 0 when the
// bytes start none: no overlong forms, no surrogates, nothing above U+10FFFF, the whole
// sequence inside avail. Sets cp to the character of a sequence.
size_t DecodeUtf8Sequence(const unsigned char* s, size_t avail, uint32_t& cp);

// One character of a UTF-8 page from a byte of 0x80 or above at s: a well-formed sequence,
// or else that byte alone in its windows-1252 meaning. Returns the bytes it takes (at least 1).
size_t DecodeUtf8Character(const unsigned char* s, size_t avail, uint32_t& cp);

// Writes cp (at most U+10FFFF) as UTF-8 at out (room for four bytes); returns its length.
size_t EncodeUtf8(uint32_t cp, char* out);

// Whether every byte of text from 0x80 up belongs to a well-formed sequence; nonAscii, when
// given, tells whether there is such a byte at all.
bool IsWellFormedUtf8(const char* text, size_t n, bool* nonAscii = nullptr);

// Whether text is well-formed UTF-8 throughout and holds at least one byte of 0x80 or above.
inline bool IsUtf8WithNonAscii(const char* text, size_t n) {
  bool nonAscii = false;
  return IsWellFormedUtf8(text, n, &nonAscii) && nonAscii;
}

}  // namespace vellumine
