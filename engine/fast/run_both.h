// Two pieces of work at once: one on a second thread, one on the calling thread.
#pragma once

#include <thread>

#include "fast/helper_thread.h"

namespace vellumine {

// Runs `there` on a second thread while `here` runs on this one, then waits for both; both
// run here, one after the other, when no thread can be started.
template <typename Here, typename There>
void RunBoth(Here here, There there) {
  std::thread helper;
  if (!StartHelperThread(helper, there)) {
    there();
    here();
    return;
  }
  here();
  helper.join();
}

}  // namespace vellumine
