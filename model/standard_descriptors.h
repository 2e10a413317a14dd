// The three standard descriptors of a process that may have been started with some of them
// closed (`prog 2>&-`).
#pragma once

namespace tessary {

/// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed, so that no file the
/// program opens later takes one of their numbers and receives what is meant for the
/// terminal (a progress line written into a model). Standard input is opened for writing
/// only and the outputs for reading only, so that using a descriptor that was closed still
/// fails, with EBADF, as it would have. Call it first thing in main().
void KeepStandardDescriptorsOpen() noexcept;

}  // namespace tessary
