#include "model/job/output_target.h"

#include <utility>

#include "model/pass/file_error.h"

namespace tessary {

using platform::ErrorKind;
using platform::FileKind;

const char* const OutputTarget::kChangedMeanwhile =
    "was changed by another program during the run, and is left as that program left it";
const char* const OutputTarget::kInUseAtCommit =
    "is in use by another program, so it was not replaced, and is as it was";
const char* const OutputTarget::kCreatedMeanwhile =
    "was created by another program during the run, and is left as that program made it";

OutputTarget::~OutputTarget() {
  Abandon();
}

platform::Error OutputTarget::Open(const std::string& path) {
  if (path.empty()) return platform::ErrorOf(ErrorKind::NotFound);
  name_ = platform::FullPath(path);
  finalPath_ = platform::FollowLinks(path);
  const platform::Error error = platform::File::OpenToWrite(path, existing_);
  if (platform::IsKind(error, ErrorKind::NotFound))
    return 0;  // made by Prepare, if its folder exists
  if (error != 0) {
    // Say why the system keeps it, where it can tell (an immutable file, say), as for a model
    // replaced in place.
    if (platform::Obstacle obstacle = platform::Replacement::CheckReplaceable(finalPath_, true)) {
      refusal_ = std::move(obstacle.reason);
    }
    return error;
  }
  status_ = existing_.Status();
  exists_ = true;
  original_ = &existing_;
  return 0;
}

void OutputTarget::Borrow(platform::File::Handle handle, std::string name) {
  name_ = std::move(name);
  existing_ = platform::File::Borrow(handle);
  status_ = existing_.Status();
  exists_ = true;
}

platform::Error OutputTarget::OpenInPlace(const std::string& path, platform::File& input) {
  name_ = platform::FullPath(path);
  finalPath_ = platform::FollowLinks(path);
  status_ = input.Status();
  if (status_.kind != FileKind::Regular) return platform::ErrorOf(ErrorKind::NotRegular);
  // The model is not opened for writing: whether it may be written is asked instead, so that
  // it is refused as an output would be.
  if (platform::Obstacle obstacle = platform::Replacement::CheckReplaceable(finalPath_, true)) {
    refusal_ = std::move(obstacle.reason);
    return obstacle.error;
  }
  exists_ = inPlace_ = true;
  original_ = &input;
  return 0;
}

platform::Error OutputTarget::Prepare(std::span<const platform::RunFiles* const> keep) {
  if (!inPlace_) {
    if (exists_ && !existing_.owned()) return 0;                 // borrowed: written directly
    if (exists_ && status_.kind != FileKind::Regular) return 0;  // a device or a FIFO
    if (exists_) {
      if (const platform::Error error = existing_.Lock(); error != 0) return error;
    }
    if (platform::Obstacle obstacle = platform::Replacement::CheckReplaceable(finalPath_, false)) {
      refusal_ = std::move(obstacle.reason);
      return obstacle.error;
    }
  }
  leftovers_ = platform::Replacement::CleanLeftovers(finalPath_, keep);
  if (const platform::Error error = replacement_.Create(finalPath_, original_); error != 0) {
    creatingFailed_ = true;
    return error;
  }
  replacing_ = true;
  return 0;
}

std::string OutputTarget::folder() const {
  return platform::FullPath(platform::FolderOf(finalPath_));
}

void OutputTarget::Sync() {
  if (!replacing_) return;
  if (const platform::Error error = replacement_.Sync(); error != 0) {
    throw FileError::WriteFailure(name_, error);
  }
}

void OutputTarget::Commit(platform::Replacement::FolderSync folderSync) {
  if (!replacing_) {
    if (const platform::Error error = existing_.Close(); error != 0) {
      throw FileError::WriteFailure(name_, error);
    }
    return;
  }
  platform::File none;
  const platform::FileStatus* expected = exists_ ? &status_ : nullptr;
  if (const platform::Error error =
          replacement_.Commit(original_ != nullptr ? *original_ : none, expected, folderSync);
      error != 0) {
    if (replacement_.changed_meanwhile()) {
      std::string reason = MeanwhileReason();
      replacement_.Abandon();
      throw FileError(FileErrorCause::NotReplaced, name_, 0, std::move(reason));
    }
    if (platform::IsKind(error, ErrorKind::InUse)) {
      throw FileError(FileErrorCause::NotReplaced, name_, error, kInUseAtCommit);
    }
    throw FileError::WriteFailure(name_, error);
  }
  replacing_ = false;
  existing_.Reset();
}

std::string OutputTarget::MeanwhileReason() const {
  using Kept = platform::Replacement::Kept;
  const std::string aside = platform::FullPath(replacement_.kept_aside());
  switch (replacement_.kept()) {
    case Kept::Nothing:
      break;
    case Kept::NewFileWrittenTo:
      return std::string(kChangedMeanwhile) +
             "; what it wrote to the scaled model while that was briefly in place is kept in " +
             aside;
    case Kept::OtherProgramsFile:
      return std::string(kChangedMeanwhile) + "; a file it saved meanwhile is kept in " + aside;
    case Kept::OtherProgramsSave:
      return "was changed by another program as the scaled model was put in its place: it "
             "holds the scaled model, and that program's version is kept in " +
             aside;
  }
  return exists_ ? kChangedMeanwhile : kCreatedMeanwhile;
}

void OutputTarget::Abandon() noexcept {
  replacement_.Abandon();
  replacing_ = false;
  existing_.Reset();
}

}  // namespace tessary
