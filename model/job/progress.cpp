#include "model/job/progress.h"

#include <algorithm>

namespace tessary {

ProgressCounter::ProgressCounter(const std::vector<std::uint64_t>& sizes)
    : sizes_(sizes), done_(new std::atomic<std::uint64_t>[sizes.size()]) {
  for (std::size_t i = 0; i < sizes_.size(); ++i)
    done_[i].store(0);
}

ProgressSnapshot ProgressCounter::Snapshot(double seconds) const {
  ProgressSnapshot snapshot;
  snapshot.files = sizes_.size();
  snapshot.filesDone = filesDone_.load();
  bool allKnown = true;
  for (std::size_t i = 0; i < sizes_.size(); ++i) {
    const std::uint64_t done = done_[i].load();
    allKnown = allKnown && sizes_[i] != kUnknownSize;
    snapshot.bytesDone += sizes_[i] != kUnknownSize ? std::min(done, sizes_[i]) : done;
    if (sizes_[i] != kUnknownSize) snapshot.bytes += sizes_[i];
  }
  if (!allKnown) snapshot.bytes = 0;
  snapshot.seconds = seconds;
  return snapshot;
}

std::uint64_t InputSize(const JobFile& file) {
  if (file.standard) return ProgressCounter::kUnknownSize;
  platform::FileStatus status;
  if (file.is_path()) {
    if (platform::StatusOf(file.path, status) != 0) return 0;
  } else {
    status = platform::File::Borrow(file.handle).Status();
  }
  return status.kind == platform::FileKind::Regular ? status.size : ProgressCounter::kUnknownSize;
}

}  // namespace tessary
