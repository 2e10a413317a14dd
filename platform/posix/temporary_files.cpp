#include "platform/posix/temporary_files.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "platform/posix/signal_handling.h"

namespace tessary::platform {
namespace {

// A fixed table, so that a signal handler can read it without locks or allocation. All zero
// to start with, so that it takes no memory until used: each slot is a page or more.
enum SlotState : int { kFree, kFilling, kInUse };
struct Slot {
  std::atomic<int> state;
  int folder;  // the descriptor `name` is relative to
  char name[PATH_MAX];
};
static_assert(kFree == 0);
// One per pass under way and per output waiting to be put in place; more are not tracked.
constexpr int kSlots = 256;
constinit Slot slots[kSlots]{};

std::atomic<bool> removeAtExit{false};

extern "C" void RemoveAtExit() {
  RemoveTemporaryFiles();
}

extern "C" void RemoveAndEnd(int signal) {
  RemoveTemporaryFiles();
  ::signal(signal, SIG_DFL);
  ::raise(signal);  // delivered once the handler returns, with the default action
}

}  // namespace

int RememberTemporaryFile(int folder, const std::string& name) noexcept {
  if (name.size() >= PATH_MAX) return -1;
  if (!removeAtExit.exchange(true)) std::atexit(RemoveAtExit);
  for (int i = 0; i < kSlots; ++i) {
    int expected = kFree;
    if (!slots[i].state.compare_exchange_strong(expected, kFilling)) continue;
    slots[i].folder = folder;
    std::memcpy(slots[i].name, name.c_str(), name.size() + 1);
    slots[i].state.store(kInUse);
    return i;
  }
  return -1;
}

void ForgetTemporaryFile(int slot) noexcept {
  if (slot >= 0 && slot < kSlots) slots[slot].state.store(kFree);
}

void RemoveTemporaryFiles() noexcept {
  for (Slot& slot : slots) {
    if (slot.state.load() == kInUse) ::unlinkat(slot.folder, slot.name, 0);
  }
}

void RemoveTemporaryFilesOnSignals() noexcept {
  HandleUnlessIgnored({SIGINT, SIGTERM, SIGHUP, SIGQUIT}, RemoveAndEnd);
}

}  // namespace tessary::platform
