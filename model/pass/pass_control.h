// How the caller of a pass follows it and stops it: a progress callback and a cancel flag.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <stdexcept>

namespace tessary {

/// Optional hooks into a running pass. Both are used from the thread that runs the pass.
struct PassControl {
  /// Called after each read from the input with the bytes read so far and the input's size
  /// (0 when the size is unknown, as for a pipe). May throw; the pass then ends with that
  /// error and the output is left as it was.
  std::function<void(std::uint64_t done, std::uint64_t total)> progress;
  /// When it becomes true (from any thread), the pass stops at its next line or while it
  /// waits for a pipe, and the output is left as it was.
  const std::atomic<bool>* cancel = nullptr;

  bool cancelled() const { return cancel != nullptr && cancel->load(std::memory_order_relaxed); }
};

/// Thrown by the pass when `cancel` stopped it; whoever runs it leaves the output as it was.
class PassCancelled : public std::runtime_error {
 public:
  PassCancelled() : std::runtime_error("The pass was cancelled.") {}
};

}  // namespace tessary
