// The program as a process: its start, its cores, and what it says on standard output and
// standard error.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/error.h"

namespace tessary::platform {

/// The processors this process may run on: its CPU affinity on Linux, the processors of its
/// processor group that its affinity allows on Windows. At least 1.
int UsableCores() noexcept;

/// What the system lets this process have, in bytes and descriptors; 0 wherever it sets no
/// limit or cannot tell.
struct ResourceLimits {
  /// The address space the process may map (RLIMIT_AS), and how much it maps now.
  std::uint64_t addressSpace = 0;
  std::uint64_t addressSpaceUsed = 0;
  /// The memory its control group may charge (memory.max, or memory.limit_in_bytes, the
  /// smallest on the way up), and what the group charges now. On Windows: the memory a job
  /// object lets the process commit, and what it has committed.
  std::uint64_t memory = 0;
  std::uint64_t memoryUsed = 0;
  /// The number of files the process may hold open (RLIMIT_NOFILE).
  std::uint64_t openFiles = 0;
  /// The address space that the stack of each new thread takes.
  std::uint64_t threadStack = 0;
};

/// The limits as they stand now. Never fails: what cannot be read is 0.
ResourceLimits CurrentResourceLimits() noexcept;

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
