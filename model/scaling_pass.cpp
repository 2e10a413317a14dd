#include "model/scaling_pass.h"

#include <cstring>

#include "model/keywords.h"
#include "model/messages.h"
#include "model/number_format.h"
#include "model/number_parse.h"
#include "model/output_file.h"
#include "model/pass_core.h"

namespace tessary {

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
  pass::WritingSink sink(output, factors);
  PassStats stats;
  stats.lines = pass::PassCore<pass::WritingSink>(input, sink, control).Run();
  stats.pointsScaled = sink.pointsScaled();
  stats.bytesRead = input.bytes_read();
  stats.bytesWritten = output.bytes_written();
  return stats;
}

}  // namespace tessary
