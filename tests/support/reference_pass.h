// A slow, obviously right scaling pass on a whole model held in memory: the token reader and
// ParseDouble on every word, one rule at a time, no fast paths and no streaming. The real pass
// must write exactly what this one returns, whatever the input.
#pragma once

#include <string>
#include <string_view>

#include "model/pass/parallel_pass.h"
#include "model/pass/scaling_pass.h"

namespace tessary::testing {

std::string ReferencePass(std::string_view model, const ScaleFactors& factors);

/// Runs the real pass from `model` to a string, reading with an input buffer of `capacity`
/// bytes (small capacities send long lines down the streaming path); on several threads with
/// `parallel`.
std::string RealPass(std::string_view model, const ScaleFactors& factors, std::size_t capacity,
                     const ParallelOptions* parallel = nullptr);

}  // namespace tessary::testing
