#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "tests/support/files.h"

namespace tessary::testing {

std::filesystem::path PathOf(const std::string& path) {
  return std::filesystem::path(
      std::u8string(reinterpret_cast<const char8_t*>(path.data()), path.size()));
}

std::string Utf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

TempDir::TempDir() {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937 random{std::random_device{}()};
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = "tessary-test-";
    for (int i = 0; i < 8; ++i)
      name += kLetters[random() % (sizeof kLetters - 1)];
    if (std::filesystem::create_directory(base / name)) {
      path_ = base / name;
      return;
    }
  }
  throw std::runtime_error("no temporary folder could be made");
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::File(std::string_view name) const {
  return Utf8(path_ / PathOf(std::string(name)));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(PathOf(path), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, std::string_view contents) {
  std::ofstream out(PathOf(path), std::ios::binary | std::ios::trunc);
  out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string SourcePath(std::string_view relative) {
  return Utf8(std::filesystem::path(TESSARY_SOURCE_DIR) / relative);
}

std::vector<std::string> ListFolder(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(Utf8(entry.path().filename()));
  std::sort(names.begin(), names.end());
  return names;
}

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const ProgramSetup& setup) {
  return RunningProgram(program, arguments, setup).Wait();
}

}  // namespace tessary::testing
