#include "helper_thread.h"

#if defined(__linux__)
#include <pthread.h>
#include <sched.h>
#endif

namespace vellumine {

#if defined(__linux__)

void KeepOffThisCore(std::thread& helper) {
  const int core = sched_getcpu();
  cpu_set_t allowed;
  // A system with more cores than a cpu_set_t holds refuses the query: nothing is changed.
  if (core < 0 || core >= CPU_SETSIZE || sched_getaffinity(0, sizeof allowed, &allowed) != 0)
    return;
  if (!CPU_ISSET(core, &allowed) || CPU_COUNT(&allowed) < 2) return;
  CPU_CLR(core, &allowed);
  pthread_setaffinity_np(helper.native_handle(), sizeof allowed, &allowed);
}

#else

void KeepOffThisCore(std::thread&) {}

#endif

}  // namespace vellumine
