// Chunked byte scanning for the hot loops: which bytes of a chunk stop a run that a loop
// may take as it is. SSE2 where the compiler offers it (the 32-bit Windows build included),
// eight bytes in a 64-bit word otherwise or when VELLUMINE_WORD_SCAN asks for it (a build
// that tests the word scan natively); the results are the same. This is the only file that
// knows the vector instructions. The loops test "no stop in the chunk" first and
// then advance by a whole chunk: the processor runs ahead on that branch instead of
// waiting for where the first stop is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) && !defined(VELLUMINE_WORD_SCAN)
#define VELLUMINE_SSE2_SCAN 1
#include <emmintrin.h>
#endif

namespace vellumine {

#if defined(VELLUMINE_SSE2_SCAN)

inline constexpr size_t kScanChunk = 16;
using ScanBits = uint32_t;  // bit i: byte i of the chunk is marked
inline constexpr ScanBits kFirstByte = 1;
inline constexpr ScanBits kLastByte = 1u << 15;

// A mark for each byte of a chunk (all ones where marked), combined without leaving the
// vector registers; Bits() gives one bit per byte.
class ByteMask {
 public:
  explicit ByteMask(__m128i marks) : m_(marks) {}
  ByteMask operator|(ByteMask o) const { return ByteMask(_mm_or_si128(m_, o.m_)); }
  ByteMask operator&(ByteMask o) const { return ByteMask(_mm_and_si128(m_, o.m_)); }
  ByteMask operator^(ByteMask o) const { return ByteMask(_mm_xor_si128(m_, o.m_)); }
  ByteMask operator~() const { return ByteMask(_mm_xor_si128(m_, _mm_set1_epi8(-1))); }
  // Each byte marked when the byte before it is (the first byte never).
  ByteMask AfterMarked() const { return ByteMask(_mm_slli_si128(m_, 1)); }
  ScanBits Bits() const { return static_cast<ScanBits>(_mm_movemask_epi8(m_)); }
  // The last k bytes of a chunk marked.
  template <int k>
  static ByteMask LastBytes() {
    return ByteMask(_mm_slli_si128(_mm_set1_epi8(-1), 16 - k));
  }

 private:
  __m128i m_;
};

struct ScanChunk {
  __m128i v;
  explicit ScanChunk(const unsigned char* p)
      : v(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))) {}
  ByteMask Equal(char c) const { return ByteMask(_mm_cmpeq_epi8(v, _mm_set1_epi8(c))); }
  // The same for a lowercase letter c, matching it in either case.
  ByteMask EqualNoCase(char c) const {
    return ByteMask(_mm_cmpeq_epi8(_mm_or_si128(v, _mm_set1_epi8(0x20)), _mm_set1_epi8(c)));
  }
  // The bytes of 0x80 and above.
  ByteMask High() const { return ByteMask(_mm_cmplt_epi8(v, _mm_setzero_si128())); }
  // The bytes of c and above.
  ByteMask AtLeast(unsigned char c) const {
    return ByteMask(_mm_cmpeq_epi8(_mm_max_epu8(v, _mm_set1_epi8(static_cast<char>(c))), v));
  }
  // The bytes from c (below 0x80) to 0x7F: one signed comparison, which the bytes from 0x80
  // up (negative) fail.
  ByteMask AsciiFrom(unsigned char c) const {
    return ByteMask(_mm_cmpgt_epi8(v, _mm_set1_epi8(static_cast<char>(c - 1))));
  }
  // The chunk with every line feed and tab turned into a blank.
  ScanChunk WithBlanks() const {
    __m128i lf = _mm_and_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n')), _mm_set1_epi8('\n' ^ ' '));
    __m128i tab = _mm_and_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\t')), _mm_set1_epi8('\t' ^ ' '));
    return ScanChunk(_mm_xor_si128(v, _mm_or_si128(lf, tab)));
  }
  void Store(unsigned char* p) const { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

 private:
  explicit ScanChunk(__m128i bytes) : v(bytes) {}
};

// The first marked byte of a chunk with at least one mark.
inline size_t FirstSetByte(ScanBits bits) { return static_cast<size_t>(__builtin_ctz(bits)); }
// The bits of bytes k and on (k < kScanChunk).
inline ScanBits BytesFrom(size_t k) { return static_cast<ScanBits>(0xFFFFu << k) & 0xFFFFu; }

#else

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the word scan reads bytes in order");

inline constexpr size_t kScanChunk = 8;
using ScanBits = uint64_t;  // the high bit of byte i: byte i of the chunk is marked
inline constexpr ScanBits kFirstByte = 0x80;
inline constexpr ScanBits kLastByte = 0x80ull << 56;

class ByteMask {
 public:
  explicit ByteMask(uint64_t marks) : m_(marks) {}
  ByteMask operator|(ByteMask o) const { return ByteMask(m_ | o.m_); }
  ByteMask operator&(ByteMask o) const { return ByteMask(m_ & o.m_); }
  ByteMask operator^(ByteMask o) const { return ByteMask(m_ ^ o.m_); }
  ByteMask operator~() const { return ByteMask(~m_ & kHighBits); }
  ByteMask AfterMarked() const { return ByteMask(m_ << 8); }
  ScanBits Bits() const { return m_; }
  template <int k>
  static ByteMask LastBytes() {
    return ByteMask(kHighBits << (64 - 8 * k));
  }

 private:
  static constexpr uint64_t kHighBits = 0x8080808080808080ull;
  uint64_t m_;
};

struct ScanChunk {
  uint64_t v;
  explicit ScanChunk(const unsigned char* p) { std::memcpy(&v, p, 8); }
  ByteMask Equal(char c) const { return ByteMask(Zero(v ^ (kOnes * static_cast<unsigned char>(c)))); }
  ByteMask EqualNoCase(char c) const {
    return ByteMask(Zero((v | (kOnes * 0x20)) ^ (kOnes * static_cast<unsigned char>(c))));
  }
  ByteMask High() const { return ByteMask(v & (kOnes * 0x80)); }
  ByteMask AtLeast(unsigned char c) const {
    // Byte by byte, x >= c when x alone has the high bit, or both or neither have it and
    // x's low seven bits are at least c's: (x | 0x80) - (c & 0x7F) keeps the high bit then,
    // and borrows nothing from the next byte.
    const uint64_t y = kOnes * c;
    const uint64_t lowAtLeast = (v | (kOnes * 0x80)) - (y & kLow7);
    return ByteMask(((v & ~y) | (~(v ^ y) & lowAtLeast)) & (kOnes * 0x80));
  }
  ByteMask AsciiFrom(unsigned char c) const { return AtLeast(c) & ~High(); }
  ScanChunk WithBlanks() const {
    uint64_t lf = Equal('\n').Bits() >> 7;  // 0x01 in each matching byte
    uint64_t tab = Equal('\t').Bits() >> 7;
    ScanChunk blanks = *this;
    blanks.v ^= lf * ('\n' ^ ' ') | tab * ('\t' ^ ' ');
    return blanks;
  }
  void Store(unsigned char* p) const { std::memcpy(p, &v, 8); }

 private:
  static constexpr uint64_t kOnes = 0x0101010101010101ull;
  static constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
  // The high bit of each zero byte, exactly (no borrow from one byte into the next).
  static uint64_t Zero(uint64_t x) { return ~(((x & kLow7) + kLow7) | x | kLow7); }
};

// The first marked byte of a chunk with at least one mark.
inline size_t FirstSetByte(ScanBits bits) {
  return static_cast<size_t>(__builtin_ctzll(bits)) / 8;
}
// The bits of bytes k and on (k < kScanChunk).
inline ScanBits BytesFrom(size_t k) { return 0x8080808080808080ull << (8 * k); }

#endif

// How many bytes bits marks (without the processor's population count, which the baseline
// x86-64 lacks).
inline uint32_t CountMarks(ScanBits bits) {
  if constexpr (sizeof(ScanBits) == 8) {  // the high bit of each byte: their sum in the top byte
    return static_cast<uint32_t>(((bits >> 7) * 0x0101010101010101ull) >> 56);
  } else {  // a bit a byte, 16 bytes
    uint32_t x = bits;
    x = x - ((x >> 1) & 0x5555u);
    x = (x & 0x3333u) + ((x >> 2) & 0x3333u);
    x = (x + (x >> 4)) & 0x0F0Fu;
    return (x + (x >> 8)) & 0x1Fu;
  }
}

// The lowest mark of bits (none when there is none).
inline ScanBits LowestMark(ScanBits bits) { return bits & (~bits + 1); }

// The first byte c in text[q..n), or n: a chunk at a time (the distances are short, as to
// the end of a tag or the next "<" of a row; a library call would cost more than the search).
inline size_t FindByte(const char* text, size_t n, size_t q, char c) {
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  while (n - q >= kScanChunk) {
    ScanBits found = ScanChunk(s + q).Equal(c).Bits();
    if (found) return q + FirstSetByte(found);
    q += kScanChunk;
  }
  while (q < n && text[q] != c) ++q;
  return q;
}

}  // namespace vellumine
