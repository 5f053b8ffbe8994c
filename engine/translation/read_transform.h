// The text-mode read transformation, done by the engine itself on every platform.
#pragma once

#include <cstddef>

namespace vellumine {

// In place: each CR LF becomes LF, a lone CR stays, and the first 0x1A ends the data.
// Returns the new length.
size_t ApplyReadTransform(char* data, size_t n);

}  // namespace vellumine
