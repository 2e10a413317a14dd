// InputFile on its own: lines, parts of long lines, the end of the input, pipes, progress,
// cancellation and files cut during a read.
#include "model/pass/input_file.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "model/pass/file_error.h"
#include "tests/support/files.h"
#include "tests/support/scratch_file.h"
#include "tests/support/table.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tessary {
namespace {

using testing::TempDir;
using testing::WriteFile;

// Every line of `input`, each put together from its parts.
std::vector<std::string> ReadAll(InputFile& input, int* parts = nullptr) {
  std::vector<std::string> lines;
  std::string_view line;
  while (input.ReadLine(line)) {
    std::string whole(line);
    for (std::string_view part; input.ReadLinePart(part);) {
      whole += part;
      if (parts != nullptr) ++*parts;
    }
    lines.push_back(whole);
  }
  return lines;
}

// The lines of `text` read through a buffer of `capacity` bytes, after looking `peek` bytes
// ahead (which must show the model text's first bytes and take none of them).
std::vector<std::string> ReadText(std::string_view text, std::size_t capacity,
                                  std::size_t peek = 0) {
  TempDir dir;
  WriteFile(dir.File("in.mdl"), text);
  InputFile input(nullptr, capacity);
  EXPECT_EQ(input.Open(dir.File("in.mdl")), 0);
  if (peek > 0) {
    const std::string_view model = text.substr(0, text.find('\x1A'));
    EXPECT_EQ(input.Peek(peek), model.substr(0, peek)) << "peek " << peek;
  }
  return ReadAll(input);
}

struct LinesCase {
  const char* name;
  std::string text;
  std::vector<std::string> lines;
};
void PrintTo(const LinesCase& row, std::ostream* os) {
  *os << row.name;
}

class InputFileLines : public ::testing::TestWithParam<LinesCase> {};

TEST_P(InputFileLines, AreTheSameForEveryBufferSizeAndLookAhead) {
  for (const std::size_t capacity : {1, 2, 3, 4, 8, 1024}) {
    for (const std::size_t peek : {std::size_t{0}, (capacity + 1) / 2, capacity}) {
      EXPECT_EQ(ReadText(GetParam().text, capacity, peek), GetParam().lines)
          << "capacity " << capacity << ", peek " << peek;
    }
  }
}

// Lines of every length from 0 to 72 bytes, each followed by more text than a word-at-a-time
// search for the line feed looks at.
LinesCase LinesOfEveryLength() {
  LinesCase row{"LinesOfEveryLengthFrom0To72", "", {}};
  for (std::size_t length = 0; length <= 72; ++length) {
    row.lines.push_back(std::string(length, static_cast<char>('a' + length % 26)));
    row.text += row.lines.back() + "\n";
  }
  row.lines.push_back(std::string(100, 'z'));
  row.text += row.lines.back();
  return row;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, InputFileLines,
    ::testing::Values(
        LinesCase{"Empty", "", {}}, LinesCase{"OneLineFeed", "\n", {""}},
        LinesCase{"LastLineWithoutLineFeed", "ab\ncd", {"ab", "cd"}},
        LinesCase{"CarriageReturnsStayInTheLine", "a\r\n\rb\r", {"a\r", "\rb\r"}},
        LinesCase{"CtrlZEndsTheInput", "one\ntw\x1Ao\nthree\n", {"one", "tw"}},
        LinesCase{"CtrlZAtTheStart", "\x1A\nx\n", {}},
        LinesCase{
            "NulAndHighBytesAreText", std::string("a\0\xff\n", 4), {std::string("a\0\xff", 3)}},
        LinesCase{"LongLine", std::string(5000, 'x') + "\ny", {std::string(5000, 'x'), "y"}},
        LinesOfEveryLength()),
    testing::RowName());

TEST(InputFile, GivesALineLongerThanItsBufferInParts) {
  TempDir dir;
  WriteFile(dir.File("in.mdl"), "0123456789\nab\n");
  InputFile input(nullptr, 4);
  ASSERT_EQ(input.Open(dir.File("in.mdl")), 0);
  std::string_view line;
  ASSERT_TRUE(input.ReadLine(line));
  EXPECT_EQ(line, "0123");
  EXPECT_FALSE(input.line_complete());
  std::string rest;
  for (std::string_view part; input.ReadLinePart(part);)
    rest += part;
  EXPECT_EQ(rest, "456789");
  EXPECT_TRUE(input.line_complete());
  ASSERT_TRUE(input.ReadLine(line));
  EXPECT_EQ(line, "ab");
  EXPECT_TRUE(input.line_complete());
}

TEST(InputFile, SkipsTheUnreadRestOfALongLine) {
  TempDir dir;
  WriteFile(dir.File("in.mdl"), std::string(100, 'x') + "\nnext\n");
  InputFile input(nullptr, 8);
  ASSERT_EQ(input.Open(dir.File("in.mdl")), 0);
  std::string_view line;
  ASSERT_TRUE(input.ReadLine(line));
  ASSERT_TRUE(input.ReadLine(line));
  EXPECT_EQ(line, "next");
}

TEST(InputFile, ReportsProgressAgainstTheSize) {
  TempDir dir;
  WriteFile(dir.File("in.mdl"), std::string(10'000, 'x'));
  std::vector<std::pair<std::uint64_t, std::uint64_t>> reports;
  PassControl control;
  control.progress = [&](std::uint64_t done, std::uint64_t total) {
    reports.emplace_back(done, total);
  };
  InputFile input(&control, 4096);
  ASSERT_EQ(input.Open(dir.File("in.mdl")), 0);
  ReadAll(input);
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.back(), std::make_pair(std::uint64_t{10'000}, std::uint64_t{10'000}));
  EXPECT_EQ(input.bytes_read(), 10'000u);
}

#ifndef _WIN32
// Cut by another program while it is read: on Windows, no other program can write it then.
TEST(InputFile, FileCutWhileItIsReadIsAReadFailure) {
  TempDir dir;
  const std::string path = dir.File("in.mdl");
  WriteFile(path, std::string(100'000, 'x'));
  PassControl control;
  control.progress = [&](std::uint64_t, std::uint64_t) { ::truncate(path.c_str(), 50'000); };
  InputFile input(&control, 4096);
  ASSERT_EQ(input.Open(path), 0);
  try {
    ReadAll(input);
    FAIL() << "no error";
  } catch (const FileError& error) {
    EXPECT_EQ(error.cause(), FileErrorCause::Generic);
    EXPECT_EQ(error.path(), path);
    EXPECT_EQ(error.reason(), "the file became shorter while it was read");
  }
}

TEST(InputFile, FilesWithoutARealSizeAreNotTakenAsCut) {
  InputFile input;
  ASSERT_EQ(input.Open("/proc/self/status"), 0);
  EXPECT_FALSE(ReadAll(input).empty());
}

TEST(InputFile, FifoWaitsForItsWriter) {
  TempDir dir;
  const std::string fifo = dir.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  InputFile input;
  ASSERT_EQ(input.Open(fifo), 0);  // does not wait for the writer
  std::thread writer([&] { WriteFile(fifo, "late\nlines\n"); });
  EXPECT_EQ(ReadAll(input), (std::vector<std::string>{"late", "lines"}));
  writer.join();
}

TEST(InputFile, WaitForAFifoWriterCanBeCancelled) {
  TempDir dir;
  const std::string fifo = dir.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::atomic<bool> cancel{false};
  PassControl control;
  control.cancel = &cancel;
  InputFile input(&control);
  ASSERT_EQ(input.Open(fifo), 0);
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    cancel = true;
  });
  std::string_view line;
  EXPECT_THROW(input.ReadLine(line), PassCancelled);
  canceller.join();
}

#endif

TEST(InputFile, FolderIsRefusedAndLockedFileIsInUse) {
  TempDir dir;
  InputFile input;
  EXPECT_TRUE(platform::IsKind(input.Open(dir.path().string()), platform::ErrorKind::IsFolder));
  EXPECT_TRUE(platform::IsKind(input.Open(dir.File("missing")), platform::ErrorKind::NotFound));
  EXPECT_TRUE(platform::IsKind(input.Open(""), platform::ErrorKind::NotFound));
  WriteFile(dir.File("in.mdl"), "x\n");
  testing::LockHolder lock(dir.File("in.mdl"));
  EXPECT_TRUE(platform::IsKind(input.Open(dir.File("in.mdl")), platform::ErrorKind::InUse));
}

#ifndef _WIN32
TEST(InputFile, DevicesAreNotLocked) {
  testing::LockHolder lock("/dev/null");  // another program's lock on a shared device
  InputFile input;
  EXPECT_EQ(input.Open("/dev/null"), 0);
  EXPECT_TRUE(ReadAll(input).empty());
}

#endif

TEST(InputFile, BorrowedFileIsReadFromWhereItStands) {
  const testing::ScratchFile file("skip\nkeep\n");
  ASSERT_EQ(file.Borrow().Seek(5), 0);
  {
    InputFile input;
    input.Read(file.Borrow(), "standard input");
    EXPECT_EQ(input.size(), 5u);
    EXPECT_EQ(ReadAll(input), std::vector<std::string>{"keep"});
  }
  EXPECT_EQ(file.Contents(), "skip\nkeep\n");  // still open: borrowed, not owned
}

}  // namespace
}  // namespace tessary
