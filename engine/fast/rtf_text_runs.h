// The runs of text of the RTF pass: the classes of the text rules' bytes, and the scans that
// take a run of plain bytes (and single blanks) at once, a chunk at a time. A run of text is
// a plain byte, then plain bytes and single blanks: a blank after a plain byte is written as
// it stands whatever follows it, so only a second blank in a row ends a run (blanks join
// runs only when the mapper leaves them, and every plain byte, alone). Inline: the pass
// calls these at every word.
#pragma once

#include <array>
#include <cstddef>

#include "fast/byte_scan.h"
#include "translation/char_mappers.h"
#include "translation/rtf_translation.h"

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

// A byte of the text as an index into the class tables.
inline unsigned char RunByte(const char* text, size_t p) {
  return static_cast<unsigned char>(text[p]);
}
// The end of the run from q on, byte by byte; afterBlank: the byte before q is a blank.
inline size_t RunEndByBytes(const char* text, size_t n, size_t q, const unsigned char* classes,
                     bool blankJoinsRuns, bool afterBlank) {
  if (afterBlank && q < n && text[q] == ' ') return q;
  for (;;) {
    while (q < n && classes[RunByte(text, q)] == kPlain) ++q;
    if (!blankJoinsRuns || q + 1 >= n || text[q] != ' ' || classes[RunByte(text, q + 1)] != kPlain)
      return q;
    q += 2;
  }
}

// The bytes of a chunk that end a run whatever comes before them: "<", "&", braces and
// backslash.
inline ByteMask RunSpecials(const ScanChunk& chunk) {
  return chunk.Equal('<') | chunk.Equal('&') | chunk.Equal('\\') | chunk.Equal('{') |
         chunk.Equal('}');
}

// The bytes of a chunk that may end a run, and whether its last byte is white space.
struct RunStops {
  ScanBits stops;
  bool lastWhite;
};

// Stops: those above, tab, line feed, 0x80 and up (latin), and a blank after a blank
// (afterBlank: the byte before the chunk is one). The class table decides each byte found.
inline RunStops ScanRun(const unsigned char* s, bool latin, bool afterBlank) {
  ScanChunk chunk(s);
  ByteMask blanks = chunk.Equal(' ');
  ScanBits stops =
      (RunSpecials(chunk) | chunk.Equal('\t') | chunk.Equal('\n') | (blanks & blanks.AfterMarked()))
          .Bits();
  if (latin) stops |= chunk.High().Bits();
  if (afterBlank) stops |= blanks.Bits() & kFirstByte;
  return {stops, (blanks.Bits() & kLastByte) != 0};
}


// For a run copied under the identity mapper, a tab or a line feed after a plain byte is
// written as the blank it collapses to, so it joins the run like a blank. Writes the chunk
// as it is written (tabs and line feeds made blanks) to out; returns the bytes that may end
// the run, and whether the chunk's last byte is white space.
inline RunStops ScanCopy(const unsigned char* s, bool latin, bool afterWhite, unsigned char* out) {
  ScanChunk chunk(s);
  ScanChunk written = chunk.WithBlanks();
  ByteMask whites = written.Equal(' ');
  ScanBits stops = (RunSpecials(chunk) | (whites & whites.AfterMarked())).Bits();
  if (latin) stops |= chunk.High().Bits();
  if (afterWhite) stops |= whites.Bits() & kFirstByte;
  written.Store(out);
  return {stops, (whites.Bits() & kLastByte) != 0};
}


// The first "<" or ">" from q on, or n.
inline size_t FindAngleBracket(const char* text, size_t n, size_t q) {
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  while (n - q >= kScanChunk) {
    ScanChunk chunk(s + q);
    ScanBits found = (chunk.Equal('<') | chunk.Equal('>')).Bits();
    if (found) return q + FirstSetByte(found);
    q += kScanChunk;
  }
  while (q < n && text[q] != '<' && text[q] != '>') ++q;
  return q;
}

// In a preformatted block, the first byte from q on that is not written as the mapper gives
// it: "<", "&", a line feed, a brace or backslash, and in a UTF-8 page a byte from 0x80 up.
// n when there is none.
inline size_t PreformattedRunEnd(const char* text, size_t n, size_t q, bool utf8) {
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  while (n - q >= kScanChunk) {
    ScanChunk chunk(s + q);
    ScanBits stops = (RunSpecials(chunk) | chunk.Equal('\n')).Bits();
    if (utf8) stops |= chunk.High().Bits();
    if (stops) return q + FirstSetByte(stops);
    q += kScanChunk;
  }
  for (; q < n; ++q) {
    const unsigned char c = s[q];
    if (c == '<' || c == '&' || c == '\n' || c == '{' || c == '}' || c == '\\' ||
        (utf8 && c >= 0x80))
      return q;
  }
  return n;
}

// Inside a run of text a single blank between two plain bytes is written as it stands
// (no break is pending and the body does not end with a blank), so it can join the run,
// unless the mapper turns the blank, or a plain byte, into something else.
inline bool BlankJoinsRuns(CharMapper mapper, const unsigned char* classes) {
  if (mapper(' ') != ' ') return false;
  for (int b = 0; b < 256; ++b)
    if (classes[b] == kPlain && mapper(static_cast<unsigned char>(b)) == ' ') return false;
  return true;
}

// The end of the run whose plain byte before q starts it; latin: bytes from 0x80 up may end
// it (the class table decides).
[[gnu::always_inline]] inline size_t PlainRunEnd(const char* text, size_t n, size_t q, const unsigned char* classes,
                   bool blankJoinsRuns, bool latin) {
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  bool afterBlank = false;
  while (blankJoinsRuns && n - q >= kScanChunk) {
    RunStops chunk = ScanRun(s + q, latin, afterBlank);
    if (chunk.stops == 0) {
      afterBlank = chunk.lastWhite;
      q += kScanChunk;
      continue;
    }
    size_t at = q + FirstSetByte(chunk.stops);
    if (text[at] == ' ' || classes[RunByte(text, at)] != kPlain) return at;
    q = at + 1;  // a byte from 0x80 to 0x9F: plain after all
    afterBlank = false;
  }
  return RunEndByBytes(text, n, q, classes, blankJoinsRuns, afterBlank);
}

// Under the identity mapper: copies the run that starts at text[p] into the body while it is
// scanned, a chunk at a time; returns the run's end, n at the latest (the text's end, or
// where a long run is cut).
[[gnu::always_inline]] inline size_t CopyPlainRun(RtfTranslation& t, size_t p, size_t n,
                                                  const unsigned char* classes, bool latin) {
  const char* text = t.text;
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  t.body.Push(text[p]);
  size_t q = p + 1;
  bool afterWhite = false;  // the byte before q is white space, written as a blank
  while (n - q >= kScanChunk && t.body.Room(kScanChunk)) {
    RunStops chunk =
        ScanCopy(s + q, latin, afterWhite, reinterpret_cast<unsigned char*>(t.body.cursor()));
    if (chunk.stops == 0) {
      t.body.Advance(kScanChunk);
      afterWhite = chunk.lastWhite;
      q += kScanChunk;
      continue;
    }
    size_t at = q + FirstSetByte(chunk.stops);
    t.body.Advance(at - q);
    if (classes[RunByte(text, at)] != kPlain) return at;  // a stop, or white space again
    t.body.Advance(1);  // a byte from 0x80 to 0x9F: plain after all
    q = at + 1;
    afterWhite = false;
  }
  if (afterWhite && q < n && classes[RunByte(text, q)] == kWhite) return q;
  size_t end = RunEndByBytes(text, n, q, classes, true, false);
  t.body.Append(text + q, end - q);
  return end;
}

}  // namespace vellumine
