// The output of a conversion handed to the caller's write function.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "fast/kept_blocks.h"
#include "translation/output_stream.h"
#include "vellumine.h"

namespace vellumine {

// Output handed to the caller's function with CR LF line ends, as a file holds them, a
// block at a time; the first refusal stops every later write.
class CallbackOutputStream final : public OutputStream, public KeptByThread {
 public:
  CallbackOutputStream(vellumine_write_fn write, void* context) : write_(write), context_(context) {}
  ~CallbackOutputStream() override = default;
  using OutputStream::Write;
  void Write(const char* data, size_t n) override {
    // Runs up to each line feed are copied whole; the line feed goes as CR LF.
    while (n > 0) {
      const void* feed = std::memchr(data, '\n', n);
      const size_t run = feed ? static_cast<size_t>(static_cast<const char*>(feed) - data) : n;
      Append(data, run);
      if (!feed) return;
      Append("\r\n", 2);
      data += run + 1;
      n -= run + 1;
    }
  }
  // Hands over what is held; false when the caller refused any of the output.
  bool Finish() {
    Flush();
    return !refused_;
  }
  // Whether the caller has refused a piece so far.
  bool refused() const { return refused_; }

 private:
  void Append(const char* bytes, size_t n) {
    while (n > 0) {
      if (used_ == sizeof block_) Flush();
      const size_t piece = std::min(n, sizeof block_ - used_);
      std::memcpy(block_ + used_, bytes, piece);
      used_ += piece;
      bytes += piece;
      n -= piece;
    }
  }
  void Flush() {
    if (used_ > 0 && !refused_) refused_ = write_(context_, block_, used_) != 0;
    used_ = 0;
  }

  vellumine_write_fn write_;
  void* context_;
  char block_[64 * 1024];
  size_t used_ = 0;
  bool refused_ = false;
};

}  // namespace vellumine
