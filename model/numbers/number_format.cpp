#include "model/numbers/number_format.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

#include "model/numbers/big_uint.h"
#include "model/numbers/powers_of_five_128.h"

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
  return (exponent2 * 78913) >> 18;  // floor(exponent2 * log10(2)) for |exponent2| < 2^11
}

// Powers of ten and of five as 128-bit integers, made at compile time.
template <std::size_t Count>
constexpr std::array<u128, Count> PowersOf(unsigned base) {
  std::array<u128, Count> powers{};
  powers[0] = 1;
  for (std::size_t i = 1; i < Count; ++i)
    powers[i] = powers[i - 1] * base;
  return powers;
}

// The value as an integer, mantissa << exponent2, fits 128 bits up to this exponent.
constexpr int kMaxIntegerExponent2 = 128 - 53;
// Integers below 2^128 < 10^39 keep 17 of at most 39 digits: a divisor of at most 10^22.
constexpr int kMaxDivisorExponent10 = 22;
// The mantissa times a power of five fits 128 bits up to 5^32.
constexpr int kMaxFiveExponent = 32;

constexpr auto kPowersOfTen128 = PowersOf<kMaxDivisorExponent10 + 1>(10);
constexpr auto kPowersOfFive128 = PowersOf<kMaxFiveExponent + 1>(5);

// round_half_up(value * 10^(16 - exponent10)) with 128-bit integers. Covers magnitudes from
// about 10^-16 up to 2^128; returns false for any other. A result beyond 64 bits saturates,
// which the caller still reads as too many digits.
bool ScaleDigitsFast(const BinaryValue& v, int exponent10, std::uint64_t& digits) {
  const int decimalShift = kSignificantDigits - 1 - exponent10;
  u128 scaled = 0;
  if (v.exponent2 >= 0) {
    // An integer of at least 2^52: keeps its digits (decimalShift is at most 2 for the
    // estimates the caller makes) or drops some of them, rounding.
    if (v.exponent2 > kMaxIntegerExponent2) return false;
    const u128 integer = u128{v.mantissa} << v.exponent2;
    if (decimalShift >= 0) {
      if (v.exponent2 > 64 - 53 || decimalShift > 19) return false;
      scaled = integer * kPowersOfTen128[decimalShift];  // below 2^64 * 10^19 < 2^128
    } else {
      if (-decimalShift > kMaxDivisorExponent10) return false;
      const u128 divisor = kPowersOfTen128[-decimalShift];
      // No overflow: integer <= 2^128 - 2^75 and divisor / 2 < 2^73.
      scaled = (integer + divisor / 2) / divisor;
    }
  } else {
    // value * 10^d = mantissa * 5^d / 2^(-exponent2 - d): one product and a rounding shift.
    if (decimalShift < 0 || decimalShift > kMaxFiveExponent) return false;
    const u128 product = u128{v.mantissa} * kPowersOfFive128[decimalShift];
    const int shift = -v.exponent2 - decimalShift;
    if (shift > 127) return false;
    if (shift <= 0) {
      const bool fits = -shift < 64 && (product >> 64) == 0;
      scaled = fits ? product << -shift : ~u128{0};
    } else {
      scaled = (product >> shift) + ((product >> (shift - 1)) & 1);
    }
  }
  digits = (scaled >> 64) == 0 ? static_cast<std::uint64_t>(scaled) : ~std::uint64_t{0};
  return true;
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

// The same for integers of 2^53 and more divided by 10^k, k >= 1, with the 128-bit truncated
// power of ten the number reader uses: 10^-k = (P + d) * 2^(FloorLog2PowerOfTen(-k) - 127)
// with 0 <= d < 1, so value * 10^-k = (mantissa * P + e) / 2^r for the shift r below and some
// e in [0, mantissa). The 181-bit product mantissa * P is exact; the rounding is known unless
// adding e could carry it past the next half, which happens for about one value in 2^70:
// those return false, for the big integers to decide.
bool ScaleDigitsLarge(const BinaryValue& v, int exponent10, std::uint64_t& digits) {
  const int k = exponent10 - (kSignificantDigits - 1);
  if (v.exponent2 < 0 || k < 1 || -k < kSmallestPowerOfFive128) return false;
  const int shift = 127 - v.exponent2 - FloorLog2PowerOfTen(-k);
  // The quotient has at most 18 digits, under 2^60, so the shift leaves at most 60 bits of a
  // product of at most 181; the half and the error both fall below the top 128 bits' end.
  if (shift < 66 || shift > 190) return false;
  const PowerOfFive128 power = TruncatedPowerOfFive(-k);
  const u128 low = u128{v.mantissa} * power.low;
  const u128 high = u128{v.mantissa} * power.high + (low >> 64);
  const auto lowWord = static_cast<std::uint64_t>(low);  // bits 0 to 63 of the product
  // high holds bits 64 and up; the half is 2^(shift - 1), bit shift - 65 of high.
  const int highShift = shift - 64;
  const u128 rounded = high + (u128{1} << (highShift - 1));
  const u128 below = rounded & ((u128{1} << highShift) - 1);  // the remainder's top bits
  if (below == (u128{1} << highShift) - 1 && lowWord >= 0 - v.mantissa) return false;
  const u128 quotient = rounded >> highShift;
  digits = (quotient >> 64) == 0 ? static_cast<std::uint64_t>(quotient) : ~std::uint64_t{0};
  return true;
}

// Magnitudes outside the typical range: 128-bit arithmetic where the value fits it, the
// truncated powers of ten for larger integers; false when neither decides.
Rounded17 RoundTo17DigitsFast(const BinaryValue& v, bool& ok) {
  Rounded17 rounded{};
  ok =
      RoundTo17Digits(v, ScaleDigitsFast, rounded) || RoundTo17Digits(v, ScaleDigitsLarge, rounded);
  return rounded;
}

// The same with big integers, for every finite value, and with one division: value * 10^d,
// for d = 16 - exponent10, is mantissa * 5^d * 2^(exponent2 + d), a fraction whose quotient
// and remainder give the digits at the estimated exponent10 and, when that is one too low, at
// the next.
Rounded17 RoundTo17DigitsExact(const BinaryValue& v) {
  for (int exponent10 = EstimateExponent10(v);; --exponent10) {
    const int decimalShift = kSignificantDigits - 1 - exponent10;
    BigUint numerator(v.mantissa);
    BigUint denominator(1);
    if (decimalShift >= 0) {
      numerator.MultiplyByPowerOfFive(decimalShift);
    } else {
      denominator.MultiplyByPowerOfFive(-decimalShift);
    }
    const int binaryShift = v.exponent2 + decimalShift;
    if (binaryShift >= 0) {
      numerator.ShiftLeft(binaryShift);
    } else {
      denominator.ShiftLeft(-binaryShift);
    }
    // Below 10^18, as the estimate is at most one too low; numerator keeps the remainder.
    const std::uint64_t quotient = numerator.DivideSmallQuotient(denominator);
    if (quotient < kMinDigits17) continue;  // one too high (not for the magnitudes seen here)
    if (quotient >= kMaxDigits17) {
      // One digit more to drop: with value * 10^d = quotient + f, f < 1, rounding a tenth of
      // it half up gives floor((quotient + f + 5) / 10), which f cannot change.
      return {(quotient + 5) / 10, exponent10 + 1};
    }
    numerator.ShiftLeft(1);  // twice the remainder, against the divisor
    return {quotient + (Compare(numerator, denominator) >= 0 ? 1 : 0), exponent10};
  }
}

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes the decimal digits of `value`, without leading zeros ("0" for zero).
char* WriteDigits(std::uint64_t value, char* out) {
  char scratch[20];
  char* p = scratch + sizeof scratch;
  while (value >= 100) {
    p -= 2;
    std::memcpy(p, kDigitPairs + 2 * (value % 100), 2);
    value /= 100;
  }
  if (value >= 10) {
    p -= 2;
    std::memcpy(p, kDigitPairs + 2 * value, 2);
  } else {
    *--p = static_cast<char>('0' + value);
  }
  const auto length = static_cast<std::size_t>(scratch + sizeof scratch - p);
  std::memcpy(out, p, length);
  return out + length;
}

// floor(x / Divisor) for x < 2^Bits, Bits <= 31, as one 64-bit multiplication and a shift:
// with n = Bits + ceil(log2(Divisor)) and M = ceil(2^n / Divisor), x * M / 2^n exceeds x /
// Divisor by less than 1 / Divisor, so both have the same floor, and x * M < 2^64. Compilers
// do this by themselves for targets with a 64x64->128 multiply; for others (wasm32) they
// leave a division instruction, which the engine runs as one, several times slower.
template <std::uint32_t Divisor, int Bits>
constexpr std::uint32_t DivideSmall(std::uint64_t x) {
  static_assert(Bits <= 31 && Divisor > 1);
  constexpr int kShift = Bits + std::bit_width(Divisor - 1);
  constexpr std::uint64_t kFactor = ((std::uint64_t{1} << kShift) + Divisor - 1) / Divisor;
  return static_cast<std::uint32_t>(x * kFactor >> kShift);
}

// Writes the four digits of `value` (below 10^4), leading zeros included.
void WriteFourDigits(std::uint32_t value, char* out) {
  const std::uint32_t hundreds = DivideSmall<100, 14>(value);
  std::memcpy(out, kDigitPairs + 2 * hundreds, 2);
  std::memcpy(out + 2, kDigitPairs + 2 * (value - 100 * hundreds), 2);
}

// Writes `integer`, a point and `fraction` (below 10^11) as eleven decimals.
[[gnu::always_inline]] inline char* WriteFixed(bool negative, std::uint64_t integer,
                                               std::uint64_t fraction, char* out) {
  *out = '-';  // kept only for a negative value; signs of coordinates are hard to predict
  out += negative;
  if (integer < 10) {
    *out++ = static_cast<char>('0' + integer);
  } else {
    out = WriteDigits(integer, out);
  }
  *out++ = '.';
  // The eleven decimals as 3 + 4 + 4 digits, three independent conversions. 10^8 is 2^8 *
  // 5^8, so the first division takes a number below 2^29.
  const std::uint32_t high = DivideSmall<390'625, 29>(fraction >> 8);
  const auto rest = static_cast<std::uint32_t>(fraction - std::uint64_t{high} * 100'000'000);
  const std::uint32_t middle = DivideSmall<10'000, 27>(rest);
  const std::uint32_t low = rest - middle * 10'000;
  const std::uint32_t highHundreds = DivideSmall<100, 10>(high);
  out[0] = static_cast<char>('0' + highHundreds);
  std::memcpy(out + 1, kDigitPairs + 2 * (high - 100 * highHundreds), 2);
  WriteFourDigits(middle, out + 3);
  WriteFourDigits(low, out + 7);
  return out + kDecimals;
}

// `scaled` is the value times 10^11: writes it with a point before the last eleven digits.
char* WriteScaled(bool negative, std::uint64_t scaled, char* out) {
  constexpr std::uint64_t kScale = kPowersOfTen[kDecimals];
  return WriteFixed(negative, scaled / kScale, scaled % kScale, out);
}

// x / 10^D rounded half up; one function per D, so that each divides by a constant.
template <std::size_t D>
std::uint64_t DivideByPowerOfTen(std::uint64_t x) {
  constexpr std::uint64_t kPower = kPowersOfTen[D];
  return (x + kPower / 2) / kPower;
}

template <std::size_t... D>
constexpr auto MakeDividers(std::index_sequence<D...>) {
  return std::array<std::uint64_t (*)(std::uint64_t), sizeof...(D)>{&DivideByPowerOfTen<D>...};
}

constexpr auto kDividers = MakeDividers(std::make_index_sequence<kSignificantDigits + 1>{});

// Writes digits * 10^(exponent10 - 16), the 17-digit rounding, with eleven decimals.
char* WriteRounded(bool negative, const Rounded17& rounded, char* out) {
  // The value times 10^11 is digits * 10^(exponent10 - 5).
  const int zeros = rounded.exponent10 - (kSignificantDigits - 1 - kDecimals);
  if (zeros < 0) {
    const int dropped = -zeros;
    const std::uint64_t scaled =
        dropped <= kSignificantDigits ? kDividers[dropped](rounded.digits) : 0;
    return WriteScaled(negative, scaled, out);
  }
  if (zeros <= 1) return WriteScaled(negative, rounded.digits * kPowersOfTen[zeros], out);

  // At least 19 digits: the 17 significant ones, then zeros; the last eleven are decimals.
  // Written in place, as these numbers can have hundreds of digits; the decimals then move
  // one place to make room for the point.
  if (negative) *out++ = '-';
  char* end = WriteDigits(rounded.digits, out);
  std::memset(end, '0', static_cast<std::size_t>(zeros));
  end += zeros;
  std::memmove(end - kDecimals + 1, end - kDecimals, kDecimals);
  end[-kDecimals] = '.';
  return end + 1;
}

// The smallest doubles at or above 10^-6, 10^-5, ..., 10^5: a double v is at least 10^e exactly
// when v >= kPowerOfTenOrAbove[e + 6].
constexpr int kTypicalLowestExponent10 = -6;
constexpr double kPowerOfTenOrAbove[] = {0x1.0c6f7a0b5ed8ep-20,
                                         0x1.4f8b588e368f1p-17,
                                         0x1.a36e2eb1c432dp-14,
                                         0x1.0624dd2f1a9fcp-10,
                                         0x1.47ae147ae147bp-7,
                                         0x1.999999999999ap-4,
                                         1e0,
                                         1e1,
                                         1e2,
                                         1e3,
                                         1e4,
                                         1e5};

// floor(2^61 / 10^k). For s <= 61, floor(2^s / 10^k) is this shifted right by 61 - s, as
// rounding down twice rounds down once.
constexpr auto kTwoTo61OverPowersOfTen = [] {
  std::array<std::uint64_t, kDecimals + 1> quotients{};
  for (int k = 0; k <= kDecimals; ++k)
    quotients[k] = (std::uint64_t{1} << 61) / kPowersOfTen[k];
  return quotients;
}();

// Whether a magnitude of the typical range, whose value times 10^11 lies at `below` / 2^(s+1)
// under a half (0 < below), rounds up at the eleventh decimal after rounding to 17 digits: with
// g = 10^(exponent10 - 5) the unit of the 17th digit in the same scale (g <= 1/10), it does
// when the fraction t >= (1 - g) / 2, that is when below <= floor(2^s * g).
[[gnu::noinline]] bool RoundsUpNearHalf(double magnitude, const BinaryValue& binary, int shift,
                                        std::int64_t below) {
  int exponent10 = std::max(EstimateExponent10(binary), kTypicalLowestExponent10);
  exponent10 += magnitude >= kPowerOfTenOrAbove[exponent10 + 1 - kTypicalLowestExponent10];
  const int unitExponent = kSignificantDigits - 1 - kDecimals - exponent10;  // from 1 to 11
  const std::uint64_t unit = kTwoTo61OverPowersOfTen[unitExponent] >> (61 - shift);
  return below <= static_cast<std::int64_t>(unit);
}

// The common case, magnitudes from 10^-6 to below 10^5, without forming the 17 digits, and with
// no 128-bit operation but one product on 64-bit targets (32-bit targets would make each a
// library call).
// The magnitude is m * 2^-(s + 11) with m < 2^53 and 25 <= s <= 61, so that with P = m * 5^11,
// magnitude * 10^11 = P / 2^s: its whole part P >> s, its fraction t = (P mod 2^s) / 2^s.
// A fraction of a half or more rounds up; one below the half by more than the largest unit of
// the 17th digit (1/10) rounds down; only one in between depends on that unit, which takes the
// value's decimal exponent: RoundsUpNearHalf.
[[gnu::always_inline]] inline bool FormatTypicalMagnitude(bool negative, double magnitude,
                                                          char*& out) {
  if (!(magnitude >= kPowerOfTenOrAbove[0] && magnitude < kPowerOfTenOrAbove[11])) return false;
  const BinaryValue binary = Decompose(magnitude);

  constexpr std::uint64_t kFiveToTheDecimals = kPowersOfTen[kDecimals] >> kDecimals;
#if UINTPTR_MAX > 0xFFFF'FFFF
  // P as one 64x64 -> 128-bit product, one instruction on 64-bit targets.
  const u128 product = u128{binary.mantissa} * kFiveToTheDecimals;
  const auto low = static_cast<std::uint64_t>(product);
  const auto high = static_cast<std::uint64_t>(product >> 64);
#else
  // P in two words, from m's two halves times 5^11 < 2^26, each product below 2^58.
  const std::uint64_t upperProduct = (binary.mantissa >> 32) * kFiveToTheDecimals;
  const std::uint64_t lowerProduct = (binary.mantissa & 0xFFFF'FFFF) * kFiveToTheDecimals;
  const std::uint64_t low = (upperProduct << 32) + lowerProduct;
  const std::uint64_t high = (upperProduct >> 32) + (low < lowerProduct);
#endif
  const int shift = -binary.exponent2 - kDecimals;  // from 25 to 61 in this range
  const std::uint64_t whole = (low >> shift) | (high << (64 - shift));
  const std::uint64_t half = std::uint64_t{1} << (shift - 1);
  const std::uint64_t rest = low & (2 * half - 1);
  // 2^s - 2 (P mod 2^s): at most 0 for a fraction of a half or more.
  const auto below = static_cast<std::int64_t>(2 * (half - rest));
  const std::uint64_t largestUnit = kTwoTo61OverPowersOfTen[1] >> (61 - shift);
  // Without a branch on the first test, which goes either way at random.
  bool roundUp = below <= 0;
  if (static_cast<std::uint64_t>(below - 1) < largestUnit) {  // 0 < below <= largestUnit
    roundUp = RoundsUpNearHalf(magnitude, binary, shift, below);
  }

  // The value's whole part is m >> (s + 11), 36 <= s + 11 <= 72; its decimals are what
  // `whole` holds beyond it, unless rounding up carries into it.
  std::uint64_t integer = binary.mantissa >> 36 >> (shift + kDecimals - 36);
  std::uint64_t fraction = whole - integer * kPowersOfTen[kDecimals] + roundUp;
  if (fraction == kPowersOfTen[kDecimals]) {
    ++integer;
    fraction = 0;
  }
  out = WriteFixed(negative, integer, fraction, out);
  return true;
}

// A magnitude below 4.99999999999999995e-12 rounds to at most 4.9999999999999999e-12 at 17
// digits, hence to zero at the eleventh decimal; one at or above it rounds to 5e-12 or more,
// hence to 0.00000000001. The smallest double above that point (none is on it) is this one,
// 5.0000000000000005e-12; the double nearest 5e-12 is below it.
constexpr double kSmallestNonZeroFixed11 = 0x1.5fd7fe1796496p-38;

char* WriteZero(bool negative, char* out) {
  static constexpr char kNegativeZero[] = "-0.00000000000";
  const char* text = kNegativeZero + !negative;
  const std::size_t length = sizeof kNegativeZero - 1 - !negative;
  std::memcpy(out, text, length);
  return out + length;
}

char* WriteSpecial(double value, char* out) {
  const char* text = std::isnan(value) ? "nan" : (value < 0 ? "-inf" : "inf");
  const std::size_t length = std::strlen(text);
  std::memcpy(out, text, length);
  return out + length;
}

// Magnitudes outside the typical range, infinities and NaN. Those that round to zero are
// written without forming any digits; others take 17 digits with 128-bit arithmetic below
// 2^128 and with big integers above.
char* FormatOtherMagnitude(bool negative, double value, char* out) {
  const double magnitude = std::fabs(value);
  if (magnitude < kSmallestNonZeroFixed11) return WriteZero(negative, out);
  if (!std::isfinite(value)) return WriteSpecial(value, out);
  const BinaryValue binary = Decompose(magnitude);
  bool ok = false;
  Rounded17 rounded = RoundTo17DigitsFast(binary, ok);
  if (!ok) rounded = RoundTo17DigitsExact(binary);
  return WriteRounded(negative, rounded, out);
}

}  // namespace

char* FormatFixed11(double value, char* out) {
  const bool negative = std::signbit(value);
  if (FormatTypicalMagnitude(negative, std::fabs(value), out)) return out;
  return FormatOtherMagnitude(negative, value, out);
}

std::string FormatFixed11(double value) {
  char buffer[kMaxFixed11Length];
  return std::string(buffer, FormatFixed11(value, buffer));
}

}  // namespace tessary
