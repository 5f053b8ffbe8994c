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

#include "translation/progress.h"

namespace vellumine {

// Texts from this length on are translated in halves.
inline constexpr size_t kSplitTranslationFrom = size_t{4} << 20;

// Where the second half starts: the first "<" from a little before the middle on with a
// letter or digit before it (a tag right after a word: text is on and a blank allowed
// there, as a second half guesses), else that point.
size_t SecondHalfStart(const char* text, size_t n);

// The ticks of a second half that starts at q: those before q are taken as shown, and the
// rest are counted but shown by nobody (the first half shows them when it takes the output).
ProgressTicks SecondHalfTicks(const ProgressTicks& ticks, size_t q);

// The ticks of a translation at a position: the next one, and whether it stopped there
// because a step jumped over that tick (no tick is shown after that).
struct TickMark {
  int next = 0;
  bool stopped = false;
};
TickMark MarkTicks(const ProgressTicks& ticks, size_t p);

// Whether the second half's ticks from a mark are those the first half would show from
// there: the first half's ticks stopped before, or both wait for the same tick.
inline bool TicksAgree(const TickMark& first, const TickMark& second) {
  return first.stopped || first.next == second.next;
}

// Shows on ticks (the first half's, marked `first`) what the second half showed after its
// mark: nothing when the first half's ticks had stopped, else the same ticks again.
void ShowTicks(ProgressTicks& ticks, const TickMark& first, const TickMark& mark,
               const ProgressTicks& second);

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
  try {
    helper = std::thread(runSecond);
  } catch (...) {
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
