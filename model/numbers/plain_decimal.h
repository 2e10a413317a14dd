// The number words that model text is mostly made of, read in one short scan: the fast path
// in front of ParseDouble, which reads every other word.
#pragma once

#include <bit>
#include <cstdint>

#include "model/numbers/char_class.h"
#include "model/numbers/eight_digits.h"

namespace tessary {

/// Reads a word of the form [+-]digits[.digits] (at most 19 digits, at least one) that ends at
/// `end` or at a byte for which `isEnd` holds, into `value`, exactly as ParseDouble would, and
/// moves `p` past it. Returns false, with `p` unmoved, for any other word, and for numbers that
/// one floating-point division cannot read exactly (more than 2^53, more than 22 decimals).
template <typename IsEnd>
[[gnu::always_inline]] inline bool ReadPlainDecimal(const char*& p, const char* end, IsEnd isEnd,
                                                    double& value) {
  static constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                            1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  const char* q = p;
  const bool negative = q != end && *q == '-';
  q += q != end && (*q == '-' || *q == '+');
  std::uint64_t mantissa = 0;
  int digits = 0;
  for (; q != end && IsDigit(*q); ++q, ++digits)
    mantissa = mantissa * 10 + static_cast<unsigned>(*q - '0');
  int decimals = 0;
  if (q != end && *q == '.') {
    ++q;
    if (end - q >= 8 && AreEightDigits(LoadEightBytes(q))) {
      mantissa = mantissa * 100'000'000 + EightDigitsValue(LoadEightBytes(q));
      q += 8;
      decimals = 8;
    }
    for (; q != end && IsDigit(*q); ++q, ++decimals)
      mantissa = mantissa * 10 + static_cast<unsigned>(*q - '0');
    digits += decimals;
  }
  if (digits == 0 || digits > 19 || decimals > 22 || (q != end && !isEnd(*q)) ||
      mantissa > (std::uint64_t{1} << 53)) {
    return false;
  }
  const double magnitude = static_cast<double>(mantissa) / kPowersOfTen[decimals];
  // The sign set without a branch, as signs of coordinates are hard to predict.
  value = std::bit_cast<double>(std::bit_cast<std::uint64_t>(magnitude) | std::uint64_t{negative}
                                                                              << 63);
  p = q;
  return true;
}

}  // namespace tessary
