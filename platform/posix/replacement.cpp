#include "platform/replacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>

#include "platform/posix/file_access.h"
#include "platform/posix/temporary_files.h"
#include "platform/temporary_name.h"

namespace tessary::platform {

Replacement::~Replacement() {
  Abandon();
}

Error Replacement::CheckReplaceable(const std::string&) {
  return 0;  // up to the folder, as Create finds out
}

Error Replacement::Create(const std::string& target, const File* original) {
  const std::string folder = FolderOf(target);
  const std::string name = NameOf(target);
  // Only the owner may use the replacement of an existing file until it has that file's
  // access; a new file is made as the user's file-creation mask says.
  const mode_t mode = original != nullptr ? 0600 : 0666;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string path = folder + "/" + TemporaryName(name);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return errno;
    }
    file_ = File::Own(fd);
    target_ = target;
    path_ = std::move(path);
    slot_ = RememberTemporaryFile(path_);
    if (original != nullptr) {
      struct stat status {};
      if (::fstat(static_cast<int>(original->handle()), &status) == 0) {
        CopyAccess(static_cast<int>(original->handle()), status, fd);
      }
    }
    return 0;
  }
  return EEXIST;
}

Error Replacement::Commit(File& original) {
  if (const Error error = Sync(); error != 0) return error;
  if (const Error error = file_.Close(); error != 0) return error;
  if (::rename(path_.c_str(), target_.c_str()) != 0) return errno;
  ForgetTemporaryFile(std::exchange(slot_, -1));
  path_.clear();
  original.Reset();  // the replaced file, and its lock, go
  // The rename itself is on disk once the folder is.
  const int folder = ::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
  return 0;
}

void Replacement::Abandon() noexcept {
  file_.Reset();
  if (!path_.empty()) ::unlink(path_.c_str());
  ForgetTemporaryFile(std::exchange(slot_, -1));
  path_.clear();
}

}  // namespace tessary::platform
