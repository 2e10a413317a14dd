#include "tests/fault_injection/fault_plan.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace tessary::faults {
namespace {

struct Plan {
  std::FILE* log = nullptr;
  unsigned long at = 0;  // 0: no call is acted on
  enum class Kind { Fail, Stop, Interrupt } kind = Kind::Fail;
  long error = 0;
  // Commands run just before given calls: another program acting at that very moment.
  struct Run {
    unsigned long at = 0;
    std::string command;
  };
  std::vector<Run> runs;

  Plan() {
    if (const char* path = std::getenv("TESSARY_FAULT_COUNT"); path != nullptr && *path != '\0') {
      log = std::fopen(path, "a");
    }
    if (const char* at_ = std::getenv("TESSARY_FAULT_AT")) at = std::strtoul(at_, nullptr, 10);
    if (const char* name = std::getenv("TESSARY_FAULT_KIND")) {
      kind = std::strcmp(name, "stop") == 0        ? Kind::Stop
             : std::strcmp(name, "interrupt") == 0 ? Kind::Interrupt
                                                   : Kind::Fail;
    }
    if (const char* error_ = std::getenv("TESSARY_FAULT_ERROR")) {
      error = std::strtol(error_, nullptr, 10);
    }
    for (const char* variable : {"TESSARY_FAULT_RUN_1", "TESSARY_FAULT_RUN_2"}) {
      const char* run = std::getenv(variable);
      char* command = nullptr;
      const unsigned long runAt = run != nullptr ? std::strtoul(run, &command, 10) : 0;
      if (runAt != 0 && *command == ' ') runs.push_back({runAt, command + 1});
    }
  }
};

Plan& ThePlan() {
  static Plan plan;
  return plan;
}

std::atomic<unsigned long> calls{0};
std::mutex logging;

}  // namespace

long Intercept(const char* name, const void* caller) noexcept {
  Plan& plan = ThePlan();
  const unsigned long call = ++calls;
  const bool acted = call == plan.at;
  if (plan.log != nullptr) {
    const unsigned long site =
        static_cast<unsigned long>(static_cast<const char*>(caller) - ImageStart());
    const std::lock_guard<std::mutex> lock(logging);
    std::fprintf(plan.log, "%lu %s %lx%s\n", call, name, site, acted ? " acted" : "");
    std::fflush(plan.log);
  }
  for (const Plan::Run& run : plan.runs) {
    if (run.at == call) (void)!std::system(run.command.c_str());
  }
  if (!acted) return 0;
  switch (plan.kind) {
    case Plan::Kind::Stop:
      StopNow();
    case Plan::Kind::Interrupt:
      InterruptNow();
      return 0;
    case Plan::Kind::Fail:
      break;
  }
  return plan.error;
}

}  // namespace tessary::faults
