// The keywords whose lines the pass rewrites: one table, one row per keyword.
//
// A line whose first word equals a row's word, ignoring ASCII case, is rewritten: a row without
// a counted block turns the line itself into the prefix and the line's next `values` numbers;
// a row with a counted block copies the line and rewrites the number of following lines that
// the line's second word gives, each into the prefix (an indent) and that line's first
// `values` numbers. The last three values of a rewritten line are a point, multiplied by the
// X, Y and Z factors; any values before them are written as read.
#pragma once

#include <cstddef>
#include <string_view>

namespace tessary {

/// What a rewritten line's point is, for reports about a model.
enum class PointKind { Position, Vertex, Key };

struct KeywordRule {
  std::string_view word;    ///< lower case
  bool countedBlock;        ///< the line announces a count of following lines to rewrite
  int values;               ///< numbers read and written per rewritten line
  std::string_view prefix;  ///< written before the numbers
  PointKind kind;
};

/// Values per rewritten line that are a point (X, Y, Z); the others lead and are not scaled.
inline constexpr int kPointValues = 3;

inline constexpr KeywordRule kKeywordRules[] = {
    {"position", false, 3, "position ", PointKind::Position},
    {"center", false, 3, "center ", PointKind::Position},
    {"verts", true, 3, "    ", PointKind::Vertex},
    {"positionkey", true, 4, "   ", PointKind::Key},  // a key's time, then its point
};

/// The most values a rewritten line has, and the longest keyword.
inline constexpr int kMaxValues = [] {
  int most = kPointValues;
  for (const KeywordRule& rule : kKeywordRules)
    most = rule.values > most ? rule.values : most;
  return most;
}();
inline constexpr std::size_t kLongestKeyword = [] {
  std::size_t longest = 0;
  for (const KeywordRule& rule : kKeywordRules)
    longest = rule.word.size() > longest ? rule.word.size() : longest;
  return longest;
}();

/// True when a line whose first byte after its breaks is `c` may start with a keyword: the
/// first letter of a keyword, in either case, or a quote. Other lines are copied as they are.
bool MayStartKeyword(char c);

/// The rule whose word equals `word` ignoring ASCII case, or null.
const KeywordRule* FindKeywordRule(std::string_view word);

}  // namespace tessary
