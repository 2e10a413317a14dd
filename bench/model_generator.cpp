#include "bench/model_generator.h"

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
  Writer(const std::string& path, std::uint64_t seed)
      : file_(std::fopen(path.c_str(), "wb")), random_(seed), path_(path) {
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
  int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  std::uint64_t written() const { return written_; }

  void Finish() {
    if (std::fclose(file_.release()) != 0) throw std::runtime_error("cannot write " + path_);
  }

 private:
  std::unique_ptr<std::FILE, FileCloser> file_;
  std::mt19937_64 random_;
  std::string path_;
  std::uint64_t written_ = 0;
};

void WriteNode(Writer& out, int index) {
  out.Line("node trimesh part%d\n", index);
  out.Line("  parent root\n");
  out.Line("  position %.8f %.8f %.8f\n", out.Coordinate(), out.Coordinate(), out.Coordinate());
  out.Line("  center %.8f %.8f %.8f\n", out.Coordinate(), out.Coordinate(), out.Coordinate());
  out.Line("  bitmap texture%d\n", index % 17);
  const int vertices = out.Between(300, 3000);
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
    const int keys = out.Between(10, 60);
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
  for (int i = 0; i < 1000; ++i) {
    out.Line("  # line %d of block %d: nothing here is scaled, it is copied %s\n", i, index,
             i % 2 == 0 ? "as it is" : "with CR LF");
  }
}

}  // namespace

void GenerateModel(const std::string& path, std::uint64_t bytes, ModelKind kind) {
  Writer out(path, 0x7e55a27);
  out.Line("# generated model, %llu bytes\n", static_cast<unsigned long long>(bytes));
  for (int index = 0; out.written() < bytes; ++index) {
    if (kind == ModelKind::VertexHeavy) {
      WriteNode(out, index);
    } else {
      WriteOrdinaryLines(out, index);
    }
  }
  out.Finish();
}

}  // namespace tessary::bench
