// The powers of five the Eisel-Lemire step reads decimals with: 5^q for every q that can
// matter to a double, scaled by a power of two to 128 significant bits and truncated.
#pragma once

#include <cstdint>

namespace tessary {

/// The range of q with an entry. Beyond it, w * 10^q for any 64-bit w is too small to round
/// to anything but zero (w * 10^-343 < 2^-1075) or too large for a double.
inline constexpr int kSmallestPowerOfFive128 = -342;
inline constexpr int kLargestPowerOfFive128 = 308;

/// floor(5^q * 2^s) for the s that puts it in [2^127, 2^128), as its high and low words.
/// It is exact for 0 <= q <= 55 and below the real value by less than 1 otherwise.
struct PowerOfFive128 {
  std::uint64_t high;
  std::uint64_t low;
};

/// Requires kSmallestPowerOfFive128 <= q <= kLargestPowerOfFive128.
PowerOfFive128 TruncatedPowerOfFive(int q);

/// floor(log2(10^q)) for q in the range above, so that 10^q is
/// TruncatedPowerOfFive(q) * 2^(FloorLog2PowerOfTen(q) - 127) before the truncation.
/// (217706 / 2^16 is log2(10) to within 1.3e-6; the table checks every q when it is built.)
constexpr int FloorLog2PowerOfTen(int q) {
  return (q * 217706) >> 16;
}

}  // namespace tessary
