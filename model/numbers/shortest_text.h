// Numbers in messages and reports: the shortest text that reads back as the same double.
#pragma once

#include <string>

namespace tessary {

/// Such as "0.1", "0.0005", "-2.5", "1e+300", "1.234567e+06", "inf", "-inf" or "nan": the
/// fewest significant digits that read back as `value` (the nearest such digits when there
/// are several), written as printf's %g writes them for its default precision of 6: fixed
/// notation when the decimal exponent is from -4 to 5, scientific otherwise.
std::string ShortestText(double value);

}  // namespace tessary
