// Reading a decimal w * 10^q (w of up to 64 bits, any q) as the nearest double with one or two
// 64-bit products, the Eisel-Lemire method.
#pragma once

#include <cstdint>

namespace tessary {

/// Sets `value` to the double nearest to w * 10^q, ties to even, and returns true; w >= 1.
/// Returns false, leaving `value` alone, when the products cannot settle it: when w * 10^q
/// may lie exactly halfway between two doubles, and when it is infinite or below the
/// smallest subnormal (or q is outside the table of powers of five).
bool NearestDoubleEiselLemire(std::uint64_t w, long long q, double& value);

}  // namespace tessary
