// tessary-scale: the scaling pass on its own, for scripts and batches.
#include <malloc.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <variant>
#include <vector>

#include "cli/command_line.h"
#include "cli/help_text.h"
#include "cli/info_run.h"
#include "cli/interrupt.h"
#include "cli/job_messages.h"
#include "cli/run_result.h"
#include "cli/scale_run.h"
#include "model/standard_descriptors.h"

using namespace tessary::cli;

namespace {

// Prints the help or the version; one that cannot be written (a full disk, a closed standard
// output) is a failure, as for any other output.
int Print(const std::string& text, const char* what) {
  if (std::fputs(text.c_str(), stdout) >= 0 && std::fflush(stdout) == 0) return EXIT_SUCCESS;
  const int error = errno;
  std::fputs(ProgramLine(std::string("Unable to write the ") + what + " to standard output. (" +
                         std::strerror(error) + ")")
                 .c_str(),
             stderr);
  return kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
  tessary::KeepStandardDescriptorsOpen();
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const Command command = ParseCommandLine(arguments);
  if (const auto* usage = std::get_if<UsageError>(&command)) {
    std::fprintf(stderr, "tessary-scale: %s (see 'tessary-scale --help')\n",
                 usage->message.c_str());
    return kExitUsage;
  }
  if (std::holds_alternative<ShowHelp>(command)) return Print(HelpText(), "help");
  if (std::holds_alternative<ShowVersion>(command)) return Print(VersionText(), "version");
  // Each file's pass takes two 1 MiB buffers and gives them back. Keep such blocks in the
  // heap for the next file instead of returning them to the system and faulting them in
  // again: on the main thread that doubled the time of a batch of small models. The heap
  // still holds no more than what one pass needs at a time.
  mallopt(M_MMAP_THRESHOLD, 8 << 20);
  mallopt(M_TRIM_THRESHOLD, 32 << 20);
  HandleInterrupts();
  const RunResult result = std::holds_alternative<InfoCommand>(command)
                               ? RunInfoCommand(std::get<InfoCommand>(command), InterruptFlag())
                               : RunScaleCommand(std::get<ScaleCommand>(command), InterruptFlag());
  if (result.interrupted) EndByInterrupt();
  return result.exitCode;
}
