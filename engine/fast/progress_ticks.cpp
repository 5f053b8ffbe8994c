#include "progress_ticks.h"

namespace vellumine {

ProgressTicks::ProgressTicks(size_t n, const ProgressReport& report) : report_(report) {
  if (n <= 1) return;
  // With M = n - 1, the candidates j = 1 ... M are walked with a target t from 50 down,
  // recording j whenever M div j == t. M div j never grows with j, so the first candidate
  // that can give t is M div (t + 1) + 1: tick k sits there, as long as it really gives t.
  const size_t m = n - 1;
  for (int k = 1; k <= kMaxTicks; ++k) {
    const size_t target = static_cast<size_t>(kMaxTicks + 1 - k);
    const size_t position = m / (target + 1) + 1;
    if (position > m || m / position != target) break;
    positions_[count_++] = position;
  }
  nextPosition_ = count_ > 0 ? positions_[0] : kNone;
}

void ProgressTicks::Fire() {
  report_.Show(step_);
  ++step_;
  ++next_;
  nextPosition_ = next_ < count_ ? positions_[next_] : kNone;
}

ProgressTicks ProgressTicks::ForSecondHalf(size_t q) const {
  ProgressTicks second = *this;
  second.report_ = {};
  second.next_ = 0;
  while (second.next_ < second.count_ && second.positions_[second.next_] < q) ++second.next_;
  second.step_ = second.next_ + 1;
  second.nextPosition_ = second.next_ < second.count_ ? second.positions_[second.next_] : kNone;
  return second;
}

void ProgressTicks::Replay(const TickMark& first, const TickMark& mark,
                           const ProgressTicks& second) {
  if (first.stopped) return;
  for (int k = mark.next; k < second.next_; ++k) Fire();
}

}  // namespace vellumine
