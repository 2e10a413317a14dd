// The run engine through its API: where each input's output goes, how far a run has come,
// and what a run tells its caller (one record a file, in the order of the inputs, on the
// caller's thread) and refuses before anything is written. What the records say of each kind
// of failure is tested through the programs that word them.
#include "model/job/run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/table.h"
#include "tests/support/worked_example.h"

namespace tessary {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// Rows named by the input and where its output goes.
struct OutputNameCase {
  const char* name;
  const char* input;
  Placement placement;
  const char* destination;
  const char* output;
};
void PrintTo(const OutputNameCase& row, std::ostream* os) {
  *os << row.name;
}

class OutputNameTest : public ::testing::TestWithParam<OutputNameCase> {};

TEST_P(OutputNameTest, NamesTheOutput) {
  std::string output =
      OutputPathFor(GetParam().input, GetParam().placement, GetParam().destination);
#ifdef _WIN32
  std::replace(output.begin(), output.end(), '\\', '/');  // where the system's separator goes
#endif
  EXPECT_EQ(output, GetParam().output);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, OutputNameTest,
    ::testing::Values(
        OutputNameCase{"BareNameWithSuffix", "crate.mdl", Placement::Suffix, "-x2", "crate-x2.mdl"},
        OutputNameCase{"PathWithSuffix", "a/b/crate.mdl", Placement::Suffix, "-x2",
                       "a/b/crate-x2.mdl"},
        OutputNameCase{"NoExtensionWithSuffix", "models/crate", Placement::Suffix, ".big",
                       "models/crate.big"},
        OutputNameCase{"TwoExtensionsWithSuffix", "crate.v2.mdl", Placement::Suffix, "_s",
                       "crate.v2_s.mdl"},
        OutputNameCase{"HiddenFileWithSuffix", "/m/.crate", Placement::Suffix, "-x2",
                       "/m/.crate-x2"},
        OutputNameCase{"FolderWithSuffix", "models/", Placement::Suffix, "-x2", ""},
        OutputNameCase{"PathIntoTarget", "a/b/crate.mdl", Placement::TargetDirectory, "out",
                       "out/crate.mdl"},
        OutputNameCase{"BareNameIntoTargetWithSlash", "crate.mdl", Placement::TargetDirectory,
                       "/tmp/out/", "/tmp/out/crate.mdl"},
        OutputNameCase{"FolderIntoTarget", "models/", Placement::TargetDirectory, "out", ""},
        OutputNameCase{"PathInPlace", "a/crate.mdl", Placement::InPlace, "", "a/crate.mdl"},
        OutputNameCase{"NamedOutput", "a.mdl", Placement::Output, "b.mdl", "b.mdl"}),
    testing::RowName());

TEST(ProgressCounter, CountsNoMoreThanEachFileHolds) {
  const std::uint64_t unknown = ProgressCounter::kUnknownSize;
  ProgressCounter known({10, 20});
  known.SetBytes(0, 30);  // a file that grew since it was looked at
  EXPECT_EQ(known.Snapshot(1).bytesDone, 10u);
  EXPECT_EQ(known.Snapshot(1).bytes, 30u);
  ProgressCounter withPipe({10, unknown});
  withPipe.SetBytes(0, 4);
  withPipe.SetBytes(1, 500);
  EXPECT_EQ(withPipe.Snapshot(1).bytesDone, 504u);
  EXPECT_EQ(withPipe.Snapshot(1).bytes, 0u) << "no total while a size is unknown";
}

// What a run told its observer, and on which thread.
class Recorder final : public RunObserver {
 public:
  void Progress(const ProgressSnapshot& snapshot) override {
    last = snapshot;
    onCaller = onCaller && std::this_thread::get_id() == caller;
  }
  void Finished(std::size_t index, const JobResult& record) override {
    indexes.push_back(index);
    records.push_back(record);
    onCaller = onCaller && std::this_thread::get_id() == caller;
  }

  std::thread::id caller = std::this_thread::get_id();
  bool onCaller = true;
  ProgressSnapshot last;
  std::vector<std::size_t> indexes;
  std::vector<JobResult> records;
};

TEST(RunModels, TellsOneRecordAFileInTheOrderOfTheInputsOnTheCallersThread) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "out");
  RunRequest request;
  for (const char* name : {"a.mdl", "missing.mdl", "c.mdl", "d.mdl"}) {
    if (std::string(name) != "missing.mdl") WriteFile(dir.File(name), testing::kSmallModel);
    request.inputs.push_back(JobFile::Path(dir.File(name)));
  }
  request.placement = Placement::TargetDirectory;
  request.destination = dir.File("out");
  request.factors = {2, 2, 2};
  request.jobs = 3;
  Recorder recorder;
  const std::atomic<bool> never{false};
  const RunSummary summary = RunModels(request, recorder, never);
  EXPECT_FALSE(summary.refused());
  EXPECT_EQ(recorder.indexes, (std::vector<std::size_t>{0, 1, 2, 3}));
  EXPECT_TRUE(recorder.onCaller);
  ASSERT_EQ(recorder.records.size(), 4u);
  EXPECT_EQ(recorder.records[1].status, JobStatus::InputNotOpened);
  EXPECT_EQ(recorder.records[1].input.path, dir.File("missing.mdl"));
  EXPECT_EQ(recorder.records[3].status, JobStatus::Done);
  EXPECT_EQ(recorder.records[3].output.path, platform::JoinPath(dir.File("out"), "d.mdl"));
  EXPECT_EQ(ReadFile(dir.File("out/d.mdl")), testing::kSmallModelDoubled);
  EXPECT_EQ(summary.done, 3u);
  EXPECT_EQ(summary.failed, 1u);
  EXPECT_EQ(summary.finished, (std::vector<std::size_t>{0, 2, 3}));
  EXPECT_EQ(recorder.last.filesDone, 4u) << "the last report counts every file";
}

TEST(RunModels, RefusesABatchThatWouldWriteAnInputAndTellsNoRecord) {
  TempDir dir;
  WriteFile(dir.File("a.mdl"), testing::kSmallModel);
  WriteFile(dir.File("a-x2.mdl"), testing::kSmallModel);
  RunRequest request;
  request.inputs = {JobFile::Path(dir.File("a.mdl")), JobFile::Path(dir.File("a-x2.mdl"))};
  request.placement = Placement::Suffix;
  request.destination = "-x2";
  Recorder recorder;
  const std::atomic<bool> never{false};
  const RunSummary summary = RunModels(request, recorder, never);
  ASSERT_EQ(summary.problems.size(), 1u);
  EXPECT_NE(summary.problems[0].find("which is the input"), std::string::npos);
  EXPECT_TRUE(recorder.records.empty());
  EXPECT_EQ(ReadFile(dir.File("a-x2.mdl")), testing::kSmallModel);
}

TEST(RunModels, InspectsWithoutWritingAndARunCancelledFirstTellsNothing) {
  TempDir dir;
  WriteFile(dir.File("a.mdl"), testing::kSmallModel);
  RunRequest request;
  request.work = RunRequest::Work::Inspect;
  request.inputs = {JobFile::Path(dir.File("a.mdl"))};
  Recorder recorder;
  std::atomic<bool> cancel{false};
  RunModels(request, recorder, cancel);
  ASSERT_EQ(recorder.records.size(), 1u);
  EXPECT_EQ(recorder.records[0].status, JobStatus::Done);
  EXPECT_GT(recorder.records[0].info.lines, 0u);
  EXPECT_EQ(testing::ListFolder(dir.path()), std::vector<std::string>{"a.mdl"});
  cancel = true;
  Recorder cancelled;
  EXPECT_TRUE(RunModels(request, cancelled, cancel).cancelled);
  EXPECT_TRUE(cancelled.records.empty());
}

}  // namespace
}  // namespace tessary
