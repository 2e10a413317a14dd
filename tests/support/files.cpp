#include "tests/support/files.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

extern char** environ;

namespace tessary::testing {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tessary-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::File(std::string_view name) const {
  return (path_ / name).string();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, std::string_view contents) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string SourcePath(std::string_view relative) {
  return (std::filesystem::path(TESSARY_SOURCE_DIR) / relative).string();
}

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         std::string_view input) {
  TempDir io;
  const std::string inPath = io.File("stdin");
  const std::string outPath = io.File("stdout");
  const std::string errPath = io.File("stderr");
  WriteFile(inPath, input);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, inPath.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT, 0600);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& argument : arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot start " + program);
  int status = 0;
  ::waitpid(pid, &status, 0);

  ProgramResult result;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.out = ReadFile(outPath);
  result.err = ReadFile(errPath);
  return result;
}

void MakeFifo(const std::string& path) {
  if (::mkfifo(path.c_str(), 0600) != 0) throw std::runtime_error("mkfifo failed for " + path);
}

FifoWriter::FifoWriter(const std::string& path, std::function<void(int fd)> feed) {
  ::signal(SIGPIPE, SIG_IGN);
  thread_ = std::thread([this, path, feed = std::move(feed)] {
    // Without O_NONBLOCK the open would wait for a reader for ever.
    int fd = -1;
    for (int i = 0; i < 60'000 && fd < 0; ++i) {
      fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd < 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (fd < 0) return;
    readerCame_ = true;
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    feed(fd);
    ::close(fd);
  });
}

FifoWriter::~FifoWriter() {
  thread_.join();
}

bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

LockHolder::LockHolder(const std::string& path) {
  int ready[2];
  int release[2];
  if (::pipe(ready) != 0 || ::pipe(release) != 0) throw std::runtime_error("pipe failed");
  pid_ = ::fork();
  if (pid_ == 0) {
    ::close(release[1]);  // so that the read below ends when the parent closes its end
    const int fd = ::open(path.c_str(), O_RDONLY);
    const char ok = (fd >= 0 && ::flock(fd, LOCK_EX) == 0) ? 1 : 0;
    (void)!::write(ready[1], &ok, 1);
    char byte;
    (void)!::read(release[0], &byte, 1);  // returns when the parent closes its end
    ::_exit(0);
  }
  ::close(ready[1]);
  ::close(release[0]);
  releasePipe_ = release[1];
  char ok = 0;
  const bool locked = ::read(ready[0], &ok, 1) == 1 && ok == 1;
  ::close(ready[0]);
  if (!locked) throw std::runtime_error("the child could not lock " + path);
}

LockHolder::~LockHolder() {
  ::close(releasePipe_);
  ::waitpid(pid_, nullptr, 0);
}

}  // namespace tessary::testing
