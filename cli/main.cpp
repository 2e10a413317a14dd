// tessary-scale: the scaling pass on its own, for scripts and batches.
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <variant>
#include <vector>

#include "cli/command_line.h"
#include "cli/help_text.h"
#include "cli/info_run.h"
#include "cli/interrupt.h"
#include "cli/run_result.h"
#include "cli/scale_run.h"

using namespace tessary::cli;

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const Command command = ParseCommandLine(arguments);
  if (const auto* usage = std::get_if<UsageError>(&command)) {
    std::fprintf(stderr, "tessary-scale: %s (see 'tessary-scale --help')\n",
                 usage->message.c_str());
    return kExitUsage;
  }
  if (std::holds_alternative<ShowHelp>(command)) {
    std::fputs(HelpText().c_str(), stdout);
    return EXIT_SUCCESS;
  }
  if (std::holds_alternative<ShowVersion>(command)) {
    std::fputs(VersionText().c_str(), stdout);
    return EXIT_SUCCESS;
  }
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
