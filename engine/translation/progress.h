// Progress of one conversion: where it is shown and the ticks that drive it.
#pragma once

#include <cstddef>

#include "vellumine.h"

namespace vellumine {

// A conversion shows its progress in this many steps: 0 at the start, 1 once the page is
// read, one more at each tick, all of them at the end.
inline constexpr int kProgressSteps = 50;

// Where a conversion's steps go: the caller's function, if any.
struct ProgressReport {
  vellumine_progress_fn show = nullptr;
  void* context = nullptr;

  void Show(int step) const {
    if (show != nullptr) show(context, step, kProgressSteps);
  }
};

// Up to 50 positions in the prepared text; the translation reports each one it steps on.
struct ProgressTicks {
  static constexpr int kMaxTicks = 50;
  size_t positions[kMaxTicks] = {};  // increasing tick positions
  int count = 0;                     // ticks found
  int next = 0;                      // index of the next tick
  int counter = 1;                   // the progress counter: the step tick k shows
  size_t nextPosition = kNone;       // positions[next], or kNone when no tick is left
  ProgressReport report;             // where ticks are shown

  static constexpr size_t kNone = static_cast<size_t>(-1);

  void Fire();  // shows the current tick and moves to the next
};

// Finds the tick positions of a prepared text of length n (none when n <= 1).
void BuildProgressTicks(ProgressTicks& ticks, size_t n, const ProgressReport& report);

// Called at the start of every translation step with the cursor position.
inline void CheckTick(ProgressTicks& ticks, size_t p) {
  if (p == ticks.nextPosition) ticks.Fire();
}

// Steps from..to-1 taken at once (a run of text, a character's bytes): each reports its tick
// as a step of its own would.
inline void PassTicks(ProgressTicks& ticks, size_t from, size_t to) {
  while (ticks.nextPosition - from < to - from) ticks.Fire();
}

}  // namespace vellumine
