#include "progress.h"

namespace vellumine {

void ProgressTicks::Fire() {
  report.Show(counter);
  ++counter;
  ++next;
  nextPosition = next < count ? positions[next] : kNone;
}

void BuildProgressTicks(ProgressTicks& ticks, size_t n, const ProgressReport& report) {
  ticks = ProgressTicks{};
  ticks.report = report;
  if (n <= 1) return;
  // With M = n - 1, the candidates j = 1 ... M are walked with a target t from 50 down,
  // recording j whenever M div j == t. M div j never grows with j, so the first candidate
  // that can give t is M div (t + 1) + 1: tick k sits there, as long as it really gives t.
  const size_t m = n - 1;
  for (int k = 1; k <= ProgressTicks::kMaxTicks; ++k) {
    const size_t target = static_cast<size_t>(ProgressTicks::kMaxTicks + 1 - k);
    const size_t position = m / (target + 1) + 1;
    if (position > m || m / position != target) break;
    ticks.positions[ticks.count++] = position;
  }
  ticks.nextPosition = ticks.count > 0 ? ticks.positions[0] : ProgressTicks::kNone;
}

}  // namespace vellumine
