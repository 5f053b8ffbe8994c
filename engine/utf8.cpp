#include "utf8.h"

#include "windows_code_pages.h"

namespace vellumine {

size_t DecodeUtf8Sequence(const unsigned char* s, size_t avail, uint32_t& cp) {
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

size_t DecodeUtf8Character(const unsigned char* s, size_t avail, uint32_t& cp) {
  size_t length = DecodeUtf8Sequence(s, avail, cp);
  if (length != 0) return length;
  cp = Windows1252CodePoint(s[0]);
  return 1;
}

size_t EncodeUtf8(uint32_t cp, char* out) {
  auto put = [&](size_t i, uint32_t bits) { out[i] = static_cast<char>(bits); };
  if (cp < 0x80) {
    put(0, cp);
    return 1;
  }
  if (cp < 0x800) {
    put(0, 0xC0 | cp >> 6);
    put(1, 0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    put(0, 0xE0 | cp >> 12);
    put(1, 0x80 | (cp >> 6 & 0x3F));
    put(2, 0x80 | (cp & 0x3F));
    return 3;
  }
  put(0, 0xF0 | cp >> 18);
  put(1, 0x80 | (cp >> 12 & 0x3F));
  put(2, 0x80 | (cp >> 6 & 0x3F));
  put(3, 0x80 | (cp & 0x3F));
  return 4;
}

bool IsWellFormedUtf8(const char* text, size_t n, bool* nonAsciiFound) {
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  bool nonAscii = false;
  for (size_t p = 0; p < n;) {
    if (s[p] < 0x80) {
      ++p;
      continue;
    }
    uint32_t cp;
    size_t length = DecodeUtf8Sequence(s + p, n - p, cp);
    if (length == 0) return false;
    nonAscii = true;
    p += length;
  }
  if (nonAsciiFound != nullptr) *nonAsciiFound = nonAscii;
  return true;
}

}  // namespace vellumine
