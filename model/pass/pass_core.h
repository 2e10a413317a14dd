// The line loop of the pass, shared by everything that reads a model as the pass does: the
// scaling pass itself writes what it reads, InspectModel only counts it. Internal to model/.
#pragma once

#include <bit>
#include <cstring>
#include <string_view>

#include "model/numbers/byte_vectors.h"
#include "model/numbers/char_class.h"
#include "model/numbers/number_format.h"
#include "model/numbers/number_parse.h"
#include "model/numbers/number_reader.h"
#include "model/numbers/plain_decimal.h"
#include "model/pass/input_file.h"
#include "model/pass/keywords.h"
#include "model/pass/line_stream.h"
#include "model/pass/output_file.h"
#include "model/pass/pass_control.h"
#include "model/pass/scaling_pass.h"
#include "model/pass/token_reader.h"

namespace tessary::pass {

// Removes every carriage return and line feed at both ends; blanks and tabs stay.
inline std::string_view TrimLineBreaks(std::string_view line) {
  const auto isLineBreak = [](char c) { return c == '\r' || c == '\n'; };
  while (!line.empty() && isLineBreak(line.front()))
    line.remove_prefix(1);
  while (!line.empty() && isLineBreak(line.back()))
    line.remove_suffix(1);
  return line;
}

// IsTokenBreak(c, kModelBreaks) as a single lookup.
inline constexpr CharSet kWordBreaks = kModelBreaks.WithWhitespace();

inline std::string_view SkipBreaks(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && kWordBreaks.Contains(text[i]))
    ++i;
  return text.substr(i);
}

// ReadNumber for words that are not plain decimals: other numbers followed by a break or the
// end of the line in a second scan; any other word through the token reader.
[[gnu::noinline]] inline double ReadOtherNumber(std::string_view& cursor, std::string_view word) {
  std::size_t length = 0;
  const double value = ParseDouble(word, &length);
  if (length > 0 && (length == word.size() || kWordBreaks.Contains(word[length]))) {
    cursor = word.substr(length);
    return value;
  }
  return ParseDouble(ReadToken(cursor));
}

// The next word read as a number, as ParseDouble(ReadToken(cursor)) reads it, leaving `cursor`
// after it (its breaks are skipped by whatever reads next). Most words are plain decimals
// followed by a break or the end of the line: those are read in one scan, here.
[[gnu::always_inline]] inline double ReadNumber(std::string_view& cursor) {
  const std::string_view word = SkipBreaks(cursor);
  const char* p = word.data();
  const char* const end = p + word.size();
  double plain;
  if (ReadPlainDecimal(
          p, end, [](char c) { return kWordBreaks.Contains(c); }, plain)) {
    cursor = std::string_view(p, static_cast<std::size_t>(end - p));
    return plain;
  }
  return ReadOtherNumber(cursor, word);
}

#ifdef __wasm_simd128__
// The breaks between words are exactly the C-locale whitespace, which simd::MaskOfSpaces finds.
static_assert([] {
  for (int c = 0; c < 256; ++c) {
    if (kWordBreaks.Contains(static_cast<char>(c)) != IsCSpace(static_cast<char>(c))) return false;
  }
  return true;
}());

// The longest line ReadValuesInBlocks takes: its masks have a bit for each byte and one for
// its end.
inline constexpr std::size_t kLongestLineInBlocks = 63;

// ReadValues for a line of 16 to kLongestLineInBlocks bytes, with the same results: the class
// of each byte (break, digit, point, sign) found for the whole line first, 16 bytes at a time,
// so that each word is found by a few operations on the masks, none waiting for a read of the
// text; the plain decimals of at most 15 digits are read in one block each, and from the
// first other word on, the rest of the line as ReadNumber reads it.
inline void ReadValuesInBlocks(std::string_view line, int count, double* values) {
  const char* const text = line.data();
  const auto size = static_cast<int>(line.size());
  // Bit i for byte i; the end of the line and every place after it count as breaks.
  std::uint64_t breaks = ~std::uint64_t{0} << size;
  std::uint64_t digits = 0;
  std::uint64_t points = 0;
  std::uint64_t signs = 0;
  for (int at = 0; at < size; at += simd::kWidth) {
    const simd::Bytes bytes = simd::LoadUpTo(text + at, size - at);  // zeros after the end
    breaks |= std::uint64_t{simd::MaskOfSpaces(bytes)} << at;
    digits |= std::uint64_t{simd::MaskOfDigits(bytes)} << at;
    points |= std::uint64_t{simd::MaskOfByte(bytes, '.')} << at;
    signs |= std::uint64_t{simd::MaskOfByte(bytes, '-') | simd::MaskOfByte(bytes, '+')} << at;
  }
  int at = 0;  // where the words still to read start, breaks first
  for (int i = 0; i < count; ++i) {
    const int start = at + std::countr_zero(~(breaks >> at));
    const int first = start + static_cast<int>((signs >> start) & 1);  // the first digit or point
    const int integerDigits = std::countr_zero(~(digits >> first));
    const int point = static_cast<int>((points >> (first + integerDigits)) & 1);
    const int fractionStart = first + integerDigits + point;
    const int decimals = std::countr_zero(~(digits >> fractionStart)) & -point;
    const int end = fractionStart + decimals;
    const int digitCount = integerDigits + decimals;
    // A plain decimal has 1 to 15 digits and ends at a break. (No shift above goes past 63:
    // each place is at most the size, since a sign or a point found is a byte of the line.)
    if (start == size || ((breaks >> end) & 1) == 0 ||
        static_cast<unsigned>(digitCount - 1) >= 15) {
      std::string_view rest(text + at, static_cast<std::size_t>(size - at));
      for (; i < count; ++i)
        values[i] = ReadNumber(rest);
      return;
    }
    values[i] = ShortPlainDecimalValue(text + first, size - first, integerDigits, digitCount,
                                       decimals, text[start] == '-');
    at = end;
  }
}
#endif

inline void ReadValues(std::string_view cursor, int count, double* values) {
#ifdef __wasm_simd128__
  if (cursor.size() >= simd::kWidth && cursor.size() <= kLongestLineInBlocks) {
    ReadValuesInBlocks(cursor, count, values);
    return;
  }
#endif
  for (int i = 0; i < count; ++i)
    values[i] = ReadNumber(cursor);
}

// The same from a line too long for the input's buffer.
inline void ReadValues(LineStream& stream, int count, double* values) {
  for (int i = 0; i < count; ++i) {
    DoubleReader reader;
    stream.ReadWord([&reader](char c) { return reader.Feed(c); }, false);
    values[i] = reader.Value();
  }
}

/// Scales the point at the end of `values` and writes the rule's prefix, the values separated
/// by single blanks, and "\r\n" to `out`, which has room for kMaxRewrittenLine characters.
inline constexpr std::size_t kMaxRewrittenLine =
    kLongestKeyword + 1 + kMaxValues * (kMaxFixed11Length + 1) + 2;
inline char* WriteRewrittenLine(char* out, const KeywordRule& rule, double* values,
                                const ScaleFactors& factors) {
  double* point = values + (rule.values - kPointValues);
  point[0] *= factors.x;
  point[1] *= factors.y;
  point[2] *= factors.z;
  std::memcpy(out, rule.prefix.data(), rule.prefix.size());
  out += rule.prefix.size();
  for (int i = 0; i < rule.values; ++i) {
    if (i > 0) *out++ = ' ';
    out = FormatFixed11(values[i], out);
  }
  std::memcpy(out, "\r\n", 2);
  return out + 2;
}

/// Writes the scaled model: copied lines as they are, rewritten lines from their scaled point.
class WritingSink {
 public:
  WritingSink(OutputFile& output, const ScaleFactors& factors)
      : output_(output), factors_(factors) {}

  void LineStart(int) {}
  void Copy(std::string_view text) {
    // Most lines, with their line break, in one step; others in two.
    if (text.size() <= kShortLine) {
      char* out = output_.Reserve(text.size() + 2);
      std::memcpy(out, text.data(), text.size());
      std::memcpy(out + text.size(), "\r\n", 2);
      output_.Commit(out + text.size() + 2);
      return;
    }
    output_.Write(text);
    output_.Write("\r\n");
  }
  void Header(const KeywordRule&) {}
  void Rewrite(const KeywordRule& rule, double* values) {
    char* out = output_.Reserve(kMaxRewrittenLine);
    output_.Commit(WriteRewrittenLine(out, rule, values, factors_));
    ++pointsScaled_;
  }
  OutputFile* Echo() { return &output_; }

  std::uint64_t pointsScaled() const { return pointsScaled_; }

 private:
  // Room for it and its line break in any output's buffer.
  static constexpr std::size_t kShortLine = 1024;

  OutputFile& output_;
  const ScaleFactors& factors_;
  std::uint64_t pointsScaled_ = 0;
};

/// Reads every line of `input` as the pass does and tells `sink` what it found:
///   sink.LineStart(owed)           a line was read; `owed` counts the lines of an open block,
///                                  this one included, still to come (0 outside a block)
///   sink.Copy(text)                a line copied through, without its line breaks
///   sink.Header(rule)              after Copy, when the line opens a counted block
///   sink.Rewrite(rule, values)     a rewritten line's numbers as read
///   sink.Echo()                    an OutputFile into which a line longer than the input's
///                                  buffer is copied as it is read, or null
template <typename Sink>
class PassCore {
 public:
  PassCore(InputFile& input, Sink& sink, const PassControl& control)
      : input_(input), sink_(sink), control_(control) {}

  /// Runs to the end of the input, starting inside a block of `rule` that still owes `owed`
  /// lines when `rule` is given; returns the number of lines read.
  std::uint64_t Run(const KeywordRule* rule = nullptr, int owed = 0) {
    if (rule != nullptr) ScaleBlock(*rule, owed);
    std::string_view line;
    while (NextLine(line, 0)) {
      if (input_.line_complete()) {
        ScaleLine(line);
      } else {
        ScaleLongLine(line);
      }
    }
    return lines_;
  }

  /// Reads only the `owed` lines of an open block of `rule` (fewer if the input ends).
  std::uint64_t RunBlock(const KeywordRule& rule, int owed) {
    ScaleBlock(rule, owed);
    return lines_;
  }

  /// The block still open when the input ended, and the lines it still owes; null and 0 when
  /// none.
  const KeywordRule* open_rule() const { return openRule_; }
  int owed() const { return owed_; }

 private:
  bool NextLine(std::string_view& line, int owed) {
    if (control_.cancelled()) throw PassCancelled();
    if (!input_.ReadLine(line)) return false;
    ++lines_;
    sink_.LineStart(owed);
    return true;
  }

  void ScaleLine(std::string_view line) {
    const std::string_view text = TrimLineBreaks(line);
    std::string_view cursor = SkipBreaks(text);
    if (cursor.empty() || !MayStartKeyword(cursor.front())) {  // most lines, read no further
      sink_.Copy(text);
      return;
    }
    const KeywordRule* rule = FindKeywordRule(ReadToken(cursor));
    if (rule == nullptr) {
      sink_.Copy(text);
    } else if (!rule->countedBlock) {
      double values[kMaxValues];
      ReadValues(cursor, rule->values, values);
      sink_.Rewrite(*rule, values);
    } else {
      sink_.Copy(text);
      sink_.Header(*rule);
      ScaleBlock(*rule, ParseInt(ReadToken(cursor)));
    }
  }

  // The slow path of ScaleLine, with the same result, for a line longer than the input's
  // buffer: the line is echoed while its first word is read, and taken back if that word says
  // that the line is rewritten instead.
  void ScaleLongLine(std::string_view first) {
    const KeywordRule* rule = nullptr;
    int count = 0;
    {
      LineStream stream(input_, first);
      stream.DropCarriageReturns();
      OutputFile* echo = sink_.Echo();
      const std::uint64_t lineStart = echo != nullptr ? echo->Mark() : 0;
      stream.SetEcho(echo);
      char word[kLongestKeyword + 1];
      std::size_t length = 0;
      stream.ReadWord(
          [&](char c) {
            if (length == sizeof word) return false;  // too long for a keyword: stop here
            word[length++] = c;
            return true;
          },
          true);
      rule = length <= kLongestKeyword ? FindKeywordRule(std::string_view(word, length)) : nullptr;
      if (rule != nullptr && !rule->countedBlock) {
        if (echo != nullptr) echo->RewindTo(lineStart);
        stream.SetEcho(nullptr);
        double values[kMaxValues];
        ReadValues(stream, rule->values, values);
        sink_.Rewrite(*rule, values);
        return;
      }
      if (rule != nullptr) {
        IntReader reader;
        stream.ReadWord([&reader](char c) { return reader.Feed(c); }, false);
        count = reader.Value();
      }
      if (echo != nullptr) {
        stream.CopyRest();
        echo->Write("\r\n");
      }
    }
    if (rule != nullptr) {
      sink_.Header(*rule);
      ScaleBlock(*rule, count);
    }
  }

  // Rewrites up to `count` lines after a block's header; the block ends early with the input.
  void ScaleBlock(const KeywordRule& rule, int count) {
    std::string_view line;
    int i = 0;
    for (; i < count && NextLine(line, count - i); ++i) {
      double values[kMaxValues];
      if (input_.line_complete()) {
        ReadValues(line, rule.values, values);
      } else {
        LineStream stream(input_, line);
        ReadValues(stream, rule.values, values);
      }
      sink_.Rewrite(rule, values);
    }
    owed_ = count - i;
    openRule_ = owed_ > 0 ? &rule : nullptr;
  }

  InputFile& input_;
  Sink& sink_;
  const PassControl& control_;
  std::uint64_t lines_ = 0;
  const KeywordRule* openRule_ = nullptr;
  int owed_ = 0;
};

}  // namespace tessary::pass
