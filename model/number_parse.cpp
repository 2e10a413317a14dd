#include "model/number_parse.h"

#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

#include <locale.h>

#include "model/char_class.h"

namespace tessary {
namespace {

// The parts of a decimal number as scanned from text. The first 19 significant digits are
// kept in `mantissa`; `truncated` says whether a non-zero digit was dropped after them.
struct DecimalScan {
  const char* numberBegin = nullptr;  // first character after the whitespace
  const char* numberEnd = nullptr;    // one past the last character of the number
  bool negative = false;
  bool hasDigits = false;
  bool truncated = false;
  bool hasExponentLetterD = false;
  std::uint64_t mantissa = 0;
  long long exponent = 0;  // value = mantissa * 10^exponent when not truncated
};

constexpr int kMaxMantissaDigits = 19;
constexpr long long kExponentLimit = 1'000'000;  // far past any double; keeps sums in range

DecimalScan ScanDecimal(const char* p, const char* end) {
  DecimalScan scan;
  while (p != end && IsCSpace(*p))
    ++p;
  scan.numberBegin = p;
  if (p != end && (*p == '+' || *p == '-')) scan.negative = *p++ == '-';

  int significantDigits = 0;
  const auto takeDigit = [&](char c, bool fraction) {
    scan.hasDigits = true;
    if (significantDigits < kMaxMantissaDigits) {
      scan.mantissa = scan.mantissa * 10 + static_cast<unsigned>(c - '0');
      if (scan.mantissa != 0) ++significantDigits;
      if (fraction) --scan.exponent;
    } else {
      scan.truncated |= c != '0';
      if (!fraction) ++scan.exponent;
    }
  };
  for (; p != end && IsDigit(*p); ++p)
    takeDigit(*p, false);
  if (p != end && *p == '.') {
    ++p;
    for (; p != end && IsDigit(*p); ++p)
      takeDigit(*p, true);
  }
  if (!scan.hasDigits) return scan;
  scan.numberEnd = p;

  if (p != end && (*p == 'e' || *p == 'E' || *p == 'd' || *p == 'D')) {
    const bool letterD = *p == 'd' || *p == 'D';
    const char* q = p + 1;
    bool negativeExponent = false;
    if (q != end && (*q == '+' || *q == '-')) negativeExponent = *q++ == '-';
    if (q != end && IsDigit(*q)) {
      long long value = 0;
      for (; q != end && IsDigit(*q); ++q) {
        if (value < kExponentLimit) value = value * 10 + (*q - '0');
      }
      scan.exponent += negativeExponent ? -value : value;
      scan.hasExponentLetterD = letterD;
      scan.numberEnd = q;
    }
  }
  return scan;
}

// Exact when the mantissa and the power of ten are both exact doubles, since one IEEE
// multiplication or division then rounds correctly.
bool ParseDoubleFast(const DecimalScan& scan, double& value) {
  static constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                            1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  constexpr std::uint64_t kMaxExactMantissa = std::uint64_t{1} << 53;
  if (scan.truncated || scan.mantissa > kMaxExactMantissa || scan.exponent < -22 ||
      scan.exponent > 22) {
    return false;
  }
  const auto mantissa = static_cast<double>(scan.mantissa);
  value = scan.exponent < 0 ? mantissa / kPowersOfTen[-scan.exponent]
                            : mantissa * kPowersOfTen[scan.exponent];
  if (scan.negative) value = -value;
  return true;
}

// Every other number goes to the C library's correctly rounded strtod, in the C locale, on a
// copy of the scanned text with a d exponent written as e.
double ParseDoubleSlow(const DecimalScan& scan) {
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  std::string text(scan.numberBegin, scan.numberEnd);
  if (scan.hasExponentLetterD) {
    for (char& c : text) {
      if (c == 'd' || c == 'D') c = 'e';
    }
  }
  return strtod_l(text.c_str(), nullptr, cLocale);
}

}  // namespace

double ParseDouble(std::string_view text, std::size_t* consumed) {
  const DecimalScan scan = ScanDecimal(text.data(), text.data() + text.size());
  if (consumed != nullptr) {
    *consumed = scan.hasDigits ? static_cast<std::size_t>(scan.numberEnd - text.data()) : 0;
  }
  if (!scan.hasDigits) return 0.0;
  if (scan.mantissa == 0 && !scan.truncated) return scan.negative ? -0.0 : 0.0;
  double value = 0.0;
  if (ParseDoubleFast(scan, value)) return value;
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
