#include "model/numbers/shortest_text.h"

#include <charconv>

#ifndef __cpp_lib_to_chars
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "model/numbers/number_parse.h"
#endif

namespace tessary {

#ifdef __cpp_lib_to_chars

std::string ShortestText(double value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::general).ptr;
  return std::string(text, end);
}

#else

// A C++ library without std::to_chars for doubles (the browser's): the shortest digits are
// found by reading back correctly rounded ones, then written as std::to_chars writes them.
namespace {

// A decimal: digits * 10^(exponent - digits.size() + 1), the first digit not 0.
struct Decimal {
  std::string digits;
  int exponent = 0;
};

bool ReadsBackAs(const Decimal& decimal, double magnitude) {
  const std::string text =
      decimal.digits + "e" +
      std::to_string(decimal.exponent - static_cast<int>(decimal.digits.size()) + 1);
  return ParseDouble(text) == magnitude;
}

// The next decimal up with as many digits.
Decimal NextUp(Decimal decimal) {
  std::size_t at = decimal.digits.size();
  while (at > 0 && decimal.digits[at - 1] == '9')
    decimal.digits[--at] = '0';
  if (at > 0) {
    ++decimal.digits[at - 1];
  } else {
    decimal.digits.insert(0, 1, '1');
    decimal.digits.pop_back();
    ++decimal.exponent;
  }
  return decimal;
}

Decimal ShortestDecimal(double magnitude) {
  // Just above a power of two, doubles lie twice as far apart as just below it: there the
  // nearest decimal of some length may read back as the double below, and the next one up,
  // as close as the double above allows, as this one.
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(magnitude);
  const bool narrowBelow = (bits & ((std::uint64_t{1} << 52) - 1)) == 0 && (bits >> 52) > 1;
  Decimal decimal;
  for (int precision = 1;; ++precision) {
    char text[40];
    std::snprintf(text, sizeof text, "%.*e", precision - 1, magnitude);
    const std::string_view written(text);
    const std::size_t e = written.find('e');
    decimal.digits.clear();
    for (const char c : written.substr(0, e)) {
      if (c != '.') decimal.digits += c;
    }
    decimal.exponent = std::stoi(std::string(written.substr(e + 1)));
    if (precision >= 17 || ReadsBackAs(decimal, magnitude)) return decimal;
    if (narrowBelow && ParseDouble(text) < magnitude) {
      const Decimal up = NextUp(decimal);
      if (ReadsBackAs(up, magnitude)) return up;
    }
  }
}

}  // namespace

std::string ShortestText(double value) {
  const std::string sign = std::signbit(value) ? "-" : "";
  if (std::isnan(value)) return sign + "nan";
  if (std::isinf(value)) return sign + "inf";
  if (value == 0) return sign + "0";
  const Decimal decimal = ShortestDecimal(std::fabs(value));
  const std::string& digits = decimal.digits;
  const int exponent = decimal.exponent;
  std::string text = sign;
  if (exponent >= -4 && exponent < 6) {
    if (exponent < 0) {
      text += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    } else {
      const auto whole = static_cast<std::size_t>(exponent) + 1;
      text += digits.substr(0, whole);
      if (digits.size() < whole) text += std::string(whole - digits.size(), '0');
      if (digits.size() > whole) text += "." + digits.substr(whole);
    }
    return text;
  }
  text += digits.substr(0, 1);
  if (digits.size() > 1) text += "." + digits.substr(1);
  const int magnitude = exponent < 0 ? -exponent : exponent;
  text += exponent < 0 ? "e-" : "e+";
  if (magnitude < 10) text += "0";
  return text + std::to_string(magnitude);
}

#endif

}  // namespace tessary
