#include "model/job/batch_plan.h"

#include <map>
#include <tuple>

#include "platform/file.h"

namespace tessary {
namespace {

// What a path stands for: an existing file's identity, or for a name that does not exist yet,
// its folder's identity and the name as the file system compares names.
struct FileKey {
  platform::FileId id;
  std::string name;  // empty for an existing file

  bool operator<(const FileKey& other) const {
    return std::tie(id, name) < std::tie(other.id, other.name);
  }
};

std::optional<FileKey> ExistingKey(const std::string& path) {
  platform::FileStatus status;
  // A pipe or a device that tells no identity is no file to compare.
  if (platform::StatusOf(path, status) != 0 || !status.identified) return std::nullopt;
  return FileKey{status.id, {}};
}

// An output's key; nothing when neither it nor its folder can be looked at (the job will say
// why when it gets there). A dangling symbolic link stands for the file it would create.
std::optional<FileKey> OutputKey(const std::string& path) {
  if (auto key = ExistingKey(path)) return key;
  const std::string output = platform::FollowLinks(path);
  auto key = ExistingKey(platform::FolderOf(output));
  if (key) key->name = platform::ComparableName(platform::NameOf(output));
  return key;
}

// The name's stem and extension, as "crate" and ".mdl"; a name that starts with its only dot
// has no extension.
std::pair<std::string, std::string> SplitExtension(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0 || name == "..") return {name, {}};
  return {name.substr(0, dot), name.substr(dot)};
}

}  // namespace

std::string OutputPathFor(const std::string& input, Placement placement,
                          const std::string& destination) {
  const std::string name = platform::NameOf(input);
  switch (placement) {
    case Placement::Output:
      return destination;
    case Placement::InPlace:
      return input;
    case Placement::TargetDirectory:
      if (name.empty()) return {};
      return platform::JoinPath(destination, name);
    case Placement::Suffix: {
      if (name.empty()) return {};
      const auto [stem, extension] = SplitExtension(name);
      return platform::JoinPath(platform::ParentOf(input), stem + destination + extension);
    }
  }
  return {};
}

std::vector<PlannedFile> PlanFiles(const std::vector<std::string>& inputs, Placement placement,
                                   const std::string& destination) {
  std::vector<PlannedFile> files;
  files.reserve(inputs.size());
  for (const std::string& input : inputs)
    files.push_back({input, OutputPathFor(input, placement, destination)});
  return files;
}

std::optional<std::string> CheckTargetDirectory(const std::string& folder, const NameStyle& names) {
  platform::FileStatus status;
  if (const platform::Error error = platform::StatusOf(folder, status); error != 0) {
    return "target directory " + names.quoted(folder) + ": " + platform::ErrorText(error);
  }
  if (status.kind != platform::FileKind::Folder) {
    return "target directory " + names.quoted(folder) + " is not a directory";
  }
  return std::nullopt;
}

std::optional<std::string> UnmatchedPattern(const std::string& input, const NameStyle& names) {
  const char c = platform::CharacterNotInNames(platform::NameOf(input));
  if (c != '*' && c != '?') return std::nullopt;
  return names.quoted(input) + " names no file: no file matches it";
}

std::vector<std::string> FindConflicts(const std::vector<PlannedFile>& files, bool inPlace,
                                       const NameStyle& names) {
  std::vector<std::string> problems;
  std::map<FileKey, std::size_t> inputs;   // the first input of each identity
  std::map<FileKey, std::size_t> outputs;  // the first input that writes each output
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (auto problem = UnmatchedPattern(files[i].input, names)) {
      problems.push_back(*problem);
      continue;
    }
    if (files[i].output.empty()) {
      problems.push_back(names.quoted(files[i].input) + " names no file");
      continue;
    }
    const std::optional<FileKey> input = ExistingKey(files[i].input);
    if (inPlace) {
      if (!input) continue;  // the job will say why it cannot be read
      if (auto [at, added] = inputs.emplace(*input, i); !added) {
        problems.push_back(names.shown(files[at->second].input) + " and " +
                           names.shown(files[i].input) + " are the same file");
      }
      continue;
    }
    bool bothWritten = false;
    if (const std::optional<FileKey> output = OutputKey(files[i].output)) {
      if (auto [at, added] = outputs.emplace(*output, i); !added) {
        problems.push_back(names.shown(files[at->second].input) + " and " +
                           names.shown(files[i].input) + " would both be written to " +
                           names.shown(files[i].output));
        bothWritten = true;
      }
    }
    // An input that does not exist yet may be another input's output: known by its name. One
    // file given twice under two names would be two jobs on it at once.
    if (const std::optional<FileKey> key = input ? input : OutputKey(files[i].input)) {
      if (auto [at, added] = inputs.emplace(*key, i); !added && input && !bothWritten) {
        problems.push_back(names.shown(files[at->second].input) + " and " +
                           names.shown(files[i].input) + " are the same file");
      }
    }
  }
  if (!inPlace) {
    for (const PlannedFile& file : files) {
      const std::optional<FileKey> output =
          file.output.empty() ? std::nullopt : OutputKey(file.output);
      if (!output) continue;
      if (const auto input = inputs.find(*output); input != inputs.end()) {
        problems.push_back(names.shown(file.input) + " would be written to " +
                           names.shown(file.output) + ", which is the input " +
                           names.shown(files[input->second].input));
      }
    }
  }
  return problems;
}

}  // namespace tessary
