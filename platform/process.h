// The program as a process: its start, its cores, and what it says on standard output and
// standard error.
#pragma once

#include <string_view>

#include "platform/error.h"

namespace tessary::platform {

/// The processors this process may run on: its CPU affinity on Linux, the processors of its
/// processor group that its affinity allows on Windows. At least 1.
int UsableCores() noexcept;

/// First thing in a console program. On POSIX: standard descriptors that were closed are
/// opened on /dev/null, so that no file takes their numbers; a file over the size limit is a
/// failed write, not the end of the program; memory given back by one file's pass is kept for
/// the next. On Windows: nothing to do.
void StartConsoleProgram() noexcept;

/// First thing in the desktop program: as for a console program, and a pipe whose reader went
/// away is a failed write; a signal that ends the program (or exit()) removes the temporary
/// files of passes under way.
void StartDesktopProgram() noexcept;

enum class Stream { Output, Error };

/// Writes UTF-8 `text` to standard output or error: to a Windows console as UTF-16, so that
/// any file name reads as typed; elsewhere as it is. Returns 0 or the error.
Error WriteText(Stream stream, std::string_view text) noexcept;

/// Whether the stream is a terminal or console, where a progress line can be redrawn.
bool IsTerminal(Stream stream) noexcept;

}  // namespace tessary::platform
