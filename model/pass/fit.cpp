#include "model/pass/fit.h"

#include <cmath>

#include "model/numbers/shortest_text.h"

namespace tessary {
namespace {

// Whether every point in `box` stays a finite number once scaled by `factor`: the ends of the
// box scaled as the pass scales each point, between which every other point lands.
bool StaysFinite(const Box3& box, double factor) {
  if (box.empty()) return true;
  const Box3 scaled = box.Scaled({factor, factor, factor});
  for (int axis = 0; axis < 3; ++axis) {
    if (!std::isfinite(scaled.min[axis]) || !std::isfinite(scaled.max[axis])) return false;
  }
  return true;
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
    if (!StaysFinite(points->box, factor)) {
      return "the factor " + ShortestText(factor) +
             " would take some of its points beyond the range of numbers";
    }
  }
  return factor;
}

}  // namespace tessary
