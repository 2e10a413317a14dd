// Long operations: work that runs on a worker thread while its window keeps painting, with a
// busy cursor, a progress dialog and a Cancel button.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

#include "framework/types.h"
#include "framework/user_exception.h"

namespace afx {

class CWnd;

/// What a running operation shares with the window that waits for it. The operation calls it
/// from its own thread.
class CLongOperation {
 public:
  /// `done` of `total` units are finished; a `total` of 0 means the size is unknown.
  void SetProgress(std::uint64_t done, std::uint64_t total) {
    total_.store(total, std::memory_order_relaxed);
    done_.store(done, std::memory_order_relaxed);
  }

  /// Becomes true when the user presses Cancel. The operation should then stop soon and end
  /// with AfxThrowUserException().
  const std::atomic<bool>& CancelRequested() const { return cancel_; }

  std::uint64_t done() const { return done_.load(std::memory_order_relaxed); }
  std::uint64_t total() const { return total_.load(std::memory_order_relaxed); }
  void RequestCancel() { cancel_.store(true, std::memory_order_relaxed); }

 private:
  std::atomic<std::uint64_t> done_{0};
  std::atomic<std::uint64_t> total_{0};
  std::atomic<bool> cancel_{false};
};

/// Runs `work` on a worker thread and returns once it has ended. Meanwhile the caller's
/// windows keep painting but take no input, the cursor shows at once that the program is busy,
/// and after about half a second a modal progress dialog owned by `owner` shows `text`, the
/// progress and a Cancel button. An exception that `work` lets out is thrown again here, on
/// the caller's thread. Called while another operation runs, it throws CUserException and runs
/// nothing.
void AfxRunLongOperation(CWnd* owner, LPCTSTR text,
                         const std::function<void(CLongOperation&)>& work);

/// The same for work that returns a value: returns what `work` returned.
template <typename Work>
requires(!std::is_void_v<std::invoke_result_t<Work&, CLongOperation&>>)
    std::invoke_result_t<Work&, CLongOperation&> AfxRunLongOperation(CWnd* owner, LPCTSTR text,
                                                                     Work&& work) {
  std::optional<std::invoke_result_t<Work&, CLongOperation&>> result;
  AfxRunLongOperation(owner, text,
                      std::function<void(CLongOperation&)>(
                          [&](CLongOperation& operation) { result.emplace(work(operation)); }));
  return std::move(*result);
}

}  // namespace afx
