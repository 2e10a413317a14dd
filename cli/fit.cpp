#include "cli/fit.h"

#include <cmath>

#include "cli/number_text.h"

namespace tessary::cli {

char AxisName(int axis) {
  return static_cast<char>('x' + axis);
}

std::variant<double, std::string> FitFactor(const Box3& vertices, const FitRequest& fit) {
  if (vertices.empty()) return std::string("it has no vertex points");
  const std::string along = std::string(" along ") + AxisName(fit.axis);
  const double extent = vertices.max[fit.axis] - vertices.min[fit.axis];
  if (!std::isfinite(extent)) return "the extent of its vertex points" + along + " is not finite";
  if (extent == 0) return "its vertex points are flat" + along;
  const double factor = fit.length / extent;
  if (!std::isfinite(factor) || factor == 0) {
    return "the factor for an extent of " + ShortestText(extent) + along + " is out of range";
  }
  return factor;
}

}  // namespace tessary::cli
