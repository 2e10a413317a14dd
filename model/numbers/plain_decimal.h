// The number words that model text is mostly made of, read in one short scan: the fast path
// in front of ParseDouble, which reads every other word.
#pragma once

#include <bit>
#include <cstdint>

#include "model/numbers/byte_vectors.h"
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

#ifdef __wasm_simd128__
/// The value of a plain decimal word whose digits have been found, as ReadPlainDecimal reads
/// it: at `q`, after the sign, `integerDigits` digits, then a point and the rest of the
/// `digits` (1 to 15 in all, so at most 15 decimals) when there are `decimals`. The 16 bytes from
/// `q` are read, or the `left` bytes from `q` when fewer and the 16 that end there. The digits are
/// moved past the point and to the block's end by one shuffle, and their value made in the lanes.
[[gnu::always_inline]] inline double ShortPlainDecimalValue(const char* q, int left,
                                                            int integerDigits, int digits,
                                                            int decimals, bool negative) {
  static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const simd::Bytes values = simd::LoadUpTo(q, left < simd::kWidth ? left : simd::kWidth) - '0';
  // Lane i takes digit number i - (16 - digits) of the word, skipping the point; the lanes
  // before the first digit get an index below 0, hence a zero.
  const simd::Bytes digitIndex = simd::kLaneIndices + static_cast<signed char>(digits - 16);
  const simd::Bytes afterPoint = digitIndex >= static_cast<signed char>(integerDigits);
  const std::uint64_t mantissa =
      simd::SixteenDigitsValue(simd::Pick(values, digitIndex - afterPoint));
  // Below 10^15: converted as a signed number, which WebAssembly engines do in one instruction.
  const double magnitude =
      static_cast<double>(static_cast<std::int64_t>(mantissa)) / kPowersOfTen[decimals];
  return std::bit_cast<double>(std::bit_cast<std::uint64_t>(magnitude) | std::uint64_t{negative}
                                                                             << 63);
}
#endif

}  // namespace tessary
