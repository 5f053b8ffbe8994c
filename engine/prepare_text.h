// The preparation pass: removes title, script, option, style and server-side blocks.
#pragma once

#include <cstddef>

namespace vellumine {

// Copies raw[0..n) into prepared, leaving out the blocks; returns the prepared length
// (never more than n). prepared must hold n bytes.
size_t PrepareText(const char* raw, size_t n, char* prepared);

}  // namespace vellumine
