// Chunked byte scanning for the hot loops: how many leading bytes of a chunk belong to a
// run that a loop may take as it is. SSE2 where the compiler offers it, eight bytes in a
// 64-bit word otherwise; the results are the same.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vellumine {

#if defined(__SSE2__)

inline constexpr size_t kScanChunk = 16;

// Bit i set for each byte i of the chunk equal to c.
struct ScanChunk {
  __m128i v;
  explicit ScanChunk(const unsigned char* p)
      : v(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))) {}
  uint32_t Equal(char c) const {
    return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(c))));
  }
  // The same for a lowercase letter c, matching it in either case.
  uint32_t EqualNoCase(char c) const {
    __m128i lower = _mm_or_si128(v, _mm_set1_epi8(0x20));
    return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(lower, _mm_set1_epi8(c))));
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

inline size_t FirstSetByte(uint32_t mask) { return static_cast<size_t>(__builtin_ctz(mask)); }
// The first marked byte, or kScanChunk when none is marked (without a branch).
inline size_t FirstMarked(uint32_t mask) { return FirstSetByte(mask | (1u << kScanChunk)); }
inline constexpr uint32_t kFirstByte = 1;
inline constexpr int kByteShift = 1;  // distance between the marks of neighbouring bytes
using ScanMask = uint32_t;

#else

inline constexpr size_t kScanChunk = 8;

// The high bit of each byte of the (little-endian) word marks a byte equal to c.
struct ScanChunk {
  uint64_t v;
  explicit ScanChunk(const unsigned char* p) { std::memcpy(&v, p, 8); }
  uint64_t Equal(char c) const { return Zero(v ^ (kOnes * static_cast<unsigned char>(c))); }
  // The same for a lowercase letter c, matching it in either case.
  uint64_t EqualNoCase(char c) const {
    return Zero((v | (kOnes * 0x20)) ^ (kOnes * static_cast<unsigned char>(c)));
  }
  // The chunk with every line feed and tab turned into a blank.
  ScanChunk WithBlanks() const {
    uint64_t lf = Equal('\n') >> 7;  // 0x01 in each matching byte
    uint64_t tab = Equal('\t') >> 7;
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

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the word scan reads bytes in order");
inline size_t FirstSetByte(uint64_t mask) {
  return static_cast<size_t>(__builtin_ctzll(mask)) / 8;
}
// The first marked byte, or kScanChunk when none is marked.
inline size_t FirstMarked(uint64_t mask) { return mask ? FirstSetByte(mask) : kScanChunk; }
inline constexpr uint64_t kFirstByte = 0x80;
inline constexpr int kByteShift = 8;
using ScanMask = uint64_t;

#endif

}  // namespace vellumine
