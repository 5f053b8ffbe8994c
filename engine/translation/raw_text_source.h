// Where a job's bytes come from: an input file read at any offset, or bytes in memory. Two
// parts of a source may be read at once, from two threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vellumine {

class RawTextSource {
 public:
  virtual ~RawTextSource() = default;
  // Reads up to n bytes from offset into `into`; got is less than n only at the source's
  // end. False when the read fails outright.
  virtual bool ReadAt(uint64_t offset, char* into, size_t n, size_t& got) = 0;
};

// Bytes already in memory.
class MemoryTextSource final : public RawTextSource {
 public:
  MemoryTextSource(const char* bytes, size_t size) : bytes_(bytes), size_(size) {}
  bool ReadAt(uint64_t offset, char* into, size_t n, size_t& got) override {
    const size_t left = offset >= size_ ? 0 : size_ - static_cast<size_t>(offset);
    got = left < n ? left : n;
    if (got) std::memcpy(into, bytes_ + offset, got);
    return true;
  }

 private:
  const char* bytes_;
  size_t size_;
};

}  // namespace vellumine
