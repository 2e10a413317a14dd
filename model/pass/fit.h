// Fitting a model to a length: the one factor that gives its vertex points the asked extent
// along an axis (tessary-scale --fit AXIS=LENGTH, and the browser page's "Fit an axis to a
// length").
#pragma once

#include <string>
#include <variant>

#include "model/pass/model_info.h"

namespace tessary {

/// A request to fit: the extent asked of the vertex points along an axis.
struct FitRequest {
  int axis = 0;  ///< 0, 1, 2 for x, y, z
  double length = 0.0;
};

/// The uniform factor that makes the extent of the model's vertex points along `axis` (0, 1,
/// 2 for x, y, z) equal to `length`, or why there is none: no vertex points, points flat along
/// the axis, an extent or a factor out of the range of numbers, or a finite point of any kind
/// that the factor would take beyond that range (the output would hold "inf" where the model
/// held a number). A coordinate that is already infinite stays so and is no reason. Never
/// divides by zero.
std::variant<double, std::string> FitFactor(const ModelInfo& info, int axis, double length);
inline std::variant<double, std::string> FitFactor(const ModelInfo& info, const FitRequest& fit) {
  return FitFactor(info, fit.axis, fit.length);
}

/// "x", "y" or "z".
char AxisName(int axis);

}  // namespace tessary
