#include "prepared_source.h"

#include <algorithm>
#include <cstring>

#include "fast/byte_scan.h"
#include "translation/prepare_text.h"

namespace vellumine {

bool PreparedSource::PrepareNextPart() {
  if (ended_) return false;
  // A part writes at most one byte for each it reads, and a chunk past them.
  if (part_.capacity() == 0 && !part_.Allocate(kPart + 2 * kScanChunk)) return false;
  size_t want = in_ + kPart + kSettled;
  for (;;) {
    const size_t bound = raw_.Reach(want);
    const bool last = raw_.Ended();
    const size_t limit = std::min(last ? bound : bound - kSettled, in_ + kPart);
    const PreparedPart part = PrepareRawTextPart(raw_.text(), bound, in_, limit, part_.data());
    // A block whose end was looked for up to the text read so far: read on and prepare the
    // part again.
    if (!last && !part.ended && part.stop + kSettled > bound) {
      want = bound + std::max(kPart, bound - in_);  // twice as far from the part's start
      continue;
    }
    part_.Resize(part.written);
    partTaken_ = 0;
    ticks_.Pass(in_, part.stop);
    in_ = part.stop;
    raw_.Pass(in_);
    ended_ = part.ended || (last && part.stop >= bound);
    return true;
  }
}

bool PreparedSource::ReadAt(uint64_t offset, char* into, size_t n, size_t& got) {
  got = 0;
  if (offset != given_) return false;
  while (got < n) {
    if (partTaken_ == part_.size()) {
      if (!PrepareNextPart()) break;
      continue;
    }
    const size_t k = std::min(n - got, part_.size() - partTaken_);
    std::memcpy(into + got, part_.data() + partTaken_, k);
    partTaken_ += k;
    got += k;
  }
  given_ += got;
  return part_.capacity() != 0;
}

}  // namespace vellumine
