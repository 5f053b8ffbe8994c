// Where a writer of the default reading puts its bytes: a fixed block that goes to the
// conversion's output stream whenever it fills, so that no body is held whole.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

#include "translation/output_stream.h"

namespace vellumine {

class PageOutput {
 public:
  static constexpr size_t kCapacity = size_t{128} << 10;
  // The most a writer asks room for at once.
  static constexpr size_t kLargestRoom = size_t{64} << 10;

  explicit PageOutput(OutputStream& out) : out_(out) {}
  PageOutput(const PageOutput&) = delete;
  PageOutput& operator=(const PageOutput&) = delete;

  // Room for k bytes (k <= kLargestRoom) at the returned pointer; Commit says how many
  // were written.
  char* Room(size_t k) {
    if (kCapacity - used_ < k) Flush();
    return buffer_ + used_;
  }
  void Commit(char* end) { used_ = static_cast<size_t>(end - buffer_); }

  void Append(std::string_view bytes) {
    if (bytes.size() > kLargestRoom) {
      Flush();
      out_.Write(bytes.data(), bytes.size());
      return;
    }
    char* d = Room(bytes.size());
    std::memcpy(d, bytes.data(), bytes.size());
    used_ += bytes.size();
  }
  void Append(char c) {
    if (used_ == kCapacity) Flush();
    buffer_[used_++] = c;
  }

  // Hands what is held to the stream.
  void Flush() {
    if (used_ != 0) out_.Write(buffer_, used_);
    used_ = 0;
  }

 private:
  OutputStream& out_;
  size_t used_ = 0;
  char buffer_[kCapacity];
};

}  // namespace vellumine
