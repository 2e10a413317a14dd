// Putting the outputs of several jobs in place together. A small file's sync costs mostly the
// disk's flush; syncing the file system once for a whole group of outputs pays it once, and
// each output still goes in whole or not at all: it is renamed over the old one only once its
// data are on disk, and the folders follow.
#include <vector>

#include "model/job/outcome.h"
#include "model/job/scale_job.h"
#include "model/job/written_output.h"

namespace tessary {
namespace {

using platform::Replacement;

// Puts one written output in place: its result.
JobResult CommitOne(const JobResult& written, WrittenOutput& output,
                    Replacement::FolderSync folderSync) {
  JobResult result = outcome::Guarded(output.input, [&] {
    output.target->Sync();  // nothing left to do when the group's sync did it
    if (output.committing) output.committing();
    output.target->Commit(folderSync);
    JobResult done = written;
    done.status = JobStatus::Done;
    done.written.reset();
    done.accessNote = output.target->access_note();
    return done;
  });
  if (result.status != JobStatus::Done) result.leftovers = written.leftovers;
  // The output is in place (or not): the input, and its lock, go.
  output.inputFile->file().Reset();
  return result;
}

}  // namespace

void CommitWritten(std::span<JobResult* const> results, const std::atomic<bool>* stop) noexcept {
  std::vector<Replacement*> replacements;
  bool together = true;
  try {
    for (JobResult* result : results) {
      if (result->status == JobStatus::Written && result->written) {
        replacements.push_back(&result->written->target->replacement());
      }
    }
  } catch (...) {  // no memory for the list: each output is synced on its own
    replacements.clear();
    together = false;
  }
  Replacement::SyncTogether(replacements);

  for (JobResult* result : results) {
    if (result->status != JobStatus::Written) continue;
    const std::shared_ptr<WrittenOutput> output = result->written;
    if (output == nullptr || (stop != nullptr && stop->load())) {
      // Its new file goes with the result's output below, once no list refers to it; the
      // old output stays.
      result->status = JobStatus::Cancelled;
      continue;
    }
    JobResult committed = CommitOne(
        *result, *output, together ? Replacement::FolderSync::Later : Replacement::FolderSync::Now);
    committed.written = output;  // kept until its folder is on disk
    *result = std::move(committed);
  }

  Replacement::SyncFolders(replacements);
  for (JobResult* result : results)
    result->written.reset();
}

}  // namespace tessary
