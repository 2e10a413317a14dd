// Files as Windows keeps them: share modes, attributes, one file under several spellings, names
// outside any code page, and the console's Ctrl+Break.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>

#include "model/job/scale_job.h"
#include "tests/support/files.h"
#include "tests/support/worked_example.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;
using testing::ListFolder;
using testing::PathOf;
using testing::ProgramResult;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

const char kModel[] = "position 1 2 3\nverts 1\n1 1 1\n";
const char kScaled[] =
    "position 2.00000000000 4.00000000000 6.00000000000\r\nverts 1\r\n"
    "    2.00000000000 2.00000000000 2.00000000000\r\n";

JobResult Scale(const std::string& input, const std::string& output, bool inPlace = false) {
  ScaleJob job{JobFile::Path(input), JobFile::Path(output), {2, 2, 2}, {}};
  job.inPlace = inPlace;
  return RunScaleJob(job);
}

ProgramResult Cli(const std::vector<std::string>& arguments) {
  return testing::RunProgram(TESSARY_SCALE_PATH, arguments);
}

class WindowsFiles : public ::testing::Test {
 protected:
  void SetUp() override { WriteFile(input_, kModel); }

  TempDir dir_;
  std::string input_ = dir_.File("in.mdl");
  std::string output_ = dir_.File("out.mdl");
};

TEST_F(WindowsFiles, OneFileUnderOtherSpellingsIsTheInput) {
  ASSERT_TRUE(
      ::CreateHardLinkW(PathOf(dir_.File("link.mdl")).c_str(), PathOf(input_).c_str(), nullptr));
  std::vector<std::string> names = {dir_.File("IN.MDL"), dir_.File(".\\in.mdl"),
                                    dir_.File("link.mdl")};
  wchar_t shortName[MAX_PATH];
  if (::GetShortPathNameW(PathOf(input_).c_str(), shortName, MAX_PATH) != 0) {
    names.push_back(testing::Utf8(fs::path(shortName)));
  }
  for (const std::string& name : names) {
    const JobResult result = Scale(input_, name);
    EXPECT_EQ(result.status, JobStatus::OutputNotOpened) << name;
    EXPECT_EQ(result.reason, "is the same file as the input") << name;
  }
  EXPECT_EQ(ReadFile(input_), kModel);
}

TEST_F(WindowsFiles, FileOpenInAnotherProgramIsInUseAndKeptWhole) {
  WriteFile(output_, "previous");
  {
    // Another program reads the output and lets others read and write it too.
    const HANDLE reader = ::CreateFileW(PathOf(output_).c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    const JobResult result = Scale(input_, output_);
    EXPECT_EQ(result.status, JobStatus::OutputNotOpened);
    EXPECT_EQ(result.reason, "is in use by another program");
    char seen[16] = {};
    DWORD read = 0;
    ::ReadFile(reader, seen, sizeof seen, &read, nullptr);
    EXPECT_EQ(std::string(seen, read), "previous");
    ::CloseHandle(reader);
  }
  EXPECT_EQ(Scale(input_, output_).status, JobStatus::Done);  // once it is free
  EXPECT_EQ(ReadFile(output_), kScaled);
  EXPECT_EQ(ListFolder(dir_.path()), (std::vector<std::string>{"in.mdl", "out.mdl"}));
}

TEST_F(WindowsFiles, ReadOnlyFilesAreNotReplaced) {
  WriteFile(output_, "previous");
  ASSERT_TRUE(::SetFileAttributesW(PathOf(output_).c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(::SetFileAttributesW(PathOf(input_).c_str(), FILE_ATTRIBUTE_READONLY));
  const JobResult output = Scale(input_, output_);
  EXPECT_EQ(output.status, JobStatus::OutputNotOpened);
  EXPECT_EQ(output.reason, platform::ErrorText(ERROR_ACCESS_DENIED));
  const JobResult inPlace = Scale(input_, {}, true);
  EXPECT_EQ(inPlace.status, JobStatus::OutputNotOpened);
  EXPECT_EQ(ReadFile(output_), "previous");
  EXPECT_EQ(ReadFile(input_), kModel);
  EXPECT_EQ(ListFolder(dir_.path()), (std::vector<std::string>{"in.mdl", "out.mdl"}));
  ::SetFileAttributesW(PathOf(output_).c_str(), FILE_ATTRIBUTE_NORMAL);
  ::SetFileAttributesW(PathOf(input_).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(WindowsFiles, NamesOutsideAnyCodePageAreScaledAndNamedAsTyped) {
  const std::string model =
      dir_.File("mod\xC3\xA8le-\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1-\xF0\x9F\x99\x82.mdl");
  const std::string scaled = dir_.File("\xE6\xA8\xA1\xE5\x9E\x8B-x2.mdl");
  WriteFile(model, kModel);
  ProgramResult result = Cli({model, scaled, "2"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(ReadFile(scaled), kScaled);
  result = Cli({"-i", "-s", "2", model});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(ReadFile(model), kScaled);
  result = Cli({model, model, "2"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "tessary-scale: Unable to open output file. (" + model +
                            ": is the same file as the input)\n");
}

TEST_F(WindowsFiles, WildcardsAreExpandedAsAShellWould) {
  WriteFile(dir_.File("b.mdl"), kModel);
  WriteFile(dir_.File("c.mdl_old"), kModel);  // "*.mdl" may find it by a short name
  fs::create_directory(dir_.path() / "out");
  const ProgramResult result =
      Cli({"-s", "2", "-t", dir_.File("out"), dir_.File("*.mdl"), dir_.File("none*.mdl")});
  EXPECT_EQ(result.exitCode, 1) << "none*.mdl matches nothing, and names no file";
  EXPECT_EQ(ListFolder(dir_.path() / "out"), (std::vector<std::string>{"b.mdl", "in.mdl"}));
  EXPECT_EQ(ReadFile(dir_.File("out\\b.mdl")), kScaled);
}

TEST_F(WindowsFiles, SuffixNamingAnotherFolderOrAStreamIsRefused) {
  for (const char* suffix : {"\\..\\x", "/x", ":s"}) {
    const ProgramResult result = Cli({"-s", "2", std::string("--suffix=") + suffix, input_});
    EXPECT_EQ(result.exitCode, 2) << suffix;
    EXPECT_NE(result.err.find(std::string("has a '") + suffix[0] + "' in it"), std::string::npos)
        << result.err;
  }
  EXPECT_EQ(ListFolder(dir_.path()), std::vector<std::string>{"in.mdl"});
}

// A named pipe whose server offers a single instance: the one open is the read's.
TEST_F(WindowsFiles, NamedPipeWithOneInstanceIsReadAsAModel) {
  const std::string name = "\\\\.\\pipe\\tessary-test-" + std::to_string(::GetCurrentProcessId());
  const HANDLE pipe = ::CreateNamedPipeW(PathOf(name).c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE,
                                         1, 4096, 4096, 0, nullptr);
  ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
  std::thread server([pipe] {
    DWORD written = 0;
    if (::ConnectNamedPipe(pipe, nullptr) || ::GetLastError() == ERROR_PIPE_CONNECTED) {
      ::WriteFile(pipe, kModel, sizeof kModel - 1, &written, nullptr);
      ::FlushFileBuffers(pipe);
    }
    ::CloseHandle(pipe);
  });
  const JobResult result = Scale(name, output_);
  // Should the pass not have opened it, the server still waits: end that wait.
  const HANDLE client =
      ::CreateFileW(PathOf(name).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (client != INVALID_HANDLE_VALUE) ::CloseHandle(client);
  server.join();
  EXPECT_EQ(result.status, JobStatus::Done) << result.reason;
  EXPECT_EQ(ReadFile(output_), kScaled);
}

// Ctrl+C on the console: the run stops, the program ends as programs stopped by Ctrl+C do,
// and the output is as it was.
TEST_F(WindowsFiles, CtrlCStopsARunAndKeepsTheOutput) {
  DWORD mode = 0;
  if (!::GetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), &mode)) {
    GTEST_SKIP() << "Ctrl+C needs a console: run the tests in one (scripts/windows-test does)";
  }
  {
    std::string line = "position 1 2 3\n";
    std::string big;
    while (big.size() < (64u << 20))
      big += line;
    WriteFile(input_, big);
  }
  WriteFile(output_, "previous");
  testing::RunningProgram cli(TESSARY_SCALE_PATH, {"--threads", "1", input_, output_, "2"});
  // Under way: its new file has appeared beside the output.
  for (int i = 0; i < 60'000 && ListFolder(dir_.path()).size() < 3; ++i)
    ::Sleep(1);
  ASSERT_EQ(ListFolder(dir_.path()).size(), 3u);
  cli.Interrupt();
  const ProgramResult result = cli.Wait();
  EXPECT_EQ(static_cast<unsigned>(result.exitCode), 0xC000013Au);
  EXPECT_EQ(ReadFile(output_), "previous");
  EXPECT_EQ(ListFolder(dir_.path()), (std::vector<std::string>{"in.mdl", "out.mdl"}));
}

}  // namespace
}  // namespace tessary
