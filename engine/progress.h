// Progress of one conversion: the sink that shows it and the ticks that drive it.
#pragma once

#include <cstddef>

namespace vellumine {

// The current-file progress bar and its percent label.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void SetRange(int low, int high) = 0;
  virtual void SetPosition(int pos) = 0;
  virtual void SetPercentText(const char* text) = 0;  // "0", "2", ... "100"
};

// A sink that shows nothing.
class NullProgressSink final : public ProgressSink {
 public:
  void SetRange(int, int) override {}
  void SetPosition(int) override {}
  void SetPercentText(const char*) override {}
};

// Up to 50 positions in the prepared text; the translation reports each one it steps on.
struct ProgressTicks {
  static constexpr int kMaxTicks = 50;
  size_t positions[kMaxTicks] = {};  // increasing tick positions
  int count = 0;                     // ticks found
  int next = 0;                      // index of the next tick
  int counter = 1;                   // the progress counter; tick k shows 2k
  size_t nextPosition = kNone;       // positions[next], or kNone when no tick is left
  ProgressSink* sink = nullptr;      // where ticks are shown

  static constexpr size_t kNone = static_cast<size_t>(-1);

  void Fire();  // shows the current tick and moves to the next
};

// Finds the tick positions of a prepared text of length n (none when n <= 1).
void BuildProgressTicks(ProgressTicks& ticks, size_t n, ProgressSink& sink);

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
