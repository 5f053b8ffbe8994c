#include "text_table.h"

#include <new>

#include "translation/utf8.h"

namespace vellumine {
namespace {

bool IsWide(uint32_t cp) {
  return (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF && cp != 0x303F) ||
         (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
         (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
         (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x1F300 && cp <= 0x1F64F) ||
         (cp >= 0x1F900 && cp <= 0x1F9FF) || (cp >= 0x20000 && cp <= 0x3FFFD);
}

}  // namespace

bool TextTable::Allocate() {
  text_ = TakeArray<char>(kTextCapacity);
  cells_ = TakeArray<Cell>(kMaxCells);
  rowStart_.reset(new (std::nothrow) uint32_t[kMaxRows]);
  return text_ && cells_ && rowStart_;
}

size_t TextTable::DisplayWidth(const char* s, size_t n, bool utf8) {
  if (!utf8) return n;
  const auto* u = reinterpret_cast<const unsigned char*>(s);
  size_t width = 0;
  for (size_t i = 0; i < n;) {
    if (u[i] < 0x80) {
      ++width;
      ++i;
      continue;
    }
    uint32_t cp;
    i += DecodeUtf8Character(u + i, n - i, cp);
    width += IsWide(cp) ? 2 : 1;
  }
  return width;
}

}  // namespace vellumine
