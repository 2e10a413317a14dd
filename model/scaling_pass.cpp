#include "model/scaling_pass.h"

#include <cstring>

#include "model/input_file.h"
#include "model/keywords.h"
#include "model/line_stream.h"
#include "model/messages.h"
#include "model/number_format.h"
#include "model/number_parse.h"
#include "model/number_reader.h"
#include "model/output_file.h"
#include "model/token_reader.h"

namespace tessary {
namespace {

// Removes every carriage return and line feed at both ends; blanks and tabs stay.
std::string_view TrimLineBreaks(std::string_view line) {
  const auto isLineBreak = [](char c) { return c == '\r' || c == '\n'; };
  while (!line.empty() && isLineBreak(line.front()))
    line.remove_prefix(1);
  while (!line.empty() && isLineBreak(line.back()))
    line.remove_suffix(1);
  return line;
}

// IsTokenBreak(c, kModelBreaks) as a single lookup.
constexpr CharSet kWordBreaks = kModelBreaks.WithWhitespace();

std::string_view SkipBreaks(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && kWordBreaks.Contains(text[i]))
    ++i;
  return text.substr(i);
}

// The next word read as a number, as ParseDouble(ReadToken(cursor)) reads it. Most words are
// numbers followed by a break or the end of the line: those are read in one scan; any other
// word goes through the token reader.
double ReadNumber(std::string_view& cursor) {
  const std::string_view word = SkipBreaks(cursor);
  std::size_t length = 0;
  const double value = ParseDouble(word, &length);
  if (length > 0 && (length == word.size() || kWordBreaks.Contains(word[length]))) {
    cursor = SkipBreaks(word.substr(length));
    return value;
  }
  return ParseDouble(ReadToken(cursor));
}

void ReadValues(std::string_view cursor, int count, double* values) {
  for (int i = 0; i < count; ++i)
    values[i] = ReadNumber(cursor);
}

// The same from a line too long for the input's buffer.
void ReadValues(LineStream& stream, int count, double* values) {
  for (int i = 0; i < count; ++i) {
    DoubleReader reader;
    stream.ReadWord([&reader](char c) { return reader.Feed(c); }, false);
    values[i] = reader.Value();
  }
}

char* Append(char* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

class Pass {
 public:
  Pass(InputFile& input, OutputFile& output, const ScaleFactors& factors,
       const PassControl& control)
      : input_(input), output_(output), factors_(factors), control_(control) {}

  PassStats Run();

 private:
  bool NextLine(std::string_view& line);
  void ScaleLine(std::string_view line);
  void ScaleLongLine(std::string_view first);
  void ScaleBlock(const KeywordRule& rule, int count);
  void WriteRewritten(const KeywordRule& rule, double* values);
  void WriteCopied(std::string_view text);

  InputFile& input_;
  OutputFile& output_;
  const ScaleFactors& factors_;
  const PassControl& control_;
  PassStats stats_;
};

PassStats Pass::Run() {
  std::string_view line;
  while (NextLine(line)) {
    if (input_.line_complete()) {
      ScaleLine(line);
    } else {
      ScaleLongLine(line);
    }
  }
  stats_.bytesRead = input_.bytes_read();
  stats_.bytesWritten = output_.bytes_written();
  return stats_;
}

bool Pass::NextLine(std::string_view& line) {
  if (control_.cancelled()) throw PassCancelled();
  if (!input_.ReadLine(line)) return false;
  ++stats_.lines;
  return true;
}

void Pass::ScaleLine(std::string_view line) {
  const std::string_view text = TrimLineBreaks(line);
  std::string_view cursor = text;
  const KeywordRule* rule = FindKeywordRule(ReadToken(cursor));
  if (rule == nullptr) {
    WriteCopied(text);
  } else if (!rule->countedBlock) {
    double values[kMaxValues];
    ReadValues(cursor, rule->values, values);
    WriteRewritten(*rule, values);
  } else {
    WriteCopied(text);
    ScaleBlock(*rule, ParseInt(ReadToken(cursor)));
  }
}

// The slow path of ScaleLine, with the same result, for a line longer than the input's buffer:
// the line is copied while its first word is read, and taken back from the output if that word
// says that the line is rewritten instead.
void Pass::ScaleLongLine(std::string_view first) {
  const KeywordRule* rule = nullptr;
  int count = 0;
  {
    LineStream stream(input_, first);
    stream.DropCarriageReturns();
    const std::uint64_t lineStart = output_.Mark();
    stream.SetEcho(&output_);
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
      output_.RewindTo(lineStart);
      stream.SetEcho(nullptr);
      double values[kMaxValues];
      ReadValues(stream, rule->values, values);
      WriteRewritten(*rule, values);
      return;
    }
    if (rule != nullptr) {
      IntReader reader;
      stream.ReadWord([&reader](char c) { return reader.Feed(c); }, false);
      count = reader.Value();
    }
    stream.CopyRest();
    output_.Write("\r\n");
  }
  if (rule != nullptr) ScaleBlock(*rule, count);
}

// Rewrites up to `count` lines after a block's header; the block ends early with the input.
void Pass::ScaleBlock(const KeywordRule& rule, int count) {
  std::string_view line;
  for (int i = 0; i < count && NextLine(line); ++i) {
    double values[kMaxValues];
    if (input_.line_complete()) {
      ReadValues(line, rule.values, values);
    } else {
      LineStream stream(input_, line);
      ReadValues(stream, rule.values, values);
    }
    WriteRewritten(rule, values);
  }
}

// Scales the point at the end of `values` and writes the rule's prefix, the values separated
// by single blanks, and "\r\n".
void Pass::WriteRewritten(const KeywordRule& rule, double* values) {
  double* point = values + (rule.values - kPointValues);
  point[0] *= factors_.x;
  point[1] *= factors_.y;
  point[2] *= factors_.z;
  char* out = output_.Reserve(rule.prefix.size() + kMaxValues * (kMaxFixed11Length + 1) + 2);
  out = Append(out, rule.prefix);
  for (int i = 0; i < rule.values; ++i) {
    if (i > 0) *out++ = ' ';
    out = FormatFixed11(values[i], out);
  }
  out = Append(out, "\r\n");
  output_.Commit(out);
  ++stats_.pointsScaled;
}

void Pass::WriteCopied(std::string_view text) {
  output_.Write(text);
  output_.Write("\r\n");
}

}  // namespace

const char* MessageFor(ScaleResult result) {
  switch (result) {
    case ScaleResult::InputNotOpened:
      return MessageTemplate(Message::InputNotOpened);
    case ScaleResult::OutputNotOpened:
      return MessageTemplate(Message::OutputNotOpened);
    case ScaleResult::Done:
      break;
  }
  return MessageTemplate(Message::Done);
}

ScaleFactors ParseScaleFactors(std::string_view x, std::string_view y, std::string_view z) {
  return {ParseDouble(x), ParseDouble(y), ParseDouble(z)};
}

PassStats RunScalingPass(InputFile& input, OutputFile& output, const ScaleFactors& factors,
                         const PassControl& control) {
  return Pass(input, output, factors, control).Run();
}

}  // namespace tessary
