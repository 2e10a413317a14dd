// OutputFile on its own: bytes as given, what is left after an early end, taking text back.
#include "model/output_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <stdexcept>
#include <string>

#include "model/file_error.h"
#include "tests/support/files.h"

namespace tessary {
namespace {

using testing::ReadFile;
using testing::TempDir;

class OutputFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd_, 0);
  }
  void TearDown() override { ::close(fd_); }

  TempDir dir_;
  std::string path_ = dir_.File("out.mdl");
  int fd_ = -1;
};

TEST_F(OutputFileTest, WritesBytesAsGivenInOrder) {
  const std::string big(10'000, 'b');
  {
    OutputFile output(fd_, path_, nullptr, 4096);
    output.Write("a\r\n");
    output.Write(std::string_view("\0\xff", 2));
    output.Write(big);  // larger than the buffer
    char* room = output.Reserve(3);
    room[0] = 'x';
    output.Commit(room + 1);
    EXPECT_EQ(output.bytes_written(), 3 + 2 + big.size() + 1);
    output.Finish();
  }
  EXPECT_EQ(ReadFile(path_), "a\r\n" + std::string("\0\xff", 2) + big + "x");
}

TEST_F(OutputFileTest, PassEndedByAnErrorLeavesWhatItHadWritten) {
  try {
    OutputFile output(fd_, path_);
    output.Write("kept\r\n");
    throw std::runtime_error("a read failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(ReadFile(path_), "kept\r\n");
}

TEST_F(OutputFileTest, TakesBackTextStillInTheBuffer) {
  {
    OutputFile output(fd_, path_);
    output.Write("line one\r\n");
    const std::uint64_t mark = output.Mark();
    output.Write("    tentative");
    output.RewindTo(mark);
    output.Write("line two\r\n");
    output.Finish();
  }
  EXPECT_EQ(ReadFile(path_), "line one\r\nline two\r\n");
}

TEST_F(OutputFileTest, TakesBackWrittenTextFromASeekableFile) {
  {
    OutputFile output(fd_, path_, nullptr, 4096);
    output.Write("head\r\n");
    const std::uint64_t mark = output.Mark();
    output.Write(std::string(20'000, ' '));  // flushed long ago
    output.RewindTo(mark);
    output.Write("tail\r\n");
    output.Finish();
  }
  EXPECT_EQ(ReadFile(path_), "head\r\ntail\r\n");
}

TEST(OutputFile, CannotTakeBackWhatAPipeWasGiven) {
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  ::fcntl(pipeFds[1], F_SETPIPE_SZ, 1 << 20);
  {
    OutputFile output(pipeFds[1], "standard output", nullptr, 4096);
    output.Write("head\r\n");
    const std::uint64_t mark = output.Mark();
    output.Write(std::string(20'000, ' '));
    EXPECT_THROW(output.RewindTo(mark), FileError);
  }
  ::close(pipeFds[0]);
  ::close(pipeFds[1]);
}

TEST(OutputFile, FullDiskIsReportedWithThePath) {
  const int fd = ::open("/dev/full", O_WRONLY);
  ASSERT_GE(fd, 0);
  OutputFile output(fd, "/dev/full");
  output.Write("x");
  try {
    output.Finish();
    FAIL() << "no error";
  } catch (const FileError& error) {
    EXPECT_STREQ(error.what(), "Disk full while accessing /dev/full.");
    EXPECT_EQ(error.reason(), "No space left on device");
  }
  ::close(fd);
}

}  // namespace
}  // namespace tessary
