// Threads that work beside the calling one during a conversion. Some systems queue a new
// thread on its creator's core and leave it waiting there for milliseconds, behind the busy
// creator, while another core idles: the two halves of a read, or a page's tokens and its
// layout, then take turns on one core instead of running at once.
#pragma once

#include <system_error>
#include <thread>
#include <utility>

namespace vellumine {

// Keeps helper, just started, off the core the calling thread is on, where the system lets
// a thread choose among cores and this thread may use more than one; nothing elsewhere.
// Advice only: where it cannot be followed, the helper runs as it would have.
void KeepOffThisCore(std::thread& helper);

// Whether this build can start threads at all: a WebAssembly build runs on its caller's
// thread alone (so that it needs no shared memory), and its callers then do the helpers'
// work themselves.
#if defined(VELLUMINE_NO_THREADS)
inline constexpr bool kThreadsAvailable = false;
#else
inline constexpr bool kThreadsAvailable = true;
#endif

// Starts work on a thread of its own in helper, kept off the calling thread's core; false,
// with helper left as it was, when no thread can be started (the caller then does the work
// itself).
template <typename Work>
bool StartHelperThread(std::thread& helper, Work&& work) {
  if constexpr (!kThreadsAvailable) {
    return false;
  } else {
    try {
      helper = std::thread(std::forward<Work>(work));
    } catch (const std::system_error&) {
      return false;
    }
    KeepOffThisCore(helper);
    return true;
  }
}

}  // namespace vellumine
