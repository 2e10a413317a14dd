#include "bench/model_generator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <stdexcept>

namespace tessary::bench {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

class Writer {
 public:
  Writer(const std::string& path, std::uint64_t target, std::uint64_t seed)
      : file_(std::fopen(path.c_str(), "wb")), random_(seed), path_(path), target_(target) {
    if (!file_) throw std::runtime_error("cannot create " + path);
  }

  void Line(const char* format, auto... values) {
    char line[256];
    const int length = std::snprintf(line, sizeof line, format, values...);
    std::fwrite(line, 1, static_cast<std::size_t>(length), file_.get());
    written_ += static_cast<std::uint64_t>(length);
  }

  // A coordinate of a typical model: -2.5 to 2.5 with eight decimals.
  double Coordinate() { return std::uniform_real_distribution<double>(-2.5, 2.5)(random_); }

  // A coordinate far from the typical range, of either sign: tiny, subnormal, large or huge.
  double AwkwardCoordinate() {
    const double sign = Between(0, 1) == 0 ? 1.0 : -1.0;
    switch (Between(0, 3)) {
      case 0:
        return sign * PowerOfTen(-30, -7);
      case 1:
        return sign * Subnormal();
      case 2:
        return sign * PowerOfTen(5, 22);
      default:
        return sign * PowerOfTen(100, 300);
    }
  }

  int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

  // `count` lines of about `lineBytes` bytes each, or fewer when they would go well past the
  // requested size; never fewer than four.
  int Fit(int count, int lineBytes) const {
    const std::uint64_t left = written_ < target_ ? target_ - written_ : 0;
    const auto fitting = static_cast<int>(std::min<std::uint64_t>(left / lineBytes, 1 << 30));
    return std::min(count, std::max(4, fitting));
  }

  std::uint64_t written() const { return written_; }

  void Finish() {
    const bool failed = std::ferror(file_.get()) != 0;
    if (std::fclose(file_.release()) != 0 || failed) {
      throw std::runtime_error("cannot write " + path_);
    }
  }

 private:
  // 10^e for e drawn evenly from [low, high): magnitudes spread evenly over the decades.
  double PowerOfTen(double low, double high) {
    return std::pow(10.0, std::uniform_real_distribution<double>(low, high)(random_));
  }

  // Mostly any subnormal, spread over its 52 bits of fraction; now and then the smallest one
  // (4.9e-324) or 2.2e-310.
  double Subnormal() {
    switch (Between(0, 7)) {
      case 0:
        return 4.9406564584124654e-324;
      case 1:
        return 2.2e-310;
      default: {
        const auto fraction =
            std::uniform_int_distribution<std::uint64_t>(1, (std::uint64_t{1} << 52) - 1)(random_);
        const std::uint64_t bits = std::max<std::uint64_t>(fraction >> Between(0, 51), 1);
        return std::ldexp(static_cast<double>(bits), -1074);
      }
    }
  }

  std::unique_ptr<std::FILE, FileCloser> file_;
  std::mt19937_64 random_;
  std::string path_;
  std::uint64_t target_;
  std::uint64_t written_ = 0;
};

void WriteNode(Writer& out, int index) {
  out.Line("node trimesh part%d\n", index);
  out.Line("  parent root\n");
  out.Line("  position %.8f %.8f %.8f\n", out.Coordinate(), out.Coordinate(), out.Coordinate());
  out.Line("  center %.8f %.8f %.8f\n", out.Coordinate(), out.Coordinate(), out.Coordinate());
  out.Line("  bitmap texture%d\n", index % 17);
  // A vertex line and a quarter of a face line: about 48 bytes.
  const int vertices = out.Fit(out.Between(300, 3000), 48);
  out.Line("  verts %d\n", vertices);
  for (int i = 0; i < vertices; ++i) {
    out.Line("    %.8f %.8f %.8f\n", out.Coordinate(), out.Coordinate(), out.Coordinate());
  }
  const int faces = vertices / 4;
  out.Line("  faces %d\n", faces);
  for (int i = 0; i < faces; ++i) {
    const int a = out.Between(0, vertices - 1);
    out.Line("    %d %d %d  1  %d %d %d  %d\n", a, (a + 1) % vertices, (a + 2) % vertices, a,
             (a + 1) % vertices, (a + 2) % vertices, i % 4);
  }
  out.Line("endnode\n");
  if (index % 5 == 0) {
    const int keys = out.Fit(out.Between(10, 60), 46);
    out.Line("node dummy anim%d\n", index);
    out.Line("  positionkey %d\n", keys);
    for (int i = 0; i < keys; ++i) {
      out.Line("   %.6f %.8f %.8f %.8f\n", i / 30.0, out.Coordinate(), out.Coordinate(),
               out.Coordinate());
    }
    out.Line("endnode\n");
  }
}

void WriteOrdinaryLines(Writer& out, int index) {
  const int lines = out.Fit(1000, 70);
  for (int i = 0; i < lines; ++i) {
    out.Line("  # line %d of block %d: nothing here is scaled, it is copied %s\n", i, index,
             i % 2 == 0 ? "as it is" : "with CR LF");
  }
}

void WriteAwkwardNode(Writer& out, int index) {
  out.Line("node trimesh awkward%d\n", index);
  out.Line("  parent root\n");
  out.Line("  position %.17g %.17g %.17g\n", out.AwkwardCoordinate(), out.AwkwardCoordinate(),
           out.AwkwardCoordinate());
  out.Line("  center %.17g %.17g %.17g\n", out.AwkwardCoordinate(), out.AwkwardCoordinate(),
           out.AwkwardCoordinate());
  const int vertices = out.Fit(out.Between(100, 1000), 72);
  out.Line("  verts %d\n", vertices);
  for (int i = 0; i < vertices; ++i) {
    out.Line("    %.17g %.17g %.17g\n", out.AwkwardCoordinate(), out.AwkwardCoordinate(),
             out.AwkwardCoordinate());
  }
  out.Line("endnode\n");
}

}  // namespace

const char* ModelKindName(ModelKind kind) {
  switch (kind) {
    case ModelKind::VertexHeavy:
      return "vertex-heavy";
    case ModelKind::OrdinaryLines:
      return "ordinary";
    case ModelKind::AwkwardMagnitudes:
      return "awkward";
  }
  return "unknown";
}

std::optional<ModelKind> ModelKindNamed(std::string_view name) {
  for (const ModelKind kind :
       {ModelKind::VertexHeavy, ModelKind::OrdinaryLines, ModelKind::AwkwardMagnitudes}) {
    if (name == ModelKindName(kind)) return kind;
  }
  return std::nullopt;
}

void GenerateModel(const std::string& path, std::uint64_t bytes, ModelKind kind) {
  Writer out(path, bytes, 0x7e55a27);
  out.Line("# generated model, %llu bytes\n", static_cast<unsigned long long>(bytes));
  for (int index = 0; out.written() < bytes; ++index) {
    switch (kind) {
      case ModelKind::VertexHeavy:
        WriteNode(out, index);
        break;
      case ModelKind::OrdinaryLines:
        WriteOrdinaryLines(out, index);
        break;
      case ModelKind::AwkwardMagnitudes:
        WriteAwkwardNode(out, index);
        break;
    }
  }
  out.Finish();
}

}  // namespace tessary::bench
