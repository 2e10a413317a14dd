#include "platform/process.h"

#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <algorithm>
#include <bit>

#include "platform/windows/text.h"

namespace tessary::platform {
namespace {

HANDLE HandleOf(Stream stream) {
  return ::GetStdHandle(stream == Stream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode);
}

}  // namespace

// The processors of the process's group that its affinity allows.
int UsableCores() noexcept {
  DWORD_PTR process = 0;
  DWORD_PTR system = 0;
  if (::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system) && process != 0) {
    return std::popcount(static_cast<unsigned long long>(process));
  }
  const DWORD active = ::GetActiveProcessorCount(ALL_PROCESSOR_GROUPS);
  return active > 0 ? static_cast<int>(active) : 1;
}

// A job object may cap the memory that the process, or all the job's processes, commit; the
// address space of a 64-bit process is too large to be a limit, and descriptors have none.
ResourceLimits CurrentResourceLimits() noexcept {
  ResourceLimits limits;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION job{};
  if (::QueryInformationJobObject(nullptr, JobObjectExtendedLimitInformation, &job, sizeof job,
                                  nullptr)) {
    const DWORD flags = job.BasicLimitInformation.LimitFlags;
    if (flags & JOB_OBJECT_LIMIT_PROCESS_MEMORY) limits.memory = job.ProcessMemoryLimit;
    if ((flags & JOB_OBJECT_LIMIT_JOB_MEMORY) &&
        (limits.memory == 0 || job.JobMemoryLimit < limits.memory)) {
      limits.memory = job.JobMemoryLimit;
    }
  }
  if (limits.memory != 0) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (::GetProcessMemoryInfo(::GetCurrentProcess(),
                               reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                               sizeof counters)) {
      limits.memoryUsed = counters.PrivateUsage;
    }
  }
  // A thread's stack reserves what the program's header says.
  const auto* image = reinterpret_cast<const BYTE*>(::GetModuleHandleW(nullptr));
  if (image != nullptr) {
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image + dos->e_lfanew);
    limits.threadStack = nt->OptionalHeader.SizeOfStackReserve;
  }
  if (limits.threadStack == 0) limits.threadStack = 1 << 20;
  return limits;
}

void StartConsoleProgram() noexcept {
  // No error boxes from the system for a drive without a disk: a failed open is reported as
  // any other.
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

void StartDesktopProgram() noexcept {
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

Error WriteText(Stream stream, std::string_view text) noexcept {
  const HANDLE handle = HandleOf(stream);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return 0;  // no console to write to
  try {
    if (IsConsole(handle)) {
      const std::wstring wide = Widen(text);
      DWORD written = 0;
      for (std::size_t at = 0; at < wide.size(); at += written) {
        const DWORD size = static_cast<DWORD>(std::min<std::size_t>(wide.size() - at, 16384));
        if (!::WriteConsoleW(handle, wide.data() + at, size, &written, nullptr) || written == 0) {
          return static_cast<Error>(::GetLastError());
        }
      }
      return 0;
    }
  } catch (...) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
  while (!text.empty()) {
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(std::min<std::size_t>(text.size(), 1u << 30));
    if (!::WriteFile(handle, text.data(), size, &written, nullptr)) {
      return static_cast<Error>(::GetLastError());
    }
    text.remove_prefix(written);
  }
  return 0;
}

bool IsTerminal(Stream stream) noexcept {
  return IsConsole(HandleOf(stream));
}

}  // namespace tessary::platform
