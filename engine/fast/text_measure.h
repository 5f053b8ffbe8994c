// How much room a table cell's text asks for: the characters of its longest word and of its
// longest line, counted a chunk at a time.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "fast/byte_scan.h"

namespace vellumine {

struct TextMeasure {
  uint32_t word = 0;  // the characters of the word and the line so far
  uint32_t line = 0;
  uint32_t longestWord = 0;
  uint32_t longestLine = 0;
  // A blank: the word before it ends, the line goes on.
  void Blank() {
    longestWord = std::max(longestWord, word);
    word = 0;
    ++line;
  }
  // A line ends.
  void Break() {
    longestWord = std::max(longestWord, word);
    longestLine = std::max(longestLine, line);
    word = line = 0;
  }
};

// Adds text s[0, n) to m: bytes up to 0x20 are blanks, which end a word and take a column of
// the line; every other byte takes a column, but on a UTF-8 page one that continues a
// sequence (0x80 to 0xBF) takes none on the line. (Words are counted in bytes: a word of
// letters of several bytes asks for more room than it takes, never less.) Reads up to
// kScanChunk bytes past n (whatever they hold).
inline void MeasureText(const unsigned char* s, size_t n, bool utf8, TextMeasure& m) {
  for (size_t p = 0; p < n; p += kScanChunk) {
    const ScanChunk chunk(s + p);
    const size_t valid = std::min(n - p, kScanChunk);
    ScanBits blanks = (~chunk.AtLeast(0x21)).Bits();
    if (valid < kScanChunk) blanks &= ~BytesFrom(valid);
    m.line += static_cast<uint32_t>(valid);
    if (utf8) {
      ScanBits continuing = (chunk.AtLeast(0x80) & ~chunk.AtLeast(0xC0)).Bits();
      if (valid < kScanChunk) continuing &= ~BytesFrom(valid);
      if (continuing) m.line -= CountMarks(continuing);
    }
    size_t from = 0;  // where the word in this chunk starts
    for (; blanks; blanks &= blanks - 1) {  // each blank ends the word before it
      const size_t blank = FirstSetByte(blanks);
      m.word += static_cast<uint32_t>(blank - from);
      m.longestWord = std::max(m.longestWord, m.word);
      m.word = 0;
      from = blank + 1;
    }
    m.word += static_cast<uint32_t>(valid - from);
  }
}

}  // namespace vellumine
