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

}  // namespace vellumine
