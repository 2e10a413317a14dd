// Temporary folders, whole-file reads and writes, and running programs, for tests. Paths are
// UTF-8 strings on every system, as the programs take them.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/error.h"

namespace tessary::testing {

/// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir();

  const std::filesystem::path& path() const { return path_; }
  /// The path of `name` inside the folder, as a string.
  std::string File(std::string_view name) const;

 private:
  std::filesystem::path path_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, std::string_view contents);

/// How many of `count` repetitions to make of work that starts threads or processes: all of
/// them on POSIX, a fifth on Windows, where starting either takes milliseconds (under Wine
/// above all).
constexpr int Sample(int count) {
#ifdef _WIN32
  return count / 5 > 0 ? count / 5 : 1;
#else
  return count;
#endif
}

/// The device that takes anything written to it.
#ifdef _WIN32
inline constexpr const char* kNullDevice = "NUL";
#else
inline constexpr const char* kNullDevice = "/dev/null";
#endif

/// The system's reason for an error of `kind`, as messages give it.
inline std::string Reason(platform::ErrorKind kind) {
  return platform::ErrorText(platform::ErrorOf(kind));
}

/// The path of UTF-8 `path`, and back.
std::filesystem::path PathOf(const std::string& path);
std::string Utf8(const std::filesystem::path& path);

/// A path inside the source tree, such as "examples/cube.mdl".
std::string SourcePath(std::string_view relative);

/// What a finished program printed and how it ended.
struct ProgramResult {
  int exitCode = -1;  ///< 128 + the signal's number when a signal ended it
  std::string out;
  std::string err;
  long maxResidentKilobytes = 0;
};

/// How to start a program besides its arguments.
struct ProgramSetup {
  std::string input;       ///< fed to standard input
  std::string inputPath;   ///< or: standard input is this file, read-only
  std::string outputPath;  ///< standard output is this file, read-write and not truncated
  /// Resource limits set in the child before it starts (RLIMIT_FSIZE, RLIMIT_AS, ...); POSIX
  /// only.
  std::vector<std::pair<int, unsigned long>> limits;
  /// "NAME=value" entries that replace or add to this program's environment, and "NAME"
  /// entries that take a variable out of it.
  std::vector<std::string> environment;
};

/// Runs `program` with `arguments` to its end.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const ProgramSetup& setup = {});

/// A program running in the background, waited for when destroyed.
class RunningProgram {
 public:
  RunningProgram(const std::string& program, const std::vector<std::string>& arguments,
                 const ProgramSetup& setup = {});
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;
  ~RunningProgram();

  /// Sends `signal` to the program (POSIX).
  void Signal(int signal);
  /// Asks the program to stop as a user would: SIGINT on POSIX, Ctrl+C on Windows (to every
  /// program on the console, which needs one: see HasConsole).
  void Interrupt();
  /// Waits for the end and returns what it printed.
  ProgramResult Wait();

 private:
  std::intptr_t process_ = -1;  // the pid on POSIX, the process handle on Windows
  unsigned long id_ = 0;
  TempDir io_;
};

/// The files this process has open (descriptors on POSIX, handles on Windows).
long OpenHandles();
/// This process's resident memory now.
long ResidentKilobytes();

/// The names in `folder`, sorted.
std::vector<std::string> ListFolder(const std::filesystem::path& folder);

#ifndef _WIN32
/// Creates a named pipe at `path`.
void MakeFifo(const std::string& path);

/// Another program writing to the named pipe at `path`: from a thread, once a reader has
/// opened the pipe, `feed` gets the writing end (closed after it returns). Writing after the
/// reader went away fails instead of ending the test program. Gives up waiting for a reader
/// after a minute.
class FifoWriter {
 public:
  FifoWriter(const std::string& path, std::function<void(int fd)> feed);
  FifoWriter(const FifoWriter&) = delete;
  FifoWriter& operator=(const FifoWriter&) = delete;
  ~FifoWriter();

  /// Whether a reader opened the pipe (so far).
  bool ReaderCame() const { return readerCame_; }

 private:
  std::atomic<bool> readerCame_{false};
  std::thread thread_;
};

/// Writes all of `text` to `fd`; false when the reader has gone.
bool WriteAll(int fd, std::string_view text);

/// An access control list in the kernel's form (the value of "system.posix_acl_access"), from
/// entries of tag, permissions and id.
inline std::string AccessList(std::initializer_list<std::array<std::uint32_t, 3>> entries) {
  std::string list("\x02\0\0\0", 4);
  for (const auto& [tag, permissions, id] : entries) {
    const auto tag16 = static_cast<std::uint16_t>(tag);
    const auto permissions16 = static_cast<std::uint16_t>(permissions);
    list.append(reinterpret_cast<const char*>(&tag16), 2);
    list.append(reinterpret_cast<const char*>(&permissions16), 2);
    list.append(reinterpret_cast<const char*>(&id), 4);
  }
  return list;
}
/// The tags of its entries, and the id of an entry that names nobody.
inline constexpr std::uint32_t kUserObject = 0x01, kUser = 0x02, kGroupObject = 0x04, kGroup = 0x08,
                               kMask = 0x10, kOther = 0x20, kAny = ~0u;

#endif

/// Holds a file as another program would until destroyed, so that Tessary finds it in use: an
/// exclusive lock from a child process on POSIX, an open handle that shares nothing on Windows.
class LockHolder {
 public:
  explicit LockHolder(const std::string& path);
  LockHolder(const LockHolder&) = delete;
  LockHolder& operator=(const LockHolder&) = delete;
  ~LockHolder();

 private:
  std::intptr_t holder_ = -1;  // the child's pid on POSIX, the handle on Windows
  int releasePipe_ = -1;
};

}  // namespace tessary::testing
