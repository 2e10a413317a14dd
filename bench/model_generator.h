// Deterministic model text for benchmarks and memory checks.
#pragma once

#include <cstdint>
#include <string>

namespace tessary::bench {

enum class ModelKind {
  /// Mostly verts blocks of a few hundred to a few thousand vertex lines, with faces,
  /// positionkey animations and other node lines.
  VertexHeavy,
  /// Lines without keywords, copied through by the pass.
  OrdinaryLines,
};

/// Writes about `bytes` bytes of model text to `path` (LF line ends); the same arguments
/// always give the same file. Throws std::runtime_error when the file cannot be written.
void GenerateModel(const std::string& path, std::uint64_t bytes, ModelKind kind);

}  // namespace tessary::bench
