#include "tests/support/reference_pass.h"

#include <vector>

#include "model/numbers/number_format.h"
#include "model/numbers/number_parse.h"
#include "model/pass/input_file.h"
#include "model/pass/keywords.h"
#include "model/pass/output_file.h"
#include "model/pass/token_reader.h"
#include "tests/support/scratch_file.h"

namespace tessary::testing {
namespace {

std::vector<std::string_view> SplitLines(std::string_view text) {
  text = text.substr(0, text.find('\x1A'));
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    lines.push_back(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
  }
  return lines;
}

std::string_view TrimCarriageReturnsAndLineFeeds(std::string_view line) {
  const std::size_t first = line.find_first_not_of("\r\n");
  if (first == std::string_view::npos) return {};
  return line.substr(first, line.find_last_not_of("\r\n") - first + 1);
}

std::string Rewritten(const KeywordRule& rule, std::string_view cursor,
                      const ScaleFactors& factors) {
  double values[kMaxValues];
  for (int i = 0; i < rule.values; ++i)
    values[i] = ParseDouble(ReadToken(cursor));
  double* point = values + rule.values - 3;  // x, y, z come last
  point[0] *= factors.x;
  point[1] *= factors.y;
  point[2] *= factors.z;
  std::string out(rule.prefix);
  for (int i = 0; i < rule.values; ++i) {
    if (i > 0) out += ' ';
    out += FormatFixed11(values[i]);
  }
  return out + "\r\n";
}

}  // namespace

std::string ReferencePass(std::string_view model, const ScaleFactors& factors) {
  const std::vector<std::string_view> lines = SplitLines(model);
  std::string out;
  for (std::size_t i = 0; i < lines.size();) {
    const std::string_view line = TrimCarriageReturnsAndLineFeeds(lines[i++]);
    std::string_view cursor = line;
    const KeywordRule* rule = FindKeywordRule(ReadToken(cursor));
    if (rule != nullptr && !rule->countedBlock) {
      out += Rewritten(*rule, cursor, factors);
      continue;
    }
    out.append(line).append("\r\n");
    if (rule == nullptr) continue;
    for (int n = ParseInt(ReadToken(cursor)); n > 0 && i < lines.size(); --n)
      out += Rewritten(*rule, lines[i++], factors);
  }
  return out;
}

std::string RealPass(std::string_view model, const ScaleFactors& factors, std::size_t capacity,
                     const ParallelOptions* parallel) {
  // Both ends are files that read and write as regular files do.
  const ScratchFile in(model);
  const ScratchFile out;
  {
    InputFile input(nullptr, capacity);
    input.Read(in.Borrow(), "model");
    platform::File outputFile = out.Borrow();
    OutputFile output(outputFile, "scaled", nullptr, 4096);
    if (parallel != nullptr) {
      RunParallelScalingPass(input, output, factors, {}, *parallel);
    } else {
      RunScalingPass(input, output, factors);
    }
    output.Finish();
  }
  return out.Contents();
}

}  // namespace tessary::testing
