// The pass on several cores, with the same output as RunScalingPass, byte for byte.
//
// The only state that crosses a line is an open block and the lines it still owes. So the input
// is cut into chunks of whole lines, workers scale the chunks in parallel as if no block were
// open at their start, noting where each line's output begins and whether a block was open
// there, and the chunks are then put right and written in order: once the block left open by
// the chunks before is known, a chunk's first lines are scaled again as the lines of that block
// (or, in the rare case where the chunk's own guess was still inside a block at that point, or
// the block runs past the chunk, the whole chunk is). The calling thread reads, puts right and
// writes, and scales chunks itself while the first one in line is not ready. A fixed number of
// chunks is in flight, so memory stays bounded (see ParallelPassMemory). A line longer than the
// largest chunk hands the rest of the input over to the sequential pass.
#pragma once

#include <cstddef>

#include "model/pass/pass_control.h"
#include "model/pass/scaling_pass.h"

namespace tessary {

class InputFile;
class OutputFile;

struct ParallelOptions {
  int threads = 2;  ///< workers scaling chunks beside the calling thread
  /// A chunk ends at the last line feed within its first `chunkSize` bytes, or else at the
  /// first line feed within `maxChunk` bytes (at most the input's capacity).
  std::size_t chunkSize = std::size_t{1} << 20;
  std::size_t maxChunk = std::size_t{1} << 20;
  /// When the first chunk's lines that start with a number (the lines of blocks, where the
  /// work is) hold less than this share of its bytes, the whole input takes the sequential
  /// pass instead: copying lines is bound by writing them, which threads do not share.
  double minNumberShare = 0;
};

/// The most memory the pass takes with `options`, besides the input's and the output's buffers.
std::size_t ParallelPassMemory(const ParallelOptions& options);

/// Runs the pass from `input` to `output` as RunScalingPass does, with the same result and the
/// same errors.
PassStats RunParallelScalingPass(InputFile& input, OutputFile& output, const ScaleFactors& factors,
                                 const PassControl& control, const ParallelOptions& options);

}  // namespace tessary
