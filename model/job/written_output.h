// A job's output written whole and not yet put in place, with the files it holds: the input
// (open, and locked, so that no other program writes it meanwhile) and the output target
// (the old output, locked, and the new file beside it). Internal to model/job.
#pragma once

#include <functional>
#include <memory>
#include <utility>

#include "model/job/output_target.h"
#include "model/job/scale_job.h"
#include "model/pass/input_file.h"

namespace tessary {

class WrittenOutput {
 public:
  WrittenOutput(JobFile input, std::unique_ptr<InputFile> inputFile,
                std::unique_ptr<OutputTarget> target, std::function<void()> committing)
      : input(std::move(input)),
        inputFile(std::move(inputFile)),
        target(std::move(target)),
        committing(std::move(committing)) {}

  JobFile input;
  // Declared in this order so that the target, which may point to the input's file, goes
  // first.
  std::unique_ptr<InputFile> inputFile;
  std::unique_ptr<OutputTarget> target;
  std::function<void()> committing;
};

}  // namespace tessary
