#include "model/numbers/big_uint.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

namespace tessary {
namespace {

// A multi-limb number: 2^64 - 1, shifted by 70 bits, plus 5.
BigUint WideNumber() {
  BigUint value(~std::uint64_t{0});
  value.ShiftLeft(70);
  value.Add(BigUint(5));
  return value;
}

TEST(BigUint, MultipliesByEveryPowerOfFiveAsByRepeatedFives) {
  for (const BigUint& start : {BigUint(3), WideNumber()}) {
    BigUint byFives = start;
    for (int exponent = 0; exponent <= BigUint::kMaxPowerOfFive; ++exponent) {
      BigUint byTable = start;
      byTable.MultiplyByPowerOfFive(exponent);
      ASSERT_EQ(Compare(byTable, byFives), 0) << "5^" << exponent;
      byFives.MultiplyBy(5);
    }
  }
}

// Divides quotient * divisor + remainder by divisor.
void ExpectDivides(const BigUint& divisor, std::uint64_t quotient, const BigUint& remainder) {
  BigUint dividend = divisor;
  dividend.MultiplyBy(quotient);
  dividend.Add(remainder);
  ASSERT_EQ(dividend.DivideSmallQuotient(divisor), quotient);
  EXPECT_EQ(Compare(dividend, remainder), 0);
}

TEST(BigUint, DividesWhenTheEstimateFromTheTopBitsIsOneTooHigh) {
  // divisor = (2^63 + 1) * 2^64 - 1, whose top 64 bits are 2^63. Dividing 2^63 * divisor - 1
  // by it, the top bits give 2^63, one above the quotient.
  BigUint divisor((std::uint64_t{1} << 63) + 1);
  divisor.ShiftLeft(64);
  divisor.Subtract(BigUint(1));
  BigUint remainder = divisor;
  remainder.Subtract(BigUint(1));
  ExpectDivides(divisor, (std::uint64_t{1} << 63) - 1, remainder);
}

TEST(BigUint, DividesAOneWordDivisorExactly) {
  ExpectDivides(BigUint(7), 123456789, BigUint(6));
  ExpectDivides(BigUint(~std::uint64_t{0}), (std::uint64_t{1} << 63) - 1, BigUint(12345));
  ExpectDivides(BigUint(1), 0, BigUint(0));
}

// A random number of `limbs` words, the top one not zero.
BigUint RandomNumber(int limbs, std::mt19937_64& random) {
  BigUint value(random() | 1);
  for (int i = 1; i < limbs; ++i) {
    value.ShiftLeft(64);
    value.Add(BigUint(random()));
  }
  return value;
}

TEST(BigUint, DividesRandomNumbersOfEverySize) {
  std::mt19937_64 random(63);
  for (int i = 0; i < 20'000; ++i) {
    const int limbs = 1 + static_cast<int>(random() % 18);
    BigUint divisor = RandomNumber(limbs, random);
    divisor.ShiftLeft(static_cast<int>(random() % 64));
    BigUint remainder;
    switch (random() % 3) {
      case 0:  // the largest remainder
        remainder = divisor;
        remainder.Subtract(BigUint(1));
        break;
      case 1:
        remainder = limbs > 1 ? RandomNumber(limbs - 1, random) : BigUint(0);
        break;
      default:
        break;  // none
    }
    const std::uint64_t quotient = random() % 4 == 0 ? (std::uint64_t{1} << 63) - 1 - random() % 4
                                                     : random() >> (1 + random() % 63);
    ExpectDivides(divisor, quotient, remainder);
  }
}

}  // namespace
}  // namespace tessary
