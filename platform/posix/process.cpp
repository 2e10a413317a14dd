#include "platform/process.h"

#include <fcntl.h>
#include <malloc.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string>

#include "platform/posix/temporary_files.h"

namespace tessary::platform {
namespace {

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed (`prog 2>&-`), so that no
// file the program opens later takes one of their numbers and receives what is meant for the
// terminal (a progress line written into a model). Standard input is opened for writing only
// and the outputs for reading only, so that using a descriptor that was closed still fails,
// with EBADF, as it would have.
void KeepStandardDescriptorsOpen() noexcept {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1) continue;
    // The lowest free number is `fd` itself, as the ones below it are open.
    const int opened = ::open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
    if (opened != fd && opened >= 0) ::close(opened);
  }
}

int DescriptorOf(Stream stream) {
  return stream == Stream::Output ? STDOUT_FILENO : STDERR_FILENO;
}

// The first line of a small file, such as one of /proc or /sys; empty when it cannot be read.
std::string FirstLine(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    text.append(buffer, static_cast<std::size_t>(count));
    if (text.find('\n') != std::string::npos || text.size() > 65536) break;
  }
  ::close(fd);
  return text.substr(0, text.find('\n'));
}

// A decimal number of bytes at the start of `text`; 0 for "max", nothing, or a figure so large
// that it only says "no limit" (cgroup v1 writes the largest page-aligned 63-bit number).
std::uint64_t Bytes(const std::string& text) {
  if (text.empty() || text[0] < '0' || text[0] > '9') return 0;
  const unsigned long long value = std::strtoull(text.c_str(), nullptr, 10);
  return value >= (std::uint64_t{1} << 60) ? 0 : value;
}

std::uint64_t Limit(rlim_t value) {
  return value == RLIM_INFINITY ? 0 : static_cast<std::uint64_t>(value);
}

// The memory limit of the process's control group: the smallest on the way from its group up
// to the root of the hierarchy that holds the memory controller, with that group's usage.
void ReadGroupMemory(ResourceLimits& limits) {
  const int fd = ::open("/proc/self/cgroup", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  std::string table;
  char buffer[4096];
  for (ssize_t count;
       (count = ::read(fd, buffer, sizeof buffer)) > 0 || (count < 0 && errno == EINTR);) {
    if (count > 0) table.append(buffer, static_cast<std::size_t>(count));
  }
  ::close(fd);
  // Lines are "ID:CONTROLLERS:PATH"; the unified hierarchy is "0::PATH".
  std::string base, limitFile, usageFile, group;
  for (std::size_t start = 0; start < table.size();) {
    std::size_t end = table.find('\n', start);
    if (end == std::string::npos) end = table.size();
    const std::string line = table.substr(start, end - start);
    start = end + 1;
    const std::size_t first = line.find(':');
    const std::size_t second = first == std::string::npos ? first : line.find(':', first + 1);
    if (second == std::string::npos) continue;
    const std::string controllers = line.substr(first + 1, second - first - 1);
    const std::string path = line.substr(second + 1);
    bool hasMemory = false;
    for (std::size_t at = 0; at <= controllers.size();) {
      std::size_t comma = controllers.find(',', at);
      if (comma == std::string::npos) comma = controllers.size();
      hasMemory = hasMemory || controllers.compare(at, comma - at, "memory") == 0;
      at = comma + 1;
    }
    if (hasMemory) {
      base = "/sys/fs/cgroup/memory";
      limitFile = "/memory.limit_in_bytes";
      usageFile = "/memory.usage_in_bytes";
      group = path;
      break;
    }
    if (controllers.empty() && ::access("/sys/fs/cgroup/cgroup.controllers", F_OK) == 0) {
      base = "/sys/fs/cgroup";
      limitFile = "/memory.max";
      usageFile = "/memory.current";
      group = path;  // a v1 memory line, if there is one, still wins
    }
  }
  if (base.empty()) return;
  // Inside a container the group's path may not exist under the mount, whose root is then the
  // container's group: the walk up reaches it in any case.
  for (;;) {
    while (group.size() > 1 && group.back() == '/')
      group.pop_back();
    const std::string folder = base + (group == "/" ? "" : group);
    const std::uint64_t limit = Bytes(FirstLine(folder + limitFile));
    if (limit != 0 && (limits.memory == 0 || limit < limits.memory)) {
      limits.memory = limit;
      limits.memoryUsed = Bytes(FirstLine(folder + usageFile));
    }
    if (group.empty() || group == "/") break;
    group.erase(group.rfind('/') + 1);
    if (group.size() > 1) group.pop_back();
  }
}

// The stack that a thread started without attributes gets, in bytes.
std::uint64_t DefaultThreadStack() {
  std::uint64_t size = 0;
#ifdef __GLIBC__
  pthread_attr_t attributes;
  if (::pthread_getattr_default_np(&attributes) == 0) {
    std::size_t stack = 0;
    if (::pthread_attr_getstacksize(&attributes, &stack) == 0) size = stack;
    ::pthread_attr_destroy(&attributes);
  }
#endif
  if (size == 0) {
    rlimit stack{};
    size = ::getrlimit(RLIMIT_STACK, &stack) == 0 ? Limit(stack.rlim_cur) : 0;
  }
  return size != 0 ? size : std::uint64_t{8} << 20;
}

}  // namespace

ResourceLimits CurrentResourceLimits() noexcept {
  ResourceLimits limits;
  try {
    rlimit value{};
    if (::getrlimit(RLIMIT_AS, &value) == 0) limits.addressSpace = Limit(value.rlim_cur);
    if (::getrlimit(RLIMIT_NOFILE, &value) == 0) limits.openFiles = Limit(value.rlim_cur);
    const long page = ::sysconf(_SC_PAGESIZE);
    limits.addressSpaceUsed =
        Bytes(FirstLine("/proc/self/statm")) * static_cast<std::uint64_t>(page > 0 ? page : 4096);
    ReadGroupMemory(limits);
    limits.threadStack = DefaultThreadStack();
  } catch (...) {  // out of memory for a path: what was read stands
  }
  return limits;
}

int UsableCores() noexcept {
  cpu_set_t cpus;
  CPU_ZERO(&cpus);
  if (::sched_getaffinity(0, sizeof cpus, &cpus) == 0 && CPU_COUNT(&cpus) > 0) {
    return CPU_COUNT(&cpus);
  }
  return 1;
}

void StartConsoleProgram() noexcept {
  KeepStandardDescriptorsOpen();
  // A file over the size limit is reported as a full disk rather than ending the program.
  std::signal(SIGXFSZ, SIG_IGN);
  // Each file's pass takes two 1 MiB buffers and gives them back. Keep such blocks in the
  // heap for the next file instead of returning them to the system and faulting them in
  // again: on the main thread that doubled the time of a batch of small models. The heap
  // still holds no more than what one pass needs at a time.
  mallopt(M_MMAP_THRESHOLD, 8 << 20);
  mallopt(M_TRIM_THRESHOLD, 32 << 20);
}

void StartDesktopProgram() noexcept {
  // Warnings written to a closed standard error must not end up in a model being written.
  KeepStandardDescriptorsOpen();
  // Ended by a signal or by exit() (a lost display connection) during a pass, the program
  // still removes the temporary output; the old output is left as it was in any case.
  RemoveTemporaryFilesOnSignals();
  // A file over the size limit is reported as a full disk, and an output FIFO whose reader
  // went away as a failed write, rather than ending the program with the window.
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
}

Error WriteText(Stream stream, std::string_view text) noexcept {
  const int fd = DescriptorOf(stream);
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return errno;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return 0;
}

bool IsTerminal(Stream stream) noexcept {
  return ::isatty(DescriptorOf(stream)) == 1;
}

}  // namespace tessary::platform
