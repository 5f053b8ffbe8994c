#include "prepared_source.h"

#include <algorithm>
#include <cstring>

#include "fast/byte_scan.h"
#include "fast/helper_thread.h"
#include "translation/prepare_text.h"

namespace vellumine {

PreparedSource::PreparedSource(GrowingText& raw, ProgressTicks& ticks, bool ahead)
    : raw_(raw), ticks_(ticks) {
  // Without a thread each part is prepared when it is needed.
  ahead_ = ahead && StartHelperThread(thread_, [this] { Prepare(); });
}

PreparedSource::~PreparedSource() {
  if (!ahead_) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  freed_.notify_all();
  thread_.join();
}

void PreparedSource::PrepareNext(Part& part) {
  part.rawFrom = part.rawTo = in_;
  part.bytes.Clear();
  // A part writes at most one byte for each it reads, and a chunk past them.
  if (part.bytes.capacity() == 0 && !part.bytes.Allocate(kPart + 2 * kScanChunk)) {
    part.ok = false;
    part.last = true;
    return;
  }
  size_t want = in_ + kPart + kSettled;
  for (;;) {
    const size_t bound = raw_.Reach(want);
    const bool last = raw_.Ended();
    const size_t limit = std::min(last ? bound : bound - kSettled, in_ + kPart);
    const PreparedPart prepared =
        PrepareRawTextPart(raw_.text(), bound, in_, limit, part.bytes.data());
    part.bytes.Resize(prepared.written);
    if (prepared.openBlock) {
      // The part ends with a block whose end is not read yet (or which has none): the text
      // before it is the part's, and its end is looked for over the page as it is read.
      size_t read = bound;
      bool ended = last;
      in_ = part.rawTo = PassBlock(prepared.stop, read, ended);
      part.last = ended && in_ >= read;
      return;
    }
    // A step looked up to the text read so far: read on (twice as far from the part's
    // start) and prepare the part again.
    if (!last && !prepared.ended && prepared.stop + kSettled > bound) {
      want = bound + std::max(kPart, bound - in_);
      continue;
    }
    in_ = part.rawTo = prepared.stop;
    raw_.Pass(in_);
    part.last = prepared.ended || (last && prepared.stop >= bound);
    return;
  }
}

size_t PreparedSource::PassBlock(size_t start, size_t& bound, bool& last) {
  const RemovedBlock kind = RemovedBlockAt(raw_.text(), bound, start);
  size_t from = BlockEndSearchStart(kind, start);
  for (;;) {
    const BlockEnd end = FindBlockEnd(kind, raw_.text(), bound, from);
    // Found where the bytes after it were read (a script's end takes one or two more).
    if (last || (end.found && end.after + kSettled <= bound)) return end.found ? end.after : bound;
    if (!end.found) from = std::max(from, bound - kLongestBlockEnd);
    raw_.Pass(from > kSettled ? from - kSettled : 0);  // a server block's looks a byte back
    bound = raw_.Reach(bound + kPart);
    last = raw_.Ended();
  }
}

void PreparedSource::Prepare() {
  for (;;) {
    Part* part;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      freed_.wait(lock, [&] { return stop_ || produced_ - consumed_ < kParts; });
      if (stop_) return;
      part = &parts_[produced_ % kParts];
    }
    PrepareNext(*part);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++produced_;
    }
    filled_.notify_one();
    if (part->last) return;
  }
}

PreparedSource::Part& PreparedSource::TakeNext() {
  if (!ahead_) {
    PrepareNext(parts_[0]);
    return parts_[0];
  }
  std::unique_lock<std::mutex> lock(mutex_);
  if (taken_ != nullptr) {
    ++consumed_;  // the part given out whole goes back
    freed_.notify_one();
  }
  filled_.wait(lock, [&] { return produced_ > consumed_; });
  return parts_[consumed_ % kParts];
}

bool PreparedSource::ReadAt(uint64_t offset, char* into, size_t n, size_t& got) {
  got = 0;
  if (offset != given_) return false;
  while (got < n) {
    if (taken_ == nullptr || partGiven_ == taken_->bytes.size()) {
      if (taken_ != nullptr && taken_->last) break;
      taken_ = &TakeNext();
      partGiven_ = 0;
      if (!taken_->ok) return false;
      ticks_.Pass(taken_->rawFrom, taken_->rawTo);
      continue;
    }
    const size_t k = std::min(n - got, taken_->bytes.size() - partGiven_);
    std::memcpy(into + got, taken_->bytes.data() + partGiven_, k);
    partGiven_ += k;
    got += k;
  }
  given_ += got;
  return true;
}

}  // namespace vellumine
