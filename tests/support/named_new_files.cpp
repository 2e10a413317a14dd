// Linked into a test (with the linker's --wrap=openat) to make it run as on a file system
// without unnamed files: every new file of the program's has a name from the start, so that
// what it does with names can be watched.
#include <fcntl.h>

#include <cerrno>
#include <cstdarg>

extern "C" int __real_openat(int folder, const char* path, int flags, ...);

extern "C" int __wrap_openat(int folder, const char* path, int flags, ...) {
  if ((flags & O_TMPFILE) == O_TMPFILE) {
    errno = EOPNOTSUPP;
    return -1;
  }
  mode_t mode = 0;
  if ((flags & O_CREAT) != 0) {
    va_list arguments;
    va_start(arguments, flags);
    mode = va_arg(arguments, mode_t);
    va_end(arguments);
  }
  return __real_openat(folder, path, flags, mode);
}
