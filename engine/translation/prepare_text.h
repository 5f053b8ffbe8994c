// The preparation pass: removes title, script, option, style and server-side blocks.
#pragma once

#include <cstddef>

namespace vellumine {

// Copies raw[0..n) into prepared, leaving out the blocks; returns the prepared length
// (never more than n). prepared must hold n bytes.
size_t PrepareText(const char* raw, size_t n, char* prepared);

// The same on bytes as read from a file: the read transformation and the preparation in
// one pass. Gives exactly the bytes of PrepareText over ApplyReadTransform's result; the
// length of raw up to its first 0x1A (n without one) goes to readLength when given.
size_t PrepareRawText(const char* raw, size_t n, char* prepared, size_t* readLength = nullptr);

// What a part of that pass did: the bytes it wrote, and where it stopped: at the first step
// at or after its limit, or at the 0x1A that ends the text (ended).
struct PreparedPart {
  size_t written = 0;
  size_t stop = 0;
  bool ended = false;
};

// The steps of PrepareRawText from position begin (where no block is open) while they start
// before limit, written from prepared[0]; the blocks and line ends they meet are looked up
// to n. Run from begin to n it is PrepareRawText; run from 0 to m and then from its stop
// to n, the two parts give PrepareRawText's bytes.
PreparedPart PrepareRawTextPart(const char* raw, size_t n, size_t begin, size_t limit,
                                char* prepared);

}  // namespace vellumine
