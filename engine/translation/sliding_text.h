// A text read in order from a source and held from a point its reader moves on: positions
// are those in the held bytes, and go down by what is dropped. The classic reading's
// prepared text, translated a window at a time.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fast/byte_buffer.h"
#include "translation/raw_text_source.h"

namespace vellumine {

class SlidingText {
 public:
  explicit SlidingText(RawTextSource& source) : source_(source) {}
  SlidingText(const SlidingText&) = delete;
  SlidingText& operator=(const SlidingText&) = delete;

  // The first byte held; moves when the text is read on or dropped.
  const char* text() const { return held_.data(); }
  // Reads on until text()[0, p) is held, or to the source's end, and returns how much is
  // held. The kReadPast bytes after that are held too (zero after the source's end).
  size_t Reach(size_t p);
  bool Ended() const { return ended_; }
  // Drops the bytes before p: positions go down by p.
  void Drop(size_t p);
  // The buffer could not grow, or the source failed: the text ends where it was.
  bool failed() const { return failed_; }

  static constexpr size_t kReadPast = 64;

 private:
  static constexpr size_t kRead = size_t{256} << 10;  // read at least this much at a time
  RawTextSource& source_;
  ByteBuffer held_;
  uint64_t offset_ = 0;  // the source's bytes read
  bool ended_ = false;
  bool failed_ = false;
};

}  // namespace vellumine
