// Line feeds found eight bytes at a time.
#pragma once

#include <cstdint>

namespace tessary {

/// The high bit of each byte of `word` that is a line feed, the first byte lowest: zero exactly
/// when none is. Above the lowest byte so marked, others may be marked wrongly (a borrow).
inline constexpr std::uint64_t LineFeedMarks(std::uint64_t word) {
  constexpr std::uint64_t kOnes = 0x0101'0101'0101'0101;
  const std::uint64_t zeroWhereFeed = word ^ (kOnes * '\n');
  return (zeroWhereFeed - kOnes) & ~zeroWhereFeed & (kOnes << 7);
}

}  // namespace tessary
