// tessary-scale: the scaling pass on its own, for scripts and batches.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "model/file_error.h"
#include "model/input_file.h"
#include "model/output_file.h"
#include "model/scaling_pass.h"
#include "tessary_version.h"

namespace {

using namespace tessary;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

void PrintError(const std::string& message, const std::string& detail) {
  std::fprintf(stderr, "tessary-scale: %s (%s)\n", message.c_str(), detail.c_str());
}

int OpenFailure(ScaleResult result, const std::string& path, int error) {
  PrintError(MessageFor(result), path + ": " + std::strerror(error));
  return kExitFailure;
}

void PrintSummary(const PassStats& stats, double seconds) {
  std::fprintf(stderr, "Done!\n");
  std::fprintf(stderr,
               "%llu lines, %llu points scaled, %llu bytes read, %llu bytes written in %.3f s\n",
               static_cast<unsigned long long>(stats.lines),
               static_cast<unsigned long long>(stats.pointsScaled),
               static_cast<unsigned long long>(stats.bytesRead),
               static_cast<unsigned long long>(stats.bytesWritten), seconds);
}

int Run(const cli::ScaleJob& job) {
  const auto start = std::chrono::steady_clock::now();
  InputFile input;
  if (job.input == "-") {
    input.Borrow(STDIN_FILENO, "standard input");
  } else if (const int error = input.Open(job.input); error != 0) {
    return OpenFailure(ScaleResult::InputNotOpened, job.input, error);
  }
  OutputFile output;
  if (job.output == "-") {
    output.Borrow(STDOUT_FILENO, "standard output");
  } else if (const int error = output.Open(job.output); error != 0) {
    return OpenFailure(ScaleResult::OutputNotOpened, job.output, error);
  }
  try {
    const PassStats stats = RunScalingPass(input, output, job.factors);
    output.Close();
    input.Close();
    if (job.verbose) {
      const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
      PrintSummary(stats, elapsed.count());
    }
  } catch (const FileError& error) {
    PrintError(error.what(), std::strerror(error.systemError()));
    return kExitFailure;
  }
  return EXIT_SUCCESS;
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
  return Run(std::get<cli::ScaleJob>(command));
}
