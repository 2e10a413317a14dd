#include "cli/number_text.h"

#include <charconv>

namespace tessary::cli {

std::string ShortestText(double value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::general).ptr;
  return std::string(text, end);
}

}  // namespace tessary::cli
