#include "model/numbers/number_parse.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "model/numbers/char_class.h"
#include "model/numbers/eight_digits.h"
#include "model/numbers/eisel_lemire.h"
#include "model/numbers/number_reader.h"

namespace tessary {
namespace {

// A decimal number as scanned from text. When it has at most 19 digits, `mantissa` holds them
// all and value = mantissa * 10^exponent; longer numbers are left to the slow path.
struct DecimalScan {
  const char* numberBegin = nullptr;  // first character after the whitespace
  const char* numberEnd = nullptr;    // one past the last character of the number
  bool negative = false;
  bool hasDigits = false;
  bool tooManyDigits = false;
  std::uint64_t mantissa = 0;
  long long exponent = 0;
};

constexpr std::ptrdiff_t kMaxMantissaDigits = 19;  // 10^19 - 1 fits in 64 bits
constexpr long long kExponentLimit = 1'000'000;    // far past any double; keeps sums in range

// Reads the digits from `p` into `value` while `count` (all digits read so far) stays within 19;
// returns the end of the digits. Digits past the 19th only count.
[[gnu::always_inline]] inline const char* TakeDigits(const char* p, const char* end,
                                                     std::uint64_t& value, std::ptrdiff_t& count) {
  while (end - p >= 8 && count <= kMaxMantissaDigits - 8) {
    const std::uint64_t bytes = LoadEightBytes(p);
    if (!AreEightDigits(bytes)) break;
    value = value * 100'000'000 + EightDigitsValue(bytes);
    count += 8;
    p += 8;
  }
  for (; p != end && IsDigit(*p); ++p, ++count) {
    if (count < kMaxMantissaDigits) value = value * 10 + static_cast<unsigned>(*p - '0');
  }
  return p;
}

[[gnu::always_inline]] inline DecimalScan ScanDecimal(const char* p, const char* end) {
  DecimalScan scan;
  while (p != end && IsCSpace(*p))
    ++p;
  scan.numberBegin = p;
  if (p != end) {  // without a branch on the sign, which is hard to predict
    scan.negative = *p == '-';
    p += scan.negative || *p == '+';
  }

  std::ptrdiff_t digits = 0;
  p = TakeDigits(p, end, scan.mantissa, digits);
  if (p != end && *p == '.') {
    const std::ptrdiff_t integerDigits = digits;
    p = TakeDigits(p + 1, end, scan.mantissa, digits);
    scan.exponent = -(digits - integerDigits);
  }
  scan.hasDigits = digits > 0;
  if (!scan.hasDigits) return scan;
  scan.numberEnd = p;
  scan.tooManyDigits = digits > kMaxMantissaDigits;

  if (p != end && (*p == 'e' || *p == 'E' || *p == 'd' || *p == 'D')) {
    const char* q = p + 1;
    bool negativeExponent = false;
    if (q != end && (*q == '+' || *q == '-')) negativeExponent = *q++ == '-';
    if (q != end && IsDigit(*q)) {
      long long value = 0;
      for (; q != end && IsDigit(*q); ++q) {
        if (value < kExponentLimit) value = value * 10 + (*q - '0');
      }
      scan.exponent += negativeExponent ? -value : value;
      scan.numberEnd = q;
    }
  }
  return scan;
}

// Exact when the mantissa and the power of ten are both exact doubles, since one IEEE
// multiplication or division then rounds correctly.
[[gnu::always_inline]] inline bool ParseDoubleFast(const DecimalScan& scan, double& value) {
  static constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                            1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  constexpr std::uint64_t kMaxExactMantissa = std::uint64_t{1} << 53;
  if (scan.tooManyDigits || scan.mantissa > kMaxExactMantissa || scan.exponent < -22 ||
      scan.exponent > 22) {
    return false;
  }
  const auto mantissa = static_cast<double>(scan.mantissa);
  value = scan.exponent < 0 ? mantissa / kPowersOfTen[-scan.exponent]
                            : mantissa * kPowersOfTen[scan.exponent];
  value = std::copysign(value, scan.negative ? -1.0 : 1.0);
  return true;
}

// Up to 19 digits and any exponent: the Eisel-Lemire method, which leaves to the slow path
// only what it cannot settle (values perhaps halfway between two doubles, out of range).
bool ParseDoubleEiselLemire(const DecimalScan& scan, double& value) {
  if (scan.tooManyDigits || !NearestDoubleEiselLemire(scan.mantissa, scan.exponent, value)) {
    return false;
  }
  value = std::copysign(value, scan.negative ? -1.0 : 1.0);
  return true;
}

// Every other number, read again with bounded memory and rounded exactly by the C library.
double ParseDoubleSlow(const DecimalScan& scan) {
  DoubleReader reader;
  for (const char* p = scan.numberBegin; p != scan.numberEnd && reader.Feed(*p); ++p) {
  }
  return reader.Value();
}

}  // namespace

double ParseDouble(std::string_view text, std::size_t* consumed) {
  const DecimalScan scan = ScanDecimal(text.data(), text.data() + text.size());
  if (consumed != nullptr) {
    *consumed = scan.hasDigits ? static_cast<std::size_t>(scan.numberEnd - text.data()) : 0;
  }
  if (!scan.hasDigits) return 0.0;
  if (scan.mantissa == 0 && !scan.tooManyDigits) return scan.negative ? -0.0 : 0.0;
  double value = 0.0;
  if (ParseDoubleFast(scan, value)) return value;
  if (ParseDoubleEiselLemire(scan, value)) return value;
  return ParseDoubleSlow(scan);
}

int ParseInt(std::string_view text) {
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p != end && IsCSpace(*p))
    ++p;
  bool negative = false;
  if (p != end && (*p == '+' || *p == '-')) negative = *p++ == '-';

  constexpr long long kMagnitudeLimit = -static_cast<long long>(std::numeric_limits<int>::min());
  long long magnitude = 0;
  for (; p != end && IsDigit(*p); ++p) {
    magnitude = magnitude * 10 + (*p - '0');
    if (magnitude > kMagnitudeLimit) magnitude = kMagnitudeLimit;
  }
  if (negative) return static_cast<int>(-magnitude);
  return magnitude > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                     : static_cast<int>(magnitude);
}

}  // namespace tessary
