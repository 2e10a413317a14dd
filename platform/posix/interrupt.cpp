#include "platform/interrupt.h"

#include <signal.h>

#include <csignal>
#include <cstdlib>

#include "platform/posix/signal_handling.h"

namespace tessary::platform {
namespace {

std::atomic<bool> interrupted{false};
volatile std::sig_atomic_t interruptSignal = 0;

extern "C" void OnInterrupt(int signal) {
  interruptSignal = signal;
  interrupted.store(true);
}

}  // namespace

void CatchInterruptions() noexcept {
  // Every signal whose default action ends the program and that another program may send to
  // stop this one, or that a closed pipe raises. Without SA_RESTART, a wait for a pipe
  // returns to look at the flag.
  HandleUnlessIgnored(
      {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2, SIGVTALRM, SIGXCPU},
      OnInterrupt);
}

const std::atomic<bool>& InterruptFlag() noexcept {
  return interrupted;
}

void EndAsInterrupted() noexcept {
  const int signal = interruptSignal;
  std::signal(signal, SIG_DFL);
  std::raise(signal);
  std::_Exit(128 + signal);
}

}  // namespace tessary::platform
