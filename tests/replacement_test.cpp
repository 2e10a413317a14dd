// The driver when the file it replaces is not simply its own: another program saves over it,
// writes to it or makes it during the pass; the system or its folder keeps it from being
// replaced; a folder's default access would reach it; earlier runs left new files beside it.
// Whatever happens, every file is old or new, no other program's change is lost, no access
// is widened, and the report says what was done.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "model/job/output_target.h"
#include "model/job/scale_job.h"
#include "platform/file.h"
#include "tests/support/files.h"
#include "tests/support/sample_model.h"
#include "tests/support/table.h"
#include "tests/support/worked_example.h"

#ifndef _WIN32
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#endif

namespace tessary {
namespace {

namespace fs = std::filesystem;
using testing::ListFolder;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

using testing::kModel;
using testing::kScaled;

// A job on `input` to `output`, or on `input` in place.
ScaleJob Job(const std::string& input, const std::string& output, bool inPlace,
             PassControl control = {}) {
  ScaleJob job{JobFile::Path(input), JobFile::Path(output), {2, 2, 2}, std::move(control)};
  job.inPlace = inPlace;
  return job;
}

// --- What earlier runs may have left beside an output -------------------------------------
// A file is removed only when this program provably made it: the mark its new files carry
// until they are in place, the user's own, with no other name, held by no program, and none
// of the running command's files. Anything else with such a name is left and reported, and
// what is no regular file, or is held, or is the command's own, is not even reported.

enum class Found { Removed, Reported, Untouched };

struct LeftoverCase {
  const char* name;
  const char* file;  // beside out.mdl before the run
  // Makes `path` into the case, with whatever holds it in `hold`; false when this system
  // cannot.
  std::function<bool(const std::string& path, std::shared_ptr<void>& hold)> make;
  Found found;
  bool runFile = false;  // one of the running command's own files
};

void PrintTo(const LeftoverCase& row, std::ostream* os) {
  *os << row.name;
}

constexpr const char* kLeftName = ".out.mdl.tessary-Ab12Cd";

bool Plain(const std::string& path, std::shared_ptr<void>&) {
  WriteFile(path, "cut");
  return true;
}

#ifdef _WIN32
// Windows removes a new file of this program's when its last handle goes: none outlives a run,
// so whatever has such a name is someone else's, and is only reported.
constexpr Found kMarkedFound = Found::Reported;
constexpr Found kAsideFound = Found::Reported;
bool Marked(const std::string& path, std::shared_ptr<void>& hold) {
  return Plain(path, hold);
}
#else
constexpr Found kMarkedFound = Found::Removed;
constexpr Found kAsideFound = Found::Untouched;  // no name of a file of Tessary's
constexpr uid_t kNobody = 65534;
// The mark a new file carries until it is in place; its name is kept from version to version,
// so that a later version still clears what an earlier one left.
bool Marked(const std::string& path, std::shared_ptr<void>& hold) {
  return Plain(path, hold) && ::setxattr(path.c_str(), "user.tessary.unfinished", "1", 1, 0) == 0;
}

// A lock of `type` (F_SETLK or F_OFD_SETLK) on a file, held by a child process until this
// goes.
class RecordLockHolder {
 public:
  RecordLockHolder(const std::string& path, int type) {
    int ready[2];
    if (::pipe(ready) != 0) return;
    child_ = ::fork();
    if (child_ == 0) {
      const int fd = ::open(path.c_str(), O_RDWR);
      struct flock lock {};
      lock.l_type = F_WRLCK;
      lock.l_whence = SEEK_SET;
      const char ok = fd >= 0 && ::fcntl(fd, type, &lock) == 0 ? 1 : 0;
      (void)!::write(ready[1], &ok, 1);
      ::pause();
      ::_exit(0);
    }
    ::close(ready[1]);
    char ok = 0;
    locked_ = ::read(ready[0], &ok, 1) == 1 && ok == 1;
    ::close(ready[0]);
  }
  ~RecordLockHolder() {
    if (child_ <= 0) return;
    ::kill(child_, SIGKILL);
    ::waitpid(child_, nullptr, 0);
  }
  bool locked() const { return locked_; }

 private:
  pid_t child_ = -1;
  bool locked_ = false;
};

auto LockedWith(int type) {
  return [type](const std::string& path, std::shared_ptr<void>& hold) {
    if (!Marked(path, hold)) return false;
    auto holder = std::make_shared<RecordLockHolder>(path, type);
    hold = holder;
    return holder->locked();
  };
}
#endif

class LeftoverTest : public ::testing::TestWithParam<LeftoverCase> {};

TEST_P(LeftoverTest, OnlyWhatThisProgramProvablyMadeIsRemoved) {
  const LeftoverCase& row = GetParam();
  TempDir dir;
  const std::string input = dir.File("in.mdl"), output = dir.File("out.mdl");
  const std::string left = dir.File(row.file);
  WriteFile(input, kModel);
  WriteFile(output, "previous");
  JobResult result;
  {
    std::shared_ptr<void> hold;
    if (!row.make(left, hold)) GTEST_SKIP() << "this system cannot make the case";
    platform::RunFiles runFiles;
    if (row.runFile) runFiles.Add(left);
    ScaleJob job = Job(input, output, false);
    job.runFiles = &runFiles;
    result = RunScaleJob(job);
  }
  ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
  EXPECT_EQ(ReadFile(output), kScaled);
  std::error_code error;
  EXPECT_EQ(fs::exists(fs::symlink_status(testing::PathOf(left), error)),
            row.found != Found::Removed);
  const std::string path = platform::JoinPath(platform::FolderOf(output), row.file);
  std::vector<platform::Leftover> expected;
  if (row.found != Found::Untouched) expected.push_back({path, row.found == Found::Removed});
  EXPECT_EQ(result.leftovers, expected);
}

const std::vector<LeftoverCase> kLeftoverCases = {
    LeftoverCase{"MarkedByAnEarlierRun", kLeftName, Marked, kMarkedFound},
    LeftoverCase{"UsersOwnFile", ".out.mdl.tessary-backup", Plain, Found::Reported},
    LeftoverCase{"MarkedButAnInputOfTheRun", kLeftName, Marked, Found::Untouched, true},
    LeftoverCase{"UnmarkedInputOfTheRun", kLeftName, Plain, Found::Untouched, true},
    LeftoverCase{"HeldByARunUnderWay", kLeftName,
                 [](const std::string& path, std::shared_ptr<void>& hold) {
                   if (!Marked(path, hold)) return false;
                   hold = std::make_shared<testing::LockHolder>(path);
                   return true;
                 },
                 Found::Untouched},
    LeftoverCase{"Folder", kLeftName,
                 [](const std::string& path, std::shared_ptr<void>&) {
                   return fs::create_directory(testing::PathOf(path));
                 },
                 Found::Untouched},
#ifndef _WIN32
    LeftoverCase{"HeldWithAPosixLock", kLeftName, LockedWith(F_SETLK), Found::Untouched},
    LeftoverCase{"HeldWithAnOpenFileDescriptionLock", kLeftName, LockedWith(F_OFD_SETLK),
                 Found::Untouched},
    LeftoverCase{"MarkedWithAnotherName", kLeftName,
                 [](const std::string& path, std::shared_ptr<void>& hold) {
                   return Marked(path, hold) && ::link(path.c_str(), (path + "-kept").c_str()) == 0;
                 },
                 Found::Reported},
    LeftoverCase{"MarkedButAnotherUsers", kLeftName,
                 [](const std::string& path, std::shared_ptr<void>& hold) {
                   return ::geteuid() == 0 && Marked(path, hold) &&
                          ::chown(path.c_str(), kNobody, kNobody) == 0;
                 },
                 Found::Reported},
    LeftoverCase{"SymbolicLink", kLeftName,
                 [](const std::string& path, std::shared_ptr<void>&) {
                   return ::symlink("in.mdl", path.c_str()) == 0;
                 },
                 Found::Untouched},
    LeftoverCase{"NamedPipe", kLeftName,
                 [](const std::string& path, std::shared_ptr<void>&) {
                   return ::mkfifo(path.c_str(), 0600) == 0;
                 },
                 Found::Untouched},
#endif
    // The name that Windows gives the old file while the new one takes its place, kept there
    // by a run that ended in between: the user's old file.
    LeftoverCase{"OldFileSetAside", ".out.mdl.tessary-Ab12Cd.old", Plain, kAsideFound},
    LeftoverCase{"FiveLetters", ".out.mdl.tessary-Ab12C", Marked, Found::Untouched},
    LeftoverCase{"OtherLetters", ".out.mdl.tessary-Ab12C-", Marked, Found::Untouched},
    LeftoverCase{"OfAnotherOutput", ".other.mdl.tessary-Ab12Cd", Marked, Found::Untouched},
    LeftoverCase{"NotHidden", "out.mdl.tessary-Ab12Cd", Marked, Found::Untouched}};

INSTANTIATE_TEST_SUITE_P(Files, LeftoverTest, ::testing::ValuesIn(kLeftoverCases),
                         testing::RowName());

// The command-line tool says what it removed and what it left, even without -v: in a batch,
// what it found beside each output in one folder, once.
TEST(LeftoverReportTest, RunSaysWhatItRemovedAndWhatItLeft) {
  TempDir dir;
  std::vector<std::string> arguments = {"-j", "1", "-i", "-s", "2"};
  std::string said;
  std::vector<std::string> kept = {"a.mdl", "b.mdl"};
  for (const char* name : {"a.mdl", "b.mdl"}) {
    const std::string model = dir.File(name);
    WriteFile(model, kModel);
    arguments.push_back(model);
    const std::string marked = "." + std::string(name) + ".tessary-x1Y2z3";
    const std::string users = "." + std::string(name) + ".tessary-backup";
    std::shared_ptr<void> none;
    ASSERT_TRUE(Marked(dir.File(marked), none));
    WriteFile(dir.File(users), "notes");
    const std::string folder = platform::FolderOf(model);
    const auto keptLine = [&](const std::string& name) {
      return "tessary-scale: left " + platform::JoinPath(folder, name) +
             " as it is: its name is that of a file an unfinished run leaves, but nothing "
             "shows that Tessary made it\n";
    };
    const std::string left = keptLine(users);
    const std::string leftMarked = kMarkedFound == Found::Removed
                                       ? "tessary-scale: removed " +
                                             platform::JoinPath(folder, marked) +
                                             ", left by an earlier run that did not finish\n"
                                       : keptLine(marked);
    said += leftMarked + left;
    kept.push_back(users);
    if (kMarkedFound != Found::Removed) kept.push_back(marked);
  }
  const testing::ProgramResult result = testing::RunProgram(TESSARY_SCALE_PATH, arguments);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  std::vector<std::string> lines, expectedLines;
  for (std::istringstream in(result.err); std::getline(in, lines.emplace_back());) {
  }
  for (std::istringstream in(said); std::getline(in, expectedLines.emplace_back());) {
  }
  std::sort(lines.begin(), lines.end());
  std::sort(expectedLines.begin(), expectedLines.end());
  EXPECT_EQ(lines, expectedLines) << result.err;
  EXPECT_EQ(ReadFile(dir.File("b.mdl")), kScaled);
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(ListFolder(dir.path()), kept);
}

#ifndef _WIN32
// The hidden files in `folder`: new files of ours, or what is left of them.
std::vector<std::string> HiddenFiles(const fs::path& folder) {
  std::vector<std::string> hidden;
  for (const std::string& name : ListFolder(folder)) {
    if (name[0] == '.') hidden.push_back(name);
  }
  return hidden;
}

// The new files in `folder` during a pass in this process: by their hidden names, or, for a
// file that has no name yet, through the descriptor this process holds.
std::vector<std::string> NewFiles(const std::string& folder) {
  std::vector<std::string> files;
  for (const std::string& name : HiddenFiles(folder))
    files.push_back(folder + "/" + name);
  for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    const std::string target = fs::read_symlink(entry.path(), error).string();
    if (!error && target.rfind(folder + "/#", 0) == 0) files.push_back(entry.path().string());
  }
  return files;
}

// --- Other programs during the pass ------------------------------------------------------
// What they do is done from the pass's progress report, once the pass has read the model;
// on Windows the files are held with no sharing, so none of it could happen.

struct Meanwhile {
  const char* name;
  const char* model;
  bool inPlace;
  bool outputExists;
  // What another program does to `file` (the model in place, or the output).
  std::function<void(const std::string& file)> act;
  JobStatus status;
  const char* reason;  // the failure's
};

void PrintTo(const Meanwhile& row, std::ostream* os) {
  *os << row.name;
}

void SaveOverByRename(const std::string& file) {
  WriteFile(file + ".save", "another program's save");
  std::rename((file + ".save").c_str(), file.c_str());
}

void Append(const std::string& file) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, "1 2 3\n", 6), 6);
  ::close(fd);
}

using MeanwhileTest = testing::SampleModelTest<::testing::TestWithParam<Meanwhile>>;

TEST_P(MeanwhileTest, NoOtherProgramsChangeIsLost) {
  const Meanwhile& row = GetParam();
  WriteFile(input_, row.model);
  if (row.outputExists) WriteFile(output_, "previous");
  const std::string& replaced = row.inPlace ? input_ : output_;
  bool acted = false;
  std::string after;  // the replaced file as the other program left it
  PassControl control;
  control.progress = [&](std::uint64_t, std::uint64_t) {
    if (std::exchange(acted, true)) return;
    row.act(replaced);
    after = fs::exists(replaced) ? ReadFile(replaced) : "";
  };
  const JobResult result = RunScaleJob(Job(input_, output_, row.inPlace, control));
  ASSERT_TRUE(acted);
  EXPECT_EQ(result.status, row.status) << result.reason;
  if (row.status == JobStatus::Done) {
    EXPECT_EQ(ReadFile(replaced), kScaled);
  } else {
    EXPECT_EQ(result.reason, row.reason);
    EXPECT_EQ(ReadFile(replaced), after) << "the other program's change stays";
  }
  if (row.status == JobStatus::Failed) {
    EXPECT_EQ(result.path, platform::FullPath(replaced));
    EXPECT_EQ(result.Message(),
              "An unknown error occurred while accessing " + platform::FullPath(replaced) + ".");
  }
  EXPECT_EQ(HiddenFiles(dir_.path()), std::vector<std::string>{});
}

const char* const kChanged = OutputTarget::kChangedMeanwhile;
constexpr JobStatus kFailed = JobStatus::Failed;
const char kEndsAtCtrlZ[] = "position 1 2 3\nverts 1\n1 1 1\n\x1a";
INSTANTIATE_TEST_SUITE_P(
    Saves, MeanwhileTest,
    ::testing::Values(
        Meanwhile{"SaveOverTheModel", kModel, true, true, SaveOverByRename, kFailed, kChanged},
        Meanwhile{"AppendToTheModel", kModel, true, true, Append, kFailed, kChanged},
        Meanwhile{"AppendAfterAFinalCtrlZ", kEndsAtCtrlZ, true, true, Append, kFailed, kChanged},
        Meanwhile{"ChangeTheModelsAccess", kModel, true, true,
                  [](const std::string& file) { ::chmod(file.c_str(), 0640); }, kFailed, kChanged},
        Meanwhile{"SaveOverTheOutput", kModel, false, true, SaveOverByRename, kFailed, kChanged},
        Meanwhile{"AppendToTheOutput", kModel, false, true, Append, kFailed, kChanged},
        Meanwhile{"CreateTheOutput", kModel, false, false,
                  [](const std::string& file) { WriteFile(file, "made meanwhile"); }, kFailed,
                  OutputTarget::kCreatedMeanwhile},
        Meanwhile{"ReadTheModel", kModel, true, true,
                  [](const std::string& file) { ReadFile(file); }, JobStatus::Done, ""},
        Meanwhile{"SaveBesideTheOutput", kModel, false, true,
                  [](const std::string& file) { WriteFile(file + ".bak", "beside"); },
                  JobStatus::Done, ""}),
    testing::RowName());

// A folder named through a symbolic link that another program points elsewhere during the
// pass: the new file is made, put in place or removed in the folder it was made in.
TEST(FolderLinkTest, ChangedDuringThePassLeavesNoNewFileInEitherFolder) {
  for (const bool cancelled : {false, true}) {
    TempDir dir;
    const std::string input = dir.File("in.mdl");
    WriteFile(input, kModel);
    fs::create_directory(dir.File("first"));
    fs::create_directory(dir.File("second"));
    fs::create_directory_symlink("first", testing::PathOf(dir.File("out")));
    std::atomic<bool> cancel{false};
    PassControl control;
    control.cancel = &cancel;
    control.progress = [&](std::uint64_t, std::uint64_t) {
      fs::remove(testing::PathOf(dir.File("out")));
      fs::create_directory_symlink("second", testing::PathOf(dir.File("out")));
      cancel = cancelled;
    };
    const JobResult result = RunScaleJob(Job(input, dir.File("out/out.mdl"), false, control));
    EXPECT_EQ(result.status, cancelled ? JobStatus::Cancelled : JobStatus::Done) << result.reason;
    EXPECT_EQ(ListFolder(dir.File("first")),
              cancelled ? std::vector<std::string>{} : std::vector<std::string>{"out.mdl"});
    EXPECT_EQ(ListFolder(dir.File("second")), std::vector<std::string>{});
  }
}

// --- Access --------------------------------------------------------------------------------

using testing::AccessList;
using testing::kAny;
using testing::kGroup;
using testing::kGroupObject;
using testing::kMask;
using testing::kOther;
using testing::kUser;
using testing::kUserObject;

std::string Attribute(const std::string& path, const char* name) {
  char value[512];
  const ssize_t size = ::getxattr(path.c_str(), name, value, sizeof value);
  return size < 0 ? "" : std::string(value, static_cast<std::size_t>(size));
}

struct AccessCase {
  const char* name;
  bool inPlace;
  bool oldHasList;  // the replaced file has a list of its own (user 1 may read it)
};

void PrintTo(const AccessCase& row, std::ostream* os) {
  *os << row.name;
}

class InheritedAccessTest : public ::testing::TestWithParam<AccessCase> {};

// `setfacl -d -m u:2:rwx,g:2:rwx` on the folder: its new files name user and group 2.
TEST_P(InheritedAccessTest, FolderDefaultListNeverReachesTheReplacedFile) {
  const AccessCase& row = GetParam();
  TempDir dir;
  const std::string folder = dir.File("shared");
  fs::create_directory(folder);
  const std::string defaults = AccessList({{kUserObject, 7, kAny},
                                           {kUser, 7, 2},
                                           {kGroupObject, 5, kAny},
                                           {kGroup, 7, 2},
                                           {kMask, 7, kAny},
                                           {kOther, 5, kAny}});
  if (::setxattr(folder.c_str(), "system.posix_acl_default", defaults.data(), defaults.size(), 0) !=
      0) {
    GTEST_SKIP() << "no access control lists here";
  }
  const std::string input = folder + "/in.mdl", output = folder + "/out.mdl";
  const std::string& replaced = row.inPlace ? input : output;
  WriteFile(input, kModel);
  WriteFile(output, "previous");
  for (const std::string& file : {input, output}) {  // as the user made them: no lists
    ::removexattr(file.c_str(), "system.posix_acl_access");
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  }
  const std::string own = AccessList({{kUserObject, 6, kAny},
                                      {kUser, 4, 1},
                                      {kGroupObject, 4, kAny},
                                      {kMask, 4, kAny},
                                      {kOther, 0, kAny}});
  if (row.oldHasList) {
    ASSERT_EQ(::setxattr(replaced.c_str(), "system.posix_acl_access", own.data(), own.size(), 0),
              0);
  }
  mode_t modeDuringThePass = 0;
  std::string listDuringThePass = "none looked at";
  PassControl control;
  control.progress = [&](std::uint64_t, std::uint64_t) {
    for (const std::string& path : NewFiles(folder)) {
      struct stat status {};
      ::stat(path.c_str(), &status);
      modeDuringThePass = status.st_mode & 07777;
      listDuringThePass = Attribute(path, "system.posix_acl_access");
    }
  };
  ASSERT_EQ(RunScaleJob(Job(input, output, row.inPlace, control)).status, JobStatus::Done);
  EXPECT_EQ(modeDuringThePass, 0600u) << "only the owner, until it is in place";
  EXPECT_EQ(listDuringThePass, "");
  EXPECT_EQ(ReadFile(replaced), kScaled);
  EXPECT_EQ(Attribute(replaced, "system.posix_acl_access"), row.oldHasList ? own : "");
  struct stat status {};
  ASSERT_EQ(::stat(replaced.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0640u);
}

INSTANTIATE_TEST_SUITE_P(Files, InheritedAccessTest,
                         ::testing::Values(AccessCase{"ModelInPlace", true, false},
                                           AccessCase{"Output", false, false},
                                           AccessCase{"ModelInPlaceWithItsOwnList", true, true},
                                           AccessCase{"OutputWithItsOwnList", false, true}),
                         testing::RowName());

// --- Files that may not be replaced -------------------------------------------------------

// What a job gives, run as the user nobody (in a child process) or as this user.
struct Outcome {
  JobStatus status = JobStatus::Done;
  std::string reason;  // of a failure, or what a job done could not keep of the old file
  int progressReports = 0;
};

std::string ReasonOf(const JobResult& result) {
  return result.status == JobStatus::Done ? result.accessNote : result.reason;
}

Outcome RunJob(const ScaleJob& job, bool asNobody) {
  Outcome outcome;
  ScaleJob counted = job;
  counted.control.progress = [&outcome](std::uint64_t, std::uint64_t) {
    ++outcome.progressReports;
  };
  if (!asNobody) {
    const JobResult result = RunScaleJob(counted);
    outcome.status = result.status;
    outcome.reason = ReasonOf(result);
    return outcome;
  }
  int pipe[2];
  if (::pipe(pipe) != 0) return outcome;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipe[0]);
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
      std::_Exit(2);
    }
    const JobResult result = RunScaleJob(counted);
    const std::string report = std::to_string(static_cast<int>(result.status)) + " " +
                               std::to_string(outcome.progressReports) + " " + ReasonOf(result);
    (void)!::write(pipe[1], report.data(), report.size());
    std::_Exit(0);
  }
  ::close(pipe[1]);
  std::string report;
  char buffer[512];
  for (ssize_t got; (got = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
    report.append(buffer, static_cast<std::size_t>(got));
  ::close(pipe[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  int jobStatus = 0, reports = 0, used = 0;
  if (std::sscanf(report.c_str(), "%d %d %n", &jobStatus, &reports, &used) >= 2) {
    outcome.status = static_cast<JobStatus>(jobStatus);
    outcome.progressReports = reports;
    outcome.reason = report.substr(static_cast<std::size_t>(used));
  }
  return outcome;
}

struct Refusal {
  const char* name;
  bool inPlace;
  bool asNobody;  // run as the user nobody; the files belong to root unless `setUp` says
  // Makes the files (the model `in.mdl` and output `out.mdl` exist, mode 0644, in the
  // folder `d`, mode 0777) into the case; false when this system cannot.
  std::function<bool(const std::string& folder)> setUp;
  const char* reason;
};

void PrintTo(const Refusal& row, std::ostream* os) {
  *os << row.name;
}

bool Shell(const std::string& command) {
  return std::system((command + " 2>/dev/null").c_str()) == 0;
}

class RefusalTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusalTest, IsSaidBeforeThePassAndLeavesEveryFile) {
  const Refusal& row = GetParam();
  if (row.asNobody && ::geteuid() != 0) GTEST_SKIP() << "needs to become another user";
  if (!row.asNobody && ::geteuid() != 0) GTEST_SKIP() << "needs the superuser's flags";
  TempDir dir;
  const std::string folder = dir.File("d");
  fs::create_directory(folder);
  ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);
  const std::string input = folder + "/in.mdl", output = folder + "/out.mdl";
  WriteFile(input, kModel);
  WriteFile(output, "previous");
  ASSERT_EQ(::chmod(input.c_str(), 0644), 0);
  ASSERT_EQ(::chmod(output.c_str(), 0644), 0);
  if (!row.setUp(folder)) {
    Shell("chattr -i -a '" + folder + "' '" + input + "' '" + output + "'");
    GTEST_SKIP() << "this system cannot make the case";
  }
  const Outcome outcome = RunJob(Job(input, output, row.inPlace), row.asNobody);
  Shell("chattr -i -a '" + folder + "' '" + input + "' '" + output + "'");
  EXPECT_EQ(outcome.status, JobStatus::OutputNotOpened) << outcome.reason;
  EXPECT_EQ(outcome.reason, row.reason);
  EXPECT_EQ(outcome.progressReports, 0) << "refused before the pass";
  EXPECT_EQ(ReadFile(input), kModel);
  EXPECT_EQ(ReadFile(output), "previous");
  EXPECT_EQ(ListFolder(folder), (std::vector<std::string>{"in.mdl", "out.mdl"}));
}

bool Chattr(const std::string& flags, const std::string& path) {
  return Shell("chattr " + flags + " '" + path + "'");
}
bool Chmod(const std::string& path, mode_t mode) {
  return ::chmod(path.c_str(), mode) == 0;
}
bool Chown(const std::string& path, uid_t user) {
  return ::chown(path.c_str(), user, static_cast<gid_t>(-1)) == 0;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusalTest,
    ::testing::Values(
        Refusal{"ImmutableModelInPlace", true, false,
                [](const std::string& d) { return Chattr("+i", d + "/in.mdl"); },
                "is immutable, so it cannot be replaced"},
        Refusal{"AppendOnlyModelInPlace", true, false,
                [](const std::string& d) { return Chattr("+a", d + "/in.mdl"); },
                "is append-only, so it cannot be replaced"},
        Refusal{"ImmutableOutput", false, false,
                [](const std::string& d) { return Chattr("+i", d + "/out.mdl"); },
                "is immutable, so it cannot be replaced"},
        Refusal{"AppendOnlyOutput", false, false,
                [](const std::string& d) { return Chattr("+a", d + "/out.mdl"); },
                "is append-only, so it cannot be replaced"},
        Refusal{"AppendOnlyFolder", false, false,
                [](const std::string& d) { return Chattr("+a", d); },
                "is in an append-only folder, whose files cannot be replaced"},
        Refusal{"OthersModelInPlace", true, true, [](const std::string&) { return true; },
                "Permission denied"},
        Refusal{"OthersOutput", false, true, [](const std::string&) { return true; },
                "Permission denied"},
        Refusal{"OwnReadOnlyModelInPlace", true, true,
                [](const std::string& d) {
                  return Chown(d + "/in.mdl", kNobody) && Chmod(d + "/in.mdl", 0444);
                },
                "Permission denied"},
        Refusal{"OthersWritableModelInPlace", true, true,
                [](const std::string& d) { return Chmod(d + "/in.mdl", 0666); },
                "belongs to another user, whom a new file in its place could not keep"},
        Refusal{"OthersWritableOutput", false, true,
                [](const std::string& d) { return Chmod(d + "/out.mdl", 0666); },
                "belongs to another user, whom a new file in its place could not keep"},
        Refusal{"OthersOutputInAStickyFolder", false, true,
                [](const std::string& d) { return Chmod(d, 01777) && Chmod(d + "/out.mdl", 0666); },
                "is in a folder where only its owner may replace it"}),
    testing::RowName());

// What a replaced file keeps besides its access: the extended attributes a user may set, and
// its set-group-ID bit where the user may set it; where not (a user outside its group, in a
// folder that gives new files that group), the job says it was lost.
TEST(KeptAttributesTest, UserAttributesStayAndALostSetGroupIdBitIsSaid) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs to become another user";
  for (const bool inPlace : {true, false}) {
    for (const bool asNobody : {true, false}) {
      TempDir dir;
      const std::string folder = dir.File("d");
      fs::create_directory(folder);
      ASSERT_EQ(::chmod(folder.c_str(), 02777), 0);  // new files get its group, root's
      const std::string input = folder + "/in.mdl", output = folder + "/out.mdl";
      const std::string& replaced = inPlace ? input : output;
      WriteFile(input, kModel);
      WriteFile(output, "previous");
      ASSERT_EQ(::chown(replaced.c_str(), kNobody, 0), 0);
      ASSERT_EQ(::chmod(replaced.c_str(), 02664), 0);
      if (::setxattr(replaced.c_str(), "user.comment", "kept", 4, 0) != 0) {
        GTEST_SKIP() << "no user attributes here";
      }
      const Outcome outcome = RunJob(Job(input, output, inPlace), asNobody);
      ASSERT_EQ(outcome.status, JobStatus::Done) << outcome.reason;
      EXPECT_EQ(ReadFile(replaced), kScaled);
      EXPECT_EQ(Attribute(replaced, "user.comment"), "kept");
      struct stat status {};
      ASSERT_EQ(::stat(replaced.c_str(), &status), 0);
      EXPECT_EQ(status.st_uid, kNobody);
      EXPECT_EQ(status.st_gid, 0u);
      EXPECT_EQ(status.st_mode & 07777, asNobody ? 0664u : 02664u);
      EXPECT_EQ(
          outcome.reason,
          asNobody ? "lost its set-group-ID bit, which only a member of its group may set" : "");
    }
  }
}

// The superuser replacing another user's file gives the new one the same owner and group.
TEST(OwnerTest, ReplacedFileKeepsItsOwner) {
  if (::geteuid() != 0) GTEST_SKIP() << "only the superuser can give files to others";
  for (const bool inPlace : {false, true}) {
    TempDir dir;
    const std::string input = dir.File("in.mdl"), output = dir.File("out.mdl");
    WriteFile(input, kModel);
    WriteFile(output, "previous");
    const std::string& replaced = inPlace ? input : output;
    ASSERT_EQ(::chown(replaced.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(RunScaleJob(Job(input, output, inPlace)).status, JobStatus::Done);
    struct stat status {};
    ASSERT_EQ(::stat(replaced.c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, kNobody) << "in place: " << inPlace;
    EXPECT_EQ(status.st_gid, kNobody) << "in place: " << inPlace;
    EXPECT_EQ(ReadFile(replaced), kScaled);
  }
}
#endif

}  // namespace
}  // namespace tessary
