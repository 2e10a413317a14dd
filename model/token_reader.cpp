#include "model/token_reader.h"

namespace tessary {

std::string_view ReadToken(std::string_view& cursor, const CharSet& breakSet,
                           const CharSet& quoteSet) {
  const char* p = cursor.data();
  const char* const end = p + cursor.size();
  const auto atEnd = [&p, end] { return p == end || *p == '\0'; };
  const auto skipBreaks = [&] {
    while (!atEnd() && IsTokenBreak(*p, breakSet))
      ++p;
  };

  skipBreaks();
  const bool quoted = !atEnd() && IsTokenBreak(*p, quoteSet);
  const char quote = quoted ? *p++ : '\0';

  const char* const start = p;
  if (quoted) {
    while (!atEnd() && *p != quote)
      ++p;
  } else {
    while (!atEnd() && !IsTokenBreak(*p, breakSet))
      ++p;
  }
  const char* const stop = p;
  if (!atEnd()) ++p;  // the closing quote or the break that ended the word
  skipBreaks();

  cursor = std::string_view(p, static_cast<std::size_t>(end - p));
  return std::string_view(start, static_cast<std::size_t>(stop - start));
}

}  // namespace tessary
