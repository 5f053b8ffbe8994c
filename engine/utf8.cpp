#include "utf8.h"

namespace vellumine {

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
