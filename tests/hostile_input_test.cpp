// Hostile model text and long runs of passes: accepted, copied or rewritten as the rules say,
// with memory and descriptors under control.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "model/job/run.h"
#include "model/pass/file_error.h"
#include "tests/support/files.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

TEST(HostileInput, OneLongLineIsCopiedWholeInLittleMemory) {
  TempDir dir;
  const std::size_t size = 40u << 20;
  {
    std::ofstream out(testing::PathOf(dir.File("in.mdl")), std::ios::binary);
    const std::string chunk(1 << 20, 'x');
    for (std::size_t written = 0; written < size; written += chunk.size())
      out << chunk;
    out << "\r\r";
  }
  const testing::ProgramResult small = testing::RunProgram(
      TESSARY_SCALE_PATH, {testing::SourcePath("examples/crate.mdl"), dir.File("small.mdl"), "2"});
  const testing::ProgramResult result =
      testing::RunProgram(TESSARY_SCALE_PATH, {dir.File("in.mdl"), dir.File("out.mdl"), "2"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(fs::file_size(testing::PathOf(dir.File("out.mdl"))), size + 2);
  std::ifstream out(testing::PathOf(dir.File("out.mdl")), std::ios::binary);
  out.seekg(static_cast<std::streamoff>(size) - 3);
  std::string tail(5, '\0');
  out.read(tail.data(), 5);
  EXPECT_EQ(tail, "xxx\r\n");
  // Wine does not always tell the peak of a short run; without it there is nothing to compare.
  if (small.maxResidentKilobytes > 0) {
    EXPECT_LT(result.maxResidentKilobytes, small.maxResidentKilobytes + 8 * 1024)
        << "kilobytes, against " << small.maxResidentKilobytes << " for a small model";
  }
}

TEST(HostileInput, CarriageReturnsOnlyMakeOneLine) {
  TempDir dir;
  WriteFile(dir.File("in.mdl"), "a\rb\rc\r");
  ASSERT_EQ(ScaleModelFile(dir.File("in.mdl"), dir.File("out.mdl"), "1", "1", "1"),
            ScaleResult::Done);
  EXPECT_EQ(ReadFile(dir.File("out.mdl")), "a\rb\rc\r\n");
}

TEST(HostileInput, LargestCountRunsToTheEndOfTheFile) {
  TempDir dir;
  WriteFile(dir.File("in.mdl"), "verts 2147483647\n1 2 3\n'center' 1 1 1");
  ASSERT_EQ(ScaleModelFile(dir.File("in.mdl"), dir.File("out.mdl"), "1", "1", "1"),
            ScaleResult::Done);
  EXPECT_EQ(ReadFile(dir.File("out.mdl")),
            "verts 2147483647\r\n    1.00000000000 2.00000000000 3.00000000000\r\n"
            "    0.00000000000 1.00000000000 1.00000000000\r\n");
}

TEST(ManyPasses, LeaveNoDescriptorOpenAndNoMemoryGrowing) {
  TempDir dir;
  WriteFile(dir.File("in.mdl"), "position 1 2 3\nverts 2\n1 1 1\n2 2 2\nnode\n");
  const long handles = testing::OpenHandles();
  const auto pass = [&] {
    ASSERT_EQ(ScaleModelFile(dir.File("in.mdl"), dir.File("out.mdl"), "2", "2", "2"),
              ScaleResult::Done);
    ASSERT_EQ(ScaleModelFile(dir.File("in.mdl"), dir.File("in.mdl"), "2", "2", "2"),
              ScaleResult::OutputNotOpened);
    ASSERT_EQ(ScaleModelFile(dir.File("missing.mdl"), dir.File("out.mdl"), "2", "2", "2"),
              ScaleResult::InputNotOpened);
#ifndef _WIN32
    ASSERT_THROW(ScaleModelFile(dir.File("in.mdl"), "/dev/full", "2", "2", "2"), FileError);
#endif
  };
  for (int i = 0; i < 100; ++i)
    pass();
  const long residentAfter100 = testing::ResidentKilobytes();
  for (int i = 0; i < testing::Sample(900); ++i)
    pass();
  EXPECT_EQ(testing::OpenHandles(), handles);
  EXPECT_LT(testing::ResidentKilobytes() - residentAfter100, 2048)
      << "kilobytes grown over the passes after the first 100";
}

}  // namespace
}  // namespace tessary
