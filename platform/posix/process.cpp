#include "platform/process.h"

#include <fcntl.h>
#include <malloc.h>
#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

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

}  // namespace

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
