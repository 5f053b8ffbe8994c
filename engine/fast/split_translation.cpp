#include "split_translation.h"

#include "translation/ascii.h"

namespace vellumine {

size_t SecondHalfStart(const char* text, size_t n) {
  // A little before the middle: the first half also writes its output as it goes.
  const size_t middle = n / 100 * 46 + n % 100 * 46 / 100;
  const size_t last = std::min(n, middle + 4096);
  for (size_t p = middle > 0 ? middle : 1; p < last; ++p) {
    if (text[p] != '<') continue;
    const unsigned char before = AsciiLower(static_cast<unsigned char>(text[p - 1]));
    if ((before >= 'a' && before <= 'z') || (before >= '0' && before <= '9')) return p;
  }
  return middle;
}

ProgressTicks SecondHalfTicks(const ProgressTicks& ticks, size_t q) {
  ProgressTicks second = ticks;
  second.report = {};
  second.next = 0;
  while (second.next < second.count && second.positions[second.next] < q) ++second.next;
  second.counter = second.next + 1;
  second.nextPosition =
      second.next < second.count ? second.positions[second.next] : ProgressTicks::kNone;
  return second;
}

TickMark MarkTicks(const ProgressTicks& ticks, size_t p) {
  return {ticks.next, ticks.nextPosition < p};
}

void ShowTicks(ProgressTicks& ticks, const TickMark& first, const TickMark& mark,
               const ProgressTicks& second) {
  if (first.stopped) return;
  for (int k = mark.next; k < second.next; ++k) ticks.Fire();
}

}  // namespace vellumine
