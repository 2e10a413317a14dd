#include "platform/interrupt.h"

#include <windows.h>

namespace tessary::platform {
namespace {

std::atomic<bool> interrupted{false};
// Set once the program is about to end, so that a handler kept waiting can return.
HANDLE ended = nullptr;

// Called on a thread of its own. Ctrl+C and Ctrl+Break are handled here and the program ends
// when the work under way has stopped. For the console window being closed, or the user
// logging off, the system ends the program as soon as this returns: it waits (up to the few
// seconds the system gives) for the work to leave its files as they were.
BOOL WINAPI OnControl(DWORD event) {
  interrupted.store(true);
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
  if (ended != nullptr) ::WaitForSingleObject(ended, 4500);
  return TRUE;
}

}  // namespace

void CatchInterruptions() noexcept {
  ended = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ::SetConsoleCtrlHandler(OnControl, TRUE);
}

const std::atomic<bool>& InterruptFlag() noexcept {
  return interrupted;
}

void EndAsInterrupted() noexcept {
  if (ended != nullptr) ::SetEvent(ended);
  ::ExitProcess(STATUS_CONTROL_C_EXIT);
}

}  // namespace tessary::platform
