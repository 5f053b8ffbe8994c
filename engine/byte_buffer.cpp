#include "byte_buffer.h"

#include <cstdint>
#include <cstdlib>

namespace vellumine {

ByteBuffer::~ByteBuffer() { std::free(data_); }

bool ByteBuffer::Allocate(size_t capacity) {
  std::free(data_);
  data_ = static_cast<char*>(std::malloc(capacity == 0 ? 1 : capacity));
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
  char* grown = static_cast<char*>(std::realloc(data_, capacity));
  if (!grown) {
    failed_ = true;
    return false;
  }
  data_ = grown;
  capacity_ = capacity;
  return true;
}

}  // namespace vellumine
