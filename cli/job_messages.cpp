#include "cli/job_messages.h"

#include "cli/format.h"
#include "cli/name_text.h"
#include "platform/process.h"

namespace tessary::cli {

const NameStyle& CliNames() {
  static const NameStyle names{[](std::string_view name) { return NameText(name); },
                               [](std::string_view name) { return QuotedNameText(name); }};
  return names;
}

std::string FailureText(const JobResult& record) {
  return FailureSentence(record, CliNames());
}

std::string FinishedText(const JobResult& record, Placement placement) {
  const auto shown = [](const JobFile& file) {
    return file.is_path() ? NameText(file.path) : file.name;
  };
  if (placement == Placement::InPlace) return "replaced " + shown(record.input);
  return "scaled " + shown(record.input) + " into " + shown(record.output);
}

std::string InterruptedText(std::size_t finished, std::size_t files, Placement placement) {
  const bool inPlace = placement == Placement::InPlace;
  const char* noun = inPlace ? (files == 1 ? "model" : "models") : (files == 1 ? "file" : "files");
  const char* verb = finished == 1 ? "was" : "were";
  std::string text = Format("interrupted: %zu of %zu %s %s %s (listed above)", finished, files,
                            noun, verb, inPlace ? "replaced" : "scaled");
  if (finished < files) text += "; the others are as they were";
  return text;
}

std::string ProgramLine(const std::string& text) {
  return "tessary-scale: " + ControlsEscaped(text) + "\n";
}

void PrintProgramLine(const std::string& text) {
  platform::WriteText(platform::Stream::Error, ProgramLine(text));
}

}  // namespace tessary::cli
