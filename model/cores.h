// How many threads a pass may use.
#pragma once

namespace tessary {

/// The processors this process may run on (its CPU affinity), at least 1.
int UsableCores() noexcept;

/// The threads for one file's pass when `filesAtATime` files are scaled side by side: the
/// usable cores shared out among them, at least 1 each, and at most `requested` when that is
/// above 0. More threads than cores would only cost memory: each one holds chunks in flight.
int PassThreads(int requested, int filesAtATime) noexcept;

}  // namespace tessary
