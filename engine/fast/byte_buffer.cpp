#include "byte_buffer.h"

#include "fast/allocation_limit.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace vellumine {
namespace {

// Large work buffers are backed by huge pages where the kernel offers them on request:
// the first touch of every 4 KiB page costs more than converting it on some machines.
void* AllocateBlock(size_t capacity) {
  if (!GrantBlockAllocation(capacity)) return nullptr;
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr size_t kHugePage = size_t{2} << 20;
  if (capacity >= kHugePage) {
    const size_t rounded = (capacity + kHugePage - 1) / kHugePage * kHugePage;
    if (rounded >= capacity) {
      if (void* block = std::aligned_alloc(kHugePage, rounded)) {
        madvise(block, rounded, MADV_HUGEPAGE);  // advice only: failure changes nothing
        return block;
      }
    }
  }
#endif
  return std::malloc(capacity == 0 ? 1 : capacity);
}

}  // namespace

ByteBuffer::~ByteBuffer() { std::free(data_); }

bool ByteBuffer::Allocate(size_t capacity) {
  std::free(data_);
  data_ = static_cast<char*>(AllocateBlock(capacity));
  size_ = 0;
  capacity_ = data_ ? capacity : 0;
  failed_ = data_ == nullptr;
  return data_ != nullptr;
}

bool ByteBuffer::Grow(size_t extra) {
  if (failed_) return false;
  const size_t kMax = SIZE_MAX;
  if (extra > kMax - size_) {
    failed_ = true;
    return false;
  }
  size_t wanted = size_ + extra;
  size_t capacity = capacity_ > kMax / 2 ? kMax : capacity_ * 2;
  if (capacity < wanted) capacity = wanted;
  if (capacity < 64) capacity = 64;
  // A new block rather than realloc: a large one is backed by huge pages again, where
  // realloc would move it to small pages, each touched page a fault of its own.
  char* grown = static_cast<char*>(AllocateBlock(capacity));
  if (!grown) {
    failed_ = true;
    return false;
  }
  if (size_ > 0) std::memcpy(grown, data_, size_);
  std::free(data_);
  data_ = grown;
  capacity_ = capacity;
  return true;
}

}  // namespace vellumine
