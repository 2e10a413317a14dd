#include "model/numbers/powers_of_five_128.h"

#include <array>
#include <bit>

namespace tessary {
namespace {

// 128-bit arithmetic is a GCC and Clang extension; __extension__ keeps -Wpedantic quiet.
__extension__ typedef unsigned __int128 u128;

// An exact number of up to 1152 bits, just enough to build the table at compile time: 5^342
// has 795 bits, and 2^1024 / 5^342 still has 230.
struct WideNumber {
  static constexpr int kLimbs = 18;
  std::array<std::uint64_t, kLimbs> limbs{};  // least significant first

  constexpr int BitLength() const {
    for (int i = kLimbs - 1; i >= 0; --i) {
      if (limbs[i] != 0) return 64 * i + 64 - std::countl_zero(limbs[i]);
    }
    return 0;
  }

  constexpr void MultiplyBy(std::uint64_t factor) {
    std::uint64_t carry = 0;
    for (std::uint64_t& limb : limbs) {
      const u128 product = u128{limb} * factor + carry;
      limb = static_cast<std::uint64_t>(product);
      carry = static_cast<std::uint64_t>(product >> 64);
    }
    if (carry != 0) throw "WideNumber overflow";  // a compile error, as this runs at compile time
  }

  // Replaces the number by floor(number / divisor).
  constexpr void DivideBy(std::uint64_t divisor) {
    std::uint64_t remainder = 0;
    for (int i = kLimbs - 1; i >= 0; --i) {
      const u128 dividend = u128{remainder} << 64 | limbs[i];
      limbs[i] = static_cast<std::uint64_t>(dividend / divisor);
      remainder = static_cast<std::uint64_t>(dividend % divisor);
    }
  }

  // The 128 most significant bits: the number shifted left or right (truncating) to put its
  // top bit at bit 127.
  constexpr PowerOfFive128 Top128() const {
    const int bits = BitLength();
    u128 top = 0;
    if (bits <= 128) {
      top = (u128{limbs[1]} << 64 | limbs[0]) << (128 - bits);
    } else {
      const int shift = bits - 128;
      for (int bit = 127; bit >= 0; --bit) {
        const int source = shift + bit;
        top |= u128{(limbs[source / 64] >> (source % 64)) & 1} << bit;
      }
    }
    return {static_cast<std::uint64_t>(top >> 64), static_cast<std::uint64_t>(top)};
  }
};

constexpr int kEntries = kLargestPowerOfFive128 - kSmallestPowerOfFive128 + 1;

constexpr std::array<PowerOfFive128, kEntries> MakeTable() {
  std::array<PowerOfFive128, kEntries> table{};
  // q >= 0: 5^q itself, exactly, by repeated multiplication. On the way, check the formula of
  // FloorLog2PowerOfTen: floor(log2(10^q)) is q + bits(5^q) - 1, and for -q it is
  // -q - bits(5^q), as 5^q is not a power of two for q > 0.
  WideNumber power;
  power.limbs[0] = 1;
  for (int q = 0; q <= -kSmallestPowerOfFive128; ++q) {
    const int bits = power.BitLength();
    if (q <= kLargestPowerOfFive128) {
      table[q - kSmallestPowerOfFive128] = power.Top128();
      if (FloorLog2PowerOfTen(q) != q + bits - 1) throw "FloorLog2PowerOfTen is wrong";
    }
    if (q > 0 && FloorLog2PowerOfTen(-q) != -q - bits) throw "FloorLog2PowerOfTen is wrong";
    power.MultiplyBy(5);
  }
  // q < 0: floor(2^1024 / 5^-q) by repeated division, floor(floor(a / b) / c) being
  // floor(a / (b * c)); its top 128 bits are those of 2^k / 5^-q for the right k.
  WideNumber reciprocal;
  reciprocal.limbs[1024 / 64] = 1;
  for (int q = -1; q >= kSmallestPowerOfFive128; --q) {
    reciprocal.DivideBy(5);
    if (reciprocal.BitLength() <= 128) throw "too few bits for the reciprocal";
    table[q - kSmallestPowerOfFive128] = reciprocal.Top128();
  }
  return table;
}

constexpr std::array<PowerOfFive128, kEntries> kTable = MakeTable();

static_assert(kTable[0 - kSmallestPowerOfFive128].high == std::uint64_t{1} << 63);
static_assert(kTable[0 - kSmallestPowerOfFive128].low == 0);
// 5^-1 = 0.2 = 0.0011 0011... in binary: 0xCCCC..., truncated.
static_assert(kTable[-1 - kSmallestPowerOfFive128].high == 0xCCCCCCCCCCCCCCCC);
static_assert(kTable[-1 - kSmallestPowerOfFive128].low == 0xCCCCCCCCCCCCCCCC);

}  // namespace

PowerOfFive128 TruncatedPowerOfFive(int q) {
  return kTable[q - kSmallestPowerOfFive128];
}

}  // namespace tessary
