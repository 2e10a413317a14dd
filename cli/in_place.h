// Replacing a model by its scaled version: the scaled model goes to a new file beside it,
// which is renamed over it once complete and on disk. The driver refuses to write a file that
// it reads, so -i works through this file, and the model is either wholly replaced or, after
// any failure or interruption, exactly as it was.
#pragma once

#include <sys/types.h>

#include <string>

namespace tessary::cli {

class InPlaceReplacement {
 public:
  InPlaceReplacement() = default;
  InPlaceReplacement(const InPlaceReplacement&) = delete;
  InPlaceReplacement& operator=(const InPlaceReplacement&) = delete;
  /// Removes the new file unless it replaced the model; never throws.
  ~InPlaceReplacement();

  /// Creates the new, empty file beside the file that `model` names (symbolic links are
  /// followed, so the link stays and its target is replaced). Returns 0 or the system's error
  /// number; EINVAL when the model is not a regular file.
  int Create(const std::string& model);

  /// Whether Create found the model (a failure was then in making the new file beside it).
  bool model_found() const { return !target_.empty(); }
  /// The new file's full path, to write the scaled model to.
  const std::string& path() const { return temporary_; }
  /// The full path of the file that is replaced.
  const std::string& target() const { return target_; }

  /// Gives the new file the model's permission bits and, where the system allows, its owner,
  /// and renames it over the model. Its data is on disk already (the driver synced it before
  /// its own rename), so the model is whole whenever the rename lands, as for any output.
  /// Returns 0 or the system's error number; on failure the model is as it was.
  int Commit();

 private:
  std::string target_;
  std::string temporary_;  // empty once renamed, or before Create
  mode_t mode_ = 0;
  uid_t owner_ = 0;
  gid_t group_ = 0;
};

}  // namespace tessary::cli
