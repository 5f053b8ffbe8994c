// A growable byte buffer that never throws: the job's text and prepared buffers.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>
#include <utility>

namespace vellumine {

// Owns one malloc'd block. Allocate() sets the initial capacity; appends past the capacity
// grow the block (doubling). A failed growth sets failed() and drops the bytes, so a
// translation loop never checks for errors: the job looks at failed() once at the end.
class ByteBuffer {
 public:
  ByteBuffer() = default;
  ~ByteBuffer();
  ByteBuffer(const ByteBuffer&) = delete;
  ByteBuffer& operator=(const ByteBuffer&) = delete;

  // Replaces the block with one of `capacity` bytes; false when it cannot be allocated.
  bool Allocate(size_t capacity);

  char* data() { return data_; }
  const char* data() const { return data_; }
  size_t size() const { return size_; }
  size_t capacity() const { return capacity_; }
  bool empty() const { return size_ == 0; }
  bool failed() const { return failed_; }
  std::string_view view() const { return {data_, size_}; }

  void Clear() { size_ = 0; }
  // Sets the length after bytes were written straight into data() (at most capacity()).
  void Resize(size_t size) { size_ = size; }
  char Back() const { return data_[size_ - 1]; }

  void Push(char c) {
    if (size_ == capacity_ && !Grow(1)) return;
    data_[size_++] = c;
  }
  void Append(const char* bytes, size_t n) {
    if (n > capacity_ - size_ && !Grow(n)) return;
    std::memcpy(data_ + size_, bytes, n);
    size_ += n;
  }
  void Append(std::string_view s) { Append(s.data(), s.size()); }

  // Exchanges the blocks and their contents.
  void Swap(ByteBuffer& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
    std::swap(failed_, other.failed_);
  }

  // Makes room for `extra` more bytes; false (and failed()) when that is impossible.
  bool Reserve(size_t extra) { return extra <= capacity_ - size_ || Grow(extra); }

 private:
  bool Grow(size_t extra);

  char* data_ = nullptr;    // the block, or null before Allocate
  size_t size_ = 0;         // bytes in use
  size_t capacity_ = 0;     // bytes allocated
  bool failed_ = false;     // a growth failed; later appends were dropped
};

}  // namespace vellumine
