// A small fixed-capacity unsigned big integer, enough for exact arithmetic on any double
// scaled by a power of ten within the double range.
#pragma once

#include <array>
#include <cstdint>

namespace tessary {

class BigUint {
 public:
  /// Capacity in bits; operations that would exceed it are a programming error.
  static constexpr int kBits = 2048;

  BigUint() = default;
  explicit BigUint(std::uint64_t value);

  void MultiplyBy(std::uint32_t factor);
  void MultiplyByPowerOfTen(int exponent);
  void ShiftLeft(int bits);
  void Add(const BigUint& other);
  /// Requires *this >= other.
  void Subtract(const BigUint& other);
  /// Returns floor(*this / divisor) and leaves the remainder in *this. The quotient must be
  /// below 2^63.
  std::uint64_t DivideSmallQuotient(const BigUint& divisor);

  friend int Compare(const BigUint& a, const BigUint& b);

 private:
  static constexpr int kLimbs = kBits / 32;
  std::array<std::uint32_t, kLimbs> limbs_{};  // least significant first
  int used_ = 0;                               // limbs in use; limbs_[used_ - 1] != 0

  void Trim();
};

}  // namespace tessary
