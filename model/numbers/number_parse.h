// Reading numbers from model text with the rules of the C library's atof and atoi.
#pragma once

#include <cstddef>
#include <string_view>

namespace tessary {

/// Reads a double as `atof` does, independent of the process locale.
///
/// Leading C-locale whitespace is skipped, then the longest prefix of the form
///   [+-] digits [. digits] [(e|E|d|D) [+-] digits]
/// is read (at least one digit before or after the point). There are no hexadecimal, infinity
/// or NaN forms. The result is correctly rounded; an exponent out of range gives an infinity
/// or a (possibly subnormal) value towards zero. Text without such a prefix yields +0.0.
/// If `consumed` is not null it receives the length of the text read, whitespace included,
/// or 0 when there is no number.
double ParseDouble(std::string_view text, std::size_t* consumed = nullptr);

/// Reads an int as `atoi` does: leading C-locale whitespace, an optional sign, then decimal
/// digits. Text without digits yields 0; values outside the int range saturate at its ends.
int ParseInt(std::string_view text);

}  // namespace tessary
