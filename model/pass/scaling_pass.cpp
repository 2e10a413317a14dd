#include "model/pass/scaling_pass.h"

#include <cstring>

#include "model/numbers/number_format.h"
#include "model/numbers/number_parse.h"
#include "model/pass/keywords.h"
#include "model/pass/output_file.h"
#include "model/pass/pass_core.h"

namespace tessary {

ScaleFactors ParseScaleFactors(std::string_view x, std::string_view y, std::string_view z) {
  return {ParseDouble(x), ParseDouble(y), ParseDouble(z)};
}

PassStats RunScalingPass(InputFile& input, OutputFile& output, const ScaleFactors& factors,
                         const PassControl& control) {
  pass::WritingSink sink(output, factors);
  PassStats stats;
  stats.lines = pass::PassCore<pass::WritingSink>(input, sink, control).Run();
  stats.pointsScaled = sink.pointsScaled();
  stats.bytesRead = input.bytes_read();
  stats.bytesWritten = output.bytes_written();
  return stats;
}

}  // namespace tessary
