// --fit AXIS=LENGTH: the one factor that gives a model's vertex points the asked extent, as
// model/pass/fit.h finds it for tessary-scale and the browser's page alike.
#pragma once

#include <string>
#include <variant>

#include "cli/command_line.h"
#include "model/pass/fit.h"
#include "model/pass/model_info.h"

namespace tessary::cli {

using tessary::AxisName;

/// The factor for `fit`, or why there is none (see tessary::FitFactor).
inline std::variant<double, std::string> FitFactor(const ModelInfo& info, const FitRequest& fit) {
  return tessary::FitFactor(info, fit.axis, fit.length);
}

}  // namespace tessary::cli
