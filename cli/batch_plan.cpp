#include "cli/batch_plan.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <tuple>

#include "model/output_target.h"

namespace tessary::cli {
namespace {

namespace fs = std::filesystem;

// What a path stands for: an existing file's device and inode, or for a name that does not
// exist yet, its folder's device and inode and the name.
struct FileKey {
  dev_t device = 0;
  ino_t inode = 0;
  std::string name;  // empty for an existing file

  bool operator<(const FileKey& other) const {
    return std::tie(device, inode, name) < std::tie(other.device, other.inode, other.name);
  }
};

std::optional<FileKey> ExistingKey(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return std::nullopt;
  return FileKey{status.st_dev, status.st_ino, {}};
}

// An output's key; nothing when neither it nor its folder can be looked at (the job will say
// why when it gets there). A dangling symbolic link stands for the file it would create.
std::optional<FileKey> OutputKey(const std::string& path) {
  if (auto key = ExistingKey(path)) return key;
  const fs::path output(FollowLinks(path));
  const fs::path folder = output.parent_path().empty() ? fs::path(".") : output.parent_path();
  auto key = ExistingKey(folder.string());
  if (key) key->name = output.filename().string();
  return key;
}

}  // namespace

std::string OutputPathFor(const std::string& input, Placement placement,
                          const std::string& destination) {
  const fs::path path(input);
  switch (placement) {
    case Placement::Output:
      return destination;
    case Placement::InPlace:
      return input;
    case Placement::TargetDirectory:
      if (!path.has_filename()) return {};
      return (fs::path(destination) / path.filename()).string();
    case Placement::Suffix:
      if (!path.has_filename()) return {};
      return (path.parent_path() / (path.stem().string() + destination + path.extension().string()))
          .string();
  }
  return {};
}

std::vector<PlannedFile> PlanFiles(const ScaleCommand& command) {
  std::vector<PlannedFile> files;
  files.reserve(command.inputs.size());
  for (const std::string& input : command.inputs)
    files.push_back({input, OutputPathFor(input, command.placement, command.destination)});
  return files;
}

std::optional<std::string> CheckTargetDirectory(const std::string& folder) {
  struct stat status {};
  if (::stat(folder.c_str(), &status) != 0) {
    return "target directory '" + folder + "': " + std::strerror(errno);
  }
  if (!S_ISDIR(status.st_mode)) return "target directory '" + folder + "' is not a directory";
  return std::nullopt;
}

std::vector<std::string> FindConflicts(const std::vector<PlannedFile>& files, bool inPlace) {
  std::vector<std::string> problems;
  std::map<FileKey, std::size_t> inputs;   // the first input of each identity
  std::map<FileKey, std::size_t> outputs;  // the first input that writes each output
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (files[i].output.empty()) {
      problems.push_back("'" + files[i].input + "' names no file");
      continue;
    }
    const std::optional<FileKey> input = ExistingKey(files[i].input);
    if (inPlace) {
      if (!input) continue;  // the job will say why it cannot be read
      if (auto [at, added] = inputs.emplace(*input, i); !added) {
        problems.push_back(files[at->second].input + " and " + files[i].input +
                           " are the same file");
      }
      continue;
    }
    // An input that does not exist yet may be another input's output: known by its name.
    if (const std::optional<FileKey> key = input ? input : OutputKey(files[i].input)) {
      inputs.emplace(*key, i);
    }
    if (const std::optional<FileKey> output = OutputKey(files[i].output)) {
      if (auto [at, added] = outputs.emplace(*output, i); !added) {
        problems.push_back(files[at->second].input + " and " + files[i].input +
                           " would both be written to " + files[i].output);
      }
    }
  }
  if (!inPlace) {
    for (const PlannedFile& file : files) {
      const std::optional<FileKey> output =
          file.output.empty() ? std::nullopt : OutputKey(file.output);
      if (!output) continue;
      if (const auto input = inputs.find(*output); input != inputs.end()) {
        problems.push_back(file.input + " would be written to " + file.output +
                           ", which is the input " + files[input->second].input);
      }
    }
  }
  return problems;
}

}  // namespace tessary::cli
