// A way for tests to make the engine run out of memory on purpose, wherever and however much
// it allocates: every block its buffers ask for once a given number have been granted is
// refused, as a full memory would refuse it. And the largest block granted, which tests
// hold to a bound.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vellumine {

// Grants `allowed` more blocks, then refuses every one; a negative count lifts the limit
// (the default). For tests only: it applies to every conversion in the process.
void LimitBlockAllocations(int64_t allowed);

// Takes one grant for a block of `bytes`: false when the limit refuses the block.
bool GrantBlockAllocation(size_t bytes);

// The largest block granted since the last ForgetLargestBlock(): for tests, how much any one
// buffer of a conversion came to hold.
size_t LargestBlockGranted();
void ForgetLargestBlock();

}  // namespace vellumine
