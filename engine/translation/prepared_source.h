// The classic reading's prepared text made as it is read: the text of a raw page read as it
// goes, without its title, script, option, style and server blocks, its CR LF pairs as line
// feeds, to its first 0x1A (PrepareRawText's bytes), given out in order (to a SlidingText).
// The parts are prepared on a thread of their own, a few ahead of the reader, where there is
// one to be had.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>

#include "fast/byte_buffer.h"
#include "fast/progress_ticks.h"
#include "translation/growing_text.h"
#include "translation/raw_text_source.h"

namespace vellumine {

class PreparedSource final : public RawTextSource {
 public:
  // raw: the page from its start, read only by this source from now on; ticks (over the
  // raw page's expected length) are passed, on the reader's thread, as it takes each part.
  // Without ahead every part is prepared when the reader needs it.
  PreparedSource(GrowingText& raw, ProgressTicks& ticks, bool ahead = true);
  ~PreparedSource();
  PreparedSource(const PreparedSource&) = delete;
  PreparedSource& operator=(const PreparedSource&) = delete;

  // Gives the prepared bytes from offset on, which must be where the last read ended: n of
  // them, fewer only at the prepared text's end. False when a part's memory could not be
  // had.
  bool ReadAt(uint64_t offset, char* into, size_t n, size_t& got) override;

 private:
  struct Part {
    ByteBuffer bytes;
    size_t rawFrom = 0;  // the raw bytes it was made of
    size_t rawTo = 0;
    bool last = false;   // no part follows
    bool ok = true;      // its memory was had
  };
  // Prepares the next part of the raw page into part.
  void PrepareNext(Part& part);
  // Passes over the removed block that starts at start, whose end is not in the raw text
  // read so far (bound, last: how far that is and whether it is the end), reading on and
  // letting go of what is behind; returns the byte after the block (bound when it runs to
  // the end of the text).
  size_t PassBlock(size_t start, size_t& bound, bool& last);
  void Prepare();        // the thread's loop
  Part& TakeNext();      // the part after the one taken last (waiting for it)

  // A part's steps start before this many bytes past its first, and end this far before
  // the raw text read so far: no step looks further past its end than that.
  static constexpr size_t kPart = size_t{256} << 10;
  static constexpr size_t kSettled = 64;
  static constexpr size_t kParts = 4;

  GrowingText& raw_;
  ProgressTicks& ticks_;
  size_t in_ = 0;  // where the next part starts in the raw page (the preparing thread's)
  Part parts_[kParts];
  std::mutex mutex_;
  std::condition_variable filled_;  // a part was prepared
  std::condition_variable freed_;   // a part was taken whole, or the thread is to stop
  size_t produced_ = 0;             // parts prepared
  size_t consumed_ = 0;             // parts taken whole
  bool stop_ = false;
  std::thread thread_;
  bool ahead_ = false;   // parts are prepared on thread_
  Part* taken_ = nullptr;  // the part being given out, and its bytes given
  size_t partGiven_ = 0;
  uint64_t given_ = 0;
};

}  // namespace vellumine
