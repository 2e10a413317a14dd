#include "model/cores.h"

#include <sched.h>

#include <algorithm>

namespace tessary {

int UsableCores() noexcept {
  cpu_set_t cpus;
  CPU_ZERO(&cpus);
  if (::sched_getaffinity(0, sizeof cpus, &cpus) == 0 && CPU_COUNT(&cpus) > 0) {
    return CPU_COUNT(&cpus);
  }
  return 1;
}

int PassThreads(int requested, int filesAtATime) noexcept {
  const int share = std::max(1, UsableCores() / std::max(1, filesAtATime));
  return requested > 0 ? std::min(requested, share) : share;
}

}  // namespace tessary
