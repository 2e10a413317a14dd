// Results and file errors of whole passes, with real files, folders, devices and locks.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "model/job/run.h"
#include "model/pass/file_error.h"
#include "tests/support/files.h"
#include "tests/support/sample_model.h"
#include "tests/support/worked_example.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;
using testing::LockHolder;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

using testing::kModel;

ScaleResult Scale(const std::string& input, const std::string& output) {
  return ScaleModelFile(input, output, "2", "2", "2");
}

using FileFaults = testing::SampleModelTest<>;

TEST_F(FileFaults, EachOutcomeHasItsMessage) {
  EXPECT_STREQ(MessageFor(Scale(input_, output_)), "Done!");
  EXPECT_STREQ(MessageFor(Scale(dir_.File("missing.mdl"), output_)), "Unable to open input file.");
  EXPECT_STREQ(MessageFor(Scale(input_, input_)), "Unable to open output file.");
}

TEST_F(FileFaults, InputThatCannotBeOpenedCreatesNoOutput) {
  for (const std::string& input : {std::string(), dir_.File("missing.mdl"), dir_.path().string()}) {
    EXPECT_EQ(Scale(input, output_), ScaleResult::InputNotOpened) << input;
    EXPECT_FALSE(fs::exists(output_));
  }
  EXPECT_EQ(Scale("", ""), ScaleResult::InputNotOpened);
}

TEST_F(FileFaults, InputLockedByAnotherProcess) {
  LockHolder lock(input_);
  EXPECT_EQ(Scale(input_, output_), ScaleResult::InputNotOpened);
  EXPECT_FALSE(fs::exists(output_));
}

TEST_F(FileFaults, OutputThatCannotBeCreated) {
  EXPECT_EQ(Scale(input_, ""), ScaleResult::OutputNotOpened);
  EXPECT_EQ(Scale(input_, dir_.File("no/such/folder/out.mdl")), ScaleResult::OutputNotOpened);
  EXPECT_EQ(Scale(input_, dir_.path().string()), ScaleResult::OutputNotOpened);
  EXPECT_EQ(ReadFile(input_), kModel);
}

TEST_F(FileFaults, OutputLockedByAnotherProcessIsLeftUntouched) {
  WriteFile(output_, "keep me");
  LockHolder lock(output_);
  EXPECT_EQ(Scale(input_, output_), ScaleResult::OutputNotOpened);
  EXPECT_EQ(ReadFile(output_), "keep me");
}

TEST_F(FileFaults, InputNamedAsOutputIsLeftUnchanged) {
  fs::create_hard_link(testing::PathOf(input_), testing::PathOf(dir_.File("hardlink.mdl")));
  std::vector<std::string> sameFileNames = {input_, dir_.File("hardlink.mdl"),
                                            dir_.File("./in.mdl")};
#ifndef _WIN32  // making a symbolic link takes a privilege on Windows
  fs::create_symlink(input_, dir_.File("symlink.mdl"));
  sameFileNames.push_back(dir_.File("symlink.mdl"));
#endif
  for (const std::string& output : sameFileNames) {
    EXPECT_EQ(Scale(input_, output), ScaleResult::OutputNotOpened) << output;
    EXPECT_EQ(ReadFile(input_), kModel) << output;
  }
}

TEST_F(FileFaults, ExistingOutputIsReplaced) {
  WriteFile(output_, std::string(10'000, 'z'));
  ASSERT_EQ(Scale(input_, output_), ScaleResult::Done);
  EXPECT_EQ(ReadFile(output_),
            "position 2.00000000000 4.00000000000 6.00000000000\r\nverts 1\r\n"
            "    2.00000000000 2.00000000000 2.00000000000\r\n");
  ASSERT_EQ(Scale(input_, output_), ScaleResult::Done);  // and again, still unlocked
  LockHolder inputIsFree(input_);                        // nothing left open
  LockHolder outputIsFree(output_);
}

#ifndef _WIN32
// Runs a pass that must raise a file error, and returns it.
FileError ExpectFileError(const std::string& input, const std::string& output) {
  try {
    Scale(input, output);
  } catch (const FileError& error) {
    return error;
  }
  ADD_FAILURE() << "no file error from " << input << " to " << output;
  return FileError(FileErrorCause::Generic, "", 0);
}

TEST_F(FileFaults, FullDiskIsReportedForTheOutput) {
  const FileError error = ExpectFileError(input_, "/dev/full");
  EXPECT_EQ(error.cause(), FileErrorCause::DiskFull);
  EXPECT_STREQ(error.what(), "Disk full while accessing /dev/full.");
  EXPECT_EQ(error.systemError(), ENOSPC);
}

TEST_F(FileFaults, FailedReadIsAnUnknownError) {
  const FileError error = ExpectFileError("/proc/self/mem", output_);
  EXPECT_EQ(error.cause(), FileErrorCause::Generic);
  EXPECT_STREQ(error.what(), "An unknown error occurred while accessing /proc/self/mem.");
  EXPECT_FALSE(fs::exists(output_));
}

TEST_F(FileFaults, ErrorNamesTheFullPath) {
  const fs::path previous = fs::current_path();
  fs::current_path("/proc");
  const FileError error = ExpectFileError("./self/../self/mem", output_);
  fs::current_path(previous);
  EXPECT_EQ(error.path(), "/proc/self/mem");
}

TEST_F(FileFaults, FilesAreClosedAndUnlockedOnEveryWayOut) {
  const auto openDescriptors = [] {
    return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{});
  };
  const auto before = openDescriptors();
  EXPECT_EQ(Scale(input_, output_), ScaleResult::Done);
  EXPECT_EQ(Scale(input_, dir_.path().string()), ScaleResult::OutputNotOpened);
  EXPECT_THROW(Scale(input_, "/dev/full"), FileError);
  EXPECT_THROW(Scale("/proc/self/mem", output_), FileError);
  EXPECT_EQ(openDescriptors(), before);
  LockHolder inputIsFree(input_);
  LockHolder outputIsFree(output_);
}
#endif

}  // namespace
}  // namespace tessary
