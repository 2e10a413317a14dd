// Who may do what with a file, carried over to the file that replaces it.
#pragma once

#include <sys/stat.h>

namespace tessary::platform {

/// Gives the file open as `to` what decides access to the file open as `from`, whose status
/// is `status`: its owner and group where the system allows, its permission bits, its access
/// control list and its security attributes (such as an SELinux label) where allowed. Access
/// is never widened: when an access control list cannot be copied, the group's bits become
/// those the list gave the owning group, and the named users and groups it listed lose theirs.
void CopyAccess(int from, const struct stat& status, int to) noexcept;

}  // namespace tessary::platform
