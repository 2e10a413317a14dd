#include "model/pass/model_info.h"

#include <algorithm>
#include <cmath>

#include "model/pass/input_file.h"
#include "model/pass/pass_core.h"

namespace tessary {
namespace {

// Counts what the pass would rewrite, and where its points lie.
class InspectSink {
 public:
  InspectSink(ModelInfo& info, const PointVisitor& visit) : info_(info), visit_(visit) {}

  void LineStart(int) {}
  void Copy(std::string_view) {}
  void Header(const KeywordRule& rule) { ++CountsOf(rule).blocks; }
  void Rewrite(const KeywordRule& rule, const double* values) {
    PointCounts& counts = CountsOf(rule);
    ++counts.lines;
    const double* point = values + (rule.values - kPointValues);
    counts.box.Add(point);
    if (visit_) visit_(rule.kind, point);
    for (int axis = 0; axis < 3; ++axis) {
      const double magnitude = std::fabs(point[axis]);
      if (magnitude > counts.largestFinite && std::isfinite(magnitude)) {
        counts.largestFinite = magnitude;
      }
    }
  }
  OutputFile* Echo() { return nullptr; }

 private:
  PointCounts& CountsOf(const KeywordRule& rule) {
    switch (rule.kind) {
      case PointKind::Vertex:
        return info_.vertices;
      case PointKind::Key:
        return info_.keys;
      case PointKind::Position:
        break;
    }
    return info_.positions;
  }

  ModelInfo& info_;
  const PointVisitor& visit_;
};

}  // namespace

void Box3::Add(const double* point) {
  for (int axis = 0; axis < 3; ++axis) {
    min[axis] = std::min(min[axis], point[axis]);
    max[axis] = std::max(max[axis], point[axis]);
  }
}

Box3 Box3::Scaled(const ScaleFactors& factors) const {
  if (empty()) return *this;
  const double scale[3] = {factors.x, factors.y, factors.z};
  Box3 scaled;
  for (int axis = 0; axis < 3; ++axis) {
    const double a = min[axis] * scale[axis];
    const double b = max[axis] * scale[axis];
    // An infinite coordinate times 0 is written as nan: the box has no bounds then.
    const bool undefined = std::isnan(a) || std::isnan(b);
    scaled.min[axis] = undefined ? std::numeric_limits<double>::quiet_NaN() : std::min(a, b);
    scaled.max[axis] = undefined ? std::numeric_limits<double>::quiet_NaN() : std::max(a, b);
  }
  return scaled;
}

ModelInfo InspectModel(InputFile& input, const PassControl& control, const PointVisitor& visit) {
  ModelInfo info;
  InspectSink sink(info, visit);
  info.lines = pass::PassCore<InspectSink>(input, sink, control).Run();
  return info;
}

}  // namespace tessary
