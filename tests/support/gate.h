// A gate that a test holds shut until it has seen what it wants to see of a running operation.
#pragma once

#include <atomic>
#include <chrono>
#include <thread>

namespace tessary::testing {

class Gate {
 public:
  void Open() { open_ = true; }
  bool IsOpen() const { return open_; }

  // Waits on another thread; gives up after a minute so that a broken test cannot hang.
  void Wait() const {
    for (int i = 0; i < 60'000 && !open_; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }

 private:
  std::atomic<bool> open_{false};
};

}  // namespace tessary::testing
