// The classic reading's prepared text made as it is read: the text of a raw page read as it
// goes, without its title, script, option, style and server blocks, its CR LF pairs as line
// feeds, to its first 0x1A (PrepareRawText's bytes), given out in order to a reader that
// holds only what it has not passed (a PageWindow over this source).
#pragma once

#include <cstddef>
#include <cstdint>

#include "fast/byte_buffer.h"
#include "fast/progress_ticks.h"
#include "translation/growing_text.h"
#include "translation/raw_text_source.h"

namespace vellumine {

class PreparedSource final : public RawTextSource {
 public:
  // raw: the page from its start; ticks (over the raw page's expected length) are passed as
  // the raw page is prepared.
  PreparedSource(GrowingText& raw, ProgressTicks& ticks) : raw_(raw), ticks_(ticks) {}
  PreparedSource(const PreparedSource&) = delete;
  PreparedSource& operator=(const PreparedSource&) = delete;

  // Gives the prepared bytes from offset on, which must be where the last read ended: n of
  // them, fewer only at the prepared text's end. False when the raw page's memory could
  // not be had.
  bool ReadAt(uint64_t offset, char* into, size_t n, size_t& got) override;

 private:
  // Prepares the next part of the raw page into part_; false at the raw page's end.
  bool PrepareNextPart();

  // A part's steps start before this many bytes past its first, and end this far before
  // the raw text read so far: no step looks further past its end than that.
  static constexpr size_t kPart = size_t{256} << 10;
  static constexpr size_t kSettled = 64;

  GrowingText& raw_;
  ProgressTicks& ticks_;
  size_t in_ = 0;         // where the next part starts in the raw page
  uint64_t given_ = 0;    // prepared bytes given out
  ByteBuffer part_;       // the last part prepared
  size_t partTaken_ = 0;  // its bytes given out
  bool ended_ = false;
};

}  // namespace vellumine
