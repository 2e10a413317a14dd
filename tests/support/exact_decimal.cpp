#include "tests/support/exact_decimal.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace tessary::testing {
namespace {

// Digits most significant first; multiplies in place by a small factor.
void MultiplyDigits(std::string& digits, int factor) {
  int carry = 0;
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    const int product = (*it - '0') * factor + carry;
    *it = static_cast<char>('0' + product % 10);
    carry = product / 10;
  }
  for (; carry > 0; carry /= 10)
    digits.insert(digits.begin(), static_cast<char>('0' + carry % 10));
}

// A decimal number as a digit string and the count of digits before the point.
struct Decimal {
  std::string digits;
  std::size_t integerDigits;
};

Decimal ExactParts(double value) {
  int exponent = 0;
  const double fraction = std::frexp(std::fabs(value), &exponent);  // value = fraction * 2^exp
  // fraction * 2^53 is an integer for normal numbers; subnormals need the exponent clamped.
  int shift = 53;
  if (exponent - shift < -1074) shift = exponent + 1074;
  auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, shift));
  int power = exponent - shift;  // value = mantissa * 2^power

  std::string digits = std::to_string(mantissa);
  if (power >= 0) {
    for (; power > 0; --power)
      MultiplyDigits(digits, 2);
    return {digits, digits.size()};
  }
  // mantissa * 2^-k = mantissa * 5^k / 10^k
  const auto k = static_cast<std::size_t>(-power);
  for (std::size_t i = 0; i < k; ++i)
    MultiplyDigits(digits, 5);
  if (digits.size() <= k) digits.insert(0, k - digits.size() + 1, '0');
  return {digits, digits.size() - k};
}

// Keeps the first `keep` digits, adding one to them when the first dropped digit is 5 or
// more; dropped positions before the point become zeros.
void RoundHalfUp(Decimal& number, std::size_t keep) {
  if (keep >= number.digits.size()) return;
  const bool up = number.digits[keep] >= '5';
  for (std::size_t i = keep; i < number.digits.size(); ++i)
    number.digits[i] = '0';
  if (!up) return;
  std::size_t i = keep;
  while (i > 0 && number.digits[i - 1] == '9')
    number.digits[--i] = '0';
  if (i == 0) {
    number.digits.insert(number.digits.begin(), '1');
    ++number.integerDigits;
  } else {
    ++number.digits[i - 1];
  }
}

}  // namespace

std::string ExactDecimal(double value) {
  const Decimal number = ExactParts(value);
  std::string fraction = number.digits.substr(number.integerDigits);
  fraction.erase(fraction.find_last_not_of('0') + 1);
  return number.digits.substr(0, number.integerDigits) + "." + fraction;
}

std::string ReferenceFixed11(double value) {
  Decimal number = ExactParts(value);
  const std::size_t firstSignificant = number.digits.find_first_not_of('0');
  if (firstSignificant != std::string::npos) RoundHalfUp(number, firstSignificant + 17);
  if (number.digits.size() < number.integerDigits + 11) {
    number.digits.append(number.integerDigits + 11 - number.digits.size(), '0');
  }
  RoundHalfUp(number, number.integerDigits + 11);

  std::string integer = number.digits.substr(0, number.integerDigits);
  const std::size_t nonZero = integer.find_first_not_of('0');
  integer = nonZero == std::string::npos ? "0" : integer.substr(nonZero);
  return (std::signbit(value) ? "-" : "") + integer + "." +
         number.digits.substr(number.integerDigits, 11);
}

}  // namespace tessary::testing
