// Random models that mix every keyword rule with awkward text: odd blanks, quotes, NULs,
// carriage returns, numbers of every form and length, counts that run short or long.
#pragma once

#include <random>
#include <string>

namespace tessary::testing {

/// Writes a deterministic model for each seed.
class ModelWriter {
 public:
  explicit ModelWriter(std::uint64_t seed) : random_(seed) {}

  std::string Model() {
    std::string model;
    const int lines = Between(0, 40);
    for (int i = 0; i < lines; ++i)
      model += Line() + (Chance(20) ? "\r\n" : Chance(30) ? "" : "\n");
    if (Chance(10)) model += '\x1A' + Line();
    return model;
  }

 private:
  int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  bool Chance(int percent) { return Between(1, 100) <= percent; }
  template <typename T, std::size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[static_cast<std::size_t>(Between(0, static_cast<int>(N) - 1))];
  }

  std::string Blanks() {
    static const char* const kBlanks[] = {" ", "  ", "\t", " \t ", "\v", "\f", "\r", "   "};
    return Chance(10) ? std::string(static_cast<std::size_t>(Between(0, 70)), ' ') : Pick(kBlanks);
  }

  std::string Keyword() {
    static const char* const kWords[] = {
        "position",    "center",     "verts",   "positionkey", "POSITION",     "Center", "VeRtS",
        "PositionKey", "pos",        "verts2",  "node",        "positionkeys", "",       "centre",
        "orient",      "'position'", "\"verts", "'verts'x",    "faces",        "#"};
    return Pick(kWords);
  }

  std::string Number() {
    static const char* const kForms[] = {"0",
                                         "-0",
                                         "1",
                                         "-2.5",
                                         "0.125",
                                         "3.",
                                         ".5",
                                         "1e3",
                                         "1.5d2",
                                         "-7E-3",
                                         "1e",
                                         "1e+",
                                         "2x",
                                         "1x2",
                                         "0x10",
                                         "inf",
                                         "nan",
                                         "+.",
                                         "'4 5'",
                                         "\"6",
                                         "1048576.1",
                                         "1e400",
                                         "-1e-400",
                                         "123456789012345678901234567890",
                                         "0.000000000000001",
                                         "9007199254740993",
                                         "4.9e-324",
                                         "1.7976931348623157e308",
                                         "'12'",
                                         "--1",
                                         "1..2",
                                         "5\x01",
                                         "abc",
                                         "1'2",
                                         "7,5",
                                         "2147483648",
                                         "-2147483649",
                                         "3\v4"};
    if (Chance(5)) return std::string(static_cast<std::size_t>(Between(1, 300)), '9');
    if (Chance(3)) return "0." + std::string(static_cast<std::size_t>(Between(1, 400)), '0') + "7";
    return Pick(kForms);
  }

  std::string Line() {
    std::string line;
    if (Chance(10)) line += std::string(static_cast<std::size_t>(Between(1, 3)), '\r');
    if (Chance(40)) line += Blanks();
    if (Chance(3)) line += std::string(static_cast<std::size_t>(Between(1, 200)), ' ');
    line += Keyword();
    const int words = Between(0, 6);
    for (int i = 0; i < words; ++i) {
      line += Blanks();
      line += Chance(5) ? std::string(1, '\0') : Chance(15) ? Keyword() : Number();
    }
    if (Chance(15)) line += Blanks();
    if (Chance(10)) line += std::string(static_cast<std::size_t>(Between(1, 4)), '\r');
    return line;
  }

  std::mt19937_64 random_;
};

}  // namespace tessary::testing
