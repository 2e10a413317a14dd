#include "cli/in_place.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>

namespace tessary::cli {

InPlaceReplacement::~InPlaceReplacement() {
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
}

int InPlaceReplacement::Create(const std::string& model) {
  char resolved[PATH_MAX];
  if (::realpath(model.c_str(), resolved) == nullptr) return errno;
  struct stat status {};
  if (::stat(resolved, &status) != 0) return errno;
  const std::filesystem::path target(resolved);
  target_ = target.string();
  if (!S_ISREG(status.st_mode)) return EINVAL;

  // Hidden and named after the model, as the driver names its own temporary files.
  std::string pattern =
      (target.parent_path() / ("." + target.filename().string() + ".tessary-in-place-XXXXXX"))
          .string();
  // Private until Commit: even a read-only model can be replaced, as its folder allows.
  const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) return errno;
  ::close(fd);
  temporary_ = std::move(pattern);
  mode_ = status.st_mode & 07777;
  owner_ = status.st_uid;
  group_ = status.st_gid;
  return 0;
}

int InPlaceReplacement::Commit() {
  // The owner first, since changing it may clear the set-user-ID and set-group-ID bits.
  (void)!::chown(temporary_.c_str(), owner_, group_);  // allowed to fail for other owners
  if (::chmod(temporary_.c_str(), mode_) != 0) return errno;
  if (::rename(temporary_.c_str(), target_.c_str()) != 0) return errno;
  temporary_.clear();
  return 0;
}

}  // namespace tessary::cli
