// tessary-scale when things go wrong around it: the input named again as the output through
// a redirection, signals, file-size and memory limits, endless input, FIFOs. Whatever happens,
// the input is unchanged and the output is either complete or exactly as it was.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "tests/support/files.h"
#include "tests/support/table.h"
#include "tests/support/worked_example.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;
using testing::kWorkedExample;
using testing::kWorkedExampleScaled;
using testing::ListFolder;
using testing::ProgramResult;
using testing::ProgramSetup;
using testing::ReadFile;
using testing::RunningProgram;
using testing::TempDir;
using testing::WriteFile;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;  // the sanitizer's own memory needs a large address space
#else
constexpr bool kSanitized = false;
#endif

ProgramResult Cli(const std::vector<std::string>& arguments, const ProgramSetup& setup = {}) {
  return testing::RunProgram(TESSARY_SCALE_PATH, arguments, setup);
}

// Waits until `done` holds, polling; fails the test after a minute.
template <typename Condition>
void WaitFor(Condition done) {
  for (int i = 0; i < 60'000 && !done(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_TRUE(done()) << "gave up waiting";
}

// The sizes of the new files in `folder`: those with hidden names, and those that have no
// name yet, seen through the descriptors of the programs that hold them. Another one may be
// renamed away (put in place) or closed between listing it and looking at it.
std::vector<std::uintmax_t> NewFileSizes(const fs::path& folder) {
  std::vector<std::uintmax_t> sizes;
  std::error_code error;
  for (const std::string& name : ListFolder(folder)) {
    const std::uintmax_t size = fs::file_size(folder / name, error);
    if (name[0] == '.' && !error) sizes.push_back(size);
  }
  const std::string unnamed = (folder / "#").string();
  const fs::directory_iterator end;
  for (fs::directory_iterator process("/proc", error); !error && process != end;
       process.increment(error)) {
    std::error_code inner;
    for (fs::directory_iterator fd(process->path() / "fd", inner); !inner && fd != end;
         fd.increment(inner)) {
      std::error_code link;
      if (fs::read_symlink(fd->path(), link).string().rfind(unnamed, 0) != 0) continue;
      const std::uintmax_t size = fs::file_size(fd->path(), link);
      if (!link) sizes.push_back(size);
    }
  }
  return sizes;
}

class CliSafety : public ::testing::Test {
 protected:
  void SetUp() override { WriteFile(model_, kWorkedExample); }

  TempDir dir_;
  std::string model_ = dir_.File("model.mdl");
  std::string output_ = dir_.File("out.mdl");
};

TEST_F(CliSafety, InputRedirectedFromTheOutputIsRefused) {
  ProgramSetup setup;
  setup.inputPath = model_;  // tessary-scale - model.mdl 1 < model.mdl
  const ProgramResult result = Cli({"-", model_, "1"}, setup);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "tessary-scale: Unable to open output file. (" + model_ +
                            ": is the same file as the input)\n");
  EXPECT_EQ(ReadFile(model_), kWorkedExample);
}

TEST_F(CliSafety, OutputRedirectedOntoTheInputIsRefused) {
  ProgramSetup setup;
  setup.outputPath = model_;  // tessary-scale model.mdl - 1 1<>model.mdl
  const ProgramResult result = Cli({model_, "-", "1"}, setup);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err,
            "tessary-scale: Unable to open output file. (standard output: is the same file as "
            "the input)\n");
  EXPECT_EQ(ReadFile(model_), kWorkedExample);
}

TEST_F(CliSafety, OutputReadByAnotherProgramWhileItIsScaledComesOutWhole) {
  // cat model.mdl | tessary-scale - model.mdl 2 3 0.5, with cat reading slowly.
  const std::string fifo = dir_.File("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::thread cat([&] {
    std::ifstream source(model_, std::ios::binary);
    std::ofstream pipe(fifo, std::ios::binary);
    for (char c; source.get(c);) {
      pipe.put(c).flush();
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  });
  ProgramSetup setup;
  setup.inputPath = fifo;
  const ProgramResult result = Cli({"-", model_, "2", "3", "0.5"}, setup);
  cat.join();
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(ReadFile(model_), kWorkedExampleScaled);
}

TEST_F(CliSafety, FileSizeLimitIsReportedAsAFullDiskAndKeepsTheOutput) {
  std::string model;
  while (model.size() < (1 << 20))
    model += "position 1 2 3\n";
  WriteFile(model_, model);
  WriteFile(output_, "previous");
  ProgramSetup setup;
  setup.limits = {{RLIMIT_FSIZE, 64 * 1024}};
  const ProgramResult result = Cli({model_, output_, "2"}, setup);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err,
            "tessary-scale: Disk full while accessing " + output_ + ". (File too large)\n");
  EXPECT_EQ(ReadFile(output_), "previous");
  EXPECT_EQ(ListFolder(dir_.path()), (std::vector<std::string>{"model.mdl", "out.mdl"}));
}

TEST_F(CliSafety, RunningOutOfMemoryNamesTheFileAndKeepsTheOutput) {
  if (kSanitized) GTEST_SKIP() << "address space limits do not work with the sanitizer";
  WriteFile(output_, "previous");
  // From too little memory to start at all up to enough: every run either completes or says
  // so, and none aborts.
  bool sawFailure = false;
  for (unsigned long mebibytes = 4; mebibytes < 64; ++mebibytes) {
    ProgramSetup setup;
    setup.limits = {{RLIMIT_AS, mebibytes << 20}};
    const ProgramResult result = Cli({model_, output_, "2", "3", "0.5"}, setup);
    if (result.exitCode == 127) continue;  // the loader could not even map the program
    if (result.exitCode == 0) {
      EXPECT_EQ(ReadFile(output_), kWorkedExampleScaled);
      EXPECT_TRUE(sawFailure) << "never short of memory: raise the limits' start";
      return;
    }
    sawFailure = true;
    EXPECT_EQ(result.exitCode, 1) << mebibytes << " MiB: " << result.err;
    // Said as memory: refused before anything is written when the limits leave too little for
    // the smallest plan, or the allocation that failed during the pass.
    const bool refused = result.err ==
                         "tessary-scale: not enough memory: the limits set on this process's "
                         "memory (its address space or its control group) leave too little to "
                         "scale even one file on one thread\ntessary-scale: nothing was written\n";
    const bool failed = result.err == "tessary-scale: not enough memory to scale " + model_ +
                                          ": nothing was changed (Cannot allocate memory)\n";
    EXPECT_TRUE(refused || failed) << mebibytes << " MiB: " << result.err;
    EXPECT_EQ(ReadFile(output_), "previous");
  }
  FAIL() << "never completed";
}

TEST_F(CliSafety, LongLineRunsInLittleMemory) {
  const std::size_t size = 48u << 20;
  {
    std::ofstream out(model_, std::ios::binary);
    out << "center 1 2 3 ";
    const std::string chunk(1 << 20, '7');
    for (std::size_t written = 0; written < size; written += chunk.size())
      out << chunk;
    out << "\nposition 1 1 1\n";
  }
  ProgramSetup setup;
  if (!kSanitized) setup.limits = {{RLIMIT_AS, 32u << 20}};
  const ProgramResult result = Cli({model_, output_, "2"}, setup);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(ReadFile(output_),
            "center 2.00000000000 4.00000000000 6.00000000000\r\n"
            "position 2.00000000000 2.00000000000 2.00000000000\r\n");
  const ProgramResult small = Cli({dir_.File("model.mdl"), dir_.File("small.mdl"), "2"});
  EXPECT_LT(result.maxResidentKilobytes, small.maxResidentKilobytes + 8 * 1024)
      << "kilobytes, against " << small.maxResidentKilobytes << " for a small model";
}

TEST_F(CliSafety, EndlessInputRunsInFlatMemoryUntilInterrupted) {
  WriteFile(output_, "previous");
  RunningProgram cli(TESSARY_SCALE_PATH, {"/dev/zero", output_, "1"});
  // The temporary output grows beside the old one; stop it at 64 MiB.
  WaitFor([&] {
    const std::vector<std::uintmax_t> sizes = NewFileSizes(dir_.path());
    return std::any_of(sizes.begin(), sizes.end(),
                       [](std::uintmax_t size) { return size > (64u << 20); });
  });
  cli.Signal(SIGINT);
  const ProgramResult result = cli.Wait();
  EXPECT_EQ(result.exitCode, 128 + SIGINT);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(ReadFile(output_), "previous");
  EXPECT_EQ(ListFolder(dir_.path()), (std::vector<std::string>{"model.mdl", "out.mdl"}));
  if (!kSanitized) {
    EXPECT_LT(result.maxResidentKilobytes, 16 * 1024);
  }
}

TEST_F(CliSafety, SignalWhileWaitingForAFifoLeavesTheOutput) {
  const std::string fifo = dir_.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  WriteFile(output_, "previous");
  for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
    RunningProgram cli(TESSARY_SCALE_PATH, {fifo, output_, "2"});
    // Wait until the pass has its temporary output, then interrupt its wait for a writer.
    WaitFor([&] { return NewFileSizes(dir_.path()).size() == 1; });
    cli.Signal(signal);
    const ProgramResult result = cli.Wait();
    EXPECT_EQ(result.exitCode, 128 + signal);
    EXPECT_EQ(ReadFile(output_), "previous");
    EXPECT_EQ(ListFolder(dir_.path()), (std::vector<std::string>{"fifo", "model.mdl", "out.mdl"}));
  }
}

TEST_F(CliSafety, FifoOutputWithoutAReaderFailsAtOnce) {
  const std::string fifo = dir_.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const ProgramResult result = Cli({model_, fifo, "2"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "tessary-scale: Unable to open output file. (" + fifo +
                            ": no program is reading from it)\n");
}

// Runs tessary-scale through the shell, which applies `redirections` first.
ProgramResult ShellCli(const std::string& redirections, const std::vector<std::string>& arguments) {
  std::vector<std::string> shell = {"-c", "exec \"$0\" \"$@\" " + redirections, TESSARY_SCALE_PATH};
  shell.insert(shell.end(), arguments.begin(), arguments.end());
  return testing::RunProgram("/bin/sh", shell);
}

// With standard error closed, the output would be the first file opened: the progress line
// and "Done!" must not go into it, nor into the user's models.
TEST_F(CliSafety, ClosedStandardErrorNeverEndsUpInAModel) {
  const ProgramResult single =
      ShellCli("2>&- <'" + model_ + "'", {"--progress", "-v", "-", output_, "2", "3", "0.5"});
  EXPECT_EQ(single.exitCode, 0);
  EXPECT_EQ(ReadFile(output_), kWorkedExampleScaled);

  std::vector<std::string> batch = {"--progress", "-v", "-j", "2", "-s", "2,3,0.5", "-i"};
  for (int i = 0; i < 20; ++i) {
    batch.push_back(dir_.File("m" + std::to_string(i) + ".mdl"));
    WriteFile(batch.back(), kWorkedExample);
  }
  EXPECT_EQ(ShellCli("2>&-", batch).exitCode, 0);
  for (std::size_t i = 7; i < batch.size(); ++i)
    EXPECT_EQ(ReadFile(batch[i]), kWorkedExampleScaled) << batch[i];
}

TEST_F(CliSafety, ClosedStandardOutputIsAFailedWriteNotTheInput) {
  const ProgramResult result = ShellCli(">&-", {model_, "-", "2"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("Bad file descriptor"), std::string::npos) << result.err;
  EXPECT_EQ(ReadFile(model_), kWorkedExample);
}

TEST_F(CliSafety, HelpAndVersionThatCannotBeWrittenFail) {
  for (const char* option : {"--help", "--version"}) {
    const ProgramResult result = ShellCli(">/dev/full", {option});
    EXPECT_EQ(result.exitCode, 1) << option;
    EXPECT_NE(result.err.find("No space left on device"), std::string::npos) << result.err;
  }
}

// A model whose pass lasts long enough to be interrupted: a position line, then a hole of
// `gigabytes` GiB (read as NUL bytes, one long line) that takes no room on the disk.
void WriteLongModel(const std::string& path, unsigned gigabytes) {
  WriteFile(path, "position 1 2 3\n");
  fs::resize_file(path, std::uintmax_t{gigabytes} << 30);
}

// Waits until a new output in `folder` has grown past 16 MiB: the pass is under way.
void WaitForTemporaryOutput(const fs::path& folder) {
  WaitFor([&] {
    const std::vector<std::uintmax_t> sizes = NewFileSizes(folder);
    return std::any_of(sizes.begin(), sizes.end(),
                       [](std::uintmax_t size) { return size > (16u << 20); });
  });
}

struct FileState {
  ino_t inode;
  off_t size;
  timespec modified;
  std::string start;
};
FileState StateOf(const std::string& path) {
  struct stat status {};
  EXPECT_EQ(::stat(path.c_str(), &status), 0);
  std::ifstream in(path, std::ios::binary);
  std::string start(64, '\0');
  in.read(start.data(), static_cast<std::streamsize>(start.size()));
  return {status.st_ino, status.st_size, status.st_mtim, start};
}
void ExpectSameState(const FileState& before, const FileState& after) {
  EXPECT_EQ(after.inode, before.inode);
  EXPECT_EQ(after.size, before.size);
  EXPECT_EQ(after.modified.tv_sec, before.modified.tv_sec);
  EXPECT_EQ(after.modified.tv_nsec, before.modified.tv_nsec);
  EXPECT_EQ(after.start, before.start);
}

// SIGTERM, and the other signals that would end the program, stop it the same way.
TEST_F(CliSafety, InPlaceInterruptedLeavesTheModelUnchanged) {
  WriteLongModel(model_, 2);
  const FileState before = StateOf(model_);
  for (const int signal : {SIGTERM, SIGUSR1}) {
    RunningProgram cli(TESSARY_SCALE_PATH, {"-i", "-s", "2", model_});
    WaitForTemporaryOutput(dir_.path());
    cli.Signal(signal);
    const ProgramResult result = cli.Wait();
    EXPECT_EQ(result.exitCode, 128 + signal);
    EXPECT_EQ(result.err, "");
    ExpectSameState(before, StateOf(model_));
    EXPECT_EQ(ListFolder(dir_.path()), (std::vector<std::string>{"model.mdl"}));
  }
}

// As under nohup: a hang-up ignored by the caller does not stop the pass.
TEST_F(CliSafety, SignalIgnoredByTheCallerStaysIgnored) {
  WriteLongModel(model_, 1);
  RunningProgram cli("/bin/sh", {"-c", "trap '' HUP; exec \"$0\" \"$@\"", TESSARY_SCALE_PATH,
                                 "--threads=1", model_, output_, "2"});
  WaitForTemporaryOutput(dir_.path());
  cli.Signal(SIGHUP);
  EXPECT_EQ(cli.Wait().exitCode, 0);
  EXPECT_EQ(fs::file_size(output_), (std::uintmax_t{1} << 30) + 39);
}

// A batch interrupted while its last file is under way, rows named by where the outputs go:
// the files finished before are listed (without -v), since a second run would scale them
// again, and the run still ends as interrupted. DIR/ stands for the test's folder.
struct InterruptedBatchCase {
  const char* name;
  std::vector<std::string> placement;
  const char* outputs;  // the folder of the outputs, where the last one's temporary file grows
  std::vector<std::string> finished;
};
void PrintTo(const InterruptedBatchCase& row, std::ostream* os) {
  *os << row.name;
}

class CliInterruptedBatchTest : public ::testing::TestWithParam<InterruptedBatchCase> {};

TEST_P(CliInterruptedBatchTest, ListsTheFilesItFinished) {
  TempDir dir;
  const auto expand = [&dir](std::string text) {
    for (std::size_t at; (at = text.find("DIR/")) != std::string::npos;)
      text.replace(at, 4, dir.path().string() + "/");
    return text;
  };
  fs::create_directory(dir.path() / "out");
  WriteFile(dir.File("a.mdl"), kWorkedExample);
  WriteFile(dir.File("b.mdl"), kWorkedExample);
  WriteLongModel(dir.File("long.mdl"), 2);
  const FileState before = StateOf(dir.File("long.mdl"));
  // One file at a time: once the last one's output grows, the others are done.
  std::vector<std::string> arguments = {"-j", "1", "-s", "2,3,0.5"};
  for (const std::string& argument : GetParam().placement)
    arguments.push_back(expand(argument));
  for (const char* name : {"a.mdl", "b.mdl", "long.mdl"})
    arguments.push_back(dir.File(name));
  RunningProgram cli(TESSARY_SCALE_PATH, arguments);
  WaitForTemporaryOutput(expand(GetParam().outputs));
  cli.Signal(SIGINT);
  const ProgramResult result = cli.Wait();
  EXPECT_EQ(result.exitCode, 128 + SIGINT);
  std::string expected;
  for (const std::string& line : GetParam().finished)
    expected += "tessary-scale: " + expand(line) + "\n";
  EXPECT_EQ(result.err, expected);
  ExpectSameState(before, StateOf(dir.File("long.mdl")));
  for (const char* name : {"a.mdl", "b.mdl"})
    EXPECT_EQ(ReadFile(expand(GetParam().outputs) + name), kWorkedExampleScaled) << name;
  EXPECT_FALSE(fs::exists(dir.path() / "out" / "long.mdl"));
}

INSTANTIATE_TEST_SUITE_P(
    Placements, CliInterruptedBatchTest,
    ::testing::Values(
        InterruptedBatchCase{"InPlace",
                             {"-i"},
                             "DIR/",
                             {"replaced DIR/a.mdl", "replaced DIR/b.mdl",
                              "interrupted: 2 of 3 models were replaced (listed above); the "
                              "others are as they were"}},
        InterruptedBatchCase{
            "TargetDirectory",
            {"-t", "DIR/out"},
            "DIR/out/",
            {"scaled DIR/a.mdl into DIR/out/a.mdl", "scaled DIR/b.mdl into DIR/out/b.mdl",
             "interrupted: 2 of 3 files were scaled (listed above); the others "
             "are as they were"}}),
    testing::RowName());

// --fit reads a model twice: a model that comes as a stream, however it is named, is refused
// before anything is written. Rows named by the kind of stream.
struct StreamCase {
  const char* name;
  const char* script;  // run by sh in the test's folder, with $T the program
  const char* kind;
};
void PrintTo(const StreamCase& row, std::ostream* os) {
  *os << row.name;
}

class CliFitStreamTest : public ::testing::TestWithParam<StreamCase> {};

TEST_P(CliFitStreamTest, IsRefusedAndTheOutputKept) {
  TempDir dir;
  WriteFile(dir.File("model.mdl"), kWorkedExample);
  WriteFile(dir.File("keep.mdl"), "previous");
  const std::string script =
      "cd '" + dir.path().string() + "' && T='" + TESSARY_SCALE_PATH + "' && " + GetParam().script;
  const ProgramResult result = testing::RunProgram("/bin/bash", {"-c", script});
  EXPECT_EQ(result.exitCode, 2) << result.err;
  EXPECT_NE(
      result.err.find(std::string(" is ") + GetParam().kind + ", which can be read only once"),
      std::string::npos)
      << result.err;
  EXPECT_EQ(ReadFile(dir.File("keep.mdl")), "previous");
}

INSTANTIATE_TEST_SUITE_P(
    Streams, CliFitStreamTest,
    ::testing::Values(
        StreamCase{"PipeAsDevStdin", "cat model.mdl | $T --fit z=1 /dev/stdin keep.mdl", "a pipe"},
        StreamCase{"ProcessSubstitution", "$T --fit z=1 <(cat model.mdl) keep.mdl", "a pipe"},
        StreamCase{"NamedPipeInABatch", "mkfifo f && exec 3<>f && $T --fit z=1 -t . model.mdl f",
                   "a pipe"},
        StreamCase{"Device", "$T --fit z=1 /dev/zero keep.mdl", "a device"}),
    testing::RowName());

// However many threads are asked for, no more than the cores are started, shared among the
// files scaled at a time: memory stays within a few chunks per core.
TEST_F(CliSafety, AbsurdThreadCountsRunInBoundedMemory) {
  if (kSanitized) GTEST_SKIP() << "the sanitizer's own memory is not the program's";
  {
    std::ofstream out(model_, std::ios::binary);
    for (int block = 0; block < 400; ++block) {
      out << "node n" << block << "\nverts 4000\n";
      for (int i = 0; i < 4000; ++i)
        out << "1.25 -2.5 " << i << ".75\n";
    }
  }
  const std::uint64_t cores = std::max(1u, std::thread::hardware_concurrency());
  const long boundKilobytes = static_cast<long>((32 + 4 * cores) << 10);
  ProgramSetup limited;
  limited.limits = {{RLIMIT_AS, 4ul << 30}};
  const ProgramResult one = Cli({"--threads", "1024", model_, output_, "2"}, limited);
  EXPECT_EQ(one.exitCode, 0) << one.err;
  EXPECT_LT(one.maxResidentKilobytes, boundKilobytes);
  fs::copy_file(model_, dir_.File("second.mdl"));
  const ProgramResult two = Cli(
      {"-j", "2", "--threads", "1024", "-s", "2", "--suffix=-x2", model_, dir_.File("second.mdl")},
      limited);
  EXPECT_EQ(two.exitCode, 0) << two.err;
  EXPECT_LT(two.maxResidentKilobytes, boundKilobytes);
}

// Within the limits a process may be given, the default run plans fewer threads, files at a
// time and smaller buffers instead of failing: a model large enough for several threads under
// 16 MiB of address space, and many more jobs than 64 descriptors allow, or 20 to inspect. Rows
// named by the limit.
struct LimitCase {
  const char* name;
  int resource;
  unsigned long limit;
  int models;  // written, each of `bytes`
  std::size_t bytes;
  std::vector<std::string> options;
};
void PrintTo(const LimitCase& row, std::ostream* os) {
  *os << row.name;
}

class CliLimitTest : public ::testing::TestWithParam<LimitCase> {};

TEST_P(CliLimitTest, DefaultRunDoesEveryFile) {
  if (kSanitized) GTEST_SKIP() << "the sanitizer's own memory is not the program's";
  const LimitCase& row = GetParam();
  TempDir dir;
  fs::create_directory(dir.path() / "out");
  std::string text = "node n\nverts 1000000000\n";
  while (text.size() < row.bytes)
    text += "1.25 -2.5 3.75\n";
  std::vector<std::string> arguments = row.options;
  for (std::string& argument : arguments) {
    if (argument == "out") argument = dir.File("out");
  }
  for (int i = 0; i < row.models; ++i) {
    arguments.push_back(dir.File("m" + std::to_string(i) + ".mdl"));
    WriteFile(arguments.back(), text);
  }
  ProgramSetup limited;
  limited.limits = {{row.resource, row.limit}};
  const ProgramResult result = Cli(arguments, limited);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.err, "");
  if (row.options.front() == "--info") {  // a report a model, one a line
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), row.models);
    return;
  }
  // Every output is whole: the same as the pass on one thread without limits makes.
  const ProgramResult one =
      Cli({"--threads", "1", dir.File("m0.mdl"), dir.File("expected.mdl"), "2"});
  ASSERT_EQ(one.exitCode, 0) << one.err;
  const std::string expected = ReadFile(dir.File("expected.mdl"));
  EXPECT_EQ(ListFolder(dir.path() / "out").size(), static_cast<std::size_t>(row.models));
  for (int i = 0; i < row.models; ++i) {
    ASSERT_EQ(ReadFile(dir.File("out/m" + std::to_string(i) + ".mdl")), expected) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Limits, CliLimitTest,
                         ::testing::Values(LimitCase{"AddressSpace16MiB",
                                                     RLIMIT_AS,
                                                     16ul << 20,
                                                     1,
                                                     12u << 20,
                                                     {"-s", "2", "-t", "out"}},
                                           LimitCase{"SixtyFourDescriptors",
                                                     RLIMIT_NOFILE,
                                                     64,
                                                     600,
                                                     64,
                                                     {"-j", "1024", "-s", "2", "-t", "out"}},
                                           LimitCase{"TwentyDescriptorsToInspect",
                                                     RLIMIT_NOFILE,
                                                     20,
                                                     120,
                                                     64,
                                                     {"--info", "--json", "-j", "64"}}),
                         testing::RowName());

TEST_F(CliSafety, BatchInterruptedStopsEveryJobAndLeavesNoFileBehind) {
  const fs::path out = dir_.path() / "out";
  fs::create_directory(out);
  WriteFile(dir_.File("out/b.mdl"), "previous");
  for (const char* name : {"a.mdl", "b.mdl", "c.mdl"})
    WriteLongModel(dir_.File(name), 2);
  RunningProgram cli(TESSARY_SCALE_PATH,
                     {"--progress", "-j", "2", "-s", "2", "-t", out.string(), dir_.File("a.mdl"),
                      dir_.File("b.mdl"), dir_.File("c.mdl")});
  // Both jobs under way: two temporary outputs growing.
  WaitFor([&] { return NewFileSizes(out).size() == 2; });
  WaitForTemporaryOutput(out);
  cli.Signal(SIGINT);
  const ProgramResult result = cli.Wait();
  EXPECT_EQ(result.exitCode, 128 + SIGINT);
  // The last state of the progress line: no file was done.
  EXPECT_EQ(result.err.substr(result.err.rfind('\r') + 1, 10), "0/3 files,") << result.err;
  EXPECT_EQ(ListFolder(out), (std::vector<std::string>{"b.mdl"}));
  EXPECT_EQ(ReadFile(dir_.File("out/b.mdl")), "previous");
}

}  // namespace
}  // namespace tessary
