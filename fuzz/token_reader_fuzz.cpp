// Fuzz target: every call of the token reader makes progress or stops at the line's end,
// stays inside the line, and agrees with a direct, step-by-step reading of its rules.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "model/pass/token_reader.h"

namespace {

bool IsBreak(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// One call of the reader, on a NUL-terminated line: returns the token and moves p.
std::string ReferenceToken(const char*& p) {
  while (IsBreak(*p))
    ++p;
  std::string token;
  if (*p == '\'' || *p == '"') {
    const char quote = *p++;
    while (*p != '\0' && *p != quote)
      token += *p++;
    if (*p == quote) ++p;
  } else {
    while (*p != '\0' && !IsBreak(*p))
      token += *p++;
    if (*p != '\0') ++p;
  }
  while (IsBreak(*p))
    ++p;
  return token;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  const char* const begin = line.data();
  const char* const end = begin + line.size();
  std::string_view cursor = line;
  const char* reference = line.c_str();  // the reference sees the line up to its first NUL
  for (;;) {
    const std::size_t before = cursor.size();
    const std::string_view token = ReadToken(cursor, tessary::kModelBreaks, tessary::kModelQuotes);
    if (cursor.data() < begin || cursor.data() + cursor.size() != end) std::abort();
    if (token.data() < begin || token.data() + token.size() > end) std::abort();
    if (token != ReferenceToken(reference) || cursor.data() != reference) std::abort();
    if (cursor.size() == before) {
      if (!token.empty() || !(cursor.empty() || cursor.front() == '\0')) std::abort();
      return 0;  // at the end: no progress, an empty token
    }
  }
}
