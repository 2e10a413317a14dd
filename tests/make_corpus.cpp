// tessary-corpus FOLDER COUNT: writes COUNT generated models into FOLDER, for comparing the
// outputs of two builds of tessary-scale (scripts/windows-compare): awkward model text of
// every kind, ordinary models, and one model large enough for the pass on several threads.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

#include "tests/support/files.h"
#include "tests/support/model_maker.h"
#include "tests/support/model_writer.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: tessary-corpus FOLDER COUNT\n");
    return 2;
  }
  try {
    const std::filesystem::path folder(argv[1]);
    std::filesystem::create_directories(folder);
    const int count = std::atoi(argv[2]);
    const auto name = [&folder](int i) {
      char text[32];
      std::snprintf(text, sizeof text, "m%04d.mdl", i);
      return (folder / text).string();
    };
    for (int i = 0; i < count; ++i) {
      const auto seed = static_cast<std::uint32_t>(i);
      tessary::testing::WriteFile(name(i), i % 2 == 0 ? tessary::testing::ModelWriter(seed).Model()
                                                      : tessary::testing::MakeModel(seed, 50).text);
    }
    std::string large;
    for (std::uint32_t seed = 0; large.size() < (12u << 20); ++seed)
      large += tessary::testing::MakeModel(seed, 2000).text;
    tessary::testing::WriteFile(name(count), large);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tessary-corpus: %s\n", error.what());
    return 1;
  }
  return 0;
}
