// The preparation pass: removes title, script, option, style and server-side blocks.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vellumine {

// Copies raw[0..n) into prepared, leaving out the blocks; returns the prepared length
// (never more than n). prepared must hold n bytes.
size_t PrepareText(const char* raw, size_t n, char* prepared);

// The same on bytes as read from a file: the read transformation and the preparation in
// one pass. Gives exactly the bytes of PrepareText over ApplyReadTransform's result; the
// length of raw up to its first 0x1A (n without one) goes to readLength when given.
size_t PrepareRawText(const char* raw, size_t n, char* prepared, size_t* readLength = nullptr);

// What a part of that pass did: the bytes it wrote, and where it stopped: at the first step
// at or after its limit, at the 0x1A that ends the text (ended), or at the start of a block
// that runs to the end of the text, or whose end may go on past it (openBlock).
struct PreparedPart {
  size_t written = 0;
  size_t stop = 0;
  bool ended = false;
  bool openBlock = false;
};

// The steps of PrepareRawText from position begin (where no block is open) while they start
// before limit, written from prepared[0]; the blocks and line ends they meet are looked up
// to n. Run from begin to n it is PrepareRawText; run from 0 to m and then from its stop
// to n, the two parts give PrepareRawText's bytes.
PreparedPart PrepareRawTextPart(const char* raw, size_t n, size_t begin, size_t limit,
                                char* prepared);

// The blocks the preparation removes, by how their end is found.
enum class RemovedBlock : uint8_t { None, Title, Script, Style, Option, Server };

// The block that starts at text[i], or None.
RemovedBlock RemovedBlockAt(const char* text, size_t n, size_t i);

// Where the search for the end of a block of kind that starts at i begins.
inline size_t BlockEndSearchStart(RemovedBlock kind, size_t i) {
  return kind == RemovedBlock::Server ? i + 2 : i;  // "<%>" ends where it starts
}

// The end of a block of kind in raw bytes (a CR LF pair one byte of the text), looked for
// from `from` (BlockEndSearchStart, or a later place before which it has none) in raw[0, n):
// found, where the end starts, and the byte after it (n when the end reaches the end of the
// text, which may go on).
struct BlockEnd {
  bool found = false;
  size_t at = 0;
  size_t after = 0;
};
BlockEnd FindBlockEnd(RemovedBlock kind, const char* raw, size_t n, size_t from);

// No block's end is longer than this: a search that found none in raw[0, n) goes on from
// n - kLongestBlockEnd over more of the text.
inline constexpr size_t kLongestBlockEnd = 16;

}  // namespace vellumine
