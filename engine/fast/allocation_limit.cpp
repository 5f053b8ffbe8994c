#include "allocation_limit.h"

#include <atomic>

namespace vellumine {
namespace {

std::atomic<int64_t> remaining{-1};  // negative: no limit

}  // namespace

void LimitBlockAllocations(int64_t allowed) { remaining.store(allowed < 0 ? -1 : allowed); }

bool GrantBlockAllocation() {
  int64_t left = remaining.load(std::memory_order_relaxed);
  while (left >= 0) {
    if (left == 0) return false;
    if (remaining.compare_exchange_weak(left, left - 1)) return true;
  }
  return true;
}

}  // namespace vellumine
