#include "platform/posix/file_access.h"

#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace tessary::platform {
namespace {

constexpr const char* kAccessList = "system.posix_acl_access";
constexpr std::string_view kCopiedPrefixes[] = {"user.", "trusted.", "security."};
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

// Whether the extended attribute `name` is copied to a replacing file: those a user may
// set (user.), and those that describe the file rather than grant privileges (trusted. where
// the system allows it, security. but for file capabilities); never the access list, set on
// its own, nor this program's mark.
bool Copied(const std::string& name) {
  if (name == kNewFileMark || name == kCapabilities) return false;
  for (const std::string_view prefix : kCopiedPrefixes) {
    if (name.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

void CopyAttributes(int from, int to) {
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
    if (!Copied(name)) continue;
    if (ReadAttribute(from, name.c_str(), value)) {
      (void)::fsetxattr(to, name.c_str(), value.data(), value.size(), 0);  // where allowed
    }
  }
}

// What the new file open as `to` lost of the special bits in `mode`, which the system clears
// without a word when the user may not set them.
std::string LostBits(int to, mode_t mode) {
  struct stat now {};
  if (::fstat(to, &now) != 0) return {};
  if ((mode & S_ISGID) != 0 && (now.st_mode & S_ISGID) == 0) {
    return "lost its set-group-ID bit, which only a member of its group may set";
  }
  if ((mode & S_ISUID) != 0 && (now.st_mode & S_ISUID) == 0) {
    return "lost its set-user-ID bit, which only its owner may set";
  }
  return {};
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

std::string AccessOf(int fd) {
  try {
    struct stat status {};
    if (::fstat(fd, &status) != 0) return {};
    std::string access = std::to_string(status.st_uid) + ":" + std::to_string(status.st_gid) + ":" +
                         std::to_string(status.st_mode & 07777) + ":";
    std::vector<char> list;
    if (ReadAttribute(fd, kAccessList, list)) access.append(list.begin(), list.end());
    return access;
  } catch (...) {  // no memory: nothing to compare with
    return {};
  }
}

std::string CopyAccess(int from, const struct stat& status, int to) noexcept {
  const mode_t mode = status.st_mode & 07777;
  try {
    std::vector<char> list;
    if (ReadAttribute(from, kAccessList, list)) {
      // Setting the list also sets the permission bits it implies, from a file that only its
      // owner may use to one as open as the old; the special bits come after.
      if (::fsetxattr(to, kAccessList, list.data(), list.size(), 0) == 0) {
        (void)::fchmod(to, mode);
        CopyAttributes(from, to);
        return LostBits(to, mode);
      }
      // With a list, the group's bits are its mask: narrow them to what the owning group had.
      const int group = OwningGroupBits(list);
      const mode_t narrowed =
          (mode & ~mode_t{070}) | static_cast<mode_t>(group < 0 ? 0 : group << 3);
      (void)::fchmod(to, narrowed);
      CopyAttributes(from, to);
      return LostBits(to, narrowed);
    }
    // No list on the old file, none on the new one (MakeOwnerOnly removed what it inherited).
    (void)::fchmod(to, mode);
    CopyAttributes(from, to);
    return LostBits(to, mode);
  } catch (...) {  // no memory for an attribute: the permission bits are narrowed instead
    (void)::fchmod(to, mode & 07700);
    return {};
  }
}

}  // namespace tessary::platform
