// The runs of the plain-text pass: the scans that take a run of text, the bytes of a tag
// or a UTF-8 page's whole characters a chunk at a time, and a UTF-8 page's character one at
// a time. Inline: the pass calls these at every word.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fast/byte_scan.h"
#include "translation/utf8.h"
#include "fast/utf8_scan.h"
#include "translation/windows_code_pages.h"

namespace vellumine {

// A character of a UTF-8 page whose first byte (0x80 or above) is at s[p], written at o as
// UTF-8: a well-formed sequence as it stands, a byte that starts none as its windows-1252
// character. Sets the bytes written; returns the bytes read.
inline size_t CopyUtf8Character(const unsigned char* s, size_t n, size_t p, unsigned char* o,
                                size_t& written) {
  uint32_t cp;
  size_t length = DecodeUtf8Sequence(s + p, n - p, cp);
  if (length != 0) {
    for (size_t i = 0; i < length; ++i) o[i] = s[p + i];
    written = length;
    return length;
  }
  written = EncodeUtf8(Windows1252CodePoint(s[p]), reinterpret_cast<char*>(o));
  return 1;
}

// How the text loop's chunks take the bytes from 0x80 up.
enum class HighBytes {
  Plain,           // as any visible byte (not a UTF-8 page)
  Stop,            // each one stops the chunks (a UTF-8 page, ASCII expected)
  WholeCharacters  // those of whole characters go with the chunk (a UTF-8 page, at one)
};

// In text, the bytes of the chunk at s where the text loop must stop: "<", "&", white space
// after white space, white space first when no blank is allowed, and high bytes as `high`
// says. The bytes before the first stop are written as they stand once line feeds and tabs
// are blanks; the chunk, so changed, goes to out.
template <HighBytes high>
[[gnu::always_inline]] inline ScanBits TextStops(const unsigned char* s, bool blankAllowed,
                                                 unsigned char* out) {
  ScanChunk chunk(s);
  ScanChunk blanks = chunk.WithBlanks();
  ByteMask white = blanks.Equal(' ');
  ScanBits stops = (chunk.Equal('<') | chunk.Equal('&') | (white & white.AfterMarked())).Bits();
  stops |= white.Bits() & (kFirstByte * static_cast<ScanBits>(!blankAllowed));
  if constexpr (high == HighBytes::Stop) stops |= chunk.High().Bits();
  if constexpr (high == HighBytes::WholeCharacters) stops |= Utf8Stop(chunk);
  blanks.Store(out);
  return stops;
}

// In a UTF-8 page, the chunk at s (at a byte from 0x80 up) written at out as far as the
// text loop's chunks take it with its whole characters; returns the bytes taken, 0 when a
// byte from 0x80 up in the chunk is part of no well-formed sequence. Kept out of the loop,
// which expects ASCII.
[[gnu::noinline]] inline size_t CopyWholeCharacters(const unsigned char* s, bool& blankAllowed,
                                                   unsigned char* out) {
  ScanBits stops = TextStops<HighBytes::WholeCharacters>(s, blankAllowed, out);
  size_t k = stops ? FirstSetByte(stops) : kScanChunk;
  if (k > 0) blankAllowed = out[k - 1] != ' ';
  return k;
}

// Inside a tag, the bytes of the chunk at s that end the skip: "<", "&" or ">".
inline ScanBits TagStops(const unsigned char* s) {
  ScanChunk chunk(s);
  return (chunk.Equal('<') | chunk.Equal('&') | chunk.Equal('>')).Bits();
}

}  // namespace vellumine
