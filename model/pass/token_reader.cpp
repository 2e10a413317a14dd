#include "model/pass/token_reader.h"

namespace tessary {

std::string_view ReadToken(std::string_view& cursor, const CharSet& breakSet,
                           const CharSet& quoteSet) {
  // One table lookup per character: IsTokenBreak(c, set) is set.WithWhitespace().Contains(c).
  const CharSet breaks = breakSet.WithWhitespace();
  const CharSet wordEnds = breaks.WithNul();
  const char* p = cursor.data();
  const char* const end = p + cursor.size();
  const auto atEnd = [&p, end] { return p == end || *p == '\0'; };
  const auto skipBreaks = [&] {
    while (p != end && breaks.Contains(*p))
      ++p;  // NUL is no break, so it stops here too
  };

  skipBreaks();
  // After the breaks no whitespace is left, so the quote test needs the quote set alone.
  const bool quoted = !atEnd() && quoteSet.Contains(*p);
  const char quote = quoted ? *p++ : '\0';

  const char* const start = p;
  if (quoted) {
    while (!atEnd() && *p != quote)
      ++p;
  } else {
    while (p != end && !wordEnds.Contains(*p))
      ++p;
  }
  const char* const stop = p;
  if (!atEnd()) ++p;  // the closing quote or the break that ended the word
  skipBreaks();

  cursor = std::string_view(p, static_cast<std::size_t>(end - p));
  return std::string_view(start, static_cast<std::size_t>(stop - start));
}

}  // namespace tessary
