// Numbers in reports: the shortest text that reads back as the same double.
#pragma once

#include <string>

namespace tessary::cli {

/// Such as "0.1", "0.0005", "-2.5", "1e+300", "inf", "-inf" or "nan": fixed or scientific
/// notation as printf's %g chooses for that many significant digits.
std::string ShortestText(double value);

}  // namespace tessary::cli
