// Runs numbered pieces of work on several threads and hands their results back in number
// order, on the calling thread, each as soon as every one before it is back.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace tessary {

/// Calls `work(i)` for i from 0 to count - 1 on up to `threads` threads and `report(i, result)`
/// on the calling thread in the order of i; calls `tick()` on the calling thread about ten
/// times a second while it waits. Once `stop` is true no more work is started: the results of
/// work already started are still reported, and the others are never made. `work` must not
/// throw. With one thread, or when no thread can be started, the work is done on the calling
/// thread, one piece after the other, and nothing waits to call `tick()`: a new thread costs
/// address space (its stack and its own malloc arena) that a run of one file must not need.
template <typename Work, typename Report, typename Tick>
void RunInOrder(std::size_t count, unsigned threads, Work&& work, Report&& report, Tick&& tick,
                const std::atomic<bool>& stop) {
  using Result = decltype(work(std::size_t{}));
  std::vector<std::optional<Result>> results(count);
  std::mutex mutex;
  std::condition_variable changed;
  std::atomic<std::size_t> next{0};
  unsigned running = 0;  // workers not yet finished, under `mutex`

  const auto worker = [&] {
    for (;;) {
      if (stop.load()) break;
      const std::size_t i = next.fetch_add(1);
      if (i >= count) break;
      Result result = work(i);
      const std::lock_guard<std::mutex> lock(mutex);
      results[i].emplace(std::move(result));
      changed.notify_one();
    }
    const std::lock_guard<std::mutex> lock(mutex);
    --running;
    changed.notify_one();
  };

  const auto runHere = [&] {
    for (std::size_t i = 0; i < count && !stop.load(); ++i) {
      Result result = work(i);
      report(i, result);
    }
  };
  const std::size_t wanted = std::min<std::size_t>(threads, count);
  if (wanted <= 1) {
    runHere();
    return;
  }

  std::vector<std::thread> pool;
  // Joins the workers however this function is left, even by an exception from `report`.
  struct Joiner {
    std::vector<std::thread>& threads;
    ~Joiner() {
      for (std::thread& thread : threads) {
        if (thread.joinable()) thread.join();
      }
    }
  } joiner{pool};
  for (std::size_t t = 0; t < wanted; ++t) {
    try {
      {
        const std::lock_guard<std::mutex> lock(mutex);
        ++running;
      }
      pool.emplace_back(worker);
    } catch (const std::system_error&) {  // no more threads to be had: go on with those started
      const std::lock_guard<std::mutex> lock(mutex);
      --running;
      break;
    }
  }
  if (pool.empty()) {
    runHere();
    return;
  }

  std::unique_lock<std::mutex> lock(mutex);
  for (std::size_t reported = 0; reported < count;) {
    if (results[reported]) {
      Result result = std::move(*results[reported]);
      results[reported].reset();
      lock.unlock();
      report(reported, result);
      lock.lock();
      ++reported;
      continue;
    }
    if (running == 0) break;  // stopped: the rest was never started
    changed.wait_for(lock, std::chrono::milliseconds(100));
    lock.unlock();
    tick();
    lock.lock();
  }
}

}  // namespace tessary
