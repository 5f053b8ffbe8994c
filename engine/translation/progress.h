// Where a conversion shows its progress.
#pragma once

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

}  // namespace vellumine
