// The ticks that drive a conversion's progress: up to 50 positions in the prepared text, each
// shown as a step when the translation steps on it, and replayed when a second half's output
// is taken.
#pragma once

#include <cstddef>
#include <span>

#include "translation/progress.h"

namespace vellumine {

// The ticks of a translation at a position: the next one, and whether it stopped there
// because a step jumped over that tick (no tick is shown after that).
struct TickMark {
  int next = 0;
  bool stopped = false;
};

class ProgressTicks {
 public:
  static constexpr int kMaxTicks = kProgressSteps;
  static constexpr size_t kNone = static_cast<size_t>(-1);

  ProgressTicks() = default;
  // The ticks of a prepared text of length n (none when n <= 1), shown through report.
  ProgressTicks(size_t n, const ProgressReport& report);

  // Where the next tick is; kNone when no tick is left.
  size_t nextPosition() const { return nextPosition_; }
  // Every tick position, increasing.
  std::span<const size_t> positions() const { return {positions_, static_cast<size_t>(count_)}; }
  // How many ticks have been passed.
  int passed() const { return next_; }

  // Called at the start of every translation step with the cursor position.
  void Check(size_t p) {
    if (p == nextPosition_) Fire();
  }
  // Steps from..to-1 taken at once (a run of text, a character's bytes): each reports its
  // tick as a step of its own would.
  void Pass(size_t from, size_t to) {
    while (nextPosition_ - from < to - from) Fire();
  }

  // For a second half that starts at q: the ticks before q taken as shown, the rest counted
  // but shown by nobody (the first half shows them when it takes the output).
  ProgressTicks ForSecondHalf(size_t q) const;
  // Where these ticks stand at position p.
  TickMark MarkAt(size_t p) const { return {next_, nextPosition_ < p}; }
  // Shows again what the second half passed after its mark, unless these ticks (marked
  // `first`) had stopped.
  void Replay(const TickMark& first, const TickMark& mark, const ProgressTicks& second);

 private:
  void Fire();  // shows the current tick and moves to the next

  size_t positions_[kMaxTicks] = {};  // increasing tick positions
  int count_ = 0;                     // ticks found
  int next_ = 0;                      // index of the next tick
  int step_ = 1;                      // the step the next tick shows
  size_t nextPosition_ = kNone;       // positions_[next_], or kNone when no tick is left
  ProgressReport report_;             // where ticks are shown
};

// Whether the second half's ticks from a mark are those the first half would show from
// there: the first half's ticks stopped before, or both wait for the same tick.
inline bool TicksAgree(const TickMark& first, const TickMark& second) {
  return first.stopped || first.next == second.next;
}

}  // namespace vellumine
