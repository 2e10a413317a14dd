#include "model/numbers/number_format.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "tests/support/exact_decimal.h"
#include "tests/support/table.h"

namespace tessary {
namespace {

using testing::ExactDecimal;
using testing::ReferenceFixed11;

struct FormatCase {
  const char* name;
  double value;
  std::string text;
};
void PrintTo(const FormatCase& row, std::ostream* os) {
  *os << row.name;
}

class FormatFixed11Test : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatFixed11Test, WritesElevenDecimals) {
  EXPECT_EQ(FormatFixed11(GetParam().value), GetParam().text);
}

constexpr double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Values, FormatFixed11Test,
    ::testing::Values(
        FormatCase{"One", 1.0, "1.00000000000"}, FormatCase{"Half", 0.5, "0.50000000000"},
        FormatCase{"Zero", 0.0, "0.00000000000"},
        FormatCase{"NegativeZero", -0.0, "-0.00000000000"},
        FormatCase{"NegativeRoundsToZero", -1e-12, "-0.00000000000"},
        FormatCase{"Negative", -2.25, "-2.25000000000"},
        FormatCase{"MillionAndATenth", 1048576.1, "1048576.10000000010"},
        FormatCase{"TieAtTheEleventhDecimalAfter17Digits", 0.123456789015, "0.12345678902"},
        FormatCase{"TieAtThe17thDigit", 100000.000244140625, "100000.00024414063"},
        FormatCase{"TieAtThe17thDigitNegative", -1000000.00048828125, "-1000000.00048828130"},
        FormatCase{"SixAtTheTwelfthDecimal", 0.000000000006, "0.00000000001"},
        FormatCase{"FourAtTheTwelfthDecimal", 0.000000000004, "0.00000000000"},
        FormatCase{"CarryIntoNewDigit", 9.999999999996, "10.00000000000"},
        FormatCase{"TenToThe17", 1e17, "100000000000000000.00000000000"},
        FormatCase{"Beyond17Digits", 123456789012345678.0, "123456789012345680.00000000000"},
        FormatCase{"Largest", DBL_MAX,
                   "17976931348623157" + std::string(292, '0') + ".00000000000"},
        FormatCase{"SmallestSubnormal", -4.9406564584124654e-324, "-0.00000000000"},
        FormatCase{"Infinity", kInf, "inf"}, FormatCase{"NegativeInfinity", -kInf, "-inf"},
        FormatCase{"NaN", std::nan(""), "nan"}),
    testing::RowName());

// Rows at the edges of the conversion's shortcuts: the magnitudes written as zero without
// digits, 128-bit arithmetic up to 2^128, big integers beyond.
INSTANTIATE_TEST_SUITE_P(
    Edges, FormatFixed11Test,
    ::testing::Values(
        // The smallest double that does not round to zero, and the one below it, which is
        // the double nearest 5e-12 (4.9999999999999997e-12 at 17 digits).
        FormatCase{"0x1.5fd7fe1796496p-38", 0x1.5fd7fe1796496p-38, "0.00000000001"},
        FormatCase{"-0x1.5fd7fe1796496p-38", -0x1.5fd7fe1796496p-38, "-0.00000000001"},
        FormatCase{"5e-12", 5e-12, "0.00000000000"}, FormatCase{"-5e-12", -5e-12, "-0.00000000000"},
        FormatCase{"0x0.fffffffffffffp-1022", 0x0.fffffffffffffp-1022, "0.00000000000"},
        FormatCase{"-DBL_MIN", -DBL_MIN, "-0.00000000000"},
        // Below 10^-6: doubles just under a tie at the eleventh decimal that the rounding to
        // 17 digits lifts onto it, so they round up.
        FormatCase{"1.5e-11", 1.5e-11, "0.00000000002"},
        FormatCase{"-2.5e-11", -2.5e-11, "-0.00000000003"},
        FormatCase{"2.6705e-08", 2.6705e-08, "0.00000002671"},
        FormatCase{"1.02325e-07", 1.02325e-07, "0.00000010233"},
        FormatCase{"6.83055e-07", 6.83055e-07, "0.00000068306"},
        FormatCase{"1e-7", 1e-7, "0.00000010000"},
        // The common range, 10^-6 to below 10^5: its ends, the double next to each outside
        // it, and rounding that carries into the whole part.
        FormatCase{"0x1.0c6f7a0b5ed8ep-20", 0x1.0c6f7a0b5ed8ep-20, "0.00000100000"},
        FormatCase{"0x1.0c6f7a0b5ed8dp-20", 0x1.0c6f7a0b5ed8dp-20, "0.00000100000"},
        FormatCase{"0x1.869ffffffffffp16", 0x1.869ffffffffffp16, "99999.99999999999"},
        FormatCase{"-0x1.869ffffffffffp16", -0x1.869ffffffffffp16, "-99999.99999999999"},
        FormatCase{"0x1.86ap16", 0x1.86ap16, "100000.00000000000"},
        FormatCase{"0.999999999995", 0.999999999995, "1.00000000000"},
        FormatCase{"-0x1.fffffffffffffp-1", -0x1.fffffffffffffp-1, "-1.00000000000"},
        FormatCase{"9999.999999999995", 9999.999999999995, "9999.99999999999"},
        FormatCase{"12345.678901234567", 12345.678901234567, "12345.67890123457"},
        // From 10^5 on: a tie at the 17th digit, and integers around 2^64 and 2^128.
        FormatCase{"1234567890123456.25", 1234567890123456.25, "1234567890123456.30000000000"},
        FormatCase{"0x1.fffffffffffffp63", 0x1.fffffffffffffp63,
                   "18446744073709550000.00000000000"},
        FormatCase{"0x1p64", 0x1p64, "18446744073709552000.00000000000"},
        FormatCase{"0x1.0000000000001p64", 0x1.0000000000001p64,
                   "18446744073709556000.00000000000"},
        FormatCase{"1e22", 1e22, "10000000000000000000000.00000000000"},
        FormatCase{"1e23", 1e23, "99999999999999992000000.00000000000"},
        FormatCase{"0x1.fffffffffffffp127", 0x1.fffffffffffffp127,
                   "340282366920938430000000000000000000000.00000000000"},
        FormatCase{"0x1p128", 0x1p128, "340282366920938460000000000000000000000.00000000000"},
        FormatCase{"-0x1.0000000000001p128", -0x1.0000000000001p128,
                   "-340282366920938540000000000000000000000.00000000000"},
        // Big integers: a carry into an 18th digit (the double nearest 1e98 is below it), and
        // the largest doubles.
        FormatCase{"1e98", 1e98, "1" + std::string(98, '0') + ".00000000000"},
        FormatCase{"-DBL_MAX", -DBL_MAX,
                   "-17976931348623157" + std::string(292, '0') + ".00000000000"},
        FormatCase{"0x1.ffffffffffffep1023", 0x1.ffffffffffffep1023,
                   "17976931348623155" + std::string(292, '0') + ".00000000000"}),
    testing::RowInputName());

TEST(ExactDecimalReference, ExpandsBinaryValuesExactly) {
  EXPECT_EQ(ExactDecimal(0.5), "0.5");
  EXPECT_EQ(ExactDecimal(1048576.1), "1048576.1000000000931322574615478515625");
  EXPECT_EQ(ExactDecimal(std::ldexp(1.0, 70)), "1180591620717411303424.");
  EXPECT_EQ(ExactDecimal(0.1).substr(0, 22), "0.10000000000000000555");
}

void ExpectMatchesReference(double value) {
  ASSERT_EQ(FormatFixed11(value), ReferenceFixed11(value))
      << "value " << ExactDecimal(value) << (std::signbit(value) ? " (negative)" : "");
}

TEST(FormatFixed11, MatchesTheReferenceOnRandomDoublesOfEveryMagnitude) {
  std::mt19937_64 random(1048576);
  for (int i = 0; i < 20'000; ++i) {
    const double value = std::bit_cast<double>(random());
    if (std::isfinite(value)) ExpectMatchesReference(value);
  }
}

TEST(FormatFixed11, MatchesTheReferenceOnTypicalCoordinates) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> coordinate(-2.5, 2.5);
  std::uniform_int_distribution<int> exponent(-8, 18);
  for (int i = 0; i < 50'000; ++i) {
    ExpectMatchesReference(coordinate(random));
    ExpectMatchesReference(coordinate(random) * std::pow(10.0, exponent(random)));
  }
}

TEST(FormatFixed11, MatchesTheReferenceNextToPowersOfTen) {
  for (int exponent = -323; exponent <= 308; ++exponent) {
    const double power = std::strtod(("1e" + std::to_string(exponent)).c_str(), nullptr);
    for (double value : {power, std::nextafter(power, 0.0), std::nextafter(power, kInf), 5 * power,
                         std::nextafter(5 * power, 0.0)}) {
      if (std::isfinite(value)) ExpectMatchesReference(value);
    }
  }
}

TEST(FormatFixed11, MatchesTheReferenceOnTies) {
  std::mt19937_64 random(17);
  // n + k / 2^m has exactly 18 significant digits ending in 5 for these sizes: a tie at the
  // 17th digit.
  for (int i = 0; i < 5'000; ++i) {
    const double whole6 = 100000.0 + static_cast<double>(random() % 900000);
    ExpectMatchesReference(whole6 + static_cast<double>(random() % 2048 * 2 + 1) / 4096);
    const double whole7 = 1000000.0 + static_cast<double>(random() % 9000000);
    ExpectMatchesReference(-(whole7 + static_cast<double>(random() % 1024 * 2 + 1) / 2048));
  }
  // Decimals that end in 5 at the twelfth place: a tie at the eleventh decimal, at least
  // after the rounding to 17 digits.
  char text[40];
  for (int i = 0; i < 5'000; ++i) {
    std::snprintf(text, sizeof text, "%llu.%011llu5",
                  static_cast<unsigned long long>(random() % 1000),
                  static_cast<unsigned long long>(random() % 100'000'000'000ULL));
    ExpectMatchesReference(std::strtod(text, nullptr));
  }
}

TEST(FormatFixed11, MatchesTheReferenceAroundTheSmallestNonZeroResult) {
  double value = 0x1.5fd7fe1796496p-38;
  for (int i = 0; i < 64; ++i)
    value = std::nextafter(value, 0.0);
  for (int i = 0; i < 128; ++i) {
    ExpectMatchesReference(value);
    ExpectMatchesReference(-value);
    value = std::nextafter(value, kInf);
  }
}

// 2^-40 to 2^140 spans the 128-bit arithmetic, 2^64 and 2^128 included, and the start of the
// big integers.
TEST(FormatFixed11, MatchesTheReferenceNextToPowersOfTwo) {
  for (int exponent = -40; exponent <= 140; ++exponent) {
    double below = std::ldexp(1.0, exponent);
    double above = below;
    ExpectMatchesReference(below);
    for (int i = 0; i < 3; ++i) {
      below = std::nextafter(below, 0.0);
      above = std::nextafter(above, kInf);
      ExpectMatchesReference(below);
      ExpectMatchesReference(-above);
    }
  }
}

TEST(FormatFixed11, MatchesTheReferenceAtEveryBinaryExponentFrom2ToTheMinus44To2ToThe150) {
  std::mt19937_64 random(128);
  for (int exponent = -44; exponent <= 150; ++exponent) {
    for (int i = 0; i < 40; ++i) {
      const std::uint64_t sign = random() & (std::uint64_t{1} << 63);
      const std::uint64_t fraction = random() >> 12;
      const auto biased = static_cast<std::uint64_t>(1023 + exponent);
      ExpectMatchesReference(std::bit_cast<double>(sign | biased << 52 | fraction));
    }
  }
}

TEST(FormatFixed11, MatchesTheReferenceOnSubnormals) {
  std::mt19937_64 random(324);
  for (int i = 0; i < 200; ++i) {
    const std::uint64_t bits = random() & ((std::uint64_t{1} << 52) - 1);
    ExpectMatchesReference(std::bit_cast<double>(bits | (random() & (std::uint64_t{1} << 63))));
  }
  ExpectMatchesReference(DBL_MIN);
  ExpectMatchesReference(std::nextafter(DBL_MIN, 0.0));
}

TEST(FormatFixed11, WritesIntoACallerBufferWithoutTerminator) {
  char buffer[kMaxFixed11Length + 1];
  buffer[13] = '#';
  char* end = FormatFixed11(-3.5, buffer);
  EXPECT_EQ(std::string(buffer, end), "-3.50000000000");
  end = FormatFixed11(-DBL_MAX, buffer);
  EXPECT_EQ(static_cast<std::size_t>(end - buffer), kMaxFixed11Length);
}

}  // namespace
}  // namespace tessary
