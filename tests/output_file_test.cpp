// OutputFile on its own: bytes as given, what is left after an early end, taking text back.
#include "model/pass/output_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <stdexcept>
#include <string>

#include "model/pass/file_error.h"
#include "tests/support/scratch_file.h"
#include "tests/support/table.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace tessary {
namespace {

class OutputFileTest : public ::testing::Test {
 protected:
  std::string Written() const { return scratch_.Contents(); }

  testing::ScratchFile scratch_;
  platform::File file_ = scratch_.Borrow();
  std::string path_ = "/out.mdl";
};

TEST_F(OutputFileTest, WritesBytesAsGivenInOrder) {
  const std::string big(10'000, 'b');
  {
    OutputFile output(file_, path_, nullptr, 4096);
    output.Write("a\r\n");
    output.Write(std::string_view("\0\xff", 2));
    output.Write(big);  // larger than the buffer
    char* room = output.Reserve(3);
    room[0] = 'x';
    output.Commit(room + 1);
    EXPECT_EQ(output.bytes_written(), 3 + 2 + big.size() + 1);
    output.Finish();
  }
  EXPECT_EQ(Written(), "a\r\n" + std::string("\0\xff", 2) + big + "x");
}

TEST_F(OutputFileTest, PassEndedByAnErrorLeavesWhatItHadWritten) {
  try {
    OutputFile output(file_, path_);
    output.Write("kept\r\n");
    throw std::runtime_error("a read failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(Written(), "kept\r\n");
}

TEST_F(OutputFileTest, TakesBackTextStillInTheBuffer) {
  {
    OutputFile output(file_, path_);
    output.Write("line one\r\n");
    const std::uint64_t mark = output.Mark();
    output.Write("    tentative");
    output.RewindTo(mark);
    output.Write("line two\r\n");
    output.Finish();
  }
  EXPECT_EQ(Written(), "line one\r\nline two\r\n");
}

TEST_F(OutputFileTest, TakesBackWrittenTextFromASeekableFile) {
  {
    OutputFile output(file_, path_, nullptr, 4096);
    output.Write("head\r\n");
    const std::uint64_t mark = output.Mark();
    output.Write(std::string(20'000, ' '));  // flushed long ago
    output.RewindTo(mark);
    output.Write("tail\r\n");
    output.Finish();
  }
  EXPECT_EQ(Written(), "head\r\ntail\r\n");
}

// The file gets the bytes written, in order, whatever mix of writes, reserved room, large
// texts and taking back leads there, across many fillings of the buffer. Rows named by the
// mix; each step is a letter: w writes a short line, b a text larger than the buffer, t
// writes a text straight through, r fills reserved room, m marks, k takes back to the mark.
struct MixCase {
  const char* name;
  const char* steps;
  int repeat;
};
void PrintTo(const MixCase& row, std::ostream* os) {
  *os << row.name;
}

class MixTest : public ::testing::TestWithParam<MixCase> {};

TEST_P(MixTest, WritesTheBytesInOrder) {
  testing::ScratchFile scratch;
  platform::File file = scratch.Borrow();
  std::string expected;
  std::size_t expectedMark = 0;
  {
    OutputFile output(file, "/out.mdl", nullptr, 4096);
    std::uint64_t mark = 0;
    int line = 0;
    for (int round = 0; round < GetParam().repeat; ++round) {
      for (const char* step = GetParam().steps; *step != '\0'; ++step) {
        const std::string text = "line " + std::to_string(line++) + "\r\n";
        switch (*step) {
          case 'w':
            output.Write(text);
            expected += text;
            break;
          case 'b': {
            const std::string big(5000 + line, static_cast<char>('a' + line % 26));
            output.Write(big);
            expected += big;
            break;
          }
          case 't':
            output.WriteThrough(text + text);
            expected += text + text;
            break;
          case 'r': {
            char* room = output.Reserve(text.size() + 10);
            std::memcpy(room, text.data(), text.size());
            output.Commit(room + text.size());
            expected += text;
            break;
          }
          case 'm':
            mark = output.Mark();
            expectedMark = expected.size();
            break;
          case 'k':
            output.RewindTo(mark);
            expected.resize(expectedMark);
            break;
        }
        ASSERT_EQ(output.bytes_written(), expected.size());
      }
    }
    output.Finish();
  }
  ASSERT_EQ(scratch.Contents(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Mixes, MixTest,
    ::testing::Values(MixCase{"ShortLines", "w", 3000}, MixCase{"ReservedRoom", "rrw", 1500},
                      MixCase{"LargeTexts", "wbw", 40}, MixCase{"StraightThrough", "wwtw", 500},
                      MixCase{"TakenBackAfterBuffersWentOut", "mwwwwbwk", 30},
                      MixCase{"TakenBackWithinTheBuffer", "wmwk", 1000}, MixCase{"Nothing", "", 1}),
    testing::RowName());

#ifndef _WIN32
TEST(OutputFile, CannotTakeBackWhatAPipeWasGiven) {
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  ::fcntl(pipeFds[1], F_SETPIPE_SZ, 1 << 20);
  {
    platform::File pipe = platform::File::Borrow(pipeFds[1]);
    OutputFile output(pipe, "standard output", nullptr, 4096);
    output.Write("head\r\n");
    const std::uint64_t mark = output.Mark();
    output.Write(std::string(20'000, ' '));
    EXPECT_THROW(output.RewindTo(mark), FileError);
  }
  ::close(pipeFds[0]);
  ::close(pipeFds[1]);
}

TEST(OutputFile, FullDiskIsReportedWithThePath) {
  platform::File full;
  ASSERT_EQ(platform::File::OpenToWrite("/dev/full", full), 0);
  OutputFile output(full, "/dev/full");
  output.Write("x");
  try {
    output.Finish();
    FAIL() << "no error";
  } catch (const FileError& error) {
    EXPECT_STREQ(error.what(), "Disk full while accessing /dev/full.");
    EXPECT_EQ(error.reason(), "No space left on device");
  }
}

// A failure that the thread putting the output on disk meets while the pass goes on is the
// output's, reported when it is finished: the final sync may not see it again. (/dev/null
// takes every write and refuses to be synced.)
TEST(OutputFile, FailedWritebackDuringThePassIsReportedAtTheEnd) {
  platform::File null;
  ASSERT_EQ(platform::File::OpenToWrite("/dev/null", null), 0);
  OutputFile output(null, "/dev/null", nullptr, 4096);
  output.StartWritebackEvery(4096);
  // Thousands of steps: the thread gets to wait for the disk at least once among them.
  const std::string line(4096, 'x');
  for (int i = 0; i < 8192; ++i)
    output.Write(line);
  try {
    output.Finish();
    FAIL() << "no error";
  } catch (const FileError& error) {
    EXPECT_EQ(error.reason(), "Invalid argument");
  }
}
#endif

}  // namespace
}  // namespace tessary
