// A temporary output that a pass has not committed is removed when the desktop program ends
// abruptly: by exit() from elsewhere, or by a signal once the program has started as the
// desktop program does. Each case runs in a child process, which ends the way it describes.
#include "platform/process.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "model/job/output_target.h"
#include "tests/support/files.h"

namespace tessary {
namespace {

using testing::ListFolder;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// Runs `body` in a child process and returns its wait status.
int InChild(const std::function<void()>& body) {
  const pid_t child = ::fork();
  if (child == 0) {
    body();
    std::_Exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return status;
}

class TemporaryFilesTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteFile(output_, "previous"); }

  // An output target with its temporary file made, as during a pass.
  static void StartOutput(OutputTarget& target, const std::string& path) {
    if (target.Open(path) != 0 || target.Prepare() != 0) std::_Exit(99);
  }

  TempDir dir_;
  std::string output_ = dir_.File("out.mdl");
};

TEST_F(TemporaryFilesTest, ExitDuringAPassRemovesTheTemporaryFile) {
  const int status = InChild([this] {
    OutputTarget target;
    StartOutput(target, output_);
    if (ListFolder(dir_.path()).size() != 2) std::_Exit(98);  // the output and its temporary
    std::exit(1);  // as a library does when its display connection breaks
  });
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(ListFolder(dir_.path()), (std::vector<std::string>{"out.mdl"}));
  EXPECT_EQ(ReadFile(output_), "previous");
}

TEST_F(TemporaryFilesTest, SignalDuringAPassRemovesTheTemporaryFileAndEndsTheProgram) {
  for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
    const int status = InChild([this, signal] {
      platform::StartDesktopProgram();
      OutputTarget target;
      StartOutput(target, output_);
      ::raise(signal);
      std::_Exit(97);  // not reached
    });
    ASSERT_TRUE(WIFSIGNALED(status)) << signal;
    EXPECT_EQ(WTERMSIG(status), signal);
    EXPECT_EQ(ListFolder(dir_.path()), (std::vector<std::string>{"out.mdl"})) << signal;
  }
}

// The name of the one hidden file in `folder`, or "".
std::string HiddenFile(const TempDir& dir) {
  for (const std::string& name : ListFolder(dir.path())) {
    if (name[0] == '.') return dir.File(name);
  }
  return {};
}

TEST_F(TemporaryFilesTest, CommittedAndAbandonedFilesAreNoLongerTracked) {
  // Files made later under the same names belong to someone else: they stay.
  const int status = InChild([this] {
    std::string abandonedName;
    {
      OutputTarget abandoned;
      StartOutput(abandoned, dir_.File("other.mdl"));
      abandonedName = HiddenFile(dir_);
    }
    OutputTarget committed;  // still there at exit, as between a commit and its end
    StartOutput(committed, output_);
    const std::string committedName = HiddenFile(dir_);
    committed.Commit();
    if (committedName.empty() || abandonedName.empty()) std::_Exit(98);
    WriteFile(committedName, "someone else's");
    WriteFile(abandonedName, "someone else's");
    std::exit(0);
  });
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ListFolder(dir_.path()).size(), 3u);
  EXPECT_EQ(ReadFile(output_), "");
}

TEST_F(TemporaryFilesTest, IgnoredSignalsStayIgnored) {
  const int status = InChild([] {
    std::signal(SIGHUP, SIG_IGN);
    platform::StartDesktopProgram();
    ::raise(SIGHUP);
  });
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace tessary
