// What a file is on every system: a handle, owned or borrowed, that moves.
#include "platform/file.h"

#include <algorithm>
#include <utility>

namespace tessary::platform {

File::File(File&& other) noexcept
    : handle_(std::exchange(other.handle_, kNone)), owned_(std::exchange(other.owned_, false)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Reset();
    handle_ = std::exchange(other.handle_, kNone);
    owned_ = std::exchange(other.owned_, false);
  }
  return *this;
}

File::~File() {
  Reset();
}

File File::Own(Handle handle) noexcept {
  File file;
  file.handle_ = handle;
  file.owned_ = true;
  return file;
}

void RunFiles::Add(const std::string& path) {
  FileStatus status;
  if (StatusOf(path, status) == 0) {
    if (status.identified) files_.push_back(status.id);
    return;
  }
  const std::string followed = FollowLinks(path);
  if (StatusOf(FolderOf(followed), status) == 0 && status.identified) {
    names_.emplace_back(status.id, ComparableName(NameOf(followed)));
  }
}

bool RunFiles::Holds(const FileId& file, const FileId& folder, const std::string& name) const {
  const auto same = [](const FileId& a, const FileId& b) { return a.SameFileAs(b); };
  if (std::any_of(files_.begin(), files_.end(), [&](const FileId& id) { return same(id, file); }))
    return true;
  const std::string comparable = ComparableName(name);
  return std::any_of(names_.begin(), names_.end(), [&](const auto& entry) {
    return entry.second == comparable && same(entry.first, folder);
  });
}

}  // namespace tessary::platform
