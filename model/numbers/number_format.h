// Writing coordinates as the C runtime's "%.11f" conversion does on the system the model
// format comes from.
//
// That runtime does not write the exact binary value. It first rounds the value to 17
// significant decimal digits, then rounds that digit string at the eleventh decimal; both
// roundings take a first dropped digit of 5 or more away from zero, and every digit past the
// 17th significant one is written as 0. So 1048576.1 is written 1048576.10000000010 and
// 0.123456789015 is written 0.12345678902. A negative value that rounds to zero keeps its
// sign ("-0.00000000000"); infinities and NaN are written "inf", "-inf" and "nan".
#pragma once

#include <cstddef>
#include <string>

namespace tessary {

/// Longest text FormatFixed11 writes: sign, 309 integer digits, point, 11 decimals.
inline constexpr std::size_t kMaxFixed11Length = 1 + 309 + 1 + 11;

/// Writes `value` with exactly eleven decimals and no exponent to `out`, which must have room
/// for kMaxFixed11Length characters. Returns one past the last character written; no NUL.
char* FormatFixed11(double value, char* out);

/// The same, as a string.
std::string FormatFixed11(double value);

}  // namespace tessary
