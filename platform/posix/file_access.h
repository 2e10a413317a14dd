// Who may do what with a file, carried over to the file that replaces it.
#pragma once

#include <sys/stat.h>

#include "platform/error.h"

namespace tessary::platform {

/// Gives the file open as `to` the owner and group in `status`, unless it has them: 0, or the
/// error when the system does not allow it (the user is not the owner, or not in the group).
Error KeepOwner(const struct stat& status, int to) noexcept;

/// Leaves only the owner access to the file open as `fd`: mode 0600 and no access control
/// list, whatever the folder's default list gave it. 0 or the error.
Error MakeOwnerOnly(int fd) noexcept;

/// Gives the file open as `to` (owner-only, see MakeOwnerOnly) what decides access to the file
/// open as `from`, whose status is `status`: its permission bits, its access control list or
/// none, and its security attributes (such as an SELinux label) where allowed. Access is never
/// widened: when an access control list cannot be copied, the group's bits become
/// those the list gave the owning group, and the named users and groups it listed lose theirs.
void CopyAccess(int from, const struct stat& status, int to) noexcept;

}  // namespace tessary::platform
