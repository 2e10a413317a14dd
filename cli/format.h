// printf-style formatting into a string, for the short lines the program prints.
#pragma once

#include <algorithm>
#include <cstdio>
#include <string>

namespace tessary::cli {

/// `format` filled in with `values`, as snprintf does; at most 255 characters.
template <typename... Values>
std::string Format(const char* format, Values... values) {
  char text[256];
  const int length = std::snprintf(text, sizeof text, format, values...);
  return std::string(text, static_cast<std::size_t>(std::clamp(length, 0, 255)));
}

}  // namespace tessary::cli
