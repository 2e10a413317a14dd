#include "model/numbers/factor_text.h"

#include <cmath>

#include "model/numbers/char_class.h"
#include "model/numbers/number_parse.h"

namespace tessary {
namespace {

// Whether `text`, which reads as zero, has a digit other than 0 before its exponent: a number
// too small for a double, such as 1e-400.
bool UnderflowsToZero(std::string_view text) {
  return text.substr(0, text.find_first_of("eEdD")).find_first_of("123456789") !=
         std::string_view::npos;
}

std::string Quoted(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted += '\'';
  quoted += text;
  quoted += '\'';
  return quoted;
}

}  // namespace

std::optional<double> StrictNumber(std::string_view text) {
  while (!text.empty() && IsCSpace(text.back()))
    text.remove_suffix(1);
  std::size_t consumed = 0;
  const double value = ParseDouble(text, &consumed);
  if (consumed == 0 || consumed != text.size()) return std::nullopt;
  return value;
}

bool IsNonFiniteWord(std::string_view text) {
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) text.remove_prefix(1);
  std::string lower;
  for (const char c : text)
    lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
  return lower == "inf" || lower == "infinity" || lower == "nan";
}

std::variant<double, std::string> ReadFactor(std::string_view text) {
  const std::optional<double> number = StrictNumber(text);
  if (!number && IsNonFiniteWord(text)) {
    return "scale factor " + Quoted(text) + " is not a finite number";
  }
  if (!number) return "scale factor " + Quoted(text) + " is not a number";
  if (!std::isfinite(*number) || (*number == 0 && UnderflowsToZero(text))) {
    return "scale factor " + Quoted(text) + " is out of range";
  }
  return *number;
}

std::variant<double, std::string> ReadFitLength(std::string_view text) {
  const std::optional<double> length = StrictNumber(text);
  if (!length || !std::isfinite(*length) || *length <= 0) {
    return "length " + Quoted(text) + " is not a positive number";
  }
  return *length;
}

}  // namespace tessary
