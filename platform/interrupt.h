// Requests to stop the program, from the user or from another program: on POSIX the signals
// that would end it (SIGINT, SIGTERM, SIGHUP, SIGPIPE, ...), on Windows Ctrl+C, Ctrl+Break
// and closing the console window. Caught, they set a flag, so that the work under way stops
// and leaves every file as it was; the program then ends as the request would have ended it.
#pragma once

#include <atomic>

namespace tessary::platform {

/// Catches the requests from now on. Signals that were ignored when the program started
/// stay ignored (nohup).
void CatchInterruptions() noexcept;

/// Becomes true when a request came.
const std::atomic<bool>& InterruptFlag() noexcept;

/// Ends the program as the request would have: by the same signal on POSIX (exit status
/// 128 + its number to a shell), with STATUS_CONTROL_C_EXIT (0xC000013A) on Windows.
[[noreturn]] void EndAsInterrupted() noexcept;

}  // namespace tessary::platform
