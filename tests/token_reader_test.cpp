#include "model/pass/token_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/table.h"

namespace tessary {
namespace {

// Every token of `line` until the reader stops making progress, plus one empty token at the
// end (the reader keeps returning empty tokens there).
std::vector<std::string> Tokens(std::string_view line) {
  std::vector<std::string> tokens;
  std::string_view cursor = line;
  for (int guard = 0; guard < 100; ++guard) {
    const std::string_view token = ReadToken(cursor);
    tokens.emplace_back(token);
    if (token.empty() && (cursor.empty() || cursor.front() == '\0')) break;
  }
  return tokens;
}

struct TokenCase {
  const char* name;
  std::string line;
  std::vector<std::string> tokens;
};
void PrintTo(const TokenCase& row, std::ostream* os) {
  *os << row.name;
}

class ReadTokenTest : public ::testing::TestWithParam<TokenCase> {};

TEST_P(ReadTokenTest, SplitsTheLine) {
  EXPECT_EQ(Tokens(GetParam().line), GetParam().tokens);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ReadTokenTest,
    ::testing::Values(
        TokenCase{"Empty", "", {""}}, TokenCase{"BlanksOnly", " \t  ", {""}},
        TokenCase{"IndentedPosition", "  position 1 2.5 -3", {"position", "1", "2.5", "-3", ""}},
        TokenCase{"ApostrophesJoinWords", "'two words' third", {"two words", "third", ""}},
        TokenCase{"UnclosedDoubleQuote", "\"open to the end", {"open to the end", ""}},
        TokenCase{"EmptyQuotes", "'' next", {"", "next", ""}},
        TokenCase{"CarriageReturnAtEnd", "12.5\r", {"12.5", ""}},
        TokenCase{"ApostropheInsideWord", "it's here", {"it's", "here", ""}},
        TokenCase{"LettersAfterClosingQuote", "'a'bc", {"a", "bc", ""}},
        TokenCase{"OtherQuoteInsideQuotes", "\"it's a b\" c", {"it's a b", "c", ""}},
        TokenCase{"AllWhitespaceKinds", "a\tb\vc\fd\re\nf", {"a", "b", "c", "d", "e", "f", ""}},
        TokenCase{"HighBytesAreWordCharacters", "\x80\xff \xa0x", {"\x80\xff", "\xa0x", ""}},
        TokenCase{"NulEndsTheLine", std::string("one two\0three", 13), {"one", "two", ""}},
        TokenCase{"QuotedNul", std::string("'ab\0cd' e", 9), {"ab", ""}}),
    testing::RowName());

TEST(ReadToken, KeepsReturningEmptyTokensAtTheEnd) {
  const std::string line = "  word  ";
  std::string_view cursor = line;
  EXPECT_EQ(ReadToken(cursor), "word");
  EXPECT_TRUE(cursor.empty());
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(ReadToken(cursor), "");
    EXPECT_TRUE(cursor.empty());
  }
}

TEST(ReadToken, LeavesTheCursorAtTheNextWord) {
  std::string_view cursor = "a   b";
  ReadToken(cursor);
  EXPECT_EQ(cursor, "b");
}

TEST(ReadToken, ReadsVeryLongTokensWhole) {
  const std::string word(100'000, 'x');
  const std::string line = " " + word + " 'quoted " + word + "' end";
  std::string_view cursor = line;
  EXPECT_EQ(ReadToken(cursor), word);
  EXPECT_EQ(ReadToken(cursor), "quoted " + word);
  EXPECT_EQ(ReadToken(cursor), "end");
}

TEST(ReadToken, UsesTheGivenSets) {
  std::string_view cursor = "a,b;c|d";
  const CharSet breaks(",;");
  const CharSet quotes("|");
  EXPECT_EQ(ReadToken(cursor, breaks, quotes), "a");
  EXPECT_EQ(ReadToken(cursor, breaks, quotes), "b");
  EXPECT_EQ(ReadToken(cursor, breaks, quotes), "c|d");
  cursor = "|x,y| z";
  EXPECT_EQ(ReadToken(cursor, breaks, quotes), "x,y");
  EXPECT_EQ(ReadToken(cursor, CharSet(), CharSet()), "z");
}

TEST(IsTokenBreak, WhitespaceAlwaysBreaksAndNulNever) {
  const CharSet none(nullptr);
  for (char c : {' ', '\t', '\n', '\v', '\f', '\r'})
    EXPECT_TRUE(IsTokenBreak(c, none)) << int(c);
  EXPECT_FALSE(IsTokenBreak('\0', none));
  EXPECT_FALSE(IsTokenBreak('\0', kModelBreaks));
  EXPECT_FALSE(IsTokenBreak('\xa0', none));
  EXPECT_FALSE(IsTokenBreak('\x85', none));
  EXPECT_TRUE(IsTokenBreak('\'', kModelQuotes));
  EXPECT_FALSE(IsTokenBreak('x', kModelQuotes));
}

}  // namespace
}  // namespace tessary
