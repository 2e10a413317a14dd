// tessary-scale: the scaling pass on its own, for scripts and batches.
#include <string>
#include <variant>
#include <vector>

#include "cli/command_line.h"
#include "cli/help_text.h"
#include "cli/info_run.h"
#include "cli/job_messages.h"
#include "cli/run_result.h"
#include "cli/scale_run.h"
#include "platform/entry.h"
#include "platform/interrupt.h"
#include "platform/process.h"

using namespace tessary::cli;
namespace platform = tessary::platform;

namespace {

// Prints the help or the version; one that cannot be written (a full disk, a closed standard
// output) is a failure, as for any other output.
int Print(const std::string& text, const char* what) {
  const platform::Error error = platform::WriteText(platform::Stream::Output, text);
  if (error == 0) return 0;
  PrintProgramLine(std::string("Unable to write the ") + what + " to standard output. (" +
                   platform::ErrorText(error) + ")");
  return kExitFailure;
}

}  // namespace

int tessary::platform::ConsoleMain(const std::vector<std::string>& arguments) {
  const Command command = ParseCommandLine(arguments);
  if (const auto* usage = std::get_if<UsageError>(&command)) {
    PrintProgramLine(usage->message + " (see 'tessary-scale --help')");
    return kExitUsage;
  }
  if (std::holds_alternative<ShowHelp>(command)) return Print(HelpText(), "help");
  if (std::holds_alternative<ShowVersion>(command)) return Print(VersionText(), "version");
  platform::CatchInterruptions();
  const RunResult result =
      std::holds_alternative<InfoCommand>(command)
          ? RunInfoCommand(std::get<InfoCommand>(command), platform::InterruptFlag())
          : RunScaleCommand(std::get<ScaleCommand>(command), platform::InterruptFlag());
  if (result.interrupted) platform::EndAsInterrupted();
  return result.exitCode;
}
