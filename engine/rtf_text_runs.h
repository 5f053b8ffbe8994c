// The runs of text of the RTF pass: the classes of the text rules' bytes, and the scans that
// take a run of plain bytes (and single blanks) at once, a chunk at a time.
#pragma once

#include <array>
#include <cstddef>

#include "char_mappers.h"
#include "rtf_translation.h"

namespace vellumine {

// Byte classes of the text rules while text is on. Plain bytes (">" among them: the text it
// would resume is on already) are copied through the mapper as a run.
enum ByteClass : unsigned char {
  kPlain,
  kTagOpen,     // "<"
  kAmpersand,   // a reference
  kEscaped,     // "{", "}", "\": escaped with a backslash
  kWhite,       // blank, tab, line feed: collapse to one blank
  kHigh,        // from highFrom up: "\'hh", or a UTF-8 page's character
};

// highFrom: 0xA0 in a Latin document, 0x80 in a UTF-8 page, 0x100 (none) in a Cyrillic one.
constexpr std::array<unsigned char, 256> MakeByteClasses(int highFrom) {
  std::array<unsigned char, 256> classes{};
  for (int b = 0; b < 256; ++b) classes[b] = b >= highFrom ? kHigh : kPlain;
  classes['<'] = kTagOpen;
  classes['&'] = kAmpersand;
  classes['{'] = kEscaped;
  classes['}'] = kEscaped;
  classes['\\'] = kEscaped;
  classes[' '] = kWhite;
  classes['\t'] = kWhite;
  classes['\n'] = kWhite;
  return classes;
}

inline constexpr std::array<unsigned char, 256> kLatinClasses = MakeByteClasses(0xA0);
inline constexpr std::array<unsigned char, 256> kCyrillicClasses = MakeByteClasses(0x100);
inline constexpr std::array<unsigned char, 256> kUtf8Classes = MakeByteClasses(0x80);

// The first "<" or ">" from q on, or n.
size_t FindAngleBracket(const char* text, size_t n, size_t q);

// Inside a run of text a single blank between two plain bytes is written as it stands
// (no break is pending and the body does not end with a blank), so it can join the run,
// unless the mapper turns the blank, or a plain byte, into something else.
bool BlankJoinsRuns(CharMapper mapper, const unsigned char* classes);

// A run of text: a plain byte, then plain bytes and single blanks. A blank after a plain byte
// is written as it stands whatever follows it, so only a second blank in a row ends a run
// (blanks join runs only when the mapper leaves them, and every plain byte, alone).

// The end of the run whose plain byte before q starts it; latin: bytes from 0x80 up may end
// it (the class table decides).
size_t PlainRunEnd(const char* text, size_t n, size_t q, const unsigned char* classes,
                   bool blankJoinsRuns, bool latin);

// Under the identity mapper: copies the run that starts at text[p] into the body while it is
// scanned, a chunk at a time; returns the run's end.
size_t CopyPlainRun(RtfTranslation& t, size_t p, const unsigned char* classes, bool latin);

}  // namespace vellumine
