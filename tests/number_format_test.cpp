#include "model/number_format.h"

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
