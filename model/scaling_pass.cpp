#include "model/scaling_pass.h"

#include <cstring>

#include "model/input_file.h"
#include "model/number_format.h"
#include "model/number_parse.h"
#include "model/output_file.h"
#include "model/token_reader.h"

namespace tessary {
namespace {

enum class Keyword { None, Position, Center, Verts, PositionKey };

bool EqualsIgnoringCase(std::string_view word, std::string_view lowerKeyword) {
  if (word.size() != lowerKeyword.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    char c = word[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != lowerKeyword[i]) return false;
  }
  return true;
}

Keyword Classify(std::string_view word) {
  if (EqualsIgnoringCase(word, "position")) return Keyword::Position;
  if (EqualsIgnoringCase(word, "center")) return Keyword::Center;
  if (EqualsIgnoringCase(word, "verts")) return Keyword::Verts;
  if (EqualsIgnoringCase(word, "positionkey")) return Keyword::PositionKey;
  return Keyword::None;
}

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

char* Append(char* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

// Writes `prefix`, then `count` numbers separated by single blanks, then "\r\n".
void WriteNumberLine(OutputFile& output, std::string_view prefix, const double* values, int count) {
  char* out = output.Reserve(prefix.size() + 4 * (kMaxFixed11Length + 1) + 2);
  out = Append(out, prefix);
  for (int i = 0; i < count; ++i) {
    if (i > 0) *out++ = ' ';
    out = FormatFixed11(values[i], out);
  }
  out = Append(out, "\r\n");
  output.Commit(out);
}

void WriteCopiedLine(OutputFile& output, std::string_view line) {
  output.Write(line);
  output.Write("\r\n");
}

// Reads x y z from `cursor` and scales them.
void ReadScaledPoint(std::string_view& cursor, const ScaleFactors& factors, double* point) {
  point[0] = ReadNumber(cursor) * factors.x;
  point[1] = ReadNumber(cursor) * factors.y;
  point[2] = ReadNumber(cursor) * factors.z;
}

// Copies the header line of a counted block, then rewrites up to `count` following lines;
// `keyCount` is 1 for key lines (a time before the point) and 0 for vertex lines.
void ScaleBlock(InputFile& input, OutputFile& output, std::string_view header, int count,
                int keyCount, std::string_view indent, const ScaleFactors& factors,
                PassStats& stats) {
  WriteCopiedLine(output, header);
  std::string_view line;
  for (int i = 0; i < count && input.ReadLine(line); ++i) {
    ++stats.lines;
    double values[4];
    if (keyCount == 1) values[0] = ReadNumber(line);
    ReadScaledPoint(line, factors, values + keyCount);
    WriteNumberLine(output, indent, values, keyCount + 3);
    ++stats.pointsScaled;
  }
}

}  // namespace

const char* MessageFor(ScaleResult result) {
  switch (result) {
    case ScaleResult::InputNotOpened:
      return "Unable to open input file.";
    case ScaleResult::OutputNotOpened:
      return "Unable to open output file.";
    case ScaleResult::Done:
      break;
  }
  return "Done!";
}

ScaleFactors ParseScaleFactors(std::string_view x, std::string_view y, std::string_view z) {
  return {ParseDouble(x), ParseDouble(y), ParseDouble(z)};
}

PassStats RunScalingPass(InputFile& input, OutputFile& output, const ScaleFactors& factors) {
  PassStats stats;
  std::string_view line;
  while (input.ReadLine(line)) {
    ++stats.lines;
    const std::string_view trimmed = TrimLineBreaks(line);
    std::string_view cursor = trimmed;
    const std::string_view keyword = ReadToken(cursor);
    const Keyword kind = Classify(keyword);
    switch (kind) {
      case Keyword::Position:
      case Keyword::Center: {
        double point[3];
        ReadScaledPoint(cursor, factors, point);
        WriteNumberLine(output, kind == Keyword::Position ? "position " : "center ", point, 3);
        ++stats.pointsScaled;
        break;
      }
      case Keyword::Verts:
        ScaleBlock(input, output, trimmed, ParseInt(ReadToken(cursor)), 0, "    ", factors, stats);
        break;
      case Keyword::PositionKey:
        ScaleBlock(input, output, trimmed, ParseInt(ReadToken(cursor)), 1, "   ", factors, stats);
        break;
      case Keyword::None:
        WriteCopiedLine(output, trimmed);
        break;
    }
  }
  stats.bytesRead = input.bytes_read();
  stats.bytesWritten = output.bytes_written();
  return stats;
}

ScaleResult ScaleModelFile(const std::string& inputPath, const std::string& outputPath,
                           std::string_view factorTextX, std::string_view factorTextY,
                           std::string_view factorTextZ, const PassControl& control,
                           PassStats* stats) {
  const ScaleFactors factors = ParseScaleFactors(factorTextX, factorTextY, factorTextZ);
  InputFile input;
  if (input.Open(inputPath) != 0) return ScaleResult::InputNotOpened;
  OutputFile output;
  if (output.Open(outputPath) != 0) return ScaleResult::OutputNotOpened;
  if (control.cancelled()) throw PassCancelled();
  const PassStats passStats = RunScalingPass(input, output, factors);
  output.Close();
  input.Close();
  if (stats != nullptr) *stats = passStats;
  return ScaleResult::Done;
}

}  // namespace tessary
