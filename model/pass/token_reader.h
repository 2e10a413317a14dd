// Splits a line of model text into whitespace-separated words.
//
// A word may be enclosed in a quote character, in which case it runs to the same quote
// character (or to the end of the line) and may contain blanks. The reader knows nothing of
// the model format; it never writes to the line and never reads past its end.
#pragma once

#include <cstdint>
#include <string_view>

#include "model/numbers/char_class.h"

namespace tessary {

/// A set of single-byte characters, built from a NUL-terminated list (a null list is empty).
class CharSet {
 public:
  constexpr CharSet() = default;
  constexpr explicit CharSet(const char* members) {
    for (; members != nullptr && *members != '\0'; ++members) {
      const auto code = static_cast<unsigned char>(*members);
      bits_[code >> 6] |= std::uint64_t{1} << (code & 63);
    }
  }

  constexpr bool Contains(char c) const {
    const auto code = static_cast<unsigned char>(c);
    return ((bits_[code >> 6] >> (code & 63)) & 1) != 0;
  }

  /// This set with the C-locale whitespace added.
  constexpr CharSet WithWhitespace() const {
    CharSet result = *this;
    result.bits_[0] |= kWhitespaceBits;
    return result;
  }

  /// This set with `c` added.
  constexpr CharSet With(char c) const {
    CharSet result = *this;
    const auto code = static_cast<unsigned char>(c);
    result.bits_[code >> 6] |= std::uint64_t{1} << (code & 63);
    return result;
  }

  /// This set with NUL added.
  constexpr CharSet WithNul() const {
    CharSet result = *this;
    result.bits_[0] |= 1;
    return result;
  }

 private:
  // Tab, line feed, vertical tab, form feed, carriage return and space.
  static constexpr std::uint64_t kWhitespaceBits = 0x3E00 | (std::uint64_t{1} << ' ');
  std::uint64_t bits_[4] = {};
};

/// The break set the scaling pass uses: carriage return, line feed, form feed, tab, space.
inline constexpr CharSet kModelBreaks{"\r\n\f\t "};
/// The quote set the scaling pass uses: apostrophe and double quote.
inline constexpr CharSet kModelQuotes{"'\""};

/// True when `c` is C-locale whitespace or a member of `set`. NUL is never a break.
constexpr bool IsTokenBreak(char c, const CharSet& set) {
  return IsCSpace(c) || set.Contains(c);
}

/// Reads the next word from `cursor`, the unread rest of a line, and advances `cursor` past it.
///
/// The line ends at the end of `cursor` or at its first NUL, whichever comes first.
/// 1. Breaks are skipped.
/// 2. If the next character is in `quoteSet`, it opens a quoted word that runs up to the same
///    character; otherwise the word runs up to the next break.
/// 3. The character that ends the word (closing quote or break) is consumed, never returned,
///    and so are the breaks after it: `cursor` is left at the next word or at the line's end.
/// The returned word is a view into the line; it is empty at the end of the line, and further
/// calls there keep returning empty words. Words of any length are returned whole.
std::string_view ReadToken(std::string_view& cursor, const CharSet& breakSet = kModelBreaks,
                           const CharSet& quoteSet = kModelQuotes);

}  // namespace tessary
