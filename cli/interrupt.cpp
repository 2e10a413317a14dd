#include "cli/interrupt.h"

#include <signal.h>

#include <csignal>
#include <cstdlib>

namespace tessary::cli {
namespace {

// Every signal whose default action ends the program and that another program may send to
// stop this one, or that a closed pipe raises.
constexpr int kStopSignals[] = {SIGINT,  SIGTERM, SIGHUP,  SIGQUIT,   SIGPIPE,
                                SIGALRM, SIGUSR1, SIGUSR2, SIGVTALRM, SIGXCPU};

std::atomic<bool> interrupted{false};
volatile std::sig_atomic_t interruptSignal = 0;

extern "C" void OnInterrupt(int signal) {
  interruptSignal = signal;
  interrupted.store(true);
}

}  // namespace

void HandleInterrupts() {
  std::signal(SIGXFSZ, SIG_IGN);
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a wait for a pipe returns to look at the flag
  for (const int signal : kStopSignals) {
    // A signal ignored by whoever started us (nohup, a shell's background job) stays ignored.
    struct sigaction inherited {};
    if (sigaction(signal, nullptr, &inherited) == 0 && inherited.sa_handler == SIG_IGN) continue;
    sigaction(signal, &action, nullptr);
  }
}

const std::atomic<bool>& InterruptFlag() {
  return interrupted;
}

void EndByInterrupt() {
  const int signal = interruptSignal;
  std::signal(signal, SIG_DFL);
  std::raise(signal);
  std::_Exit(128 + signal);
}

}  // namespace tessary::cli
