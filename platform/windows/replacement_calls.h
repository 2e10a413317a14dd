// The two system calls that put a new file in place on Windows, as Replacement makes them,
// so that tests can stand in for them and give the failures that a real disk gives seldom.
// Internal to the Windows implementation and its tests.
#pragma once

#include <windows.h>

#include <string>

#include "platform/error.h"

namespace tessary::platform {

struct ReplacementCalls {
  /// Gives the open file `file` one more name, `fullPath`, replacing the file of that name
  /// when `replace` (NtSetInformationFile with FileLinkInformation): 0 or the error.
  Error (*link)(HANDLE file, const std::wstring& fullPath, bool replace);
  /// ReplaceFileW, for volumes whose files have a single name (FAT, exFAT).
  BOOL(WINAPI* replaceFile)
  (LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD flags, LPVOID, LPVOID);
};

/// The calls in use, the system's own unless a test changed them.
ReplacementCalls& CallsForReplacement();

/// The system's own link, for a stand-in that fails some calls and passes the others on.
Error LinkFile(HANDLE file, const std::wstring& fullPath, bool replace);

/// Whether `error` says that the volume gives no file a second name.
bool IsLinkUnsupported(Error error);

}  // namespace tessary::platform
