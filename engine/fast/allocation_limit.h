// A way for tests to make the engine run out of memory on purpose, wherever and however much
// it allocates: every block its buffers ask for once a given number have been granted is
// refused, as a full memory would refuse it.
#pragma once

#include <cstdint>

namespace vellumine {

// Grants `allowed` more blocks, then refuses every one; a negative count lifts the limit
// (the default). For tests only: it applies to every conversion in the process.
void LimitBlockAllocations(int64_t allowed);

// Takes one grant: false when the limit refuses the block.
bool GrantBlockAllocation();

}  // namespace vellumine
