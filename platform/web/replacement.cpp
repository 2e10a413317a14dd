// Replacing files in a browser: never. Every output is a file the page hands over, written
// directly (a download, or a file of the origin's private file system), so that nothing here
// is ever asked to make, replace or clear a file beside another.
#include <cerrno>

#include "platform/replacement.h"

namespace tessary::platform {

Replacement::~Replacement() {
  Abandon();
}

Obstacle Replacement::CheckReplaceable(const std::string&, bool) {
  return {};
}

std::vector<Leftover> Replacement::CleanLeftovers(const std::string&,
                                                  std::span<const RunFiles* const>) noexcept {
  return {};
}

Error Replacement::Create(const std::string&, const File*) {
  return ENOTSUP;
}

Error Replacement::GiveAccess() {
  return 0;
}

void Replacement::SyncTogether(std::span<Replacement* const>) noexcept {}

void Replacement::SyncFolders(std::span<Replacement* const>) noexcept {}

Error Replacement::Commit(File&, const FileStatus*, FolderSync) {
  return ENOTSUP;
}

void Replacement::Abandon() noexcept {
  file_.Reset();
}

}  // namespace tessary::platform
