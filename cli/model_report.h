// What --info prints about one model: as text for people, or as one JSON object for scripts.
#pragma once

#include <optional>
#include <string>

#include "model/pass/model_info.h"

namespace tessary::cli {

/// Lines, counts of each kind of rewritten line, and the box (minimum, maximum and size per
/// axis) of each kind of point; with `factors`, the boxes after scaling too. Several lines,
/// the first naming `name`.
std::string InfoText(const std::string& name, const ModelInfo& info,
                     const std::optional<ScaleFactors>& factors);

/// The same as one JSON object on one line:
///   {"file": NAME, "lines": N,
///    "positions": {"lines": N, "box": BOX},
///    "vertices": {"blocks": N, "lines": N, "box": BOX},
///    "keys": {"blocks": N, "lines": N, "box": BOX},
///    and with factors: "scale": [X, Y, Z], "scaled": {"positions": BOX, "vertices": BOX,
///    "keys": BOX}}
/// where BOX is {"min": [X, Y, Z], "max": [X, Y, Z], "size": [X, Y, Z]}, or null for a kind
/// of point the model does not have. A number that is not finite (a coordinate such as 1e400
/// reads as infinity) is null.
std::string InfoJson(const std::string& name, const ModelInfo& info,
                     const std::optional<ScaleFactors>& factors);

}  // namespace tessary::cli
