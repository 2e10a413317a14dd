#include "model/numbers/number_parse.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "model/numbers/plain_decimal.h"
#include "tests/support/table.h"

namespace tessary {
namespace {

struct DoubleCase {
  const char* name;
  const char* text;
  double value;
  std::size_t consumed;
};
void PrintTo(const DoubleCase& row, std::ostream* os) {
  *os << row.name;
}

class ParseDoubleTest : public ::testing::TestWithParam<DoubleCase> {};

TEST_P(ParseDoubleTest, ReadsTheLongestNumberPrefix) {
  std::size_t consumed = 99;
  const double value = ParseDouble(GetParam().text, &consumed);
  EXPECT_EQ(value, GetParam().value);
  EXPECT_EQ(std::signbit(value), std::signbit(GetParam().value));
  EXPECT_EQ(consumed, GetParam().consumed);
}

constexpr double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseDoubleTest,
    ::testing::Values(
        DoubleCase{"Integer", "42", 42, 2}, DoubleCase{"Negative", "-2.5", -2.5, 4},
        DoubleCase{"PlusSign", "+0.25", 0.25, 5},
        DoubleCase{"LeadingWhitespace", " \t\n\v\f\r7", 7, 7},
        DoubleCase{"PointFirst", ".5", 0.5, 2}, DoubleCase{"PointLast", "5.", 5, 2},
        DoubleCase{"PointOnly", ".", 0, 0}, DoubleCase{"Empty", "", 0, 0},
        DoubleCase{"Word", "abc", 0, 0}, DoubleCase{"SignOnly", "-", 0, 0},
        DoubleCase{"MinusZero", "-0", -0.0, 2}, DoubleCase{"ExponentE", "1.5e2", 150, 5},
        DoubleCase{"ExponentCapitalE", "1.5E+2", 150, 6}, DoubleCase{"ExponentD", "1.5d2", 150, 5},
        DoubleCase{"ExponentCapitalD", "25D-1", 2.5, 5},
        DoubleCase{"ExponentWithoutDigits", "3e", 3, 1},
        DoubleCase{"ExponentSignWithoutDigits", "3e+x", 3, 1},
        DoubleCase{"TrailingText", "12abc", 12, 2}, DoubleCase{"Hexadecimal", "0x1A", 0, 1},
        DoubleCase{"Infinity", "inf", 0, 0}, DoubleCase{"NaN", "nan", 0, 0},
        DoubleCase{"Overflow", "1e400", kInf, 5},
        DoubleCase{"NegativeOverflow", "-9d999", -kInf, 6}, DoubleCase{"Underflow", "1e-400", 0, 6},
        DoubleCase{"Subnormal", "4.9406564584124654e-324", 4.9406564584124654e-324, 23},
        DoubleCase{"HugeExponentText", "1e99999999999999999999", kInf, 22},
        DoubleCase{"ManyDigits", "123456789012345678901234567890", 123456789012345678901234567890.0,
                   30},
        DoubleCase{"ManyZerosAfterPoint", "0.000000000000000000000000001", 1e-27, 29},
        DoubleCase{"NoSpaceAfterNumber", "1.5-2", 1.5, 3},
        DoubleCase{"NineteenDigits", "1234567890123456789", 1234567890123456789.0, 19},
        DoubleCase{"TwentyDigits", "12345678901234567890", 12345678901234567890.0, 20},
        DoubleCase{"EightDigitsThenPoint", "12345678.5", 12345678.5, 10},
        DoubleCase{"LeadingZerosBeyondNineteen", "0000000000000000000000.25", 0.25, 25}),
    testing::RowName());

// Rows around the Eisel-Lemire step (up to 19 digits, any exponent), named by their input:
// the cases it settles and those it leaves to the slow path.
DoubleCase Row(const char* text, double value) {
  return {text, text, value, std::strlen(text)};
}

INSTANTIATE_TEST_SUITE_P(
    EiselLemire, ParseDoubleTest,
    ::testing::Values(
        // Settled only with the second product.
        Row("6711629867786572838e-212", 0x1.39903237751abp-642),
        Row("-9999999999999999999", -0x1.158e460913d00p+63),
        Row("9223372036854775807", 0x1.0000000000000p+63),
        Row("1234567890123456789e-300", 0x1.6f2a2783ea003p-937),
        // Halfway between two doubles: left to the slow path, which rounds to even.
        Row("9007199254740993", 0x1.0000000000000p+53),
        Row("90071992547409930e-1", 0x1.0000000000000p+53),
        Row("9208193577731612000e-2", 0x1.472408603cbd2p+56), Row("1e23", 0x1.52d02c7e14af6p+76),
        // Halfway, rounding up to even: settled.
        Row("9007199254740995", 0x1.0000000000002p+53),
        // Subnormals and the smallest normal.
        Row("9999999999999999999e-342", 0x0.0000000000002p-1022),
        Row("7.4109846876186982e-324", 0x0.0000000000002p-1022),
        Row("7.4109846876186981e-324", 0x0.0000000000001p-1022),
        Row("-2.2250738585072011e-308", -0x0.fffffffffffffp-1022),
        Row("2.2250738585072012e-308", 0x1.0000000000000p-1022),
        // Next to half the smallest subnormal, and below the table: left to the slow path.
        Row("2.4703282292062328e-324", 0x0.0000000000001p-1022),
        Row("2.4703282292062327e-324", 0.0), Row("1e-342", 0.0),
        Row("9999999999999999999e-343", 0.0), Row("1e-400", 0.0), Row("-1e-400", -0.0),
        // The largest doubles, and overflow, also left to the slow path.
        Row("1e308", 0x1.1ccf385ebc8a0p+1023), Row("1.7976931348623158e308", DBL_MAX),
        Row("1.7976931348623159e308", kInf), Row("9e308", kInf), Row("-9e308", -kInf)),
    testing::RowInputName());

TEST(ParseDouble, AgreesWithStrtodOnUpTo19DigitsAndAnyExponent) {
  std::mt19937_64 random(19);
  char text[64];
  for (int i = 0; i < 200'000; ++i) {
    const int digits = 1 + static_cast<int>(random() % 19);
    unsigned long long mantissa = 0;
    for (int d = 0; d < digits; ++d)
      mantissa = mantissa * 10 + random() % 10;
    const int exponent = static_cast<int>(random() % 700) - 370;
    std::snprintf(text, sizeof text, "%s%llue%d", random() % 2 ? "-" : "", mantissa, exponent);
    ASSERT_EQ(ParseDouble(text), std::strtod(text, nullptr)) << text;
  }
}

// The exact midpoint between a double and the next, written with 17 to 19 digits, then with
// its last digit one lower and one higher: the decimals hardest to round.
static_assert(LDBL_MANT_DIG >= 54, "midpoints of doubles must be exact in long double");

TEST(ParseDouble, AgreesWithStrtodNextToMidpointsBetweenDoubles) {
  std::mt19937_64 random(1075);
  char text[64];
  for (int i = 0; i < 50'000; ++i) {
    std::uint64_t bits = random() & 0x7FEF'FFFF'FFFF'FFFF;  // finite, below DBL_MAX
    if (i % 4 == 0) bits &= 0x000F'FFFF'FFFF'FFFF;          // a subnormal
    const double low = std::bit_cast<double>(bits);
    const long double midpoint = (static_cast<long double>(low) + std::nextafter(low, kInf)) / 2;
    const int digits = 17 + static_cast<int>(random() % 3);
    std::snprintf(text, sizeof text, "%.*Le", digits - 1, midpoint);
    ASSERT_EQ(ParseDouble(text), std::strtod(text, nullptr)) << text;

    // d.ddd...e-x as an integer of `digits` digits and an exponent, then one either side.
    std::string digitText(text, text + 1);
    const char* const exponentMark = std::strchr(text, 'e');
    digitText.append(static_cast<const char*>(text) + 2, exponentMark);
    const unsigned long long mantissa = std::stoull(digitText);
    const int exponent = std::atoi(exponentMark + 1) - (digits - 1);
    for (const unsigned long long neighbour : {mantissa - 1, mantissa + 1}) {
      std::snprintf(text, sizeof text, "%llue%d", neighbour, exponent);
      ASSERT_EQ(ParseDouble(text), std::strtod(text, nullptr)) << text;
    }
  }
}

// The C library's strtod is correctly rounded; so must be the fast path.
TEST(ParseDouble, AgreesWithStrtodOnRandomDecimals) {
  std::mt19937_64 random(20261208);
  char text[64];
  for (int i = 0; i < 200'000; ++i) {
    const auto digits = static_cast<unsigned long long>(random() % 100'000'000'000'000'000ULL);
    const int pointShift = static_cast<int>(random() % 40) - 10;
    const int exponent = static_cast<int>(random() % 50) - 25;
    std::snprintf(text, sizeof text, "%s%llue%d", random() % 2 ? "-" : "", digits,
                  exponent - pointShift);
    ASSERT_EQ(ParseDouble(text), std::strtod(text, nullptr)) << text;
  }
}

TEST(ParseDouble, ReadsALongDigitStringCorrectlyRounded) {
  // 2^53 + 1 followed by many digits lies just above the halfway point between two doubles.
  const std::string text = "9007199254740993." + std::string(5000, '0') + "1";
  EXPECT_EQ(ParseDouble(text), 9007199254740994.0);
}

// The pass's fast path for plain decimals either declines or reads exactly what ParseDouble
// reads, on every form a coordinate may take near its edges.
TEST(ReadPlainDecimal, DeclinesOrAgreesWithParseDouble) {
  const auto isBlank = [](char c) { return c == ' '; };
  const char* const fixed[] = {"0",
                               "-0",
                               "+0.",
                               ".5",
                               "-.5",
                               "1.",
                               "+.",
                               "-",
                               "",
                               ".",
                               "1e5",
                               "1 ",
                               "2x",
                               "007",
                               "9007199254740992",
                               "9007199254740993",
                               "0.1234567890123456789",
                               "12345678901234567890",
                               "0.00000000000000000000001",
                               "-1.23456789",
                               "123456789.12345678",
                               "1.2.3"};
  std::vector<std::string> texts(std::begin(fixed), std::end(fixed));
  std::mt19937_64 random(3);
  for (int i = 0; i < 200'000; ++i) {
    std::string text = random() % 3 == 0 ? "-" : "";
    text += std::to_string(random() % (std::uint64_t{1} << (random() % 64)));
    const int decimals = static_cast<int>(random() % 24);
    if (decimals > 0) {
      text += '.';
      for (int d = 0; d < decimals - 1; ++d)
        text += static_cast<char>('0' + random() % 10);
    }
    texts.push_back(text);
  }
  int read = 0;
  for (const std::string& text : texts) {
    const char* p = text.data();
    double value = 0;
    if (!ReadPlainDecimal(p, text.data() + text.size(), isBlank, value)) {
      EXPECT_EQ(p, text.data()) << text;
      continue;
    }
    ++read;
    std::size_t consumed = 0;
    const double expected = ParseDouble(text, &consumed);
    EXPECT_EQ(std::memcmp(&value, &expected, sizeof value), 0) << text;
    EXPECT_EQ(static_cast<std::size_t>(p - text.data()), consumed) << text;
  }
  EXPECT_GT(read, 60'000);  // the fast path takes the common forms
}

struct IntCase {
  const char* name;
  const char* text;
  int value;
};
void PrintTo(const IntCase& row, std::ostream* os) {
  *os << row.name;
}

class ParseIntTest : public ::testing::TestWithParam<IntCase> {};

TEST_P(ParseIntTest, ReadsLikeAtoi) {
  EXPECT_EQ(ParseInt(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseIntTest,
    ::testing::Values(IntCase{"Plain", "3", 3}, IntCase{"Negative", "-5", -5},
                      IntCase{"Whitespace", "  +12", 12}, IntCase{"TrailingText", "7x", 7},
                      IntCase{"Fraction", "2.9", 2}, IntCase{"Word", "three", 0},
                      IntCase{"Empty", "", 0}, IntCase{"Max", "2147483647", 2147483647},
                      IntCase{"Min", "-2147483648", std::numeric_limits<int>::min()},
                      IntCase{"AboveMax", "99999999999", std::numeric_limits<int>::max()},
                      IntCase{"BelowMin", "-99999999999999999999999",
                              std::numeric_limits<int>::min()}),
    testing::RowName());

}  // namespace
}  // namespace tessary
