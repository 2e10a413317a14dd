#include "platform/posix/file_access.h"

#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace tessary::platform {
namespace {

constexpr const char* kAccessList = "system.posix_acl_access";
constexpr std::string_view kSecurityPrefix = "security.";
// File capabilities grant privileges rather than describe access, and need privileges to set.
constexpr std::string_view kCapabilities = "security.capability";

// The value of attribute `name` of `fd`, or nothing.
bool ReadAttribute(int fd, const char* name, std::vector<char>& value) {
  for (int attempt = 0; attempt < 4; ++attempt) {
    const ssize_t size = ::fgetxattr(fd, name, nullptr, 0);
    if (size < 0) return false;
    value.resize(static_cast<std::size_t>(size));
    const ssize_t read = ::fgetxattr(fd, name, value.data(), value.size());
    if (read >= 0) {
      value.resize(static_cast<std::size_t>(read));
      return true;
    }
    if (errno != ERANGE) return false;  // grown meanwhile: ask again
  }
  return false;
}

// The permissions that the access control list in `value` (the kernel's xattr form: a 4-byte
// version, then entries of tag, permissions and id) gives the owning group through the mask;
// -1 when it cannot be read.
int OwningGroupBits(const std::vector<char>& value) {
  constexpr std::uint16_t kGroupObject = 0x04, kMask = 0x10;
  constexpr std::size_t kHeader = 4, kEntry = 8;
  if (value.size() < kHeader || (value.size() - kHeader) % kEntry != 0) return -1;
  int group = -1;
  int mask = 7;
  for (std::size_t at = kHeader; at < value.size(); at += kEntry) {
    std::uint16_t tag, permissions;
    std::memcpy(&tag, value.data() + at, 2);
    std::memcpy(&permissions, value.data() + at + 2, 2);
    if (tag == kGroupObject) group = permissions & 7;
    if (tag == kMask) mask = permissions & 7;
  }
  return group < 0 ? -1 : group & mask;
}

void CopySecurityAttributes(int from, int to) {
  const ssize_t size = ::flistxattr(from, nullptr, 0);
  if (size <= 0) return;
  std::string names(static_cast<std::size_t>(size), '\0');
  const ssize_t listed = ::flistxattr(from, names.data(), names.size());
  if (listed <= 0) return;
  names.resize(static_cast<std::size_t>(listed));
  std::vector<char> value;
  for (std::size_t at = 0; at < names.size();) {
    const std::string name = names.c_str() + at;
    at += name.size() + 1;
    if (name.rfind(kSecurityPrefix, 0) != 0 || name == kCapabilities) continue;
    if (ReadAttribute(from, name.c_str(), value)) {
      (void)::fsetxattr(to, name.c_str(), value.data(), value.size(), 0);  // where allowed
    }
  }
}

}  // namespace

Error KeepOwner(const struct stat& status, int to) noexcept {
  struct stat now {};
  if (::fstat(to, &now) != 0) return errno;
  if (now.st_uid == status.st_uid && now.st_gid == status.st_gid) return 0;
  return ::fchown(to, status.st_uid, status.st_gid) == 0 ? 0 : errno;
}

Error MakeOwnerOnly(int fd) noexcept {
  // A folder's default access control list gives a new file its entries: none of them may
  // reach a file whose access is to be the old one's.
  if (::fremovexattr(fd, kAccessList) != 0 && errno != ENODATA && errno != ENOTSUP) return errno;
  return ::fchmod(fd, 0600) == 0 ? 0 : errno;
}

void CopyAccess(int from, const struct stat& status, int to) noexcept {
  try {
    mode_t mode = status.st_mode & 07777;
    std::vector<char> list;
    if (ReadAttribute(from, kAccessList, list)) {
      // Setting the list also sets the permission bits it implies.
      if (::fchmod(to, mode) == 0 &&
          ::fsetxattr(to, kAccessList, list.data(), list.size(), 0) == 0) {
        CopySecurityAttributes(from, to);
        return;
      }
      // With a list, the group's bits are its mask: narrow them to what the owning group had.
      const int group = OwningGroupBits(list);
      mode = (mode & ~mode_t{070}) | static_cast<mode_t>(group < 0 ? 0 : group << 3);
    }
    // No list on the old file, none on the new one (MakeOwnerOnly removed what it inherited).
    (void)::fchmod(to, mode);
    CopySecurityAttributes(from, to);
  } catch (...) {  // no memory for an attribute: the permission bits are narrowed instead
    (void)::fchmod(to, status.st_mode & 07700);
  }
}

}  // namespace tessary::platform
