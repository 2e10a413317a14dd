// Running programs, named pipes and locks held by another process, on POSIX.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "tests/support/files.h"

extern char** environ;

namespace tessary::testing {

RunningProgram::RunningProgram(const std::string& program,
                               const std::vector<std::string>& arguments,
                               const ProgramSetup& setup) {
  const std::string inPath = setup.inputPath.empty() ? io_.File("stdin") : setup.inputPath;
  const std::string outPath = setup.outputPath.empty() ? io_.File("stdout") : setup.outputPath;
  const std::string errPath = io_.File("stderr");
  if (setup.inputPath.empty()) WriteFile(inPath, setup.input);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& argument : arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  std::vector<std::string> environment;
  for (const std::string& change : setup.environment) {
    if (change.find('=') != std::string::npos) environment.push_back(change);
  }
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string_view name(*entry, std::strcspn(*entry, "="));
    const bool replaced =
        std::any_of(setup.environment.begin(), setup.environment.end(), [&](const std::string& e) {
          return e.rfind(name, 0) == 0 && (e.size() == name.size() || e[name.size()] == '=');
        });
    if (!replaced) environment.emplace_back(*entry);
  }
  std::vector<char*> envp;
  for (std::string& entry : environment)
    envp.push_back(entry.data());
  envp.push_back(nullptr);

  process_ = ::fork();
  if (process_ < 0) throw std::runtime_error("fork failed");
  if (process_ == 0) {  // only async-signal-safe calls from here on
    const int in = ::open(inPath.c_str(), O_RDONLY);
    const int out = ::open(outPath.c_str(), O_RDWR | O_CREAT, 0600);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT, 0600);
    if (in < 0 || out < 0 || err < 0) ::_exit(126);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    for (const auto& [resource, value] : setup.limits) {
      const rlimit limit{value, value};
      ::setrlimit(resource, &limit);
    }
    ::execve(program.c_str(), argv.data(), envp.data());
    ::_exit(127);
  }
}

RunningProgram::~RunningProgram() {
  if (process_ > 0) ::waitpid(static_cast<pid_t>(process_), nullptr, 0);
}

void RunningProgram::Signal(int signal) {
  ::kill(static_cast<pid_t>(process_), signal);
}

void RunningProgram::Interrupt() {
  Signal(SIGINT);
}

ProgramResult RunningProgram::Wait() {
  int status = 0;
  rusage usage{};
  ::wait4(static_cast<pid_t>(process_), &status, 0, &usage);
  process_ = -1;
  ProgramResult result;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.maxResidentKilobytes = usage.ru_maxrss;
  if (std::filesystem::exists(io_.File("stdout"))) result.out = ReadFile(io_.File("stdout"));
  result.err = ReadFile(io_.File("stderr"));
  return result;
}

long OpenHandles() {
  return static_cast<long>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                         std::filesystem::directory_iterator{}));
}

long ResidentKilobytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return resident * (::sysconf(_SC_PAGESIZE) / 1024);
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
  holder_ = ::fork();
  if (holder_ == 0) {
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
  ::waitpid(static_cast<pid_t>(holder_), nullptr, 0);
}

}  // namespace tessary::testing
