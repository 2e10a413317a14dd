// Character classes of the C locale, independent of whatever locale the process runs in.
#pragma once

namespace tessary {

/// True for the six characters that `isspace` reports in the C locale: space, horizontal tab,
/// line feed, vertical tab, form feed and carriage return. Bytes 0x80-0xFF are never spaces.
constexpr bool IsCSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

/// True for '0' to '9'.
constexpr bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace tessary
