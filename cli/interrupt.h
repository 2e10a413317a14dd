// SIGINT, SIGTERM, SIGHUP and the other signals that would end the program (SIGPIPE, SIGUSR1,
// ...) stop a run instead of killing it at once: every job under way is cancelled, its output
// left as it was, and the program then ends by the same signal. Signals that were ignored when
// the program started stay ignored.
#pragma once

#include <atomic>

namespace tessary::cli {

/// Installs the handlers; SIGXFSZ is ignored too, so that a file over the size limit is
/// reported as a full disk rather than ending the program.
void HandleInterrupts();

/// Becomes true when one of the signals arrives.
const std::atomic<bool>& InterruptFlag();

/// Ends the program by the signal that arrived, as if it had not been handled.
[[noreturn]] void EndByInterrupt();

}  // namespace tessary::cli
