#include "model/pass/fit.h"

#include <cmath>

#include "model/numbers/shortest_text.h"

namespace tessary {
namespace {

// Whether the coordinates of `points` that are finite numbers stay so once scaled by `factor`
// (positive), as the pass scales each: the largest of them does. One that is already infinite
// stays so and is no reason.
bool StaysFinite(const PointCounts& points, double factor) {
  return std::isfinite(points.largestFinite * factor);
}

}  // namespace

char AxisName(int axis) {
  return static_cast<char>('x' + axis);
}

std::variant<double, std::string> FitFactor(const ModelInfo& info, int axis, double length) {
  const Box3& vertices = info.vertices.box;
  if (vertices.empty()) return std::string("it has no vertex points");
  const std::string along = std::string(" along ") + AxisName(axis);
  const double extent = vertices.max[axis] - vertices.min[axis];
  if (!std::isfinite(extent)) return "the extent of its vertex points" + along + " is not finite";
  if (extent == 0) return "its vertex points are flat" + along;
  const double factor = length / extent;
  if (!std::isfinite(factor) || factor == 0) {
    return "the factor for an extent of " + ShortestText(extent) + along + " is out of range";
  }
  for (const PointCounts* points : {&info.vertices, &info.positions, &info.keys}) {
    if (!StaysFinite(*points, factor)) {
      return "the factor " + ShortestText(factor) +
             " would take some of its points beyond the range of numbers";
    }
  }
  return factor;
}

}  // namespace tessary
