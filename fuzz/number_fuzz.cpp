// Fuzz target: number parsing agrees with the C library's strtod on the prefix it accepts
// (a d exponent read as e), and formatting agrees with the exact reference.
#include <clocale>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "model/numbers/number_format.h"
#include "model/numbers/number_parse.h"
#include "tests/support/exact_decimal.h"

namespace {

void CheckParse(std::string_view text) {
  std::size_t consumed = 0;
  const double value = tessary::ParseDouble(text, &consumed);
  if (consumed > text.size()) std::abort();
  if (consumed == 0) {
    if (value != 0.0 || std::signbit(value)) std::abort();
    return;
  }
  std::string prefix(text.substr(0, consumed));
  for (char& c : prefix) {
    if (c == 'd' || c == 'D') c = 'e';
  }
  char* end = nullptr;
  const double expected = std::strtod(prefix.c_str(), &end);
  if (end != prefix.c_str() + prefix.size()) std::abort();  // the prefix is one number
  if (std::memcmp(&value, &expected, sizeof value) != 0) std::abort();
}

void CheckFormat(double value) {
  const std::string text = tessary::FormatFixed11(value);
  if (!std::isfinite(value)) {
    if (text != (std::isnan(value) ? "nan" : value < 0 ? "-inf" : "inf")) std::abort();
    return;
  }
  if (text != tessary::testing::ReferenceFixed11(value)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CheckParse(std::string_view(reinterpret_cast<const char*>(data), size));
  if (size >= sizeof(double)) {
    double value;
    std::memcpy(&value, data, sizeof value);
    CheckFormat(value);
  }
  return 0;
}
