// The scaling pass: copies model text line by line and multiplies the coordinates it finds by
// one factor per axis.
//
// A line whose first word is a keyword of model/keywords.h is rewritten, as that table says,
// from numbers read with atof rules and written with eleven decimals; every other line is
// copied through. Carriage returns and line feeds at either end of a copied line are dropped,
// and every output line ends in "\r\n". Lines may be of any length: memory stays bounded.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/pass_control.h"

namespace tessary {

class InputFile;
class OutputFile;

/// The multipliers for the first, second and third coordinate of every rescaled point.
struct ScaleFactors {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
};

/// The outcome of ScaleModelFile. A failure after both files are open is a FileError instead.
enum class ScaleResult {
  Done,             ///< "Done!"
  InputNotOpened,   ///< "Unable to open input file."
  OutputNotOpened,  ///< "Unable to open output file."
};

/// The message shown for `result`.
const char* MessageFor(ScaleResult result);

/// Converts the three factor texts with atof rules; text that is not a number gives 0.
ScaleFactors ParseScaleFactors(std::string_view x, std::string_view y, std::string_view z);

/// What a pass did, for the summary of tessary-scale and for benchmarks.
struct PassStats {
  std::uint64_t lines = 0;         ///< input lines read
  std::uint64_t pointsScaled = 0;  ///< coordinate triples multiplied
  std::uint64_t bytesRead = 0;     ///< model text read (up to a Ctrl-Z)
  std::uint64_t bytesWritten = 0;
};

/// Runs the pass from `input` to `output` until the input ends, and leaves both open (the
/// output's buffer may still hold data: see OutputFile::Finish). Throws FileError when reading
/// or writing fails and PassCancelled when `control` cancels it.
PassStats RunScalingPass(InputFile& input, OutputFile& output, const ScaleFactors& factors,
                         const PassControl& control = {});

/// One whole pass from the file at `inputPath` to the file at `outputPath`, through the driver
/// of model/scale_job.h. The factors are converted first; InputNotOpened when the input cannot
/// be opened (and no output is created), OutputNotOpened when the output cannot be opened or is
/// the input (and the output is left untouched). Throws FileError when reading or writing fails
/// after both files are open, PassCancelled when `control` cancels the pass; the output is then
/// as it was before the pass (see model/output_target.h for the one exception).
ScaleResult ScaleModelFile(const std::string& inputPath, const std::string& outputPath,
                           std::string_view factorTextX, std::string_view factorTextY,
                           std::string_view factorTextZ, const PassControl& control = {});

}  // namespace tessary
