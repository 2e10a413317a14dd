// Temporary outputs not yet committed, so that they can be removed when the program ends
// without unwinding: by exit() called from elsewhere (a library whose display connection
// broke) or by a signal.
#pragma once

#include <string>

namespace tessary::platform {

/// Notes the file `name` in the folder open as the descriptor `folder` (which stays open until
/// the file is forgotten) as a file to remove should the program end first. Returns the slot
/// to give to ForgetTemporaryFile, or -1 when it is not tracked (every slot taken).
/// The first call also arranges for RemoveTemporaryFiles to run at exit().
int RememberTemporaryFile(int folder, const std::string& name) noexcept;

/// The file in `slot` was renamed or removed by its owner; -1 is ignored.
void ForgetTemporaryFile(int slot) noexcept;

/// Removes every file noted and not forgotten. Safe to call from a signal handler.
void RemoveTemporaryFiles() noexcept;

/// Makes SIGINT, SIGTERM, SIGHUP and SIGQUIT (those not ignored at start) remove the noted
/// files and then end the program as they would have.
void RemoveTemporaryFilesOnSignals() noexcept;

}  // namespace tessary::platform
