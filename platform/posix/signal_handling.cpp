#include "platform/posix/signal_handling.h"

#include <signal.h>

namespace tessary::platform {

void HandleUnlessIgnored(std::initializer_list<int> signals, void (*handler)(int)) noexcept {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  for (const int signal : signals) {
    struct sigaction inherited {};
    if (sigaction(signal, nullptr, &inherited) == 0 && inherited.sa_handler == SIG_IGN) continue;
    sigaction(signal, &action, nullptr);
  }
}

}  // namespace tessary::platform
