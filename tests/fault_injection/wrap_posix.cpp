// The system calls of the POSIX platform layer (and of the C++ library's file system calls it
// makes), each as __wrap_NAME in front of the C library's __real_NAME: linked with
// -Wl,--wrap=NAME for each NAME below (see tests/CMakeLists.txt).
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <string_view>

#include "tests/fault_injection/fault_plan.h"

extern "C" const char __executable_start[];  // the linker's: where the image starts

namespace tessary::faults {

const char* ImageStart() noexcept {
  return __executable_start;
}

void StopNow() noexcept {
  ::signal(SIGKILL, SIG_DFL);
  ::raise(SIGKILL);
  ::_exit(137);
}

void InterruptNow() noexcept {
  ::raise(SIGINT);  // the handler runs before raise returns
}

}  // namespace tessary::faults

namespace {

bool IsStandard(int fd) {
  return fd >= 0 && fd <= 2;
}

}  // namespace

// Counts the call, then fails it (errno set, `failed` returned) when the plan says so. A
// macro, so that the caller's address is the wrapper's own return address.
#define TESSARY_INTERCEPT(name, failed)                                                   \
  do {                                                                                    \
    if (const long error = tessary::faults::Intercept(name, __builtin_return_address(0)); \
        error != 0) {                                                                     \
      errno = static_cast<int>(error);                                                    \
      return failed;                                                                      \
    }                                                                                     \
  } while (false)

// Wrappers are never inlined into their callers, so that each call site stays its own.
#define WRAPPER extern "C" __attribute__((noinline, used))

extern "C" {
int __real_open(const char* path, int flags, ...);
int __real_openat(int folder, const char* path, int flags, ...);
int __real_close(int fd);
ssize_t __real_read(int fd, void* into, size_t size);
ssize_t __real_write(int fd, const void* data, size_t size);
int __real_fstat(int fd, struct stat* status);
int __real_stat(const char* path, struct stat* status);
int __real_lstat(const char* path, struct stat* status);
int __real_fstatat(int folder, const char* path, struct stat* status, int flags);
ssize_t __real_readlink(const char* path, char* into, size_t size);
char* __real_getcwd(char* into, size_t size);
int __real_flock(int fd, int operation);
int __real_fcntl(int fd, int command, ...);
int __real_poll(struct pollfd* fds, nfds_t count, int milliseconds);
off_t __real_lseek(int fd, off_t offset, int whence);
int __real_ftruncate(int fd, off_t size);
int __real_fsync(int fd);
int __real_syncfs(int fd);
int __real_sync_file_range(int fd, off_t from, off_t size, unsigned int flags);
int __real_fdatasync(int fd);
int __real_rename(const char* from, const char* to);
int __real_renameat(int fromFolder, const char* from, int toFolder, const char* to);
int __real_renameat2(int fromFolder, const char* from, int toFolder, const char* to,
                     unsigned flags);
int __real_link(const char* from, const char* to);
int __real_linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags);
int __real_unlink(const char* path);
int __real_unlinkat(int folder, const char* path, int flags);
int __real_fchown(int fd, uid_t owner, gid_t group);
int __real_fchmod(int fd, mode_t mode);
ssize_t __real_fgetxattr(int fd, const char* name, void* value, size_t size);
int __real_fsetxattr(int fd, const char* name, const void* value, size_t size, int flags);
ssize_t __real_flistxattr(int fd, char* names, size_t size);
int __real_fremovexattr(int fd, const char* name);
DIR* __real_opendir(const char* path);
DIR* __real_fdopendir(int fd);
struct dirent* __real_readdir(DIR* folder);
int __real_closedir(DIR* folder);
int __real_isatty(int fd);
int __real_ioctl(int fd, unsigned long request, ...);
int __real_dup(int fd);
int __real_fstatfs(int fd, struct statfs* status);
int __real_access(const char* path, int mode);
int __real_faccessat(int folder, const char* path, int mode, int flags);
int __real_statx(int folder, const char* path, int flags, unsigned mask, struct statx* status);
int __real_fchmodat(int folder, const char* path, mode_t mode, int flags);
}

namespace {

// The mode an opening call was given: it has one only with O_CREAT or O_TMPFILE.
mode_t ModeOf(int flags, va_list arguments) {
  return (flags & (O_CREAT | O_TMPFILE)) != 0 ? va_arg(arguments, mode_t) : 0;
}

// Both ways of opening (openat with `folder`, or open): counted (and failed) as `name` called
// from `caller`. Where the plan asks for a file system without unnamed files, such a call is
// refused and not counted.
int Open(const char* name, const void* caller, const int* folder, const char* path, int flags,
         mode_t mode) {
  static const bool noUnnamed = [] {
    const char* unnamed = std::getenv("TESSARY_FAULT_UNNAMED");
    return unnamed != nullptr && std::string_view(unnamed) == "refuse";
  }();
  if (noUnnamed && (flags & O_TMPFILE) == O_TMPFILE) {
    errno = EOPNOTSUPP;
    return -1;
  }
  if (const long error = tessary::faults::Intercept(name, caller); error != 0) {
    errno = static_cast<int>(error);
    return -1;
  }
  return folder == nullptr ? __real_open(path, flags, mode)
                           : __real_openat(*folder, path, flags, mode);
}

}  // namespace

WRAPPER int __wrap_open(const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = ModeOf(flags, arguments);
  va_end(arguments);
  return Open("open", __builtin_return_address(0), nullptr, path, flags, mode);
}

WRAPPER int __wrap_openat(int folder, const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = ModeOf(flags, arguments);
  va_end(arguments);
  return Open("openat", __builtin_return_address(0), &folder, path, flags, mode);
}

// Linux lets the descriptor go even when close fails.
WRAPPER int __wrap_close(int fd) {
  if (IsStandard(fd)) return __real_close(fd);
  if (const long error = tessary::faults::Intercept("close", __builtin_return_address(0))) {
    __real_close(fd);
    errno = static_cast<int>(error);
    return -1;
  }
  return __real_close(fd);
}

WRAPPER ssize_t __wrap_read(int fd, void* into, size_t size) {
  if (IsStandard(fd)) return __real_read(fd, into, size);
  TESSARY_INTERCEPT("read", -1);
  return __real_read(fd, into, size);
}

WRAPPER ssize_t __wrap_write(int fd, const void* data, size_t size) {
  if (IsStandard(fd)) return __real_write(fd, data, size);
  TESSARY_INTERCEPT("write", -1);
  return __real_write(fd, data, size);
}

WRAPPER int __wrap_fstat(int fd, struct stat* status) {
  if (IsStandard(fd)) return __real_fstat(fd, status);
  TESSARY_INTERCEPT("fstat", -1);
  return __real_fstat(fd, status);
}

WRAPPER int __wrap_stat(const char* path, struct stat* status) {
  TESSARY_INTERCEPT("stat", -1);
  return __real_stat(path, status);
}

WRAPPER int __wrap_lstat(const char* path, struct stat* status) {
  TESSARY_INTERCEPT("lstat", -1);
  return __real_lstat(path, status);
}

WRAPPER int __wrap_fstatat(int folder, const char* path, struct stat* status, int flags) {
  TESSARY_INTERCEPT("fstatat", -1);
  return __real_fstatat(folder, path, status, flags);
}

WRAPPER ssize_t __wrap_readlink(const char* path, char* into, size_t size) {
  TESSARY_INTERCEPT("readlink", -1);
  return __real_readlink(path, into, size);
}

WRAPPER char* __wrap_getcwd(char* into, size_t size) {
  TESSARY_INTERCEPT("getcwd", nullptr);
  return __real_getcwd(into, size);
}

WRAPPER int __wrap_flock(int fd, int operation) {
  TESSARY_INTERCEPT("flock", -1);
  return __real_flock(fd, operation);
}

WRAPPER int __wrap_fcntl(int fd, int command, ...) {
  va_list arguments;
  va_start(arguments, command);
  void* argument = va_arg(arguments, void*);  // an int or a pointer, passed on as it came
  va_end(arguments);
  if (IsStandard(fd)) return __real_fcntl(fd, command, argument);
  TESSARY_INTERCEPT("fcntl", -1);
  return __real_fcntl(fd, command, argument);
}

WRAPPER int __wrap_poll(struct pollfd* fds, nfds_t count, int milliseconds) {
  if (count == 1 && IsStandard(fds[0].fd)) return __real_poll(fds, count, milliseconds);
  TESSARY_INTERCEPT("poll", -1);
  return __real_poll(fds, count, milliseconds);
}

WRAPPER off_t __wrap_lseek(int fd, off_t offset, int whence) {
  if (IsStandard(fd)) return __real_lseek(fd, offset, whence);
  TESSARY_INTERCEPT("lseek", -1);
  return __real_lseek(fd, offset, whence);
}

WRAPPER int __wrap_ftruncate(int fd, off_t size) {
  TESSARY_INTERCEPT("ftruncate", -1);
  return __real_ftruncate(fd, size);
}

WRAPPER int __wrap_fsync(int fd) {
  TESSARY_INTERCEPT("fsync", -1);
  return __real_fsync(fd);
}

WRAPPER int __wrap_sync_file_range(int fd, off_t from, off_t size, unsigned int flags) {
  TESSARY_INTERCEPT("sync_file_range", -1);
  return __real_sync_file_range(fd, from, size, flags);
}

WRAPPER int __wrap_syncfs(int fd) {
  TESSARY_INTERCEPT("syncfs", -1);
  return __real_syncfs(fd);
}

WRAPPER int __wrap_fdatasync(int fd) {
  TESSARY_INTERCEPT("fdatasync", -1);
  return __real_fdatasync(fd);
}

WRAPPER int __wrap_rename(const char* from, const char* to) {
  TESSARY_INTERCEPT("rename", -1);
  return __real_rename(from, to);
}

WRAPPER int __wrap_renameat(int fromFolder, const char* from, int toFolder, const char* to) {
  TESSARY_INTERCEPT("renameat", -1);
  return __real_renameat(fromFolder, from, toFolder, to);
}

WRAPPER int __wrap_renameat2(int fromFolder, const char* from, int toFolder, const char* to,
                             unsigned flags) {
  TESSARY_INTERCEPT("renameat2", -1);
  return __real_renameat2(fromFolder, from, toFolder, to, flags);
}

WRAPPER int __wrap_link(const char* from, const char* to) {
  TESSARY_INTERCEPT("link", -1);
  return __real_link(from, to);
}

WRAPPER int __wrap_linkat(int fromFolder, const char* from, int toFolder, const char* to,
                          int flags) {
  TESSARY_INTERCEPT("linkat", -1);
  return __real_linkat(fromFolder, from, toFolder, to, flags);
}

WRAPPER int __wrap_unlink(const char* path) {
  TESSARY_INTERCEPT("unlink", -1);
  return __real_unlink(path);
}

WRAPPER int __wrap_unlinkat(int folder, const char* path, int flags) {
  TESSARY_INTERCEPT("unlinkat", -1);
  return __real_unlinkat(folder, path, flags);
}

WRAPPER int __wrap_fchown(int fd, uid_t owner, gid_t group) {
  TESSARY_INTERCEPT("fchown", -1);
  return __real_fchown(fd, owner, group);
}

WRAPPER int __wrap_fchmod(int fd, mode_t mode) {
  TESSARY_INTERCEPT("fchmod", -1);
  return __real_fchmod(fd, mode);
}

WRAPPER ssize_t __wrap_fgetxattr(int fd, const char* name, void* value, size_t size) {
  TESSARY_INTERCEPT("fgetxattr", -1);
  return __real_fgetxattr(fd, name, value, size);
}

WRAPPER int __wrap_fsetxattr(int fd, const char* name, const void* value, size_t size, int flags) {
  TESSARY_INTERCEPT("fsetxattr", -1);
  return __real_fsetxattr(fd, name, value, size, flags);
}

WRAPPER ssize_t __wrap_flistxattr(int fd, char* names, size_t size) {
  TESSARY_INTERCEPT("flistxattr", -1);
  return __real_flistxattr(fd, names, size);
}

WRAPPER int __wrap_fremovexattr(int fd, const char* name) {
  TESSARY_INTERCEPT("fremovexattr", -1);
  return __real_fremovexattr(fd, name);
}

WRAPPER DIR* __wrap_opendir(const char* path) {
  TESSARY_INTERCEPT("opendir", nullptr);
  return __real_opendir(path);
}

WRAPPER DIR* __wrap_fdopendir(int fd) {
  TESSARY_INTERCEPT("fdopendir", nullptr);
  return __real_fdopendir(fd);
}

WRAPPER struct dirent* __wrap_readdir(DIR* folder) {
  TESSARY_INTERCEPT("readdir", nullptr);
  return __real_readdir(folder);
}

// As close, closedir lets the stream go even when it fails.
WRAPPER int __wrap_closedir(DIR* folder) {
  if (const long error = tessary::faults::Intercept("closedir", __builtin_return_address(0))) {
    __real_closedir(folder);
    errno = static_cast<int>(error);
    return -1;
  }
  return __real_closedir(folder);
}

WRAPPER int __wrap_isatty(int fd) {
  if (IsStandard(fd)) return __real_isatty(fd);
  TESSARY_INTERCEPT("isatty", 0);
  return __real_isatty(fd);
}

WRAPPER int __wrap_ioctl(int fd, unsigned long request, ...) {
  va_list arguments;
  va_start(arguments, request);
  void* argument = va_arg(arguments, void*);
  va_end(arguments);
  if (IsStandard(fd)) return __real_ioctl(fd, request, argument);
  TESSARY_INTERCEPT("ioctl", -1);
  return __real_ioctl(fd, request, argument);
}

WRAPPER int __wrap_fstatfs(int fd, struct statfs* status) {
  TESSARY_INTERCEPT("fstatfs", -1);
  return __real_fstatfs(fd, status);
}

WRAPPER int __wrap_access(const char* path, int mode) {
  TESSARY_INTERCEPT("access", -1);
  return __real_access(path, mode);
}

WRAPPER int __wrap_faccessat(int folder, const char* path, int mode, int flags) {
  TESSARY_INTERCEPT("faccessat", -1);
  return __real_faccessat(folder, path, mode, flags);
}

WRAPPER int __wrap_statx(int folder, const char* path, int flags, unsigned mask,
                         struct statx* status) {
  TESSARY_INTERCEPT("statx", -1);
  return __real_statx(folder, path, flags, mask, status);
}

WRAPPER int __wrap_fchmodat(int folder, const char* path, mode_t mode, int flags) {
  TESSARY_INTERCEPT("fchmodat", -1);
  return __real_fchmodat(folder, path, mode, flags);
}

WRAPPER int __wrap_dup(int fd) {
  if (IsStandard(fd)) return __real_dup(fd);
  TESSARY_INTERCEPT("dup", -1);
  return __real_dup(fd);
}
