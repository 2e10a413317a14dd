// The scaling pass: copies model text line by line and multiplies the coordinates it finds by
// one factor per axis.
//
// A line whose first word is, ignoring case, "position" or "center" is rewritten from its next
// three numbers; "verts" and "positionkey" announce a count of following vertex lines (x y z)
// or key lines (t x y z) that are rewritten; every other line is copied through. Numbers are
// read with atof rules and written with eleven decimals; every output line ends in "\r\n".
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

/// What a pass did, for progress reports and benchmarks.
struct PassStats {
  std::uint64_t lines = 0;         ///< input lines read
  std::uint64_t pointsScaled = 0;  ///< coordinate triples multiplied
  std::uint64_t bytesRead = 0;
  std::uint64_t bytesWritten = 0;
};

/// Runs the pass from `input` to `output`, both open, until the input ends. Leaves both open.
/// Throws FileError when reading or writing fails.
PassStats RunScalingPass(InputFile& input, OutputFile& output, const ScaleFactors& factors);

/// One whole pass from the file at `inputPath` to the file at `outputPath`. The factors are
/// converted first; then the input is opened and locked (InputNotOpened if that fails, and no
/// output is created), the output is opened, locked and truncated (OutputNotOpened if that
/// fails, and the output is left untouched), the pass runs and the output and then the input
/// are closed. Naming the input as the output gives OutputNotOpened and changes nothing.
/// Throws FileError when reading, writing or closing fails after both files are open; both
/// files are closed then too and the output holds what was written so far. `control` reports
/// progress and cancels the pass (PassCancelled is thrown then).
ScaleResult ScaleModelFile(const std::string& inputPath, const std::string& outputPath,
                           std::string_view factorTextX, std::string_view factorTextY,
                           std::string_view factorTextZ, const PassControl& control = {},
                           PassStats* stats = nullptr);

}  // namespace tessary
