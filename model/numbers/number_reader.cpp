#include "model/numbers/number_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "model/numbers/char_class.h"

namespace tessary {
namespace {

// Far beyond any double's exponent, and small enough that sums of these stay in range.
constexpr std::int64_t kExponentLimit = 1'000'000'000;

bool IsExponentLetter(char c) {
  return c == 'e' || c == 'E' || c == 'd' || c == 'D';
}

}  // namespace

void DoubleReader::TakeDigit(char c, bool fraction) {
  hasDigits_ = true;
  if (kept_ == 0 && c == '0') {  // a leading zero only moves the point
    if (fraction) --scale_;
    return;
  }
  if (kept_ < kKeptDigits) {
    digits_[kept_++] = c;
    if (fraction) --scale_;
    return;
  }
  sticky_ = sticky_ || c != '0';
  if (!fraction && scale_ < kExponentLimit) ++scale_;
}

bool DoubleReader::Feed(char c) {
  switch (state_) {
    case State::Blank:
      if (IsCSpace(c)) return true;
      if (c == '+' || c == '-') {
        negative_ = c == '-';
        state_ = State::Sign;
        return true;
      }
      [[fallthrough]];
    case State::Sign:
      if (IsDigit(c)) {
        TakeDigit(c, false);
        state_ = State::Integer;
      } else if (c == '.') {
        state_ = State::Fraction;
      } else {
        state_ = State::End;
      }
      break;
    case State::Integer:
    case State::Fraction:
      if (IsDigit(c)) {
        TakeDigit(c, state_ == State::Fraction);
      } else if (c == '.' && state_ == State::Integer) {
        state_ = State::Fraction;
      } else if (IsExponentLetter(c) && hasDigits_) {
        state_ = State::ExponentLetter;
      } else {
        state_ = State::End;
      }
      break;
    case State::ExponentLetter:
      if (c == '+' || c == '-') {
        negativeExponent_ = c == '-';
        state_ = State::ExponentSign;
        return true;
      }
      [[fallthrough]];
    case State::ExponentSign:
    case State::Exponent:
      if (IsDigit(c)) {
        if (exponent_ < kExponentLimit) exponent_ = exponent_ * 10 + (c - '0');
        state_ = State::Exponent;
      } else {
        state_ = State::End;
      }
      break;
    case State::End:
      break;
  }
  return state_ != State::End;
}

double DoubleReader::Value() const {
  if (!hasDigits_) return 0.0;  // no number at all, even after a sign
  if (kept_ == 0) return negative_ ? -0.0 : 0.0;
  // The kept digits, a 1 standing for the sticky rest, and the exponent: a short text that
  // the C library rounds exactly as the whole number. It has no decimal point, so the
  // process's locale cannot change how it is read.
  char text[1 + kKeptDigits + 1 + 2 + 24];
  char* p = text;
  if (negative_) *p++ = '-';
  for (int i = 0; i < kept_; ++i)
    *p++ = digits_[i];
  std::int64_t exponent = scale_ + (negativeExponent_ ? -exponent_ : exponent_);
  if (sticky_) {
    *p++ = '1';
    --exponent;
  }
  std::snprintf(p, static_cast<std::size_t>(text + sizeof text - p), "e%lld",
                static_cast<long long>(exponent));
  return std::strtod(text, nullptr);
}

bool IntReader::Feed(char c) {
  switch (state_) {
    case State::Blank:
      if (IsCSpace(c)) return true;
      state_ = State::Digits;
      if (c == '+' || c == '-') {
        negative_ = c == '-';
        return true;
      }
      [[fallthrough]];
    case State::Digits:
      if (IsDigit(c)) {
        constexpr std::int64_t kLimit = std::int64_t{1} << 31;
        magnitude_ = std::min(magnitude_ * 10 + (c - '0'), kLimit);
        return true;
      }
      state_ = State::End;
      break;
    case State::End:
      break;
  }
  return false;
}

int IntReader::Value() const {
  const std::int64_t value = negative_ ? -magnitude_ : magnitude_;
  if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  return static_cast<int>(value);
}

}  // namespace tessary
