// Models made up for tests of whole runs: deterministic for a seed, and with what inspecting
// them must find known in advance (counts of each kind of line and the box of each kind of
// point, as the pass reads the numbers).
#pragma once

#include <cstdint>
#include <string>

#include "model/pass/model_info.h"

namespace tessary::testing {

struct MadeModel {
  std::string text;
  ModelInfo info;  ///< what InspectModel finds in `text`
};

/// A model of a few nodes, each with position and center lines, a verts block of about
/// `vertices` lines, faces, comments and, for every other node, a positionkey block. Keywords
/// come in mixed case and lines end in LF or CR LF; each kind of point has its own box, drawn
/// from `seed`. The same seed always gives the same model.
MadeModel MakeModel(std::uint32_t seed, int vertices = 100);

}  // namespace tessary::testing
