// Who may do what with a file, carried over to the file that replaces it.
#pragma once

#include <sys/stat.h>

#include <string>

#include "platform/error.h"

namespace tessary::platform {

/// Gives the file open as `to` the owner and group in `status`, unless it has them: 0, or the
/// error when the system does not allow it (the user is not the owner, or not in the group).
Error KeepOwner(const struct stat& status, int to) noexcept;

/// Leaves only the owner access to the file open as `fd`: mode 0600 and no access control
/// list, whatever the folder's default list gave it. 0 or the error.
Error MakeOwnerOnly(int fd) noexcept;

/// The extended attribute that marks a new file of this program's until it is in place, so
/// that a later run can tell one that an abrupt end left behind from anyone else's file.
inline constexpr const char* kNewFileMark = "user.tessary.unfinished";

/// What decides access to the file open as `fd`, as one comparable value: its owner, group,
/// permission bits and access control list. Empty when it cannot be read.
std::string AccessOf(int fd);

/// Gives the file open as `to` (owner-only, see MakeOwnerOnly) what decides access to the file
/// open as `from`, whose status is `status`: its permission bits, its access control list or
/// none, and its extended attributes (user ones, and trusted and security ones where allowed;
/// never this program's mark). At no moment is the new file more open than the old one: the
/// list is set first, then the permission bits with the set-user-ID, set-group-ID and sticky
/// bits. When a list cannot be copied, the group's bits become those the list gave the
/// owning group, and the named users and groups it listed lose theirs. Returns what could not
/// be kept, in words to follow the file's name, or empty.
std::string CopyAccess(int from, const struct stat& status, int to) noexcept;

}  // namespace tessary::platform
