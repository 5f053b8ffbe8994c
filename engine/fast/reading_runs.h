// The default reading's runs, a chunk at a time: where the next markup or reference starts,
// and how far a run of bytes that a writer copies as they stand goes. Inline: the reading
// calls these at every word.
#pragma once

#include <cstddef>

#include "fast/byte_scan.h"

namespace vellumine {

// Where the next "<" or "&" is in s[p, n); n when there is none.
inline size_t FindMarkupOrReference(const unsigned char* s, size_t p, size_t n) {
  while (n - p >= kScanChunk) {
    ScanChunk chunk(s + p);
    const ScanBits stops = (chunk.Equal('<') | chunk.Equal('&')).Bits();
    if (stops) return p + FirstSetByte(stops);
    p += kScanChunk;
  }
  while (p < n && s[p] != '<' && s[p] != '&') ++p;
  return p;
}

// Where the next "&" or byte from 0x80 up is in s[p, n); n when there is none. Reads up to
// kScanChunk bytes past n, which must be readable.
inline size_t FindReferenceOrHighByte(const unsigned char* s, size_t p, size_t n) {
  for (; p < n; p += kScanChunk) {
    ScanChunk chunk(s + p);
    if (const ScanBits stops = (chunk.High() | chunk.Equal('&')).Bits())
      return p + FirstSetByte(stops) < n ? p + FirstSetByte(stops) : n;
  }
  return n;
}

// Where the next two letters a and b, or c and d (lowercase, matched in either case), start
// in s[p, n), reading up to kScanChunk bytes past n (whatever they hold); n when there are
// none.
inline size_t FindLetterPairsReadingPast(const unsigned char* s, size_t p, size_t n, char a,
                                         char b, char c, char d) {
  for (; p + 1 < n; p += kScanChunk) {
    const ScanChunk first(s + p), second(s + p + 1);
    ScanBits bits = ((first.EqualNoCase(a) & second.EqualNoCase(b)) |
                     (first.EqualNoCase(c) & second.EqualNoCase(d))).Bits();
    if (n - 1 - p < kScanChunk) bits &= ~BytesFrom(n - 1 - p);  // (pairs that end past n)
    if (bits) return p + FirstSetByte(bits);
  }
  return n;
}

// The bytes a writer copies as they stand: printable ASCII, and for some writers the bytes
// from 0x80 up.
enum class PlainBytes {
  PrintableAscii,          // 0x21 to 0x7E
  PrintableOrHigh,         // those and 0x80 to 0xFF
  RtfText,                 // printable ASCII but "{", "}" and "\"
  RtfName,                 // those but the quote too (a name inside a field's quotes)
};

constexpr bool IsPlainByte(PlainBytes plain, unsigned char c) {
  if (c >= 0x80) return plain == PlainBytes::PrintableOrHigh;
  if (c <= 0x20 || c == 0x7F) return false;
  if (plain != PlainBytes::RtfText && plain != PlainBytes::RtfName) return true;
  return c != '{' && c != '}' && c != '\\' && (plain != PlainBytes::RtfName || c != '"');
}

// The stops of a chunk for a writer's plain bytes; with lowest 0x20 blanks go with them.
template <PlainBytes kPlain>
inline ByteMask PlainStops(const ScanChunk& chunk, unsigned char lowest = 0x21) {
  ByteMask stops = kPlain == PlainBytes::PrintableOrHigh
                       ? ~chunk.AtLeast(lowest) | chunk.Equal(0x7F)
                       : ~chunk.AsciiFrom(lowest) | chunk.Equal(0x7F);  // the high bytes too
  if constexpr (kPlain == PlainBytes::RtfText || kPlain == PlainBytes::RtfName)
    stops = stops | chunk.Equal('{') | chunk.Equal('}') | chunk.Equal('\\');
  if constexpr (kPlain == PlainBytes::RtfName) stops = stops | chunk.Equal('"');
  return stops;
}

// Copies the plain bytes from the start of s[0, n) to d and returns how many there were.
// d has room for that many bytes and kScanChunk more (chunks are stored whole).
template <PlainBytes kPlain>
inline size_t CopyPlainRun(const unsigned char* s, size_t n, char* d) {
  size_t i = 0;
  while (n - i >= kScanChunk) {
    ScanChunk chunk(s + i);
    chunk.Store(reinterpret_cast<unsigned char*>(d + i));
    const ScanBits bits = PlainStops<kPlain>(chunk).Bits();
    if (bits) return i + FirstSetByte(bits);
    i += kScanChunk;
  }
  for (; i < n && IsPlainByte(kPlain, s[i]); ++i) d[i] = static_cast<char>(s[i]);
  return i;
}

// The same a chunk at a time to the end: reads up to kScanChunk bytes past n, which must be
// readable.
template <PlainBytes kPlain>
inline size_t CopyPlainRunReadingPast(const unsigned char* s, size_t n, char* d) {
  for (size_t i = 0;; i += kScanChunk) {
    ScanChunk chunk(s + i);
    chunk.Store(reinterpret_cast<unsigned char*>(d + i));
    ScanBits bits = PlainStops<kPlain>(chunk).Bits();
    if (n - i < kScanChunk) bits |= BytesFrom(n - i);
    if (bits) return i + FirstSetByte(bits);
  }
}

// Copies the plain bytes from the start of s[0, n) to d, and blanks (0x20) with them; with
// kCollapse not a blank that follows a blank (or, at s[0], follows one before s when
// afterBlank). Returns how many bytes were copied. Reads up to kScanChunk bytes past n,
// which must be readable; d has room for the bytes copied and kScanChunk more.
template <PlainBytes kPlain, bool kCollapse>
inline size_t CopyPlainRunWithBlanks(const unsigned char* s, size_t n, char* d,
                                     bool afterBlank) {
  size_t i = 0;
  for (;;) {
    ScanChunk chunk(s + i);
    ScanBits bits = PlainStops<kPlain>(chunk, 0x20).Bits();
    if constexpr (kCollapse) {
      const ByteMask blanks = chunk.Equal(' ');
      bits |= (blanks & blanks.AfterMarked()).Bits();
      if (afterBlank) bits |= blanks.Bits() & kFirstByte;
    }
    if (n - i < kScanChunk) bits |= BytesFrom(n - i);
    chunk.Store(reinterpret_cast<unsigned char*>(d + i));
    if (bits) return i + FirstSetByte(bits);
    afterBlank = s[i + kScanChunk - 1] == ' ';
    i += kScanChunk;
  }
}

}  // namespace vellumine
