#include "model/number_format.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "model/big_uint.h"

namespace tessary {
namespace {

// 128-bit arithmetic is a GCC and Clang extension; __extension__ keeps -Wpedantic quiet.
__extension__ typedef unsigned __int128 u128;

constexpr int kDecimals = 11;
constexpr int kSignificantDigits = 17;

constexpr std::uint64_t kPowersOfTen[] = {1ULL,
                                          10ULL,
                                          100ULL,
                                          1000ULL,
                                          10000ULL,
                                          100000ULL,
                                          1000000ULL,
                                          10000000ULL,
                                          100000000ULL,
                                          1000000000ULL,
                                          10000000000ULL,
                                          100000000000ULL,
                                          1000000000000ULL,
                                          10000000000000ULL,
                                          100000000000000ULL,
                                          1000000000000000ULL,
                                          10000000000000000ULL,
                                          100000000000000000ULL,
                                          1000000000000000000ULL,
                                          10000000000000000000ULL};
constexpr std::uint64_t kMinDigits17 = kPowersOfTen[kSignificantDigits - 1];
constexpr std::uint64_t kMaxDigits17 = kPowersOfTen[kSignificantDigits];

// A finite, non-zero magnitude split as mantissa * 2^exponent2, mantissa < 2^53.
struct BinaryValue {
  std::uint64_t mantissa;
  int exponent2;
};

BinaryValue Decompose(double magnitude) {
  const auto bits = std::bit_cast<std::uint64_t>(magnitude);
  const auto biased = static_cast<int>((bits >> 52) & 0x7FF);
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  if (biased == 0) return {fraction, -1074};
  return {fraction | (std::uint64_t{1} << 52), biased - 1075};
}

// The value rounded to 17 significant digits: digits * 10^(exponent10 - 16), where
// 10^16 <= digits <= 10^17 (10^17 only when rounding carried into an 18th digit).
struct Rounded17 {
  std::uint64_t digits;
  int exponent10;
};

// A first guess at floor(log10(value)); it is the true exponent or one below it.
int EstimateExponent10(const BinaryValue& v) {
  const int exponent2 = v.exponent2 + 63 - std::countl_zero(v.mantissa);
  return static_cast<int>(std::floor(exponent2 * 0.30102999566398119521));
}

// round_half_up(value * 10^(16 - exponent10)) with 128-bit integers. Covers the magnitudes
// coordinates usually have, about 1e-6 to 1e17; returns false for any other.
bool ScaleDigitsFast(const BinaryValue& v, int exponent10, std::uint64_t& digits) {
  const int decimalShift = kSignificantDigits - 1 - exponent10;
  if (decimalShift < 0 || decimalShift > 22) return false;
  const u128 power = decimalShift <= 19 ? u128{kPowersOfTen[decimalShift]}
                                        : u128{kPowersOfTen[19]} * kPowersOfTen[decimalShift - 19];
  if (v.exponent2 >= 0) {
    if (v.exponent2 > 64) return false;
    const u128 scaled = (u128{v.mantissa} << v.exponent2) * power;  // below 10^17 here
    digits = static_cast<std::uint64_t>(scaled);
    return true;
  }
  const int shift = -v.exponent2;
  if (shift > 127) return false;
  const u128 scaled = u128{v.mantissa} * power;  // below 2^53 * 10^22 < 2^127
  const u128 half = u128{1} << (shift - 1);
  if (scaled > ~u128{0} - half) return false;
  digits = static_cast<std::uint64_t>((scaled + half) >> shift);
  return true;
}

// The same with big integers, for every finite value:
// floor((2 * numerator + denominator) / (2 * denominator)).
std::uint64_t ScaleDigitsExact(const BinaryValue& v, int exponent10) {
  BigUint numerator(v.mantissa);
  BigUint denominator(1);
  if (v.exponent2 >= 0) {
    numerator.ShiftLeft(v.exponent2);
  } else {
    denominator.ShiftLeft(-v.exponent2);
  }
  const int decimalShift = kSignificantDigits - 1 - exponent10;
  if (decimalShift >= 0) {
    numerator.MultiplyByPowerOfTen(decimalShift);
  } else {
    denominator.MultiplyByPowerOfTen(-decimalShift);
  }
  numerator.ShiftLeft(1);
  numerator.Add(denominator);
  denominator.ShiftLeft(1);
  return numerator.DivideSmallQuotient(denominator);
}

template <typename ScaleDigits>
bool RoundTo17Digits(const BinaryValue& v, ScaleDigits scaleDigits, Rounded17& rounded) {
  int exponent10 = EstimateExponent10(v);
  std::uint64_t digits = 0;
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (!scaleDigits(v, exponent10, digits)) return false;
    if (digits > kMaxDigits17) {
      ++exponent10;  // the guess was one too low
    } else if (digits < kMinDigits17) {
      --exponent10;
    } else {
      rounded = {digits, exponent10};
      return true;
    }
  }
  return false;  // unreachable: the estimate is at most one off
}

Rounded17 RoundTo17DigitsFast(const BinaryValue& v, bool& ok) {
  Rounded17 rounded{};
  ok = RoundTo17Digits(v, ScaleDigitsFast, rounded);
  return rounded;
}

Rounded17 RoundTo17DigitsExact(const BinaryValue& v) {
  Rounded17 rounded{};
  RoundTo17Digits(
      v,
      [](const BinaryValue& value, int exponent10, std::uint64_t& digits) {
        digits = ScaleDigitsExact(value, exponent10);
        return true;
      },
      rounded);
  return rounded;
}

char* WriteDigits(std::uint64_t value, char* out) {
  char scratch[20];
  char* p = scratch + sizeof scratch;
  do {
    *--p = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  const auto length = static_cast<std::size_t>(scratch + sizeof scratch - p);
  std::memcpy(out, p, length);
  return out + length;
}

// Writes digits * 10^exponent10 / 10^16 (the 17-digit rounding) with eleven decimals.
char* WriteRounded(bool negative, const Rounded17& rounded, char* out) {
  // The value times 10^11 is digits * 10^(exponent10 - 5).
  const int zeros = rounded.exponent10 - (kSignificantDigits - 1 - kDecimals);
  char digitText[kMaxFixed11Length];
  char* end;
  if (zeros >= 0) {
    end = WriteDigits(rounded.digits, digitText);
    std::memset(end, '0', static_cast<std::size_t>(zeros));
    end += zeros;
  } else {
    const int dropped = -zeros;
    std::uint64_t kept = 0;
    if (dropped <= kSignificantDigits) {
      kept = (rounded.digits + kPowersOfTen[dropped] / 2) / kPowersOfTen[dropped];
    }
    end = WriteDigits(kept, digitText);
  }

  auto length = static_cast<int>(end - digitText);
  if (negative) *out++ = '-';
  if (length <= kDecimals) {
    *out++ = '0';
    *out++ = '.';
    std::memset(out, '0', static_cast<std::size_t>(kDecimals - length));
    out += kDecimals - length;
  } else {
    const int integerDigits = length - kDecimals;
    std::memcpy(out, digitText, static_cast<std::size_t>(integerDigits));
    out += integerDigits;
    *out++ = '.';
    std::memmove(digitText, digitText + integerDigits, kDecimals);
    length = kDecimals;
  }
  std::memcpy(out, digitText, static_cast<std::size_t>(length));
  return out + length;
}

char* WriteSpecial(double value, char* out) {
  const char* text = std::isnan(value) ? "nan" : (value < 0 ? "-inf" : "inf");
  const std::size_t length = std::strlen(text);
  std::memcpy(out, text, length);
  return out + length;
}

}  // namespace

char* FormatFixed11(double value, char* out) {
  if (!std::isfinite(value)) return WriteSpecial(value, out);
  const bool negative = std::signbit(value);
  if (value == 0) return WriteRounded(negative, {kMinDigits17, -400}, out);

  const BinaryValue binary = Decompose(std::fabs(value));
  bool ok = false;
  Rounded17 rounded = RoundTo17DigitsFast(binary, ok);
  if (!ok) rounded = RoundTo17DigitsExact(binary);
  return WriteRounded(negative, rounded, out);
}

std::string FormatFixed11(double value) {
  char buffer[kMaxFixed11Length];
  return std::string(buffer, FormatFixed11(value, buffer));
}

}  // namespace tessary
