// Numbers in reports: the shortest text that reads back as the same double.
#pragma once

#include <string>

namespace tessary::cli {

/// Such as "0.1", "-2.5", "1e+300", "inf", "-inf" or "nan".
std::string ShortestText(double value);

}  // namespace tessary::cli
