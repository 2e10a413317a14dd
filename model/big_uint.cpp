#include "model/big_uint.h"

#include <cassert>

namespace tessary {

BigUint::BigUint(std::uint64_t value) {
  limbs_[0] = static_cast<std::uint32_t>(value);
  limbs_[1] = static_cast<std::uint32_t>(value >> 32);
  used_ = 2;
  Trim();
}

void BigUint::Trim() {
  while (used_ > 0 && limbs_[used_ - 1] == 0)
    --used_;
}

void BigUint::MultiplyBy(std::uint32_t factor) {
  std::uint64_t carry = 0;
  for (int i = 0; i < used_; ++i) {
    const std::uint64_t product = std::uint64_t{limbs_[i]} * factor + carry;
    limbs_[i] = static_cast<std::uint32_t>(product);
    carry = product >> 32;
  }
  if (carry != 0) {
    assert(used_ < kLimbs);
    limbs_[used_++] = static_cast<std::uint32_t>(carry);
  }
  Trim();
}

void BigUint::MultiplyByPowerOfTen(int exponent) {
  for (; exponent >= 9; exponent -= 9)
    MultiplyBy(1'000'000'000);
  std::uint32_t rest = 1;
  for (; exponent > 0; --exponent)
    rest *= 10;
  MultiplyBy(rest);
}

void BigUint::ShiftLeft(int bits) {
  if (used_ == 0 || bits == 0) return;
  const int limbShift = bits / 32;
  const int bitShift = bits % 32;
  assert(used_ + limbShift + 1 <= kLimbs);
  limbs_[used_ + limbShift] = 0;
  for (int i = used_ - 1; i >= 0; --i) {
    const std::uint64_t wide = std::uint64_t{limbs_[i]} << bitShift;
    limbs_[i + limbShift + 1] |= static_cast<std::uint32_t>(wide >> 32);
    limbs_[i + limbShift] = static_cast<std::uint32_t>(wide);
  }
  for (int i = 0; i < limbShift; ++i)
    limbs_[i] = 0;
  used_ += limbShift + 1;
  Trim();
}

void BigUint::Add(const BigUint& other) {
  const int n = used_ > other.used_ ? used_ : other.used_;
  std::uint64_t carry = 0;
  for (int i = 0; i < n; ++i) {
    const std::uint64_t sum = std::uint64_t{limbs_[i]} + other.limbs_[i] + carry;
    limbs_[i] = static_cast<std::uint32_t>(sum);
    carry = sum >> 32;
  }
  used_ = n;
  if (carry != 0) {
    assert(used_ < kLimbs);
    limbs_[used_++] = 1;
  }
}

void BigUint::Subtract(const BigUint& other) {
  std::int64_t borrow = 0;
  for (int i = 0; i < used_; ++i) {
    std::int64_t difference = std::int64_t{limbs_[i]} - other.limbs_[i] - borrow;
    borrow = difference < 0 ? 1 : 0;
    if (difference < 0) difference += std::int64_t{1} << 32;
    limbs_[i] = static_cast<std::uint32_t>(difference);
  }
  assert(borrow == 0);
  Trim();
}

std::uint64_t BigUint::DivideSmallQuotient(const BigUint& divisor) {
  // Binary long division: the quotient has at most 63 bits, so try each bit from the top.
  std::uint64_t quotient = 0;
  for (int bit = 62; bit >= 0; --bit) {
    BigUint shifted = divisor;
    shifted.ShiftLeft(bit);
    if (Compare(*this, shifted) >= 0) {
      Subtract(shifted);
      quotient |= std::uint64_t{1} << bit;
    }
  }
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
