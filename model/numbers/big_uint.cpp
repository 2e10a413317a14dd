#include "model/numbers/big_uint.h"

#include <algorithm>
#include <bit>
#include <cassert>

namespace tessary {
namespace {

// 128-bit arithmetic is a GCC and Clang extension; __extension__ keeps -Wpedantic quiet.
__extension__ typedef unsigned __int128 u128;

// 5^27 is the largest power of five in one word, so 5^e is looked up as 5^(27 * (e / 27)),
// from a table of big powers, times 5^(e % 27), from a table of words.
constexpr int kFiveStep = 27;

constexpr std::array<std::uint64_t, kFiveStep> kPowersOfFive = [] {
  std::array<std::uint64_t, kFiveStep> powers{};
  powers[0] = 1;
  for (int i = 1; i < kFiveStep; ++i)
    powers[i] = powers[i - 1] * 5;
  return powers;
}();
constexpr std::uint64_t kFiveToTheStep = kPowersOfFive[kFiveStep - 1] * 5;

constexpr int kBigPowers = BigUint::kMaxPowerOfFive / kFiveStep + 1;
constexpr int kBigPowerLimbs = 12;  // 5^324 is below 2^753

// 5^(27 * j) for j below kBigPowers, least significant limb first.
struct BigPowerOfFive {
  std::array<std::uint64_t, kBigPowerLimbs> limbs;
  int used;
};

constexpr std::array<BigPowerOfFive, kBigPowers> kBigPowersOfFive = [] {
  std::array<BigPowerOfFive, kBigPowers> powers{};
  powers[0].limbs[0] = 1;
  powers[0].used = 1;
  for (int j = 1; j < kBigPowers; ++j) {
    const BigPowerOfFive& previous = powers[j - 1];
    BigPowerOfFive& power = powers[j];
    std::uint64_t carry = 0;
    for (int i = 0; i < previous.used; ++i) {
      const u128 product = u128{previous.limbs[i]} * kFiveToTheStep + carry;
      power.limbs[i] = static_cast<std::uint64_t>(product);
      carry = static_cast<std::uint64_t>(product >> 64);
    }
    power.used = previous.used;
    if (carry != 0) power.limbs[power.used++] = carry;  // a compile error if out of range
  }
  return powers;
}();

}  // namespace

BigUint::BigUint(std::uint64_t value) {
  limbs_[0] = value;
  used_ = value != 0 ? 1 : 0;
}

void BigUint::Trim() {
  while (used_ > 0 && limbs_[used_ - 1] == 0)
    --used_;
}

int BigUint::BitLength() const {
  return used_ == 0 ? 0 : 64 * used_ - std::countl_zero(limbs_[used_ - 1]);
}

void BigUint::MultiplyBy(std::uint64_t factor) {
  std::uint64_t carry = 0;
  for (int i = 0; i < used_; ++i) {
    const u128 product = u128{limbs_[i]} * factor + carry;
    limbs_[i] = static_cast<std::uint64_t>(product);
    carry = static_cast<std::uint64_t>(product >> 64);
  }
  if (carry != 0) {
    assert(used_ < kLimbs);
    limbs_[used_++] = carry;
  }
  Trim();
}

// Schoolbook multiplication by a number of `count` limbs (count >= 1).
void BigUint::MultiplyByLimbs(const std::uint64_t* factor, int count) {
  if (used_ == 0) return;
  assert(used_ + count <= kLimbs);
  std::array<std::uint64_t, kLimbs> product{};
  for (int i = 0; i < used_; ++i) {
    std::uint64_t carry = 0;
    for (int j = 0; j < count; ++j) {
      const u128 sum = u128{limbs_[i]} * factor[j] + product[i + j] + carry;
      product[i + j] = static_cast<std::uint64_t>(sum);
      carry = static_cast<std::uint64_t>(sum >> 64);
    }
    product[i + count] = carry;
  }
  limbs_ = product;
  used_ += count;
  Trim();
}

void BigUint::MultiplyByPowerOfFive(int exponent) {
  assert(exponent >= 0 && exponent <= kMaxPowerOfFive);
  if (exponent >= kFiveStep) {
    const BigPowerOfFive& big = kBigPowersOfFive[exponent / kFiveStep];
    MultiplyByLimbs(big.limbs.data(), big.used);
  }
  MultiplyBy(kPowersOfFive[exponent % kFiveStep]);
}

void BigUint::ShiftLeft(int bits) {
  if (used_ == 0 || bits == 0) return;
  const int limbShift = bits / 64;
  const int bitShift = bits % 64;
  if (bitShift == 0) {
    assert(used_ + limbShift <= kLimbs);
    for (int i = used_ - 1; i >= 0; --i)
      limbs_[i + limbShift] = limbs_[i];
  } else {
    assert(used_ + limbShift < kLimbs);
    limbs_[used_ + limbShift] = limbs_[used_ - 1] >> (64 - bitShift);
    for (int i = used_ - 1; i > 0; --i)
      limbs_[i + limbShift] = limbs_[i] << bitShift | limbs_[i - 1] >> (64 - bitShift);
    limbs_[limbShift] = limbs_[0] << bitShift;
  }
  std::fill_n(limbs_.begin(), limbShift, 0);
  used_ += limbShift + (bitShift != 0 ? 1 : 0);
  Trim();
}

void BigUint::Add(const BigUint& other) {
  const int n = std::max(used_, other.used_);
  std::uint64_t carry = 0;
  for (int i = 0; i < n; ++i) {
    const u128 sum = u128{limbs_[i]} + other.limbs_[i] + carry;
    limbs_[i] = static_cast<std::uint64_t>(sum);
    carry = static_cast<std::uint64_t>(sum >> 64);
  }
  used_ = n;
  if (carry != 0) {
    assert(used_ < kLimbs);
    limbs_[used_++] = carry;
  }
}

void BigUint::Subtract(const BigUint& other) {
  std::uint64_t borrow = 0;
  for (int i = 0; i < used_; ++i) {
    const u128 difference = u128{limbs_[i]} - other.limbs_[i] - borrow;
    limbs_[i] = static_cast<std::uint64_t>(difference);
    borrow = static_cast<std::uint64_t>(difference >> 64) & 1;  // all ones after a wrap
  }
  assert(borrow == 0);
  Trim();
}

// The quotient is one word, so this is one step of Knuth's long division (algorithm D in
// The Art of Computer Programming, vol. 2, 4.3.1), with the divisor's top bits taken instead
// of shifting both operands to normalise it. Let s = max(0, bits(divisor) - 64),
// d = floor(divisor / 2^s) and n = floor(*this / 2^s); n < 2^127 as the quotient Q is below
// 2^63. The estimate q = floor(n / d) is exact when s = 0. Otherwise d >= 2^63, and:
// - q >= Q, since *this < (n + 1) * 2^s and divisor >= d * 2^s give *this / divisor < q + 1;
// - q <= Q + 1, since *this >= n * 2^s and divisor < (d + 1) * 2^s give
//   q - *this / divisor < n / d - n / (d + 1) = (n / (d + 1)) / d < (Q + 1) / d <= 1.
std::uint64_t BigUint::DivideSmallQuotient(const BigUint& divisor) {
  assert(divisor.used_ > 0);
  const int shift = std::max(divisor.BitLength() - 64, 0);
  // floor(value / 2^shift) mod 2^128, from the three limbs that hold those bits.
  const auto bitsFrom = [shift](const BigUint& value) {
    const int limb = shift / 64;
    const int bit = shift % 64;
    const auto at = [&value](int i) { return i < value.used_ ? value.limbs_[i] : 0; };
    u128 bits = u128{at(limb + 2)} << 64 | at(limb + 1);
    if (bit != 0)
      bits = bits << (64 - bit) | at(limb) >> bit;
    else
      bits = bits << 64 | at(limb);
    return bits;
  };
  const auto d = static_cast<std::uint64_t>(bitsFrom(divisor));
  auto quotient = static_cast<std::uint64_t>(bitsFrom(*this) / d);

  BigUint product = divisor;
  product.MultiplyBy(quotient);
  if (Compare(product, *this) > 0) {  // the estimate was one too high
    product.Subtract(divisor);
    --quotient;
  }
  Subtract(product);
  return quotient;
}

int Compare(const BigUint& a, const BigUint& b) {
  if (a.used_ != b.used_) return a.used_ < b.used_ ? -1 : 1;
  for (int i = a.used_ - 1; i >= 0; --i) {
    if (a.limbs_[i] != b.limbs_[i]) return a.limbs_[i] < b.limbs_[i] ? -1 : 1;
  }
  return 0;
}

}  // namespace tessary
