#include "sliding_text.h"

#include <algorithm>
#include <cstring>

namespace vellumine {

size_t SlidingText::Reach(size_t p) {
  while (!ended_ && held_.size() < p) {
    const size_t want = std::max(p - held_.size(), kRead);
    if (!held_.Reserve(want + kReadPast)) {
      failed_ = ended_ = true;
      break;
    }
    size_t got = 0;
    if (!source_.ReadAt(offset_, held_.data() + held_.size(), want, got)) {
      failed_ = true;
      got = 0;
    }
    held_.Resize(held_.size() + got);
    offset_ += got;
    if (got < want) ended_ = true;
  }
  if (ended_ && held_.Reserve(kReadPast)) std::memset(held_.data() + held_.size(), 0, kReadPast);
  return held_.size();
}

void SlidingText::Drop(size_t p) {
  p = std::min(p, held_.size());
  std::memmove(held_.data(), held_.data() + p, held_.size() - p);
  held_.Resize(held_.size() - p);
}

}  // namespace vellumine
