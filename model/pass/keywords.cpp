#include "model/pass/keywords.h"

#include "model/pass/token_reader.h"

namespace tessary {
namespace {

// Words of lower-case letters (they are compared with a line's first word ignoring case), and
// at least a point per rewritten line.
constexpr bool IsValidRule(const KeywordRule& rule) {
  for (const char c : rule.word) {
    if (c < 'a' || c > 'z') return false;
  }
  return !rule.word.empty() && rule.values >= kPointValues;
}
static_assert([] {
  for (const KeywordRule& rule : kKeywordRules) {
    if (!IsValidRule(rule)) return false;
  }
  return true;
}());

char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view word, std::string_view lowerKeyword) {
  if (word.size() != lowerKeyword.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (LowerAscii(word[i]) != lowerKeyword[i]) return false;
  }
  return true;
}

constexpr CharSet kKeywordStarts = [] {
  CharSet starts = kModelQuotes;
  for (const KeywordRule& rule : kKeywordRules) {
    const char first = rule.word.front();
    starts = starts.With(first).With(static_cast<char>(first - 'a' + 'A'));
  }
  return starts;
}();

}  // namespace

bool MayStartKeyword(char c) {
  return kKeywordStarts.Contains(c);
}

const KeywordRule* FindKeywordRule(std::string_view word) {
  for (const KeywordRule& rule : kKeywordRules) {
    if (EqualsIgnoringCase(word, rule.word)) return &rule;
  }
  return nullptr;
}

}  // namespace tessary
