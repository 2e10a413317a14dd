// Deterministic model text for benchmarks and memory checks.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessary::bench {

enum class ModelKind {
  /// Mostly verts blocks of a few hundred to a few thousand vertex lines, with faces,
  /// positionkey animations and other node lines.
  VertexHeavy,
  /// Lines without keywords, copied through by the pass.
  OrdinaryLines,
  /// Position, center and vertex lines whose coordinates are far from the common range, of
  /// either sign, written with "%.17g": 1e-30 to 1e-7, subnormals, 1e5 to 1e22 and 1e100 to
  /// 1e300, in about equal shares.
  AwkwardMagnitudes,
};

/// Changes whenever the text that GenerateModel writes changes, so that files kept from an
/// earlier generator can be told apart by name.
inline constexpr int kModelGeneratorVersion = 2;

/// The kind's name on command lines and in file names: "vertex-heavy", "ordinary", "awkward".
const char* ModelKindName(ModelKind kind);
/// The kind named `name`, or nothing.
std::optional<ModelKind> ModelKindNamed(std::string_view name);

/// Writes about `bytes` bytes of model text to `path` (LF line ends); the same arguments
/// always give the same file. Blocks shrink to fit what remains, so that a small request, such
/// as a kilobyte, gives a file of about that size. Throws std::runtime_error when the file
/// cannot be written.
void GenerateModel(const std::string& path, std::uint64_t bytes, ModelKind kind);

}  // namespace tessary::bench
