// --fit AXIS=LENGTH: the one factor that gives a model's vertex points the asked extent.
#pragma once

#include <string>
#include <variant>

#include "cli/command_line.h"
#include "model/pass/model_info.h"

namespace tessary::cli {

/// The uniform factor that makes the extent of the model's vertex points along the asked axis
/// equal to the asked length, or why there is none: no vertex points, points flat along the
/// axis, an extent or a factor out of the range of numbers, or a point of any kind that the
/// factor would take beyond it (the output would hold "inf"). Never divides by zero.
std::variant<double, std::string> FitFactor(const ModelInfo& info, const FitRequest& fit);

/// "x", "y" or "z".
char AxisName(int axis);

}  // namespace tessary::cli
