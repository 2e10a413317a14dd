// The driver: which files it refuses, what it leaves behind when a job fails or is cancelled,
// and what it keeps of the output it replaces.
#include "model/job/scale_job.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <new>
#include <string>
#include <thread>

#include "platform/error.h"
#include "platform/file.h"
#include "tests/support/files.h"
#include "tests/support/sample_model.h"
#include "tests/support/table.h"
#include "tests/support/worked_example.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

namespace tessary {
namespace {

namespace fs = std::filesystem;
using testing::ListFolder;
using testing::LockHolder;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

using testing::kModel;
using testing::kScaled;

class ScaleJobTest : public testing::SampleModelTest<> {
 protected:
  JobResult Run(JobFile input, JobFile output, PassControl control = {}) {
    return RunScaleJob({std::move(input), std::move(output), {2, 2, 2}, std::move(control)});
  }
  JobResult Run(const std::string& output, PassControl control = {}) {
    return Run(JobFile::Path(input_), JobFile::Path(output), std::move(control));
  }
};

TEST_F(ScaleJobTest, WritesTheOutputAndSaysDone) {
  const JobResult result = Run(output_);
  EXPECT_EQ(result.status, JobStatus::Done);
  EXPECT_EQ(result.Message(), "Done!");
  EXPECT_EQ(ReadFile(output_), kScaled);
  EXPECT_EQ(ListFolder(dir_.path()), (std::vector<std::string>{"in.mdl", "out.mdl"}));
}

TEST_F(ScaleJobTest, RefusesTheInputAsOutputHoweverItIsNamed) {
  fs::create_hard_link(testing::PathOf(input_), testing::PathOf(dir_.File("hardlink.mdl")));
  std::vector<std::string> names = {input_, dir_.File("hardlink.mdl"), dir_.File("./in.mdl")};
#ifndef _WIN32
  fs::create_symlink(input_, dir_.File("symlink.mdl"));
  const int fd = ::open(input_.c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  names.push_back(dir_.File("symlink.mdl"));
  names.push_back("/proc/self/fd/" + std::to_string(fd));
#endif
  for (const std::string& name : names) {
    const JobResult result = Run(name);
    EXPECT_EQ(result.status, JobStatus::OutputNotOpened) << name;
    EXPECT_EQ(result.path, name);
    EXPECT_EQ(result.reason, "is the same file as the input") << name;
    EXPECT_EQ(result.Message(), "Unable to open output file.");
  }
#ifndef _WIN32
  // A descriptor for either end: standard output onto the input, standard input from it.
  EXPECT_EQ(Run(JobFile::Path(input_), JobFile::Opened(fd, "standard output")).status,
            JobStatus::OutputNotOpened);
  EXPECT_EQ(Run(JobFile::Opened(fd, "standard input"), JobFile::Path(input_)).reason,
            "is the same file as the input");
  ::close(fd);
#endif
  EXPECT_EQ(ReadFile(input_), kModel);
}

TEST_F(ScaleJobTest, OutputHeldByAnotherProgramIsInUse) {
  WriteFile(output_, "keep me");
  LockHolder lock(output_);
  const JobResult result = Run(output_);
  EXPECT_EQ(result.status, JobStatus::OutputNotOpened);
  EXPECT_EQ(result.reason, "is in use by another program");
  EXPECT_EQ(ReadFile(output_), "keep me");
}

TEST_F(ScaleJobTest, InputHeldByAnotherProgramIsInUse) {
  LockHolder lock(input_);
  const JobResult result = Run(output_);
  EXPECT_EQ(result.status, JobStatus::InputNotOpened);
  EXPECT_EQ(result.Message(), "Unable to open input file.");
  EXPECT_EQ(result.reason, "is in use by another program");
  EXPECT_FALSE(fs::exists(output_));
}

TEST_F(ScaleJobTest, MissingInputCreatesNothing) {
  const JobResult result = Run(JobFile::Path("missing.mdl"), JobFile::Path(output_));
  EXPECT_EQ(result.status, JobStatus::InputNotOpened);
  EXPECT_EQ(result.path, "missing.mdl");
  EXPECT_EQ(result.reason, testing::Reason(platform::ErrorKind::NotFound));
  EXPECT_FALSE(fs::exists(output_));
}

TEST_F(ScaleJobTest, FailedJobLeavesThePreviousOutputAndNoTemporaryFile) {
  WriteFile(output_, "previous");
  PassControl control;
  control.progress = [](std::uint64_t, std::uint64_t) {
    throw FileError::ReadFailure("/x/in.mdl", 0, "a bad sector");
  };
  const JobResult result = Run(output_, control);
  EXPECT_EQ(result.status, JobStatus::Failed);
  EXPECT_EQ(result.Message(), "An unknown error occurred while accessing /x/in.mdl.");
  EXPECT_EQ(result.reason, "a bad sector");
  EXPECT_EQ(ReadFile(output_), "previous");
  EXPECT_EQ(ListFolder(dir_.path()), (std::vector<std::string>{"in.mdl", "out.mdl"}));
}

// The model ends at a Ctrl-Z; in place, what follows one would be lost.
TEST_F(ScaleJobTest, ModelWithTextAfterACtrlZIsNotReplaced) {
  const std::string model = "position 1 2 3\n\x1a\nverts 1\n1 2 3\n";
  for (const std::string& text : {model, std::string("position 1 2 3\n\x1a")}) {
    WriteFile(input_, text);
    ScaleJob job{JobFile::Path(input_), JobFile::Path(input_), {2, 2, 2}, {}};
    job.inPlace = true;
    const JobResult result = RunScaleJob(job);
    const bool lost = text == model;
    EXPECT_EQ(result.status, lost ? JobStatus::OutputNotOpened : JobStatus::Done) << result.reason;
    if (lost) {
      EXPECT_EQ(result.reason,
                "text follows a Ctrl-Z byte, which ends the model: replacing the file would lose "
                "it");
    }
    EXPECT_EQ(ReadFile(input_) == text, lost);
    EXPECT_EQ(ListFolder(dir_.path()), std::vector<std::string>{"in.mdl"});
  }
}

TEST_F(ScaleJobTest, FailedJobLeavesNoOutputWhereThereWasNone) {
  PassControl control;
  control.progress = [](std::uint64_t, std::uint64_t) {
    throw FileError::WriteFailure("/o", platform::ErrorOf(platform::ErrorKind::DiskFull));
  };
  const JobResult result = Run(output_, control);
  EXPECT_EQ(result.Message(), "Disk full while accessing /o.");
  EXPECT_EQ(ListFolder(dir_.path()), std::vector<std::string>{"in.mdl"});
}

TEST_F(ScaleJobTest, RunningOutOfMemoryIsAnErrorOnTheInput) {
  WriteFile(output_, "previous");
  PassControl control;
  control.progress = [](std::uint64_t, std::uint64_t) { throw std::bad_alloc(); };
  const JobResult result = Run(output_, control);
  EXPECT_EQ(result.status, JobStatus::Failed);
  EXPECT_EQ(result.Message(), "An unknown error occurred while accessing " + input_ + ".");
  EXPECT_EQ(ReadFile(output_), "previous");
}

TEST_F(ScaleJobTest, CancelledJobLeavesThePreviousOutput) {
  WriteFile(output_, "previous");
  std::atomic<bool> cancel{false};
  PassControl control;
  control.cancel = &cancel;
  control.progress = [&cancel](std::uint64_t, std::uint64_t) { cancel = true; };
  const JobResult result = Run(output_, control);
  EXPECT_EQ(result.status, JobStatus::Cancelled);
  EXPECT_EQ(result.Message(), "");
  EXPECT_EQ(ReadFile(output_), "previous");
  EXPECT_EQ(ListFolder(dir_.path()), (std::vector<std::string>{"in.mdl", "out.mdl"}));
}

// A cancel (a Ctrl+C, a signal) and the moment it comes, rows named by both: before the new
// output is put in place it keeps the old one, and the job says Cancelled; once the output is
// being put in place it is too late, and the job says Done, which is what happened.
enum class CancelMoment { DuringThePass, AsTheOutputIsPutInPlace };
struct CancelRow {
  const char* name;
  CancelMoment moment;
  bool inPlace;
};

class CancelAtAMoment : public ScaleJobTest, public ::testing::WithParamInterface<CancelRow> {};

TEST_P(CancelAtAMoment, ResultSaysWhatBecameOfTheOutput) {
  const CancelRow& row = GetParam();
  const std::string& replaced = row.inPlace ? input_ : output_;
  WriteFile(replaced, kModel);
  std::atomic<bool> cancel{false};
  ScaleJob job{JobFile::Path(input_), JobFile::Path(output_), {2, 2, 2}, {}};
  job.inPlace = row.inPlace;
  job.control.cancel = &cancel;
  if (row.moment == CancelMoment::DuringThePass) {
    job.control.progress = [&cancel](std::uint64_t, std::uint64_t) { cancel = true; };
  } else {
    job.committing = [&cancel] { cancel = true; };
  }
  const JobResult result = RunScaleJob(job);
  const bool done = row.moment == CancelMoment::AsTheOutputIsPutInPlace;
  EXPECT_TRUE(cancel.load());
  EXPECT_EQ(result.status, done ? JobStatus::Done : JobStatus::Cancelled);
  EXPECT_EQ(result.Message(), done ? "Done!" : "");
  EXPECT_EQ(ReadFile(replaced), done ? kScaled : kModel);
  EXPECT_EQ(ListFolder(dir_.path()).size(), row.inPlace ? 1u : 2u) << "no temporary file left";
}

INSTANTIATE_TEST_SUITE_P(
    Moments, CancelAtAMoment,
    ::testing::Values(
        CancelRow{"DuringThePass", CancelMoment::DuringThePass, false},
        CancelRow{"DuringThePassInPlace", CancelMoment::DuringThePass, true},
        CancelRow{"AsTheOutputIsPutInPlace", CancelMoment::AsTheOutputIsPutInPlace, false},
        CancelRow{"AsTheModelIsReplaced", CancelMoment::AsTheOutputIsPutInPlace, true}),
    testing::RowName());

// Outputs written whole and put in place together later, as a batch does, rows named by what
// the outputs are and what happens before they go in place: until then each output is as it
// was; then each is whole or as it was (or as another program left it), as its result says,
// and no new file is left beside any.
struct TogetherRow {
  const char* name;
  bool inPlace = false;
  bool outputsExist = false;
  bool anotherProgramCreatesOne = false;  // the second output, before the commit
  bool stopped = false;                   // an interrupt before the commit
  bool dropped = false;                   // the results go without a commit
  JobStatus expected = JobStatus::Done;   // of every output but the second, when it is taken
};

class CommitTogetherTest : public ::testing::TestWithParam<TogetherRow> {};

TEST_P(CommitTogetherTest, EachOutputIsWholeOrAsItWas) {
  const TogetherRow& row = GetParam();
  TempDir dir;
  const std::string old = row.inPlace ? kModel : row.outputsExist ? "an old output\n" : "";
  std::vector<std::string> outputs;
  std::vector<JobResult> results;
  for (const char* name : {"a", "b", "c"}) {
    const std::string input = dir.File(std::string(name) + ".mdl");
    const std::string output = row.inPlace ? input : dir.File(std::string(name) + "-out.mdl");
    WriteFile(input, kModel);
    if (row.outputsExist) WriteFile(output, old);
    ScaleJob job{JobFile::Path(input), JobFile::Path(output), {2, 2, 2}, {}};
    job.inPlace = row.inPlace;
    job.commitLater = true;
    results.push_back(RunScaleJob(job));
    outputs.push_back(output);
    EXPECT_EQ(results.back().status, JobStatus::Written) << name;
#ifndef _WIN32  // Windows holds a waiting output with no sharing: it cannot be read meanwhile
    EXPECT_EQ(fs::exists(testing::PathOf(output)) ? ReadFile(output) : "", old) << name;
#endif
  }
  const std::string others = "another program's model\n";
  if (row.anotherProgramCreatesOne) WriteFile(outputs[1], others);
  if (row.dropped) {
    results.clear();
  } else {
    std::vector<JobResult*> pointers;
    for (JobResult& result : results)
      pointers.push_back(&result);
    const std::atomic<bool> stop{row.stopped};
    CommitWritten(pointers, &stop);
  }
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    const bool taken = row.anotherProgramCreatesOne && i == 1;
    const JobStatus expected = taken ? JobStatus::Failed : row.expected;
    if (!row.dropped) {
      EXPECT_EQ(results[i].status, expected) << i;
    }
    const std::string now = fs::exists(testing::PathOf(outputs[i])) ? ReadFile(outputs[i]) : "";
    if (taken) {
      EXPECT_EQ(now, others);
      EXPECT_EQ(results[i].reason,
                "was created by another program during the run, and is left as "
                "that program made it");
    } else if (expected == JobStatus::Done) {
      EXPECT_EQ(now, kScaled) << i;
    } else {
      EXPECT_EQ(now, old) << i;
    }
  }
  for (const std::string& name : ListFolder(dir.path()))
    EXPECT_NE(name[0], '.') << "new file left behind: " << name;
}

INSTANTIATE_TEST_SUITE_P(Outputs, CommitTogetherTest,
                         ::testing::Values(TogetherRow{.name = "NewOutputs"},
                                           TogetherRow{.name = "ExistingOutputs",
                                                       .outputsExist = true},
                                           TogetherRow{.name = "ModelsInPlace", .inPlace = true},
                                           TogetherRow{.name = "OneCreatedByAnotherProgram",
                                                       .anotherProgramCreatesOne = true},
                                           TogetherRow{.name = "InterruptedBeforeTheirTurn",
                                                       .outputsExist = true,
                                                       .stopped = true,
                                                       .expected = JobStatus::Cancelled},
                                           TogetherRow{.name = "ResultsDroppedUncommitted",
                                                       .inPlace = true,
                                                       .dropped = true,
                                                       .expected = JobStatus::Cancelled}),
                         testing::RowName());

#ifndef _WIN32
// An access control list in the kernel's form: the owner rw, the user with id 1 rw, the owning
// group r, the mask rw, others nothing (as `setfacl -m u:1:rw` on a file of mode 640 makes).
std::string AccessList() {
  std::string list("\x02\0\0\0", 4);
  const auto entry = [&list](std::uint16_t tag, std::uint16_t permissions, std::uint32_t id) {
    list.append(reinterpret_cast<const char*>(&tag), 2);
    list.append(reinterpret_cast<const char*>(&permissions), 2);
    list.append(reinterpret_cast<const char*>(&id), 4);
  };
  entry(0x01, 6, ~0u);
  entry(0x02, 6, 1);
  entry(0x04, 4, ~0u);
  entry(0x10, 6, ~0u);
  entry(0x20, 0, ~0u);
  return list;
}

std::string AccessListOf(const std::string& path) {
  char value[256];
  const ssize_t size = ::getxattr(path.c_str(), "system.posix_acl_access", value, sizeof value);
  return size < 0 ? "" : std::string(value, static_cast<std::size_t>(size));
}

// Whether the output is replaced or the input in place, the new file gives the same access as
// the old one: its permission bits and its access control list, so the group gains nothing.
TEST_F(ScaleJobTest, ReplacedFileKeepsItsPermissionsAndAccessList) {
  for (const bool inPlace : {false, true}) {
    const std::string& replaced = inPlace ? input_ : output_;
    WriteFile(replaced, kModel);
    ASSERT_EQ(::chmod(replaced.c_str(), 0640), 0);
    const std::string list = AccessList();
    if (::setxattr(replaced.c_str(), "system.posix_acl_access", list.data(), list.size(), 0) != 0) {
      GTEST_SKIP() << "no access control lists here";
    }
    ScaleJob job{JobFile::Path(input_), JobFile::Path(output_), {2, 2, 2}, {}};
    job.inPlace = inPlace;
    ASSERT_EQ(RunScaleJob(job).status, JobStatus::Done);
    EXPECT_EQ(ReadFile(replaced), kScaled);
    EXPECT_EQ(AccessListOf(replaced), list) << "in place: " << inPlace;
    EXPECT_EQ(fs::status(replaced).permissions(), fs::perms::owner_read | fs::perms::owner_write |
                                                      fs::perms::group_read |
                                                      fs::perms::group_write)
        << "the group's bits show the mask, as before";
  }
}

TEST_F(ScaleJobTest, ReadOnlyOutputIsNotReplaced) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write any file";
  WriteFile(output_, "previous");
  ASSERT_EQ(::chmod(output_.c_str(), 0444), 0);
  const JobResult result = Run(output_);
  EXPECT_EQ(result.status, JobStatus::OutputNotOpened);
  EXPECT_EQ(result.reason, "Permission denied");
  EXPECT_EQ(ReadFile(output_), "previous");
}

TEST_F(ScaleJobTest, SymbolicLinkKeepsPointingAtTheReplacedFile) {
  fs::create_directory(dir_.File("models"));
  WriteFile(dir_.File("models/real.mdl"), "previous");
  fs::create_symlink("models/real.mdl", dir_.File("link.mdl"));
  fs::create_symlink("models/new.mdl", dir_.File("dangling.mdl"));
  ASSERT_EQ(Run(dir_.File("link.mdl")).status, JobStatus::Done);
  ASSERT_EQ(Run(dir_.File("dangling.mdl")).status, JobStatus::Done);
  EXPECT_TRUE(fs::is_symlink(dir_.File("link.mdl")));
  EXPECT_TRUE(fs::is_symlink(dir_.File("dangling.mdl")));
  EXPECT_EQ(ReadFile(dir_.File("models/real.mdl")), kScaled);
  EXPECT_EQ(ReadFile(dir_.File("models/new.mdl")), kScaled);
}

#endif

TEST_F(ScaleJobTest, HardLinkedOutputIsReplacedUnderItsNameOnly) {
  WriteFile(output_, "previous");
  fs::create_hard_link(testing::PathOf(output_), testing::PathOf(dir_.File("other-name.mdl")));
  ASSERT_EQ(Run(output_).status, JobStatus::Done);
  EXPECT_EQ(ReadFile(output_), kScaled);
  EXPECT_EQ(ReadFile(dir_.File("other-name.mdl")), "previous");
  EXPECT_EQ(fs::hard_link_count(testing::PathOf(output_)), 1u);
}

TEST_F(ScaleJobTest, FailedJobLeavesAHardLinkedOutputWhole) {
  WriteFile(output_, "previous");
  fs::create_hard_link(testing::PathOf(output_), testing::PathOf(dir_.File("other-name.mdl")));
  std::atomic<bool> cancel{false};
  PassControl control;
  control.cancel = &cancel;
  control.progress = [&cancel](std::uint64_t, std::uint64_t) { cancel = true; };
  EXPECT_EQ(Run(output_, control).status, JobStatus::Cancelled);
  EXPECT_EQ(ReadFile(output_), "previous");
  EXPECT_EQ(ReadFile(dir_.File("other-name.mdl")), "previous");
}

#ifndef _WIN32
TEST_F(ScaleJobTest, DevicesAreWrittenDirectlyWithoutALock) {
  LockHolder lock("/dev/null");  // another program's lock on a shared device
  EXPECT_EQ(Run("/dev/null").status, JobStatus::Done);
  const JobResult full = Run("/dev/full");
  EXPECT_EQ(full.status, JobStatus::Failed);
  EXPECT_EQ(full.Message(), "Disk full while accessing /dev/full.");
}

TEST_F(ScaleJobTest, FifoWithoutAReaderIsRefusedAtOnce) {
  const std::string fifo = dir_.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const JobResult result = Run(fifo);
  EXPECT_EQ(result.status, JobStatus::OutputNotOpened);
  EXPECT_EQ(result.reason, "no program is reading from it");
}

TEST_F(ScaleJobTest, FifoInputIsReadWhenItsWriterComes) {
  const std::string fifo = dir_.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&] { WriteFile(fifo, kModel); });
  const JobResult result = Run(JobFile::Path(fifo), JobFile::Path(output_));
  writer.join();
  EXPECT_EQ(result.status, JobStatus::Done);
  EXPECT_EQ(ReadFile(output_), kScaled);
}

#endif

TEST_F(ScaleJobTest, MissingFolderOrFolderAsOutputCannotBeOpened) {
  const std::string missing = platform::FullPath(dir_.File("no/such"));
  EXPECT_EQ(Run(dir_.File("no/such/out.mdl"))
                .reason.rfind("cannot create a file in " + missing + ": ", 0),
            0u);
  EXPECT_EQ(Run(testing::Utf8(dir_.path())).reason,
            platform::ErrorText(platform::ErrorOf(platform::ErrorKind::IsFolder)));
  EXPECT_EQ(Run("").status, JobStatus::OutputNotOpened);
  EXPECT_EQ(ListFolder(dir_.path()), std::vector<std::string>{"in.mdl"});
}

}  // namespace
}  // namespace tessary
