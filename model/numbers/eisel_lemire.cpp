// The method is Michael Eisel's; Daniel Lemire described it and proved it in "Number parsing
// at a gigabyte per second", Software: Practice and Experience 51(8), 2021, and it is the
// core of the fast_float library (Daniel Lemire and contributors). As in the paper, what the
// products do not settle is left to a slower exact method.
#include "model/numbers/eisel_lemire.h"

#include <bit>

#include "model/numbers/powers_of_five_128.h"

namespace tessary {
namespace {

// 128-bit arithmetic is a GCC and Clang extension; __extension__ keeps -Wpedantic quiet.
__extension__ typedef unsigned __int128 u128;

constexpr int kExponentBias = 1023;
constexpr int kMantissaBits = 52;             // stored; the leading 1 of a normal is implied
constexpr int kLargestBiasedExponent = 2046;  // 2047 is infinity
constexpr std::uint64_t kNineLowBits = 0x1FF;

}  // namespace

// With W = w << lz in [2^63, 2^64) and T the real 5^q scaled into [2^127, 2^128), the exact
// product X = W * T is in [2^190, 2^192) and w * 10^q = X * 2^(FloorLog2PowerOfTen(q) - 127 - lz).
// The table holds F = floor(T), so X is read from below: with F = F1 * 2^64 + F0,
// - W * F1 is below X / 2^64 by less than 2^64, so its top word is that of X or one less;
//   when its nine low bits are not all ones, a carry cannot reach the bits that are kept
//   (53 bits and a rounding bit, all above those nine).
// - Otherwise, adding the top word of W * F0 brings it below X / 2^64 by less than 2, so
//   the top word is exact unless the low word is all ones; then give up.
// With the top word exact, the result is the 53 bits below its leading bit (fewer for a
// subnormal), rounded half up by the next bit. That is wrong only for an exact tie that must
// round down to even: the remaining bits of X are then zero, so those computed, which are
// not above them, are zero too. Give up in that case, whatever the bits beyond, as the
// product cannot tell a tie from a value slightly above it.
bool NearestDoubleEiselLemire(std::uint64_t w, long long q, double& value) {
  if (w == 0 || q < kSmallestPowerOfFive128 || q > kLargestPowerOfFive128) return false;
  const auto power10 = static_cast<int>(q);
  const int lz = std::countl_zero(w);
  const std::uint64_t normalised = w << lz;
  const PowerOfFive128 power = TruncatedPowerOfFive(power10);

  const u128 product = u128{normalised} * power.high;
  auto upper = static_cast<std::uint64_t>(product >> 64);
  auto lower = static_cast<std::uint64_t>(product);
  if ((upper & kNineLowBits) == kNineLowBits) {
    const auto next = static_cast<std::uint64_t>((u128{normalised} * power.low) >> 64);
    lower += next;
    upper += lower < next ? 1 : 0;
    if (lower == ~std::uint64_t{0}) return false;
  }

  // X has its leading bit at 190 + upperBit, `upper` at 62 + upperBit.
  const int upperBit = static_cast<int>(upper >> 63);
  int biasedExponent = kExponentBias + FloorLog2PowerOfTen(power10) + 63 + upperBit - lz;
  int dropped = 62 + upperBit - kMantissaBits;  // bits of `upper` below the 53 kept
  if (biasedExponent <= 0) {
    // A subnormal: its unit is 2^-1074, so fewer bits are kept.
    dropped += 1 - biasedExponent;
    biasedExponent = 0;
    if (dropped > 63) return false;  // below 2^-1074: zero or the smallest subnormal
  }
  std::uint64_t mantissa = upper >> dropped;
  const std::uint64_t roundBit = (upper >> (dropped - 1)) & 1;
  const bool restIsZero = (upper & ((std::uint64_t{1} << (dropped - 1)) - 1)) == 0 && lower == 0;
  if (roundBit == 1 && restIsZero && mantissa % 2 == 0) return false;  // perhaps a tie
  mantissa += roundBit;
  if (mantissa == std::uint64_t{1} << (kMantissaBits + 1)) {  // rounded up to a new bit
    mantissa >>= 1;
    ++biasedExponent;
  }
  if (biasedExponent > kLargestBiasedExponent) return false;  // infinite

  // A normal's leading 1 adds one to the exponent field, hence biasedExponent - 1; a
  // subnormal that rounded up to 2^52 becomes the smallest normal the same way.
  const std::uint64_t exponentField =
      biasedExponent == 0 ? 0 : static_cast<std::uint64_t>(biasedExponent - 1) << kMantissaBits;
  value = std::bit_cast<double>(exponentField + mantissa);
  return true;
}

}  // namespace tessary
