#include "allocation_limit.h"

#include <atomic>

namespace vellumine {
namespace {

std::atomic<int64_t> remaining{-1};  // negative: no limit
std::atomic<size_t> largest{0};

}  // namespace

void LimitBlockAllocations(int64_t allowed) { remaining.store(allowed < 0 ? -1 : allowed); }

bool GrantBlockAllocation(size_t bytes) {
  for (size_t seen = largest.load(std::memory_order_relaxed);
       bytes > seen && !largest.compare_exchange_weak(seen, bytes);) {
  }
  int64_t left = remaining.load(std::memory_order_relaxed);
  while (left >= 0) {
    if (left == 0) return false;
    if (remaining.compare_exchange_weak(left, left - 1)) return true;
  }
  return true;
}

size_t LargestBlockGranted() { return largest.load(); }

void ForgetLargestBlock() { largest.store(0); }

}  // namespace vellumine
