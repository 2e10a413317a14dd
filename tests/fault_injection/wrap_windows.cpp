// The Win32 calls of the Windows platform layer (and of the C++ library's file system calls
// it makes). Each is called through its import slot __imp_NAME; linked with
// -Wl,--wrap=__imp_NAME (see tests/CMakeLists.txt), the program calls through the slot
// __wrap___imp_NAME defined here instead, which holds a hook in front of the real slot.
#include <windows.h>

#include "tests/fault_injection/fault_plan.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;  // the linker's: where the image starts

extern "C" decltype(&::CloseHandle) __real___imp_CloseHandle;

namespace {

// The program's console control handler, noted as it is set (see SetConsoleCtrlHandler below).
PHANDLER_ROUTINE controlHandler = nullptr;

}  // namespace

namespace tessary::faults {

const char* ImageStart() noexcept {
  return reinterpret_cast<const char*>(&__ImageBase);
}

void StopNow() noexcept {
  ::TerminateProcess(::GetCurrentProcess(), 9);
  ::ExitProcess(9);
}

// Ctrl+C as the console delivers it: the program's handler called on a thread of its own.
// (GenerateConsoleCtrlEvent would reach every program on the console, the tests included.)
void InterruptNow() noexcept {
  if (controlHandler == nullptr) return;
  const HANDLE thread = ::CreateThread(
      nullptr, 0, [](LPVOID) -> DWORD { return controlHandler(CTRL_C_EVENT); }, nullptr, 0,
      nullptr);
  if (thread == nullptr) return;
  ::WaitForSingleObject(thread, INFINITE);  // the handler only notes the request
  __real___imp_CloseHandle(thread);
}

}  // namespace tessary::faults

namespace {

bool IsStandard(HANDLE handle) {
  return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
         (handle == ::GetStdHandle(STD_INPUT_HANDLE) ||
          handle == ::GetStdHandle(STD_OUTPUT_HANDLE) ||
          handle == ::GetStdHandle(STD_ERROR_HANDLE));
}

// What ReplaceFileW has done when it fails with ERROR_UNABLE_TO_MOVE_REPLACEMENT and no
// backup was asked for: the replaced file is gone, the replacement keeps its own name.
constexpr long kUnableToMoveReplacement = 1176;

}  // namespace

// Counts the call, then fails it (last error set, `failed` returned) when the plan says so.
// A macro, so that the caller's address is the hook's own return address.
#define TESSARY_INTERCEPT(name, failed)                                                   \
  do {                                                                                    \
    if (const long error = tessary::faults::Intercept(name, __builtin_return_address(0)); \
        error != 0) {                                                                     \
      ::SetLastError(static_cast<DWORD>(error));                                          \
      return failed;                                                                      \
    }                                                                                     \
  } while (false)

// The real slot, the hook, and the slot the program calls through.
#define TESSARY_HOOK(name, result, parameters, arguments, failed, skip)  \
  extern "C" decltype(&::name) __real___imp_##name;                      \
  __attribute__((noinline)) static result WINAPI Hook##name parameters { \
    if (skip) return __real___imp_##name arguments;                      \
    TESSARY_INTERCEPT(#name, failed);                                    \
    return __real___imp_##name arguments;                                \
  }                                                                      \
  extern "C" {                                                           \
  extern decltype(&::name) __wrap___imp_##name;                          \
  decltype(&::name) __wrap___imp_##name = Hook##name;                    \
  }

TESSARY_HOOK(CreateFileW, HANDLE,
             (LPCWSTR a, DWORD b, DWORD c, LPSECURITY_ATTRIBUTES d, DWORD e, DWORD f, HANDLE g),
             (a, b, c, d, e, f, g), INVALID_HANDLE_VALUE, false)
TESSARY_HOOK(ReadFile, BOOL, (HANDLE a, LPVOID b, DWORD c, LPDWORD d, LPOVERLAPPED e),
             (a, b, c, d, e), FALSE, IsStandard(a))
TESSARY_HOOK(WriteFile, BOOL, (HANDLE a, LPCVOID b, DWORD c, LPDWORD d, LPOVERLAPPED e),
             (a, b, c, d, e), FALSE, IsStandard(a))
TESSARY_HOOK(FlushFileBuffers, BOOL, (HANDLE a), (a), FALSE, IsStandard(a))
TESSARY_HOOK(SetFileInformationByHandle, BOOL,
             (HANDLE a, FILE_INFO_BY_HANDLE_CLASS b, LPVOID c, DWORD d), (a, b, c, d), FALSE, false)
TESSARY_HOOK(GetFileInformationByHandle, BOOL, (HANDLE a, LPBY_HANDLE_FILE_INFORMATION b), (a, b),
             FALSE, IsStandard(a))
TESSARY_HOOK(GetFileInformationByHandleEx, BOOL,
             (HANDLE a, FILE_INFO_BY_HANDLE_CLASS b, LPVOID c, DWORD d), (a, b, c, d), FALSE,
             IsStandard(a))
TESSARY_HOOK(MoveFileExW, BOOL, (LPCWSTR a, LPCWSTR b, DWORD c), (a, b, c), FALSE, false)
TESSARY_HOOK(DeleteFileW, BOOL, (LPCWSTR a), (a), FALSE, false)
TESSARY_HOOK(GetFileAttributesW, DWORD, (LPCWSTR a), (a), INVALID_FILE_ATTRIBUTES, false)
TESSARY_HOOK(SetFileAttributesW, BOOL, (LPCWSTR a, DWORD b), (a, b), FALSE, false)
TESSARY_HOOK(SetFilePointerEx, BOOL, (HANDLE a, LARGE_INTEGER b, PLARGE_INTEGER c, DWORD d),
             (a, b, c, d), FALSE, IsStandard(a))
TESSARY_HOOK(GetFileSizeEx, BOOL, (HANDLE a, PLARGE_INTEGER b), (a, b), FALSE, IsStandard(a))
TESSARY_HOOK(GetFileType, DWORD, (HANDLE a), (a), FILE_TYPE_UNKNOWN, IsStandard(a))
TESSARY_HOOK(GetFinalPathNameByHandleW, DWORD, (HANDLE a, LPWSTR b, DWORD c, DWORD d), (a, b, c, d),
             0, false)
TESSARY_HOOK(GetFullPathNameW, DWORD, (LPCWSTR a, DWORD b, LPWSTR c, LPWSTR* d), (a, b, c, d), 0,
             false)
TESSARY_HOOK(LockFileEx, BOOL, (HANDLE a, DWORD b, DWORD c, DWORD d, DWORD e, LPOVERLAPPED f),
             (a, b, c, d, e, f), FALSE, false)
TESSARY_HOOK(CreateHardLinkW, BOOL, (LPCWSTR a, LPCWSTR b, LPSECURITY_ATTRIBUTES c), (a, b, c),
             FALSE, false)
TESSARY_HOOK(FindFirstFileExW, HANDLE,
             (LPCWSTR a, FINDEX_INFO_LEVELS b, LPVOID c, FINDEX_SEARCH_OPS d, LPVOID e, DWORD f),
             (a, b, c, d, e, f), INVALID_HANDLE_VALUE, false)
TESSARY_HOOK(FindFirstFileW, HANDLE, (LPCWSTR a, LPWIN32_FIND_DATAW b), (a, b),
             INVALID_HANDLE_VALUE, false)
TESSARY_HOOK(FindNextFileW, BOOL, (HANDLE a, LPWIN32_FIND_DATAW b), (a, b), FALSE, false)
TESSARY_HOOK(SetEndOfFile, BOOL, (HANDLE a), (a), FALSE, IsStandard(a))
TESSARY_HOOK(GetVolumeInformationByHandleW, BOOL,
             (HANDLE a, LPWSTR b, DWORD c, LPDWORD d, LPDWORD e, LPDWORD f, LPWSTR g, DWORD h),
             (a, b, c, d, e, f, g, h), FALSE, false)

// A handle that fails to close is closed all the same.
extern "C" decltype(&::CloseHandle) __real___imp_CloseHandle;
__attribute__((noinline)) static BOOL WINAPI HookCloseHandle(HANDLE handle) {
  if (IsStandard(handle)) return __real___imp_CloseHandle(handle);
  if (const long error = tessary::faults::Intercept("CloseHandle", __builtin_return_address(0))) {
    __real___imp_CloseHandle(handle);
    ::SetLastError(static_cast<DWORD>(error));
    return FALSE;
  }
  return __real___imp_CloseHandle(handle);
}
extern "C" {
extern decltype(&::CloseHandle) __wrap___imp_CloseHandle;
decltype(&::CloseHandle) __wrap___imp_CloseHandle = HookCloseHandle;
}

// ReplaceFileW's failures leave the files in the states its documentation gives.
extern "C" decltype(&::ReplaceFileW) __real___imp_ReplaceFileW;
extern "C" decltype(&::DeleteFileW) __real___imp_DeleteFileW;
__attribute__((noinline)) static BOOL WINAPI HookReplaceFileW(LPCWSTR replaced, LPCWSTR replacement,
                                                              LPCWSTR backup, DWORD flags, LPVOID a,
                                                              LPVOID b) {
  if (const long error = tessary::faults::Intercept("ReplaceFileW", __builtin_return_address(0))) {
    if (error == kUnableToMoveReplacement && backup == nullptr) {
      __real___imp_DeleteFileW(replaced);
    }
    ::SetLastError(static_cast<DWORD>(error));
    return FALSE;
  }
  return __real___imp_ReplaceFileW(replaced, replacement, backup, flags, a, b);
}
extern "C" {
extern decltype(&::ReplaceFileW) __wrap___imp_ReplaceFileW;
decltype(&::ReplaceFileW) __wrap___imp_ReplaceFileW = HookReplaceFileW;
}

// Notes the handler, for InterruptNow; never counted or failed.
extern "C" decltype(&::SetConsoleCtrlHandler) __real___imp_SetConsoleCtrlHandler;
static BOOL WINAPI HookSetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add) {
  if (add && handler != nullptr) controlHandler = handler;
  return __real___imp_SetConsoleCtrlHandler(handler, add);
}
extern "C" {
extern decltype(&::SetConsoleCtrlHandler) __wrap___imp_SetConsoleCtrlHandler;
decltype(&::SetConsoleCtrlHandler) __wrap___imp_SetConsoleCtrlHandler = HookSetConsoleCtrlHandler;
}
