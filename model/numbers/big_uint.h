// A small fixed-capacity unsigned big integer, enough for exact arithmetic on any double
// scaled by a power of ten within the double range. The eleven-decimal conversion falls back
// to it for magnitudes beyond 128-bit arithmetic.
#pragma once

#include <array>
#include <cstdint>

namespace tessary {

class BigUint {
 public:
  /// Capacity in bits; operations that would exceed it are a programming error.
  static constexpr int kBits = 2048;
  /// Largest exponent MultiplyByPowerOfFive takes: scaling any double to 17 digits needs at most
  /// 341.
  static constexpr int kMaxPowerOfFive = 350;

  BigUint() = default;
  explicit BigUint(std::uint64_t value);

  void MultiplyBy(std::uint64_t factor);
  /// Multiplies by 5^exponent, 0 <= exponent <= kMaxPowerOfFive, with at most one multiplication
  /// by a tabled big power and one by a word.
  void MultiplyByPowerOfFive(int exponent);
  void ShiftLeft(int bits);
  void Add(const BigUint& other);
  /// Requires *this >= other.
  void Subtract(const BigUint& other);
  /// Returns floor(*this / divisor) and leaves the remainder in *this. The quotient must be
  /// below 2^63, so that it is one word: it is estimated from the top bits of both operands
  /// and corrected once at most.
  std::uint64_t DivideSmallQuotient(const BigUint& divisor);

  friend int Compare(const BigUint& a, const BigUint& b);

 private:
  static constexpr int kLimbs = kBits / 64;
  std::array<std::uint64_t, kLimbs> limbs_{};  // least significant first; zero from used_ on
  int used_ = 0;                               // limbs in use; limbs_[used_ - 1] != 0

  void Trim();
  void MultiplyByLimbs(const std::uint64_t* factor, int count);
  int BitLength() const;
};

}  // namespace tessary
