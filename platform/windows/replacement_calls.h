// The system calls that put a new file in place on Windows, as Replacement makes them, so that
// tests can stand in for them and give the failures that a real disk gives seldom; and the
// hidden name that the old file has meanwhile. Internal to the Windows implementation and its
// tests.
#pragma once

#include <windows.h>

#include <string>

#include "platform/error.h"

namespace tessary::platform {

/// The system's own link and rename (see below), for a stand-in that fails some calls and passes
/// the others on.
Error LinkFile(HANDLE file, const std::wstring& fullPath, bool replace);
Error RenameFile(HANDLE file, const std::wstring& fullPath);

struct ReplacementCalls {
  /// Gives the open file `file` one more name, `fullPath`, replacing the file of that name
  /// when `replace` (NtSetInformationFile with FileLinkInformation): 0 or the error.
  Error (*link)(HANDLE file, const std::wstring& fullPath, bool replace);
  /// ReplaceFileW, for volumes whose files have a single name (FAT, exFAT).
  BOOL(WINAPI* replaceFile)
  (LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD flags, LPVOID, LPVOID);
  /// Renames the open file `file` to `fullPath`, never over another file
  /// (SetFileInformationByHandle with FileRenameInfo): 0 or the error.
  Error (*rename)(HANDLE file, const std::wstring& fullPath) = RenameFile;
};

/// The calls in use, the system's own unless a test changed them.
ReplacementCalls& CallsForReplacement();

/// Whether `error` says that the volume gives no file a second name.
bool IsLinkUnsupported(Error error);

/// ".NAME.tessary-XXXXXX.old" for a file named NAME, with six random letters and digits: the name
/// that the old file has beside its own from the moment it is set aside until the new file has
/// taken its name and the old one is removed. A run ended in between leaves it there: it is the
/// user's old file, which no later run removes (CleanLeftovers reports it as left).
std::string AsideName(const std::string& name);
/// Whether `candidate` is a name that AsideName gives for `name`.
bool IsAsideNameOf(const std::string& candidate, const std::string& name);

}  // namespace tessary::platform
