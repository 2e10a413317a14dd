// The thread plan as a table: what the run has and is asked, and what it decides.
#include "model/job/thread_plan.h"

#include <gtest/gtest.h>

#include <ostream>

#include "tests/support/table.h"

namespace tessary {
namespace {

constexpr std::uint64_t kKiB = 1024;
constexpr std::uint64_t kMiB = kKiB * kKiB;

struct PlanCase {
  const char* name;
  RunResources has;
  PlanRequest asked;
  // What the plan decides:
  int filesAtATime;
  int threadsPerFile;
  std::size_t buffer;
  bool writeback;
  bool fits;
};
void PrintTo(const PlanCase& row, std::ostream* os) {
  *os << row.name;
}

// cores, memory left, address space left, thread stack, open files left
RunResources Has(int cores, std::uint64_t memory = 0, std::uint64_t addressSpace = 0,
                 std::uint64_t openFiles = 0) {
  return {cores, memory, addressSpace, 8 * kMiB, openFiles};
}

class ThreadPlanTest : public ::testing::TestWithParam<PlanCase> {};

TEST_P(ThreadPlanTest, Decides) {
  const PlanCase& row = GetParam();
  const ThreadPlan plan = PlanRun(row.has, row.asked);
  EXPECT_EQ(plan.filesAtATime, row.filesAtATime);
  EXPECT_EQ(plan.threadsPerFile, row.threadsPerFile);
  EXPECT_EQ(plan.inputBuffer, row.buffer);
  EXPECT_EQ(plan.outputBuffer, row.buffer);
  EXPECT_EQ(plan.writeback, row.writeback);
  EXPECT_EQ(plan.fits, row.fits);
  if (plan.fits && row.has.memoryLeft != 0) {
    EXPECT_LE(plan.memory, row.has.memoryLeft);
  }
  if (plan.fits && row.has.addressSpaceLeft != 0) {
    EXPECT_LE(plan.addressSpace, row.has.addressSpaceLeft);
  }
  // Outputs waiting to be put in place together hold a job's four descriptors each.
  EXPECT_GE(plan.outputsPerCommit, 1u);
  if (row.asked.files <= 1) {
    EXPECT_EQ(plan.outputsPerCommit, 1u);
  }
  if (row.has.openFilesLeft != 0 && plan.outputsPerCommit > 1) {
    EXPECT_LE(4 * (plan.filesAtATime + plan.outputsPerCommit), row.has.openFilesLeft);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ThreadPlanTest,
    ::testing::Values(
        // Cores, -j and --threads.
        PlanCase{"TwoCoresOneLargeFile", Has(2), {0, 0, 1, 64 * kMiB}, 1, 2, kMiB, true, true},
        PlanCase{"TwoCoresOneSmallFile", Has(2), {0, 0, 1, kMiB}, 1, 1, kMiB, true, true},
        PlanCase{"OneCore", Has(1), {0, 0, 1, 64 * kMiB}, 1, 1, kMiB, true, true},
        PlanCase{"ThreadsOne", Has(2), {0, 1, 1, 64 * kMiB}, 1, 1, kMiB, true, true},
        PlanCase{"ThreadsAboveTheCores", Has(4), {0, 1024, 1, 64 * kMiB}, 1, 4, kMiB, true, true},
        PlanCase{"TwoJobsShareFourCores", Has(4), {2, 0, 10, 64 * kMiB}, 2, 2, kMiB, true, true},
        PlanCase{"JobsAboveTheCores", Has(2), {8, 0, 10, 64 * kMiB}, 8, 1, kMiB, true, true},
        PlanCase{"FewerFilesThanCores", Has(8), {0, 0, 3, 64 * kMiB}, 3, 2, kMiB, true, true},
        PlanCase{"JobsAboveTheFiles", Has(2), {1024, 0, 3, kMiB}, 3, 1, kMiB, true, true},
        PlanCase{"SizeUnknown", Has(2), {0, 0, 1, 0}, 1, 1, kMiB, true, true},
        // Open files.
        PlanCase{"SixtyFourDescriptors",
                 Has(2, 0, 0, 64),
                 {1024, 0, 600, kKiB},
                 12,
                 1,
                 kMiB,
                 true,
                 true},
        PlanCase{"ThousandDescriptorsManySmallFiles",
                 Has(2, 0, 0, 1024),
                 {0, 0, 2000, 53 * kKiB},
                 2,
                 1,
                 kMiB,
                 true,
                 true},
        PlanCase{"TenDescriptors", Has(2, 0, 0, 10), {4, 0, 600, kKiB}, 1, 1, kMiB, true, true},
        // Address space: each thread's stack counts.
        PlanCase{"TenMiBOfAddressSpace",
                 Has(2, 0, 10 * kMiB),
                 {0, 0, 1, 64 * kMiB},
                 1,
                 1,
                 kMiB,
                 false,
                 true},
        PlanCase{"ThreeMiBOfAddressSpace",
                 Has(2, 0, 3 * kMiB),
                 {0, 0, 1, 64 * kMiB},
                 1,
                 1,
                 256 * kKiB,
                 false,
                 true},
        PlanCase{
            "RoomForOneWorker", Has(4, 0, 40 * kMiB), {0, 0, 1, 64 * kMiB}, 1, 2, kMiB, true, true},
        // Memory (a control group): stacks count only as far as they are touched.
        PlanCase{"ThreeMiBOfMemory",
                 Has(2, 3 * kMiB),
                 {0, 0, 1, 64 * kMiB},
                 1,
                 1,
                 256 * kKiB,
                 false,
                 true},
        PlanCase{"MemoryForFewerFiles",
                 Has(2, 4 * kMiB),
                 {8, 0, 8, kKiB},
                 2,
                 1,
                 256 * kKiB,
                 false,
                 true},
        PlanCase{"NothingFits", Has(2, kMiB), {0, 0, 1, 64 * kMiB}, 1, 1, 64 * kKiB, false, false},
        PlanCase{
            "NoAddressSpaceLeft", Has(2, 0, 1), {0, 0, 1, kKiB}, 1, 1, 64 * kKiB, false, false}),
    testing::RowName());

// A file's pass: the sequential pass below the size from which threads pay, the plan's
// workers above it; the buffers and the writeback as planned.
TEST(ThreadPlan, EachFileTakesTheSequentialPassBelowTheParallelSize) {
  const ThreadPlan plan = PlanRun(Has(4), {0, 0, 1, 64 * kMiB});
  for (const std::uint64_t size : {std::uint64_t{0}, kMiB, kParallelFromBytes - 1}) {
    EXPECT_EQ(plan.ForFile(size).parallel.threads, 0) << size;
  }
  for (const std::uint64_t size : {kParallelFromBytes, 1024 * kMiB}) {
    const PassPlan pass = plan.ForFile(size);
    EXPECT_EQ(pass.parallel.threads, 3) << size;
    EXPECT_EQ(pass.parallel.chunkSize, plan.inputBuffer);
    EXPECT_LE(pass.parallel.maxChunk, pass.inputBuffer);
    EXPECT_TRUE(pass.writeback);
    EXPECT_GT(pass.parallel.minNumberShare, 0);
  }
}

// Every thread is counted: the caller's, one per file when several run at a time, each
// file's workers and writeback thread; and the busy ones stay within the cores unless -j
// asks for more files than that.
TEST(ThreadPlan, CountsEveryThreadAndKeepsBusyOnesWithinTheCores) {
  for (int cores = 1; cores <= 16; cores *= 2) {
    for (const unsigned jobs : {0u, 1u, 3u, 64u}) {
      for (const unsigned threads : {0u, 1u, 2u, 1024u}) {
        const PlanRequest asked{jobs, threads, 5, 64 * kMiB};
        const ThreadPlan plan = PlanRun(Has(cores), asked);
        const int files = plan.filesAtATime;
        const int perFile = plan.threadsPerFile - 1 + (plan.writeback ? 1 : 0);
        const int started = files * perFile + (files > 1 ? files : 0);
        EXPECT_EQ(plan.Threads(), 1 + started) << cores << " cores, -j " << jobs;
        EXPECT_LE(files * plan.threadsPerFile, std::max(cores, files))
            << cores << " cores, -j " << jobs << ", --threads " << threads;
        if (threads != 0) {
          EXPECT_LE(plan.threadsPerFile, static_cast<int>(threads));
        }
      }
    }
  }
}

}  // namespace
}  // namespace tessary
