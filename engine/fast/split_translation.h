// Translating a large text in two halves at once. The second half starts on a thread of its
// own from a guess of the state there; the first half, when it reaches that point, compares
// its real state with the guess, and with the states the second half passed on its way.
// From the first point where they agree both would write the same, so the second half's
// output from there is taken; where they never agree, the first half goes on alone.
// Either way the output is that of one translation from start to end.
#pragma once

#include <algorithm>
#include <cstddef>
#include <thread>

#include "fast/helper_thread.h"
#include "fast/progress_ticks.h"

namespace vellumine {

// Texts from this length on are translated in halves.
inline constexpr size_t kSplitTranslationFrom = size_t{4} << 20;

// Where the second half starts: the first "<" from a little before the middle on with a
// letter or digit before it (a tag right after a word: text is on and a blank allowed
// there, as a second half guesses), else that point.
size_t SecondHalfStart(const char* text, size_t n);

// Where a half stood at a step: the position, the output written before it and its ticks.
// Each translation's Mark adds what decides what its later steps write.
struct HalfMark {
  size_t position = 0;
  size_t written = 0;
  TickMark ticks;
};

// A translation over a range of steps, as the halves use it:
//   size_t position() const;   where the next step starts
//   void Run(size_t end);       takes every step that starts before end
//   Mark Marked() const;        the position, the output's length, the ticks (TickMark),
//                               and everything that decides what later steps write
//   void StartAt(size_t q);     (second half) the guessed state at q
//   bool Take(const T& second, const Mark& from);  (first half) appends the second's output
//                               from the mark, shows its ticks and takes its state; false
//                               when the second half's output is incomplete
// Mark is a HalfMark with `bool SameCourse(const Mark&) const`.
template <typename Translation>
void TranslateInHalves(Translation& first, Translation& second, size_t n, size_t q) {
  using Mark = typename Translation::Mark;
  constexpr size_t kMaxMarks = 64;
  Mark marks[kMaxMarks + 1];
  size_t count = 0;
  const size_t stride = std::max<size_t>((n - q) / (kMaxMarks - 8) + 1, size_t{1} << 16);
  auto runSecond = [&] {
    second.StartAt(q);
    marks[count++] = second.Marked();
    // Close together after the start, where states that differ there often come together
    // (at the end of a list or a table row), then evenly.
    size_t step = 4096;
    while (second.position() < n) {
      second.Run(std::min(n, second.position() + step));
      if (count <= kMaxMarks) marks[count++] = second.Marked();
      step = std::min(2 * step, stride);
    }
  };
  std::thread helper;
  if (!StartHelperThread(helper, runSecond)) {
    first.Run(n);  // no second thread: one translation
    return;
  }
  first.Run(q);
  helper.join();
  for (size_t i = 0; i < count; ++i) {
    if (first.position() < marks[i].position) first.Run(marks[i].position);
    const Mark here = first.Marked();
    if (here.position == marks[i].position && here.SameCourse(marks[i]) &&
        TicksAgree(here.ticks, marks[i].ticks)) {
      if (first.Take(second, marks[i])) return;
      break;
    }
  }
  first.Run(n);
}

}  // namespace vellumine
