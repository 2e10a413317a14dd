// Running programs and files held by another program, on Windows.
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <algorithm>
#include <cwctype>
#include <stdexcept>

#include "tests/support/files.h"

namespace tessary::testing {
namespace {

std::wstring Wide(const std::string& text) {
  return PathOf(text).native();
}

// `argument` quoted as CommandLineToArgvW reads it back.
std::wstring Quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    return argument;
  }
  std::wstring quoted = L"\"";
  for (std::size_t i = 0;; ++i) {
    std::size_t backslashes = 0;
    while (i < argument.size() && argument[i] == L'\\') {
      ++i;
      ++backslashes;
    }
    if (i == argument.size()) {
      quoted.append(backslashes * 2, L'\\');
      break;
    }
    if (argument[i] == L'"') {
      quoted.append(backslashes * 2 + 1, L'\\');
    } else {
      quoted.append(backslashes, L'\\');
    }
    quoted += argument[i];
  }
  return quoted + L"\"";
}

HANDLE Inheritable(const std::string& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const HANDLE handle = ::CreateFileW(Wide(path).c_str(), access,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      &inherit, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + path);
  return handle;
}

// This program's environment with `changes` ("NAME=value", or "NAME" to take it out) put in,
// as a block of UTF-16.
std::wstring Environment(const std::vector<std::string>& changes) {
  std::vector<std::wstring> entries;
  for (const std::string& change : changes) {
    if (change.find('=') != std::string::npos) entries.push_back(Wide(change));
  }
  const auto nameOf = [](const std::wstring& entry) {
    std::wstring name = entry.substr(0, entry.find(L'=', 1));
    for (wchar_t& c : name)
      c = static_cast<wchar_t>(std::towupper(c));
    return name;
  };
  wchar_t* block = ::GetEnvironmentStringsW();
  for (const wchar_t* entry = block; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
    bool replaced = false;
    for (const std::string& change : changes)
      replaced = replaced || nameOf(Wide(change)) == nameOf(entry);
    if (!replaced) entries.emplace_back(entry);
  }
  ::FreeEnvironmentStringsW(block);
  std::wstring result;
  for (const std::wstring& entry : entries)
    result += entry + L'\0';
  return result + L'\0';
}

}  // namespace

RunningProgram::RunningProgram(const std::string& program,
                               const std::vector<std::string>& arguments,
                               const ProgramSetup& setup) {
  const std::string inPath = setup.inputPath.empty() ? io_.File("stdin") : setup.inputPath;
  const std::string outPath = setup.outputPath.empty() ? io_.File("stdout") : setup.outputPath;
  if (setup.inputPath.empty()) WriteFile(inPath, setup.input);
  const HANDLE in = Inheritable(inPath, GENERIC_READ, OPEN_EXISTING);
  const HANDLE out = Inheritable(outPath, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS);
  const HANDLE err = Inheritable(io_.File("stderr"), GENERIC_WRITE, CREATE_ALWAYS);

  std::wstring commandLine = Quoted(Wide(program));
  for (const std::string& argument : arguments)
    commandLine += L" " + Quoted(Wide(argument));
  std::wstring environment = Environment(setup.environment);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  // Under a busy Wine a start can fail for a moment: it is tried again before giving up.
  BOOL started = FALSE;
  DWORD error = 0;
  for (int attempt = 0; attempt < 3 && !started; ++attempt) {
    if (attempt > 0) ::Sleep(200);
    started = ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                               CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup,
                               &process);
    if (!started) error = ::GetLastError();
  }
  ::CloseHandle(in);
  ::CloseHandle(out);
  ::CloseHandle(err);
  if (!started) {
    throw std::runtime_error("cannot start " + program + " (error " + std::to_string(error) + ")");
  }
  ::CloseHandle(process.hThread);
  process_ = reinterpret_cast<std::intptr_t>(process.hProcess);
  id_ = process.dwProcessId;
}

RunningProgram::~RunningProgram() {
  if (process_ != -1) {
    ::WaitForSingleObject(reinterpret_cast<HANDLE>(process_), INFINITE);
    ::CloseHandle(reinterpret_cast<HANDLE>(process_));
  }
}

void RunningProgram::Signal(int) {
  Interrupt();
}

// Ctrl+C to every program on this console, as a user's Ctrl+C is; this program lets it pass
// from now on (programs it starts later would inherit that: none in the tests that use it).
void RunningProgram::Interrupt() {
  ::SetConsoleCtrlHandler(nullptr, TRUE);
  ::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
}

ProgramResult RunningProgram::Wait() {
  const HANDLE process = reinterpret_cast<HANDLE>(process_);
  // Wine does not always tell the counters of a process that has ended, so its peak is also
  // read while it runs.
  SIZE_T peak = 0;
  for (;;) {
    const DWORD waited = ::WaitForSingleObject(process, 10);
    PROCESS_MEMORY_COUNTERS memory{};
    if (::GetProcessMemoryInfo(process, &memory, sizeof memory)) {
      peak = std::max(peak, memory.PeakWorkingSetSize);
    }
    if (waited != WAIT_TIMEOUT) break;
  }
  DWORD code = 0;
  ::GetExitCodeProcess(process, &code);
  ::CloseHandle(process);
  process_ = -1;
  ProgramResult result;
  result.exitCode = static_cast<int>(code);
  result.maxResidentKilobytes = static_cast<long>(peak / 1024);
  if (std::filesystem::exists(PathOf(io_.File("stdout"))))
    result.out = ReadFile(io_.File("stdout"));
  result.err = ReadFile(io_.File("stderr"));
  return result;
}

long OpenHandles() {
  DWORD count = 0;
  ::GetProcessHandleCount(::GetCurrentProcess(), &count);
  return static_cast<long>(count);
}

long ResidentKilobytes() {
  PROCESS_MEMORY_COUNTERS memory{};
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof memory);
  return static_cast<long>(memory.WorkingSetSize / 1024);
}

LockHolder::LockHolder(const std::string& path) {
  // Others may read it, as the test itself does, but not open it alone or write it.
  const HANDLE handle = ::CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot hold " + path);
  holder_ = reinterpret_cast<std::intptr_t>(handle);
}

LockHolder::~LockHolder() {
  ::CloseHandle(reinterpret_cast<HANDLE>(holder_));
}

}  // namespace tessary::testing
