// The scaling pass: copies model text line by line and multiplies the coordinates it finds by
// one factor per axis.
//
// A line whose first word is a keyword of model/pass/keywords.h is rewritten, as that table says,
// from numbers read with atof rules and written with eleven decimals; every other line is
// copied through. Carriage returns and line feeds at either end of a copied line are dropped,
// and every output line ends in "\r\n". Lines may be of any length: memory stays bounded.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/pass/pass_control.h"

namespace tessary {

class InputFile;
class OutputFile;

/// The multipliers for the first, second and third coordinate of every rescaled point.
struct ScaleFactors {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
};

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

}  // namespace tessary
