// Where a writer of the default reading puts its bytes: a fixed block that goes to the
// conversion's output stream whenever it fills, so that no body is held whole; or, where
// the stream gives room in its own block, that room, which it takes without a copy.
// A writer may also hold what it writes (an RTF table's first rows, whose definitions go
// before their cells and need the widths of the columns) up to kLongestHeld bytes, then
// write it with what goes between.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>

#include "fast/allocation_limit.h"
#include "fast/kept_blocks.h"
#include "translation/output_stream.h"

namespace vellumine {

class PageOutput : public KeptByThread {
 public:
  static constexpr size_t kCapacity = size_t{128} << 10;
  // The most a writer asks room for at once.
  static constexpr size_t kLargestRoom = size_t{64} << 10;

  static constexpr size_t kLongestHeld = size_t{1} << 20;

  // What holds bytes: when more than kLongestHeld would be held, holding ends and it is
  // handed what was held, to append with what goes between (held stays until the next Hold).
  class Holder {
   public:
    virtual void WriteHeld(std::string_view held) = 0;

   protected:
    ~Holder() = default;
  };

  explicit PageOutput(OutputStream& out) : out_(out) { TakeRoom(); }
  PageOutput(const PageOutput&) = delete;
  PageOutput& operator=(const PageOutput&) = delete;

  // Sets aside the memory Hold uses; false when there is none.
  bool AllowHolding() {
    if (!held_ && GrantBlockAllocation(kLongestHeld)) held_ = TakeArray<char>(kLongestHeld);
    return held_ != nullptr;
  }
  // What is appended from now on is held (AllowHolding first) until Release, or until it
  // would pass kLongestHeld, when holder writes what goes before it and holding ends.
  void Hold(Holder& holder) {
    Flush();
    holder_ = &holder;
    room_ = held_.get();
    capacity_ = kLongestHeld;
  }
  // Ends holding: what was held, to be appended (it stays until the next Hold).
  std::string_view EndHold() {
    if (!holder_) return {};
    return std::string_view(held_.get(), EndHolding());
  }
  bool holding() const { return holder_ != nullptr; }
  // While holding: the bytes held so far.
  size_t held() const { return used_; }

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

  // Hands what is kept to the stream.
  void Flush() {
    if (holder_) Overflow();
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
  // Holding ends; the number of bytes held, at held_.
  size_t EndHolding() {
    const size_t held = used_;
    holder_ = nullptr;
    used_ = 0;
    TakeRoom();
    return held;
  }
  [[gnu::noinline]] void Overflow() {
    Holder& holder = *holder_;
    const size_t held = EndHolding();
    holder.WriteHeld(std::string_view(held_.get(), held));
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
  Holder* holder_ = nullptr;  // while bytes are held in held_
  KeptArray<char> held_;
  char buffer_[kCapacity];
};

}  // namespace vellumine
