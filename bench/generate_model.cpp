// tessary-genmodel: writes deterministic model text for benchmarks and memory checks.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>

#include "bench/model_generator.h"

int main(int argc, char** argv) {
  const std::optional<tessary::bench::ModelKind> kind =
      tessary::bench::ModelKindNamed(argc == 4 ? argv[3] : "vertex-heavy");
  if (argc < 3 || argc > 4 || !kind) {
    std::fprintf(stderr,
                 "usage: tessary-genmodel OUTPUT MEBIBYTES [vertex-heavy|ordinary|awkward]\n");
    return 2;
  }
  try {
    const auto mebibytes = std::strtoull(argv[2], nullptr, 10);
    tessary::bench::GenerateModel(argv[1], mebibytes << 20, *kind);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tessary-genmodel: %s\n", error.what());
    return 1;
  }
  return 0;
}
