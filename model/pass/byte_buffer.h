// A buffer of bytes for the pass: never filled with zeros, and made ready for writing (see
// platform::PrepareToWrite) in a few large steps as it comes into use, not page by page.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <utility>

#include "platform/memory.h"

namespace tessary {

class ByteBuffer {
 public:
  ByteBuffer() = default;
  /// Throws std::bad_alloc.
  explicit ByteBuffer(std::size_t capacity)
      : bytes_(capacity > 0 ? new char[capacity] : nullptr), capacity_(capacity) {}
  ByteBuffer(ByteBuffer&& other) noexcept
      : bytes_(std::move(other.bytes_)),
        capacity_(std::exchange(other.capacity_, 0)),
        prepared_(std::exchange(other.prepared_, 0)) {}
  ByteBuffer& operator=(ByteBuffer&& other) noexcept {
    bytes_ = std::move(other.bytes_);
    capacity_ = std::exchange(other.capacity_, 0);
    prepared_ = std::exchange(other.prepared_, 0);
    return *this;
  }

  char* data() const { return bytes_.get(); }
  std::size_t capacity() const { return capacity_; }

  /// Makes the first `size` bytes (or all of them, if fewer) ready to be written.
  void Prepare(std::size_t size) noexcept {
    size = std::min(size, capacity_);
    if (size <= prepared_) return;
    platform::PrepareToWrite(bytes_.get() + prepared_, size - prepared_);
    prepared_ = size;
  }
  /// The same for a buffer filled a little at a time: when `size` goes past what is ready,
  /// twice as much is made ready (from 64 KiB), so that the steps are few and at most half
  /// of what is prepared goes unused.
  void PrepareGrowing(std::size_t size) noexcept {
    if (size <= prepared_) return;
    constexpr std::size_t kFirstStep = std::size_t{64} << 10;
    Prepare(std::max({size, 2 * prepared_, kFirstStep}));
  }

  /// Room for `capacity` bytes in all, keeping the first `keep`; throws std::bad_alloc.
  void Grow(std::size_t capacity, std::size_t keep) {
    if (capacity <= capacity_) return;
    ByteBuffer larger(capacity);
    if (keep > 0) std::memcpy(larger.data(), data(), keep);
    *this = std::move(larger);
  }

 private:
  std::unique_ptr<char[]> bytes_;
  std::size_t capacity_ = 0;
  std::size_t prepared_ = 0;
};

}  // namespace tessary
