#include "tests/support/model_maker.h"

#include <cstdio>
#include <cstdlib>
#include <random>

namespace tessary::testing {
namespace {

class Maker {
 public:
  explicit Maker(std::uint32_t seed) : random_(seed) {
    // Each kind of point gets its own box, so that mixing kinds up shows.
    for (Range* range : {&vertexRange_, &positionRange_, &keyRange_}) {
      for (int axis = 0; axis < 3; ++axis) {
        const double low = Uniform(-50.0, 10.0);
        range->low[axis] = low;
        range->high[axis] = low + Uniform(0.5, 40.0);
      }
    }
  }

  MadeModel Make(int vertices) {
    Line("# made for tessary's tests\n");
    Line("model made\n");
    const int nodes = 2 + Between(0, 3);
    for (int node = 0; node < nodes; ++node) {
      Line("node trimesh part" + std::to_string(node) + "\n");
      Line("  parent root\n");
      PointLine(node % 2 == 0 ? "  position" : "  POSITION", positionRange_);
      PointLine("  center", positionRange_);
      VertsBlock(vertices / nodes + Between(0, 10));
      Line("  faces 2\n");
      Line("    0 1 2  1  0 1 2  0\n");
      Line("    1 2 3  1  1 2 3  0\r\n");
      if (node % 2 == 1) KeyBlock(3 + Between(0, 20));
      Line("endnode\n");
    }
    Line("donemodel made\n");
    return std::move(made_);
  }

 private:
  struct Range {
    double low[3];
    double high[3];
  };

  double Uniform(double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(random_);
  }
  int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

  void Line(const std::string& text) {
    made_.text += text;
    ++made_.info.lines;
  }

  // A coordinate drawn in the range, written with six decimals; what the pass reads is that
  // text read back. The first two points of a kind are the range's corners.
  std::string Coordinate(const Range& range, int axis, int corner, double& read) {
    const double value = corner == 0   ? range.low[axis]
                         : corner == 1 ? range.high[axis]
                                       : Uniform(range.low[axis], range.high[axis]);
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", value);
    read = std::strtod(text, nullptr);
    return text;
  }

  std::string Point(const Range& range, PointCounts& counts) {
    const int corner = static_cast<int>(counts.lines);
    double point[3];
    std::string text;
    for (int axis = 0; axis < 3; ++axis)
      text += " " + Coordinate(range, axis, corner, point[axis]);
    counts.box.Add(point);
    ++counts.lines;
    return text;
  }

  void PointLine(const std::string& keyword, const Range& range) {
    Line(keyword + Point(range, made_.info.positions) + "\n");
  }

  void VertsBlock(int count) {
    Line("  verts " + std::to_string(count) + "\n");
    ++made_.info.vertices.blocks;
    for (int i = 0; i < count; ++i)
      Line("   " + Point(vertexRange_, made_.info.vertices) + (i % 3 == 0 ? "\r\n" : "\n"));
  }

  void KeyBlock(int count) {
    Line("  positionKey " + std::to_string(count) + "\n");
    ++made_.info.keys.blocks;
    for (int i = 0; i < count; ++i) {
      Line("    " + std::to_string(i) + ".5" + Point(keyRange_, made_.info.keys) + "\n");
    }
  }

  std::mt19937 random_;
  Range vertexRange_;
  Range positionRange_;
  Range keyRange_;
  MadeModel made_;
};

}  // namespace

MadeModel MakeModel(std::uint32_t seed, int vertices) {
  return Maker(seed).Make(vertices);
}

}  // namespace tessary::testing
