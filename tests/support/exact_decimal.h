// A slow, obviously correct reference for the eleven-decimal conversion: the exact decimal
// expansion of a double by schoolbook arithmetic on digit strings, then the two roundings
// (to 17 significant digits, then at the eleventh decimal), both taking a 5 away from zero.
#pragma once

#include <string>

namespace tessary::testing {

/// The exact decimal expansion of |value| (finite): integer digits, a point, the decimals
/// up to the last non-zero one.
std::string ExactDecimal(double value);

/// What FormatFixed11 must write for a finite value.
std::string ReferenceFixed11(double value);

}  // namespace tessary::testing
