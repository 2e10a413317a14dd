#include "model/scaling_pass.h"

#include <cstring>

#include "model/keywords.h"
#include "model/messages.h"
#include "model/number_format.h"
#include "model/number_parse.h"
#include "model/output_file.h"
#include "model/pass_core.h"

namespace tessary {
namespace {

char* Append(char* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

// Writes the scaled model: copied lines as they are, rewritten lines from their scaled point.
class ScaleSink {
 public:
  ScaleSink(OutputFile& output, const ScaleFactors& factors) : output_(output), factors_(factors) {}

  void Copy(std::string_view text) {
    output_.Write(text);
    output_.Write("\r\n");
  }

  void Header(const KeywordRule&) {}

  // Scales the point at the end of `values` and writes the rule's prefix, the values
  // separated by single blanks, and "\r\n".
  void Rewrite(const KeywordRule& rule, double* values) {
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
    ++pointsScaled_;
  }

  OutputFile* Echo() { return &output_; }
  std::uint64_t pointsScaled() const { return pointsScaled_; }

 private:
  OutputFile& output_;
  const ScaleFactors& factors_;
  std::uint64_t pointsScaled_ = 0;
};

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
  ScaleSink sink(output, factors);
  PassStats stats;
  stats.lines = pass::PassCore<ScaleSink>(input, sink, control).Run();
  stats.pointsScaled = sink.pointsScaled();
  stats.bytesRead = input.bytes_read();
  stats.bytesWritten = output.bytes_written();
  return stats;
}

}  // namespace tessary
