// Temporary folders, whole-file reads and writes, and running programs, for tests.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tessary::testing {

/// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir();

  const std::filesystem::path& path() const { return path_; }
  /// The path of `name` inside the folder, as a string.
  std::string File(std::string_view name) const;

 private:
  std::filesystem::path path_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, std::string_view contents);

/// A path inside the source tree, such as "examples/cube.mdl".
std::string SourcePath(std::string_view relative);

/// What a finished program printed and how it ended.
struct ProgramResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

/// Runs `program` with `arguments`, feeding `input` to its standard input.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         std::string_view input = {});

/// Holds an exclusive lock on a file from a child process until destroyed, as another
/// program would.
class LockHolder {
 public:
  explicit LockHolder(const std::string& path);
  LockHolder(const LockHolder&) = delete;
  LockHolder& operator=(const LockHolder&) = delete;
  ~LockHolder();

 private:
  int pid_ = -1;
  int releasePipe_ = -1;
};

}  // namespace tessary::testing
