// The process in a browser's worker: one thread, and no limits that the module could read.
#include "platform/process.h"

namespace tessary::platform {

int UsableCores() noexcept {
  return 1;  // a worker runs the module on its own thread; the page starts one per core
}

ResourceLimits CurrentResourceLimits() noexcept {
  return {};  // the module's memory is fixed when it is made, and the plan keeps within it
}

}  // namespace tessary::platform
