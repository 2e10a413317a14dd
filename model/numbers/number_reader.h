// Reading a number from text that comes one character at a time, in bounded memory, with the
// same result as ParseDouble or ParseInt on the whole text.
//
// A number word can be longer than any buffer (a gigabyte of digits is still one word). The
// double reader keeps the first kKeptDigits significant digits and one "sticky" flag for any
// non-zero digit after them, which is enough for a correctly rounded result: every decimal
// number halfway between two doubles has at most 767 significant digits.
#pragma once

#include <cstdint>

namespace tessary {

class DoubleReader {
 public:
  static constexpr int kKeptDigits = 800;

  /// Takes the next character; returns false once the number has ended (further characters
  /// are ignored).
  bool Feed(char c);
  /// The value of the text fed so far, as ParseDouble reads it; +0.0 when it holds no number.
  double Value() const;

 private:
  enum class State { Blank, Sign, Integer, Fraction, ExponentLetter, ExponentSign, Exponent, End };

  void TakeDigit(char c, bool fraction);

  State state_ = State::Blank;
  bool negative_ = false;
  bool hasDigits_ = false;
  bool sticky_ = false;  // a non-zero digit after the kept ones
  bool negativeExponent_ = false;
  int kept_ = 0;
  std::int64_t scale_ = 0;  // value = kept digits as an integer * 10^(scale_ + exponent_)
  std::int64_t exponent_ = 0;
  char digits_[kKeptDigits];
};

class IntReader {
 public:
  /// Takes the next character; returns false once the number has ended.
  bool Feed(char c);
  /// The value as ParseInt reads it: 0 without digits, saturated at the ends of int.
  int Value() const;

 private:
  enum class State { Blank, Digits, End };
  State state_ = State::Blank;
  bool negative_ = false;
  std::int64_t magnitude_ = 0;
};

}  // namespace tessary
