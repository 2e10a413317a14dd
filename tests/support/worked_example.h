// The model every part of Tessary is checked on first, and what factors 2, 3 and 0.5 make of
// it: each keyword rule and each block rule once.
#pragma once

namespace tessary::testing {

inline constexpr char kWorkedExample[] =
    "  position 1 2 4\n"
    "CENTER 0 1 -2\n"
    "  verts 2\n"
    "1 1 1\n"
    "0.5 0 2 9\n"
    "positionkey 1\n"
    "0.25 1 1 1\n"
    "node dummy\n";

inline constexpr char kWorkedExampleScaled[] =
    "position 2.00000000000 6.00000000000 2.00000000000\r\n"
    "center 0.00000000000 3.00000000000 -1.00000000000\r\n"
    "  verts 2\r\n"
    "    2.00000000000 3.00000000000 0.50000000000\r\n"
    "    1.00000000000 0.00000000000 1.00000000000\r\n"
    "positionkey 1\r\n"
    "   0.25000000000 2.00000000000 3.00000000000 0.50000000000\r\n"
    "node dummy\r\n";

/// A smaller model for tests of what happens to files rather than to lines, and what factor 2
/// on every axis makes of it.
inline constexpr char kSmallModel[] = "position 1 2 3\nverts 1\n1 1 1\n";
inline constexpr char kSmallModelDoubled[] =
    "position 2.00000000000 4.00000000000 6.00000000000\r\nverts 1\r\n"
    "    2.00000000000 2.00000000000 2.00000000000\r\n";

}  // namespace tessary::testing
