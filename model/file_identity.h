// Telling whether two open files are one: the same data under two names or descriptors.
#pragma once

#include <sys/stat.h>

namespace tessary {

/// Device and inode of an open file whose data a pass could read back after writing it: a
/// regular file or a FIFO. Terminals, devices and sockets have none, since writing to them
/// does not change what is read from them (`tessary-scale - -` on a terminal is fine).
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  bool holdsData = false;

  static FileIdentity Of(const struct stat& status) {
    const bool data = S_ISREG(status.st_mode) || S_ISFIFO(status.st_mode);
    return {status.st_dev, status.st_ino, data};
  }
};

/// True when writing to one would change what is read from the other.
inline bool SameData(const FileIdentity& a, const FileIdentity& b) {
  return a.holdsData && b.holdsData && a.device == b.device && a.inode == b.inode;
}

}  // namespace tessary
