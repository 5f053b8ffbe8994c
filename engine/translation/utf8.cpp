#include "utf8.h"

#include "fast/byte_scan.h"
#include "fast/run_both.h"
#include "fast/utf8_scan.h"

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

namespace {

// The check of text[0..n): ASCII and whole characters a chunk at a time; from a byte that
// is part of no well-formed sequence in its chunk, and near the end, the characters up to
// the next ASCII byte one by one.
bool CheckUtf8(const unsigned char* s, size_t n, bool& nonAscii) {
  for (size_t p = 0; p < n;) {
    if (n - p >= kScanChunk) {
      const ScanBits high = ScanChunk(s + p).High().Bits();
      if (!high) {
        p += kScanChunk;
        continue;
      }
      p += FirstSetByte(high);
      nonAscii = true;
      const ScanBits stop = n - p >= kScanChunk ? Utf8Stop(ScanChunk(s + p)) : kFirstByte;
      if (const size_t whole = stop ? FirstSetByte(stop) : kScanChunk) {
        p += whole;
        continue;
      }
    } else if (s[p] < 0x80) {
      ++p;
      continue;
    }
    nonAscii = true;
    do {
      uint32_t cp;
      const size_t length = DecodeUtf8Sequence(s + p, n - p, cp);
      if (length == 0) return false;
      p += length;
    } while (p < n && s[p] >= 0x80);
  }
  return true;
}

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

}  // namespace

bool IsWellFormedUtf8(const char* text, size_t n, bool* nonAsciiFound) {
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  bool nonAscii[2] = {false, false};
  bool wellFormed[2] = {true, true};
  // A large text is checked in halves at once, split before a byte that continues nothing:
  // no well-formed sequence runs across it, and one that would is cut short by the split
  // and found wrong. (Four continuation bytes in a row make the text wrong anyway; it is
  // then checked whole.)
  size_t half = n;
  if (n >= kSplitUtf8CheckFrom) {
    half = n / 2;
    for (int i = 0; i < 4 && IsContinuation(s[half]); ++i) ++half;
    if (IsContinuation(s[half])) half = n;
  }
  if (half < n) {
    RunBoth([&] { wellFormed[0] = CheckUtf8(s, half, nonAscii[0]); },
            [&] { wellFormed[1] = CheckUtf8(s + half, n - half, nonAscii[1]); });
  } else {
    wellFormed[0] = CheckUtf8(s, n, nonAscii[0]);
  }
  if (!wellFormed[0] || !wellFormed[1]) return false;
  if (nonAsciiFound != nullptr) *nonAsciiFound = nonAscii[0] || nonAscii[1];
  return true;
}

}  // namespace vellumine
