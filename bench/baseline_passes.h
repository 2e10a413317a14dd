// The two passes Tessary's is measured against.
#pragma once

#include <string>

namespace tessary::bench {

/// Reads each line and writes it back with "\r\n", through the same file layer as the pass:
/// the ceiling that reading and writing alone put on any pass.
void CopyLines(const std::string& inputPath, const std::string& outputPath);

/// The scaling pass as one would write it in an afternoon: std::getline, strtod and
/// snprintf("%.11f"). Same keyword rules; not the same digits for every value.
void NaiveScalingPass(const std::string& inputPath, const std::string& outputPath, double x,
                      double y, double z);

}  // namespace tessary::bench
