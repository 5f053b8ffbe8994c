// Threads that work beside the calling one during a conversion. Some systems queue a new
// thread on its creator's core and leave it waiting there for milliseconds, behind the busy
// creator, while another core idles: the two halves of a read, or a page's tokens and its
// layout, then take turns on one core instead of running at once.
#pragma once

#include <thread>
#include <utility>

namespace vellumine {

// Keeps helper, just started, off the core the calling thread is on, where the system lets
// a thread choose among cores and this thread may use more than one; nothing elsewhere.
// Advice only: where it cannot be followed, the helper runs as it would have.
void KeepOffThisCore(std::thread& helper);

// Starts work on a thread of its own, kept off the calling thread's core. Throws
// std::system_error, as std::thread does, when no thread can be started.
template <typename Work>
std::thread StartHelperThread(Work&& work) {
  std::thread helper(std::forward<Work>(work));
  KeepOffThisCore(helper);
  return helper;
}

}  // namespace vellumine
