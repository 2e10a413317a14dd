// tessary-scale: the scaling pass on its own, for scripts and batches.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "model/messages.h"
#include "model/scale_job.h"
#include "tessary_version.h"

namespace {

using namespace tessary;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Set by SIGINT, SIGTERM or SIGHUP: the pass stops, the output is left as it was, and the
// program then ends by the same signal.
std::atomic<bool> interrupted{false};
volatile std::sig_atomic_t interruptSignal = 0;

extern "C" void OnInterrupt(int signal) {
  interruptSignal = signal;
  interrupted.store(true);
}

void HandleSignals() {
  // A file over the size limit is reported as a full disk rather than ending the program.
  std::signal(SIGXFSZ, SIG_IGN);
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a wait for a pipe returns to look at the flag
  for (const int signal : {SIGINT, SIGTERM, SIGHUP})
    sigaction(signal, &action, nullptr);
}

[[noreturn]] void EndBySignal() {
  std::signal(interruptSignal, SIG_DFL);
  std::raise(interruptSignal);
  std::_Exit(128 + interruptSignal);
}

JobFile FileArgument(const std::string& argument, int standardFd, const char* standardName) {
  return argument == "-" ? JobFile::Descriptor(standardFd, standardName) : JobFile::Path(argument);
}

void PrintSummary(const PassStats& stats, double seconds) {
  std::fprintf(stderr, "%s\n", MessageTemplate(Message::Done));
  std::fprintf(stderr,
               "%llu lines, %llu points scaled, %llu bytes read, %llu bytes written in %.3f s\n",
               static_cast<unsigned long long>(stats.lines),
               static_cast<unsigned long long>(stats.pointsScaled),
               static_cast<unsigned long long>(stats.bytesRead),
               static_cast<unsigned long long>(stats.bytesWritten), seconds);
}

int Run(const cli::ScaleJob& command) {
  const auto start = std::chrono::steady_clock::now();
  ScaleJob job{FileArgument(command.input, STDIN_FILENO, "standard input"),
               FileArgument(command.output, STDOUT_FILENO, "standard output"),
               command.factors,
               {}};
  job.control.cancel = &interrupted;
  const JobResult result = RunScaleJob(job);
  switch (result.status) {
    case JobStatus::Done:
      if (command.verbose) {
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        PrintSummary(result.stats, elapsed.count());
      }
      return EXIT_SUCCESS;
    case JobStatus::InputNotOpened:
    case JobStatus::OutputNotOpened:
      std::fprintf(stderr, "tessary-scale: %s (%s: %s)\n", result.Message().c_str(),
                   result.path.c_str(), result.reason.c_str());
      return kExitFailure;
    case JobStatus::Failed:
      std::fprintf(stderr, "tessary-scale: %s (%s)\n", result.Message().c_str(),
                   result.reason.c_str());
      return kExitFailure;
    case JobStatus::Cancelled:
      break;
  }
  EndBySignal();
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const cli::Command command = cli::ParseCommandLine(arguments);
  if (const auto* usage = std::get_if<cli::UsageError>(&command)) {
    std::fprintf(stderr, "tessary-scale: %s (see 'tessary-scale --help')\n",
                 usage->message.c_str());
    return kExitUsage;
  }
  if (std::holds_alternative<cli::ShowHelp>(command)) {
    std::fputs(cli::HelpText().c_str(), stdout);
    return EXIT_SUCCESS;
  }
  if (std::holds_alternative<cli::ShowVersion>(command)) {
    std::printf("tessary-scale %s\n", TESSARY_VERSION);
    return EXIT_SUCCESS;
  }
  HandleSignals();
  return Run(std::get<cli::ScaleJob>(command));
}
