// What a model holds, read exactly as the pass reads it, without writing anything: how many
// lines of each kind, and the bounding box of each kind of point.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>

#include "model/pass/keywords.h"
#include "model/pass/pass_control.h"
#include "model/pass/scaling_pass.h"

namespace tessary {

class InputFile;

/// The smallest axis-aligned box around some points; empty until the first point.
struct Box3 {
  double min[3] = {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
                   std::numeric_limits<double>::infinity()};
  double max[3] = {-std::numeric_limits<double>::infinity(),
                   -std::numeric_limits<double>::infinity(),
                   -std::numeric_limits<double>::infinity()};

  bool empty() const {
    return min[0] == std::numeric_limits<double>::infinity() &&
           max[0] == -std::numeric_limits<double>::infinity();
  }
  void Add(const double* point);
  /// The box around the points after scaling (a negative factor swaps an axis's ends). An
  /// axis on which a point would be scaled to nan (an infinite coordinate times 0) has nan
  /// for both ends, as the pass writes nan for that point.
  Box3 Scaled(const ScaleFactors& factors) const;
};

/// Lines and points of one kind.
struct PointCounts {
  std::uint64_t blocks = 0;  ///< counted blocks (0 for position and center lines)
  std::uint64_t lines = 0;   ///< rewritten lines, each carrying one point
  Box3 box;                  ///< around the points as read, before any scaling
  /// The largest magnitude of their coordinates that are finite numbers (a coordinate such as
  /// 1e999 reads as an infinity), or 0: what a factor must keep finite.
  double largestFinite = 0;
};

struct ModelInfo {
  std::uint64_t lines = 0;  ///< input lines
  PointCounts positions;    ///< position and center lines
  PointCounts vertices;     ///< verts blocks and their vertex lines
  PointCounts keys;         ///< positionkey blocks and their key lines (the key's point)
};

/// Called with each point the pass would scale, as read (three values), and its kind.
using PointVisitor = std::function<void(PointKind kind, const double* point)>;

/// Reads the whole model from `input`, showing `visit` each point when it is given. Throws
/// FileError and PassCancelled as the pass does.
ModelInfo InspectModel(InputFile& input, const PassControl& control = {},
                       const PointVisitor& visit = nullptr);

}  // namespace tessary
