// Where a writer of the default reading puts its bytes: a fixed block that goes to the
// conversion's output stream whenever it fills, so that no body is held whole; or, where
// the stream gives room in its own block, that room, which it takes without a copy.
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

  explicit PageOutput(OutputStream& out) : out_(out) { TakeRoom(); }
  PageOutput(const PageOutput&) = delete;
  PageOutput& operator=(const PageOutput&) = delete;

  // Room for k bytes (k <= kLargestRoom) at the returned pointer; Commit says how many
  // were written.
  char* Room(size_t k) {
    if (capacity_ - used_ < k) Flush();
    return room_ + used_;
  }
  void Commit(char* end) { used_ = static_cast<size_t>(end - room_); }

  void Append(std::string_view bytes) {
    if (capacity_ - used_ < bytes.size()) return AppendAfterFlush(bytes);
    std::memcpy(room_ + used_, bytes.data(), bytes.size());
    used_ += bytes.size();
  }
  void Append(char c) {
    if (used_ == capacity_) Flush();
    room_[used_++] = c;
  }

  // Hands what is held to the stream.
  void Flush() {
    if (used_ != 0) {
      if (room_ == buffer_) {
        out_.Write(buffer_, used_);
      } else {
        out_.Commit(used_);
      }
    }
    used_ = 0;
    TakeRoom();
  }

 private:
  [[gnu::noinline]] void AppendAfterFlush(std::string_view bytes) {
    Flush();
    if (bytes.size() > kLargestRoom) {
      out_.Write(bytes.data(), bytes.size());
      TakeRoom();  // the stream's room moved on past what it took
      return;
    }
    std::memcpy(room_, bytes.data(), bytes.size());
    used_ = bytes.size();
  }
  void TakeRoom() {
    size_t capacity = 0;
    char* direct = out_.DirectRoom(kLargestRoom, capacity);
    room_ = direct ? direct : buffer_;
    capacity_ = direct ? capacity : kCapacity;
  }

  OutputStream& out_;
  char* room_ = nullptr;   // buffer_ or the stream's
  size_t capacity_ = 0;
  size_t used_ = 0;
  char buffer_[kCapacity];
};

}  // namespace vellumine
