// tessary-scale with each of its calls into the system made to fail in turn, the program
// killed there as a kill -9 would, or Ctrl+C pressed there, through tessary-scale-faults (see
// tests/fault_injection/fault_plan.h). One run of each kind is counted first; then, for each
// call it made, a fresh folder is set up and the same run is made again with that call failed
// (with each error that call can give), killed or interrupted. After each: every file is
// wholly old or wholly new, the inputs of a run to other files are untouched, no temporary
// file is left (after a kill, the next run of the same command must remove it; an output's old
// file that a kill left beside it under a hidden name is kept), and the exit
// status and messages say what happened: 0 only when every output is new, each file that is
// not new named, no file named as failed whose output is new, and an interrupted run naming
// each file it finished.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

#include "tests/support/files.h"
#include "tests/support/model_maker.h"
#include "tests/support/table.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;
using testing::ProgramResult;
using testing::ProgramSetup;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

enum class Run { InPlace, TwoFiles, Batch };
enum class Kind {
  Error,        // the call fails with each error it can give
  Interrupted,  // the call is interrupted by a signal (EINTR)
  Stop,         // the program is killed there
  CtrlC,        // the user asks the program to stop just before the call
};

// The errors each call can give, by the name the fault plan logs. Calls not listed are
// counted and stopped at, but not failed: they cannot fail in a way that means anything here
// (a descriptor's flags, a terminal test, a handle's type).
#ifdef _WIN32
constexpr long kAccessDenied = 5, kSharingViolation = 32, kDiskFull = 112, kIoDevice = 1117;
constexpr long kUnableToRemoveReplaced = 1175, kUnableToMoveReplacement = 1176;
const std::map<std::string, std::vector<long>> kErrors = {
    {"CreateFileW", {kAccessDenied, kSharingViolation, kIoDevice}},
    {"ReadFile", {kIoDevice}},
    {"WriteFile", {kDiskFull, kIoDevice}},
    {"FlushFileBuffers", {kDiskFull, kIoDevice}},
    {"SetFileInformationByHandle", {kAccessDenied, kIoDevice}},
    {"GetFileInformationByHandle", {kIoDevice}},
    {"GetFileInformationByHandleEx", {kIoDevice}},
    {"ReplaceFileW", {kUnableToMoveReplacement, kUnableToRemoveReplaced, kAccessDenied}},
    {"MoveFileExW", {kAccessDenied, kSharingViolation, kDiskFull}},
    {"DeleteFileW", {kAccessDenied, kSharingViolation}},
    {"GetFileAttributesW", {kAccessDenied}},
    {"SetFileAttributesW", {kAccessDenied}},
    {"SetFilePointerEx", {kIoDevice}},
    {"GetFileSizeEx", {kIoDevice}},
    {"GetFinalPathNameByHandleW", {kAccessDenied}},
    {"GetFullPathNameW", {kAccessDenied}},
    {"LockFileEx", {33 /* ERROR_LOCK_VIOLATION */}},
    {"CreateHardLinkW", {kAccessDenied, kDiskFull}},
    {"FindFirstFileW", {kAccessDenied}},
    {"SetEndOfFile", {kDiskFull}},
    {"GetVolumeInformationByHandleW", {kIoDevice}},
};
// Windows has no interrupted calls.
const std::map<std::string, long> kInterruptions;
constexpr int kKilled = 9;  // the exit code TerminateProcess gave
constexpr int kInterruptedExit = static_cast<int>(0xC000013A);  // STATUS_CONTROL_C_EXIT
#else
const std::map<std::string, std::vector<long>> kErrors = {
    {"open", {EACCES, EIO, ENOSPC}},
    {"openat", {EACCES, EIO, ENOSPC}},
    {"close", {EIO}},
    {"read", {EIO}},
    {"write", {EIO, ENOSPC}},
    {"fstat", {EIO}},
    {"stat", {EACCES, EIO}},
    {"lstat", {EACCES, EIO}},
    {"fstatat", {EACCES, EIO}},
    {"readlink", {EACCES, EIO}},
    {"getcwd", {EACCES}},
    {"flock", {EWOULDBLOCK}},
    {"ftruncate", {EIO}},
    {"fsync", {EIO, ENOSPC}},
    {"syncfs", {EIO, ENOSPC}},
    {"sync_file_range", {EIO}},
    {"fdatasync", {EIO, ENOSPC}},
    {"rename", {EACCES, EIO, ENOSPC}},
    {"renameat", {EACCES, EIO, ENOSPC}},
    {"renameat2", {EACCES, EIO, ENOSPC}},
    {"link", {EACCES, ENOSPC}},
    {"linkat", {EACCES, ENOSPC}},
    {"unlink", {EACCES, EIO}},
    {"unlinkat", {EACCES, EIO}},
    {"fchown", {EPERM, EIO}},
    {"fchmod", {EPERM, EIO}},
    {"fgetxattr", {ENOTSUP, EIO}},
    {"fsetxattr", {EPERM, ENOSPC}},
    {"flistxattr", {ENOTSUP, EIO}},
    {"fremovexattr", {EPERM}},
    {"opendir", {EACCES, EIO}},
    {"fdopendir", {EACCES}},
    {"readdir", {EIO}},
    {"ioctl", {ENOTTY}},
    {"fstatfs", {EIO}},
    {"access", {EACCES, EIO}},
    {"faccessat", {EACCES, EIO}},
    {"statx", {EACCES, EIO}},
    {"fchmodat", {EPERM}},
    {"dup", {EMFILE}},
};
// The calls that a signal can interrupt, with the error they then give.
const std::map<std::string, long> kInterruptions = {
    {"open", EINTR},  {"openat", EINTR}, {"close", EINTR}, {"read", EINTR},
    {"write", EINTR}, {"flock", EINTR},  {"fcntl", EINTR}, {"poll", EINTR},
};
constexpr int kKilled = 128 + 9;           // SIGKILL, as RunProgram reports a signal
constexpr int kInterruptedExit = 128 + 2;  // SIGINT
#endif

// Which calls are tried. A call is tried when it comes after a call it has not come after so
// far: each step of a run once, whatever the order of steps, while a batch's later files,
// which repeat the first one's steps, add little. Under Wine, where starting a program takes
// a good part of a second, each site once: its first call, with one of the call's errors
// (each in turn among the sites of one function); for a kill or Ctrl+C its last call, nearer
// the replacement (one site may stand for two steps, such as the helper that sets and clears
// delete-on-close); and a killed run is run again only when it left a file.
#ifdef _WIN32
constexpr bool kEveryStep = false;
#else
constexpr bool kEveryStep = true;
#endif

// The calls that remove a file: when one fails, the file stays.
const std::set<std::string> kRemovals = {"unlink", "unlinkat", "DeleteFileW"};

// One call as the fault plan logged it.
struct Call {
  std::string name;
  std::string site;  // the caller's address in the image: the call site
};

std::vector<Call> ReadLog(const std::string& path, std::optional<std::size_t>* acted = nullptr) {
  std::vector<Call> calls;
  std::istringstream lines(fs::exists(path) ? ReadFile(path) : std::string());
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::size_t index = 0;
    Call call;
    std::string mark;
    fields >> index >> call.name >> call.site >> mark;
    if (!mark.empty() && acted != nullptr) *acted = index;
    calls.push_back(call);
  }
  return calls;
}

// A file the run reads and the file it writes (the same for -i), as names in the folder.
struct Pair {
  std::string input;
  std::string output;
};

// The folder of one run, set up as it is before every attempt.
struct Scene {
  std::vector<Pair> pairs;
  std::map<std::string, std::string> before;  // each file there is, by name
  std::vector<std::string> folders;
  std::vector<std::string> arguments;  // with the folder's path in them
};

std::string Model(std::uint32_t seed) {
  return testing::MakeModel(seed, 12).text;
}

Scene SetUpScene(Run run, const TempDir& dir) {
  Scene scene;
  const auto path = [&](const std::string& name) { return dir.File(name); };
  switch (run) {
    case Run::InPlace:
      scene.pairs = {{"model.mdl", "model.mdl"}};
      scene.before = {{"model.mdl", Model(1)}};
      scene.arguments = {"-s", "2", "-i", path("model.mdl")};
      break;
    case Run::TwoFiles:
      scene.pairs = {{"in.mdl", "out.mdl"}};
      scene.before = {{"in.mdl", Model(2)}, {"out.mdl", "an older output\n"}};
      scene.arguments = {path("in.mdl"), path("out.mdl"), "2"};
      break;
    case Run::Batch:
      // One file at a time, so that the calls come in the same order in every run.
      scene.pairs = {{"a.mdl", "out/a.mdl"}, {"b.mdl", "out/b.mdl"}, {"c.mdl", "out/c.mdl"}};
      scene.before = {{"a.mdl", Model(3)},
                      {"b.mdl", Model(4)},
                      {"c.mdl", Model(5)},
                      {"out/a.mdl", "an older output\n"}};
      scene.folders = {"out"};
      scene.arguments = {"-s",        "2",           "-j",          "1",          "-t",
                         path("out"), path("a.mdl"), path("b.mdl"), path("c.mdl")};
      break;
  }
  for (const std::string& folder : scene.folders)
    fs::create_directory(dir.path() / folder);
  for (const auto& [name, contents] : scene.before)
    WriteFile(path(name), contents);
  return scene;
}

// Every file in the folder, by name relative to it ("out/a.mdl").
std::map<std::string, std::string> FilesIn(const TempDir& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
    if (entry.is_directory()) continue;
    files[fs::relative(entry.path(), dir.path()).generic_string()] =
        ReadFile(testing::Utf8(entry.path()));
  }
  return files;
}

std::string Program() {
  return TESSARY_SCALE_FAULTS_PATH;
}

struct Row {
  const char* name;
  Run run;
  Kind kind;
  // New files have names from the start, as on a file system without unnamed files.
  bool named = false;
};

ProgramResult RunPlanned(const Row& row, const Scene& scene, const std::string& log,
                         const std::vector<std::string>& plan) {
  ProgramSetup setup;
  setup.environment = plan;
  if (row.named) setup.environment.push_back("TESSARY_FAULT_UNNAMED=refuse");
  setup.environment.push_back("TESSARY_FAULT_COUNT=" + log);
  return testing::RunProgram(Program(), scene.arguments, setup);
}

// What went wrong in one attempt: a kind of wrong, and the details.
struct Finding {
  std::string what;
  std::string detail;
};

// Faults found by this test and not mended yet: the findings of `what` in rows of `run` and
// `kind`, at calls of `call` (any when null), are reported, not failed. Each names the
// behaviour to mend.
struct KnownFault {
  Run run;
  Kind kind;
  const char* what;
  const char* behaviour;
  const char* call = nullptr;
};
constexpr const char* kReportedFailedButDone =
    "a file is reported as failed, yet its output is the new one";
constexpr const char* kStaleTemporaryKept =
    "the next run of the same command neither removed nor named what an earlier run left";
constexpr const char* kLeftoverNotUsers =
    "what the next run left is not a file that was there before (it could have removed it)";
constexpr const char* kFailedCallLeftFile = "a failed call left a temporary file";
constexpr const char* kOutputLost = "an output was lost";
constexpr const char* kFinishedNotNamed =
    "an interrupted run does not name a file whose output it put in place";
const std::vector<KnownFault> kKnownFaults = {};

const char* KindName(Kind kind) {
  switch (kind) {
    case Kind::Error:
      return "fail";
    case Kind::Interrupted:
      return "fail";
    case Kind::CtrlC:
      return "interrupt";
    case Kind::Stop:
      break;
  }
  return "stop";
}

std::string Joined(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words)
    text += (text.empty() ? "" : " ") + word;
  return text;
}

// Whether `name`, holding `contents`, is the old file of one of the run's outputs, beside it
// under a hidden name: a kill while an output is replaced may leave it there (on Windows, once
// the old file is set aside until it is removed), the user's old file, which is kept.
bool KeptOldFile(const Scene& scene, const std::string& name, const std::string& contents) {
  const fs::path kept(name);
  return std::any_of(scene.pairs.begin(), scene.pairs.end(), [&](const Pair& pair) {
    const fs::path output(pair.output);
    const auto old = scene.before.find(pair.output);
    return old != scene.before.end() && old->second == contents &&
           kept.parent_path() == output.parent_path() &&
           kept.filename().string().rfind("." + output.filename().string() + ".", 0) == 0;
  });
}

// The files in the folder that are neither there before the run nor its outputs, nor, after a
// kill, an output's old file kept beside it.
std::vector<std::string> Leftovers(const Scene& scene,
                                   const std::map<std::string, std::string>& after,
                                   bool killed = false) {
  std::vector<std::string> leftovers;
  for (const auto& [name, contents] : after) {
    const bool output = std::any_of(scene.pairs.begin(), scene.pairs.end(),
                                    [&](const Pair& pair) { return pair.output == name; });
    if (!output && !scene.before.contains(name) &&
        !(killed && KeptOldFile(scene, name, contents))) {
      leftovers.push_back(name);
    }
  }
  return leftovers;
}

// One attempt: call `at` of the counted run failed with `error`, or the program stopped there.
struct Attempt {
  std::size_t at;
  long error;  // 0 for a stop
};

// The attempts to make on a run that made `calls` (see kEveryStep).
std::vector<Attempt> PlanAttempts(Kind kind, const std::vector<Call>& calls) {
  std::vector<Attempt> attempts;
  std::set<std::string> sites;
  std::set<std::pair<std::string, std::string>> steps;  // a site, and the site before it
  std::map<std::string, std::size_t> sitesOf;           // the sites of each function so far
  std::map<std::string, std::size_t> lastOfSite;
  for (std::size_t i = 0; i < calls.size(); ++i)
    lastOfSite[calls[i].site] = i;
  for (std::size_t i = 0; i < calls.size(); ++i) {
    const bool first = sites.insert(calls[i].site).second;
    const bool newStep = steps.insert({i > 0 ? calls[i - 1].site : "", calls[i].site}).second;
    const bool last = lastOfSite[calls[i].site] == i;
    const bool ends = kind == Kind::Stop || kind == Kind::CtrlC;
    if (kEveryStep ? !newStep : ends ? !last : !first) continue;
    switch (kind) {
      case Kind::Error:
        if (const auto errors = kErrors.find(calls[i].name); errors != kErrors.end()) {
          if (kEveryStep) {
            for (const long error : errors->second)
              attempts.push_back({i + 1, error});
          } else {  // one error a site, in turn among the sites of the same function
            const std::size_t k = sitesOf[calls[i].name]++;
            attempts.push_back({i + 1, errors->second[k % errors->second.size()]});
          }
        }
        break;
      case Kind::Interrupted:
        if (const auto error = kInterruptions.find(calls[i].name); error != kInterruptions.end()) {
          attempts.push_back({i + 1, error->second});
        }
        break;
      case Kind::Stop:
      case Kind::CtrlC:
        attempts.push_back({i + 1, 0});
        break;
    }
  }
  return attempts;
}

class FaultInjection : public ::testing::TestWithParam<Row> {
 protected:
  // Checks the folder and the report after one attempt; the findings go to `findings`.
  void Check(const Row& row, const Call& call, const Scene& scene, const ProgramResult& result,
             const std::map<std::string, std::string>& after, std::vector<Finding>& findings);

  TempDir logs_;
  std::map<std::string, std::string> new_;  // each output after an undisturbed run
  std::size_t leftByKills_ = 0;             // kills that left a temporary file
};

void FaultInjection::Check(const Row& row, const Call& call, const Scene& scene,
                           const ProgramResult& result,
                           const std::map<std::string, std::string>& after,
                           std::vector<Finding>& findings) {
  const bool stopped = row.kind == Kind::Stop;
  const bool asked = row.kind == Kind::CtrlC;
  // Exit 2: refused before anything was written, as the report must say.
  const bool refused = !stopped && result.exitCode == 2;
  const bool interrupted = asked && result.exitCode == kInterruptedExit;
  if (stopped && result.exitCode != kKilled) {
    findings.push_back({"the program was not stopped at the call (calls in another order?)",
                        "exit " + std::to_string(result.exitCode)});
  } else if (refused && result.err.find("nothing was written") == std::string::npos) {
    findings.push_back({"a refusal does not say that nothing was written", result.err});
  } else if (!stopped && !refused && !interrupted && result.exitCode != 0 &&
             (asked || result.exitCode != 1)) {
    findings.push_back({asked ? "an interrupted run ended with the wrong status"
                              : "a failed call ended the program abnormally",
                        "exit " + std::to_string(result.exitCode) + ": " + result.err});
  }
  for (const Pair& pair : scene.pairs) {
    const auto found = after.find(pair.output);
    const auto old = scene.before.find(pair.output);
    const bool isNew = found != after.end() && found->second == new_.at(pair.output);
    const bool isOld = old == scene.before.end()
                           ? found == after.end()
                           : found != after.end() && found->second == old->second;
    if (!isNew && !isOld) {
      findings.push_back(
          {found == after.end() ? kOutputLost : "an output is neither old nor new", pair.output});
    }
    if (pair.input != pair.output) {
      const auto input = after.find(pair.input);
      if (input == after.end() || input->second != scene.before.at(pair.input)) {
        findings.push_back({"an input was changed", pair.input});
      }
    }
    if (stopped) continue;
    const bool named =
        result.err.find(fs::path(pair.output).filename().string()) != std::string::npos ||
        result.err.find(fs::path(pair.input).filename().string()) != std::string::npos;
    if (result.exitCode == 0 && !isNew) {
      findings.push_back({"exit 0, yet an output is not the new one", pair.output});
    } else if (refused && !isOld) {
      findings.push_back({"a refusal left an output changed", pair.output});
    } else if (interrupted && isNew && !named) {
      // Run again, the same command would scale it twice: the user must be told.
      findings.push_back({kFinishedNotNamed, pair.output + ": " + result.err});
    } else if (!interrupted && !refused && result.exitCode != 0 && !isNew && !named) {
      findings.push_back({"an output that is not new is not named in the messages",
                          pair.output + ": " + result.err});
    } else if (!interrupted && result.exitCode != 0 && isNew && named) {
      findings.push_back({kReportedFailedButDone, pair.output + ": " + result.err});
    }
  }
  const std::vector<std::string> leftovers = Leftovers(scene, after, stopped);
  // What a kill leaves is for the next run to remove (see below).
  if (stopped && !leftovers.empty()) ++leftByKills_;
  // A file whose removal failed stays, for the next run to remove (see below).
  const bool removal = row.kind == Kind::Error && kRemovals.contains(call.name);
  if (!stopped && !removal && !leftovers.empty()) {
    findings.push_back({asked ? "an interrupted run left a temporary file" : kFailedCallLeftFile,
                        Joined(leftovers)});
  }
}

TEST_P(FaultInjection, EveryFileIsOldOrNewAndTheReportSaysWhich) {
  const Row& row = GetParam();
#if defined(__SANITIZE_ADDRESS__)
  // The sanitizers find nothing in named new files that the rows above do not reach, at a
  // minute a row.
  if (row.named) GTEST_SKIP() << "run in the optimised build";
#endif
  const std::string log = logs_.File("calls.txt");

  // The run undisturbed: its calls and its outputs.
  std::vector<Call> calls;
  {
    TempDir dir;
    const Scene scene = SetUpScene(row.run, dir);
    const ProgramResult result = RunPlanned(row, scene, log, {});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    calls = ReadLog(log);
    ASSERT_FALSE(calls.empty()) << "no call was counted: the wrappers are not linked in";
    const auto after = FilesIn(dir);
    for (const Pair& pair : scene.pairs) {
      ASSERT_TRUE(after.contains(pair.output));
      new_[pair.output] = after.at(pair.output);
    }
    ASSERT_EQ(Leftovers(scene, after), std::vector<std::string>{})
        << "an undisturbed run left a file behind";
  }
  {  // the shipped program writes the same
    TempDir dir;
    const Scene scene = SetUpScene(row.run, dir);
    ASSERT_EQ(testing::RunProgram(TESSARY_SCALE_PATH, scene.arguments).exitCode, 0);
    const auto after = FilesIn(dir);
    for (const Pair& pair : scene.pairs)
      EXPECT_EQ(after.at(pair.output), new_.at(pair.output)) << pair.output;
  }

  const std::vector<Attempt> attempts = PlanAttempts(row.kind, calls);
  if (attempts.empty()) GTEST_SKIP() << "no call of this run can fail so";

  std::map<std::string, std::vector<std::string>> unexpected;  // by what went wrong
  std::map<std::string, std::vector<std::string>> expected;
  for (const Attempt& attempt : attempts) {
    TempDir dir;
    const Scene scene = SetUpScene(row.run, dir);
    fs::remove(log);
    std::vector<std::string> plan = {"TESSARY_FAULT_AT=" + std::to_string(attempt.at),
                                     std::string("TESSARY_FAULT_KIND=") + KindName(row.kind),
                                     "TESSARY_FAULT_ERROR=" + std::to_string(attempt.error)};
    const ProgramResult result = RunPlanned(row, scene, log, plan);
    const Call& call = calls[attempt.at - 1];
    std::vector<Finding> findings;
    std::optional<std::size_t> acted;
    const std::vector<Call> made = ReadLog(log, &acted);
    if (acted != attempt.at || made.size() < attempt.at || made[attempt.at - 1].site != call.site) {
      findings.push_back({"the calls came in another order than in the counted run", ""});
    }
    const auto after = FilesIn(dir);
    Check(row, call, scene, result, after, findings);

    // Then the same command again must succeed and leave the folder clean: after a kill,
    // and after any run that left a file.
    const bool killed = row.kind == Kind::Stop;
    if ((killed && kEveryStep) || !Leftovers(scene, after, killed).empty()) {
      const ProgramResult again = testing::RunProgram(TESSARY_SCALE_PATH, scene.arguments);
      const std::map<std::string, std::string> files = FilesIn(dir);
      if (again.exitCode != 0) {
        findings.push_back({"the same command run again failed", again.err});
      }
      // What it does not remove, it names; and it removes all of its own, so what stays is a
      // file that was there before (an old model moved aside as the new one went in), or an
      // empty file, killed an instant after it was made, before it could be marked as ours.
      for (const std::string& leftover : Leftovers(scene, files, killed)) {
        if (again.err.find("left " + dir.File(leftover) + " as it is") == std::string::npos) {
          findings.push_back({kStaleTemporaryKept, leftover + ": " + again.err});
        } else if (!files.at(leftover).empty() &&
                   std::none_of(scene.before.begin(), scene.before.end(), [&](const auto& file) {
                     return file.second == files.at(leftover);
                   })) {
          findings.push_back({kLeftoverNotUsers, leftover});
        }
      }
    }

    for (const Finding& finding : findings) {
      const bool isKnown =
          std::any_of(kKnownFaults.begin(), kKnownFaults.end(), [&](const KnownFault& fault) {
            return fault.run == row.run && fault.kind == row.kind && finding.what == fault.what &&
                   (fault.call == nullptr || call.name == fault.call);
          });
      std::string line =
          "call " + std::to_string(attempt.at) + " (" + call.name + " at +" + call.site + ")";
      if (attempt.error != 0) line += " error " + std::to_string(attempt.error);
      line += ": " + finding.detail + "\n      reproduce: " + Joined(plan) + " " + Program() + " " +
              Joined(scene.arguments);
      (isKnown ? expected : unexpected)[finding.what].push_back(line);
    }
  }

  std::printf("%zu calls counted, %zu attempts made\n", calls.size(), attempts.size());
  if (leftByKills_ > 0) {
    std::printf("%zu kills left a temporary file, for the next run to remove\n", leftByKills_);
  }
  for (const auto& [what, lines] : expected) {
    const auto fault = std::find_if(kKnownFaults.begin(), kKnownFaults.end(),
                                    [&](const KnownFault& f) { return what == f.what; });
    std::printf("expected failure (%s), %zu times: %s\n  e.g. %s\n", fault->behaviour, lines.size(),
                what.c_str(), lines.front().c_str());
  }
  for (const KnownFault& fault : kKnownFaults) {
    if (fault.run == row.run && fault.kind == row.kind && !expected.contains(fault.what)) {
      std::printf("no longer seen, to be taken off the list of known faults: %s\n", fault.what);
    }
  }
  for (const auto& [what, lines] : unexpected) {
    std::string examples;
    for (std::size_t i = 0; i < std::min<std::size_t>(lines.size(), 3); ++i)
      examples += "\n  " + lines[i];
    ADD_FAILURE() << what << ", " << lines.size() << " times, as:" << examples;
  }
}

const std::vector<Row> kRows = {
    Row{"InPlace_CallFails", Run::InPlace, Kind::Error},
    Row{"InPlace_CallGetsEINTR", Run::InPlace, Kind::Interrupted},
    Row{"InPlace_KilledThere", Run::InPlace, Kind::Stop},
    Row{"InPlace_CtrlCThere", Run::InPlace, Kind::CtrlC},
    Row{"TwoFiles_CallFails", Run::TwoFiles, Kind::Error},
    Row{"TwoFiles_CallGetsEINTR", Run::TwoFiles, Kind::Interrupted},
    Row{"TwoFiles_KilledThere", Run::TwoFiles, Kind::Stop},
    Row{"TwoFiles_CtrlCThere", Run::TwoFiles, Kind::CtrlC},
    Row{"Batch_CallFails", Run::Batch, Kind::Error},
    Row{"Batch_CallGetsEINTR", Run::Batch, Kind::Interrupted},
    Row{"Batch_KilledThere", Run::Batch, Kind::Stop},
    Row{"Batch_CtrlCThere", Run::Batch, Kind::CtrlC},
#ifndef _WIN32
    Row{"InPlace_CallFails_Named", Run::InPlace, Kind::Error, true},
    Row{"InPlace_KilledThere_Named", Run::InPlace, Kind::Stop, true},
    Row{"TwoFiles_CallFails_Named", Run::TwoFiles, Kind::Error, true},
    Row{"TwoFiles_KilledThere_Named", Run::TwoFiles, Kind::Stop, true},
    Row{"Batch_CallFails_Named", Run::Batch, Kind::Error, true},
    Row{"Batch_KilledThere_Named", Run::Batch, Kind::Stop, true},
#endif
};

INSTANTIATE_TEST_SUITE_P(Runs, FaultInjection, ::testing::ValuesIn(kRows), testing::RowName());

}  // namespace
}  // namespace tessary

#ifndef _WIN32
namespace tessary {
namespace {

// --- Another program at the moment of the exchange -----------------------------------------
// What another program does to the model just before its name is exchanged with the new
// file's, or just before the exchange is undone, through commands that the fault plan runs
// at those calls: its change is never lost, and the report says what happened.

struct AtTheExchange {
  const char* name;
  const char* before;      // run just before the exchange, on FILE
  const char* beforeBack;  // run just before the exchange is undone, or null
  // What the model's status must be afterwards, besides holding the old model.
  std::function<bool(const struct stat&)> kept;
  const char* said;  // in the report
};

void PrintTo(const AtTheExchange& row, std::ostream* os) {
  *os << row.name;
}

// The index of the `nth` call to `name` in the log at `path`, or 0.
std::size_t NthCall(const std::string& path, const std::string& name, int nth) {
  const std::vector<Call> calls = ReadLog(path);
  for (std::size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].name == name && --nth == 0) return i + 1;
  }
  return 0;
}

std::string OnFile(const char* command, const std::string& file) {
  std::string text = command;
  text.replace(text.find("FILE"), 4, "'" + file + "'");
  return text + " 2>/dev/null";
}

class ExchangeTest : public ::testing::TestWithParam<AtTheExchange> {};

TEST_P(ExchangeTest, AnotherProgramsChangeIsNeverLost) {
  const AtTheExchange& row = GetParam();
  if (::geteuid() != 0) GTEST_SKIP() << "needs to give files to another user";
  TempDir dir;
  const std::string model = dir.File("model.mdl"), log = dir.File("calls.txt");
  const std::string old = Model(9);
  const auto setUp = [&] {
    WriteFile(model, old);
    ::chmod(model.c_str(), 0644);
  };
  const std::vector<std::string> arguments = {"-s", "2", "-i", model};
  const auto run = [&](std::vector<std::string> environment) {
    environment.push_back("TESSARY_FAULT_COUNT=" + log);
    fs::remove(log);
    ProgramSetup setup;
    setup.environment = std::move(environment);
    return testing::RunProgram(Program(), arguments, setup);
  };
  // Where the calls come: the exchange, then its undoing once the change is seen.
  setUp();
  ASSERT_EQ(run({}).exitCode, 0);
  const std::size_t exchange = NthCall(log, "renameat2", 1);
  ASSERT_NE(exchange, 0u);
  std::vector<std::string> plan = {"TESSARY_FAULT_RUN_1=" + std::to_string(exchange) + " " +
                                   OnFile(row.before, model)};
  if (row.beforeBack != nullptr) {
    setUp();
    run(plan);
    const std::size_t back = NthCall(log, "renameat2", 2);
    ASSERT_NE(back, 0u) << "the exchange was not undone";
    plan.push_back("TESSARY_FAULT_RUN_2=" + std::to_string(back) + " " +
                   OnFile(row.beforeBack, model));
  }
  setUp();
  const ProgramResult result = run(plan);
  EXPECT_EQ(result.exitCode, 1) << result.err;
  EXPECT_NE(result.err.find(row.said), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("Unable to replace " + model), std::string::npos) << result.err;
  EXPECT_EQ(ReadFile(model), old) << "the model is as the other program left it";
  struct stat status {};
  ASSERT_EQ(::stat(model.c_str(), &status), 0);
  EXPECT_TRUE(row.kept(status)) << "mode " << std::oct << (status.st_mode & 07777);
  // Nothing is left beside it but what the other program wrote, named in the report.
  for (const std::string& name : testing::ListFolder(dir.path())) {
    if (name == "model.mdl" || name == "calls.txt") continue;
    EXPECT_NE(result.err.find("kept in " + dir.File(name)), std::string::npos) << name;
    EXPECT_NE(ReadFile(dir.File(name)).find("1 2 3\n"), std::string::npos) << name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Commit, ExchangeTest,
    ::testing::Values(
        AtTheExchange{"AccessNarrowedJustBefore", "chmod 600 FILE", nullptr,
                      [](const struct stat& s) { return (s.st_mode & 07777) == 0600; },
                      "was changed by another program during the run"},
        AtTheExchange{"OwnerChangedJustBefore", "chown 65534 FILE", nullptr,
                      [](const struct stat& s) { return s.st_uid == 65534; },
                      "was changed by another program during the run"},
        AtTheExchange{"WrittenToWhileTheNewFileWasInPlace", "chmod 600 FILE",
                      "echo '1 2 3' >> FILE",
                      [](const struct stat& s) { return (s.st_mode & 07777) == 0600; },
                      "what it wrote to the scaled model while that was briefly in place is "
                      "kept in"}),
    testing::RowName());

// --- Who may open the new file, at every moment ---------------------------------------------
// A member of the model's group watches its folder from another process and, at each event
// there (a file made, renamed or its access changed), tries to open every file in it: it must
// never get further into any of them than the old model let it. New files have names from
// the start here, as on a file system without unnamed files, so that they can be watched.

constexpr uid_t kWatcher = 65534;  // nobody, in the group nogroup
constexpr gid_t kWatchersGroup = 65534;

// The old file's access: its mode and its access control list.
struct AccessRow {
  const char* name;
  mode_t mode;
  std::string list;
};

void PrintTo(const AccessRow& row, std::ostream* os) {
  *os << row.name;
}

// What the watcher could do: 'r' read, 'w' write, for each file it could open.
struct Watched {
  bool read = false;
  bool wrote = false;
};

// Opens `path` as the watcher would, for reading and for writing.
Watched TryOpen(const std::string& path) {
  Watched got;
  for (const int flags : {O_RDONLY, O_WRONLY}) {
    const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;
    (flags == O_RDONLY ? got.read : got.wrote) = true;
    ::close(fd);
  }
  return got;
}

// A child process, as the watcher, that watches `folder` until the other end of `stop` is
// closed, then writes what it could do to `report`.
pid_t StartWatcher(const std::string& folder, const int (&stop)[2], const int (&report)[2]) {
  const pid_t child = ::fork();
  if (child != 0) return child;
  ::close(stop[1]);
  ::close(report[0]);
  if (::setgroups(0, nullptr) != 0 || ::setgid(kWatchersGroup) != 0 || ::setuid(kWatcher) != 0) {
    ::_exit(2);
  }
  const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch < 0 || ::inotify_add_watch(watch, folder.c_str(),
                                       IN_CREATE | IN_ATTRIB | IN_MOVED_TO | IN_CLOSE_WRITE) < 0) {
    ::_exit(3);
  }
  Watched got;
  char events[4096];
  for (;;) {
    pollfd wait[2] = {{watch, POLLIN, 0}, {stop[0], POLLIN, 0}};
    ::poll(wait, 2, -1);
    if ((wait[1].revents & (POLLIN | POLLHUP)) != 0) break;
    const ssize_t size = ::read(watch, events, sizeof events);
    for (ssize_t at = 0; at < size;) {
      const auto* event = reinterpret_cast<const inotify_event*>(events + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      if (event->len == 0) continue;
      const Watched now = TryOpen(folder + "/" + event->name);
      got.read = got.read || now.read;
      got.wrote = got.wrote || now.wrote;
    }
  }
  const char said[2] = {got.read ? 'r' : '-', got.wrote ? 'w' : '-'};
  (void)!::write(report[1], said, 2);
  ::_exit(0);
}

class AccessWatch : public ::testing::TestWithParam<AccessRow> {};

TEST_P(AccessWatch, NewFileIsNeverMoreOpenThanTheOldOne) {
  const AccessRow& row = GetParam();
  if (::geteuid() != 0) GTEST_SKIP() << "needs to become another user";
  for (const bool inPlace : {true, false}) {
    int rounds = 0;
    for (int round = 0; round < 25; ++round) {
      TempDir dir;
      const std::string folder = dir.File("d");
      fs::create_directory(folder);
      ::chmod(folder.c_str(), 0755);
      const std::string model = folder + "/m.mdl", output = folder + "/out.mdl";
      const std::string& replaced = inPlace ? model : output;
      WriteFile(model, testing::MakeModel(7, 3).text);
      WriteFile(output, "an older output\n");
      for (const std::string& file : {model, output}) {
        ASSERT_EQ(::chown(file.c_str(), 0, kWatchersGroup), 0);
        ASSERT_EQ(::chmod(file.c_str(), file == replaced ? row.mode : 0600), 0);
      }
      if (::setxattr(replaced.c_str(), "system.posix_acl_access", row.list.data(), row.list.size(),
                     0) != 0) {
        GTEST_SKIP() << "no access control lists here";
      }
      // What the watcher may do with the old file, told by trying as the watcher.
      int before[2];
      ASSERT_EQ(::pipe(before), 0);
      if (const pid_t child = ::fork(); child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kWatchersGroup) != 0 ||
            ::setuid(kWatcher) != 0) {
          ::_exit(2);
        }
        const Watched got = TryOpen(replaced);
        const char said[2] = {got.read ? 'r' : '-', got.wrote ? 'w' : '-'};
        (void)!::write(before[1], said, 2);
        ::_exit(0);
      } else {
        ::close(before[1]);
        ::waitpid(child, nullptr, 0);
      }
      char allowed[2] = {'?', '?'};
      ASSERT_EQ(::read(before[0], allowed, 2), 2);
      ::close(before[0]);

      int stop[2], report[2];
      ASSERT_EQ(::pipe(stop), 0);
      ASSERT_EQ(::pipe(report), 0);
      ASSERT_EQ(::fcntl(stop[1], F_SETFD, FD_CLOEXEC), 0);  // not held by the programs run
      const pid_t watcher = StartWatcher(folder, stop, report);
      ::close(stop[0]);
      ::close(report[1]);
      ::usleep(20000);  // the watch is set
      ProgramSetup setup;
      setup.environment = {"TESSARY_FAULT_UNNAMED=refuse"};
      const std::vector<std::string> arguments =
          inPlace ? std::vector<std::string>{"-s", "2", "-i", model}
                  : std::vector<std::string>{model, output, "2"};
      const ProgramResult result = testing::RunProgram(Program(), arguments, setup);
      ::usleep(5000);
      ::close(stop[1]);
      char got[2] = {'?', '?'};
      const bool reported = ::read(report[0], got, 2) == 2;
      ::close(report[0]);
      ::waitpid(watcher, nullptr, 0);
      ASSERT_EQ(result.exitCode, 0) << result.err;
      ASSERT_TRUE(reported);
      EXPECT_FALSE(got[0] == 'r' && allowed[0] != 'r')
          << "round " << round << ": the watcher read a new file it could not read before";
      EXPECT_FALSE(got[1] == 'w' && allowed[1] != 'w')
          << "round " << round << ": the watcher wrote to a new file it could not write before";
      ++rounds;
    }
    EXPECT_EQ(rounds, 25);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lists, AccessWatch,
    ::testing::Values(
        // The group may read, a named user may write: the mask makes the group's bits rw.
        AccessRow{"GroupReadsNamedUserWrites", 0660,
                  testing::AccessList({{testing::kUserObject, 6, testing::kAny},
                                       {testing::kUser, 6, 1},
                                       {testing::kGroupObject, 4, testing::kAny},
                                       {testing::kMask, 6, testing::kAny},
                                       {testing::kOther, 0, testing::kAny}})},
        // The group may do nothing, a named user may read: the group's bits are r.
        AccessRow{"GroupNothingNamedUserReads", 0640,
                  testing::AccessList({{testing::kUserObject, 6, testing::kAny},
                                       {testing::kUser, 4, 1},
                                       {testing::kGroupObject, 0, testing::kAny},
                                       {testing::kMask, 4, testing::kAny},
                                       {testing::kOther, 0, testing::kAny}})}),
    testing::RowName());

}  // namespace
}  // namespace tessary
#endif
