#include "platform/replacement.h"

// clang-format off
#include <windows.h>
#include <winternl.h>
#include <sddl.h>
// clang-format on

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/temporary_name.h"
#include "platform/windows/own_errors.h"
#include "platform/windows/replacement_calls.h"
#include "platform/windows/text.h"

// How a new file takes the place of the old one, so that no other program's change to the old
// file is lost, and a run ended at any moment (even killed) loses neither file:
//
// - The new file is created with FILE_FLAG_DELETE_ON_CLOSE, so that the system removes it when
//   its one handle closes, however the program ends.
// - The old file is held, with no sharing, from its opening (File::OpenToRead or OpenToWrite,
//   with the right to rename and remove it) until the new file has its name: no program that
//   respects share modes can change it after the last check. Windows replaces no name whose
//   file is open, so the old file is first renamed aside through that handle, to a hidden name
//   of its own (AsideName); the new file's handle then gives it the output's name as a second
//   name, never over a file (FileLinkInformation), and the old file is removed through its
//   handle. Closing the new file's handle removes only the name it was opened by, the temporary
//   one. Ended before the old file is set aside, the program leaves it under the name; ended
//   after the link, the new file, with the old one beside it under its hidden name until it is
//   removed; ended between the two calls, the old file under its hidden name alone. The
//   temporary name goes either way, and a file set aside is the user's old file, which no later
//   run removes. A program that saves over the name in the instant it is free keeps its save,
//   and the old file stays aside.
// - A linked name takes over nothing of the file it replaces, so the new file is given the
//   old one's security descriptor (its access list exactly, its owner and group where this
//   process may set them), its hidden and system attributes and its creation time first. Until
//   then only the current user may use it.
// - Volumes whose files cannot have two names (FAT, exFAT) fall back to ReplaceFileW, with a
//   backup name so that each of its documented failures can be undone; there the old file is let
//   go of just before, and a kill between the last write and the replacement can leave the new
//   file beside the output. So do file systems that rename nothing through a handle.

namespace tessary::platform {
namespace {

// What AsideName adds to a temporary name.
constexpr std::string_view kAsideEnd = ".old";

HANDLE AsHandle(File::Handle handle) {
  return reinterpret_cast<HANDLE>(handle);
}

template <typename Function>
Function FromNtdll(const char* name) {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  if (ntdll == nullptr) return nullptr;
  // Through the generic function pointer type, which converts to any other.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(ntdll, name)));
}

using SetInformationFile = LONG(NTAPI*)(HANDLE, IO_STATUS_BLOCK*, void*, ULONG, int);
using QueryObject = LONG(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);
using StatusToError = ULONG(NTAPI*)(LONG);
using ToNtPath = BOOLEAN(NTAPI*)(PCWSTR, UNICODE_STRING*, PCWSTR*, void*);
using FreeString = void(NTAPI*)(UNICODE_STRING*);

constexpr int kFileLinkInformation = 11;

// FILE_LINK_INFORMATION, which MinGW-w64's headers leave to the driver kit.
struct LinkInformation {
  BOOLEAN replaceIfExists;
  HANDLE rootDirectory;
  ULONG fileNameLength;
  WCHAR fileName[1];
};

Error LastError() {
  return static_cast<Error>(::GetLastError());
}

// Whether the system removes the file when its last handle closes: the old file once it is
// replaced, and the copy that the fallback writes (unmarked before ReplaceFileW can move it).
bool MarkForRemoval(HANDLE file, bool remove) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = remove ? TRUE : FALSE;
  return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                      sizeof disposition) != 0;
}

bool Exists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Whether Wine runs the program. Wine keeps no security descriptor of its own for a file on a
// Linux file system: it turns one that is set into permission bits, loosely (an owner's full
// access becomes rwx for the file's group as well), so that copying one there would widen the
// file's access. Under Wine a new file keeps the bits it is created with instead.
bool UnderWine() {
  static const bool wine = FromNtdll<void (*)()>("wine_get_version") != nullptr;
  return wine;
}

// A security descriptor that lets the current user alone use a file and takes nothing from
// its folder: a new file has it until it gets the access of the file it replaces.
class OwnerOnly {
 public:
  OwnerOnly() = default;
  OwnerOnly(const OwnerOnly&) = delete;
  OwnerOnly& operator=(const OwnerOnly&) = delete;
  ~OwnerOnly() {
    if (descriptor_ != nullptr) ::LocalFree(descriptor_);
  }

  Error Make() {
    if (UnderWine()) return 0;
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return LastError();
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<std::byte> user(size == 0 ? 1 : size);
    const bool got = size != 0 && ::GetTokenInformation(token, TokenUser, user.data(), size, &size);
    const Error error = got ? 0 : LastError();
    ::CloseHandle(token);
    if (!got) return error != 0 ? error : ERROR_INVALID_SID;
    wchar_t* sid = nullptr;
    if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &sid)) {
      return LastError();
    }
    const std::wstring text = L"D:P(A;;FA;;;" + std::wstring(sid) + L")";
    ::LocalFree(sid);
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1,
                                                                &descriptor_, nullptr)) {
      return LastError();
    }
    attributes_.lpSecurityDescriptor = descriptor_;
    return 0;
  }

  SECURITY_ATTRIBUTES* attributes() { return descriptor_ != nullptr ? &attributes_ : nullptr; }

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
  SECURITY_ATTRIBUTES attributes_{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
};

// Creates a new file with a name of its own beside `target`, open to read, write and delete
// with no sharing. 0 or the error.
Error CreateBeside(const std::string& target, SECURITY_ATTRIBUTES* security, DWORD flags,
                   std::wstring& path, HANDLE& handle) {
  const std::string folder = ParentOf(target);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring name = Widen(JoinPath(folder, TemporaryName(NameOf(target))));
    // A file's creator gets every access it asks for, whatever the descriptor says.
    handle =
        ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE | WRITE_DAC | WRITE_OWNER,
                      0, security, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | flags, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      path = std::move(name);
      return 0;
    }
    const Error error = LastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return error;
  }
  return ERROR_FILE_EXISTS;
}

// Which file a handle is, how long, and when it was last written.
struct FileState {
  DWORD volume = 0;
  std::uint64_t index = 0;
  std::uint64_t size = 0;
  std::uint64_t written = 0;
  bool operator==(const FileState&) const = default;
};

bool StateOf(HANDLE handle, FileState& state) {
  BY_HANDLE_FILE_INFORMATION information{};
  if (!::GetFileInformationByHandle(handle, &information)) return false;
  state.volume = information.dwVolumeSerialNumber;
  state.index = (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow;
  state.size = (std::uint64_t{information.nFileSizeHigh} << 32) | information.nFileSizeLow;
  state.written = (std::uint64_t{information.ftLastWriteTime.dwHighDateTime} << 32) |
                  information.ftLastWriteTime.dwLowDateTime;
  return true;
}

// The state of the file that `path` names now. Asking for its attributes alone, which no
// share mode refuses.
bool StateOfName(const std::wstring& path, FileState& state) {
  const HANDLE handle = ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const bool known = StateOf(handle, state);
  ::CloseHandle(handle);
  return known;
}

// Whether the volume of `file` keeps access lists (NTFS, ReFS; FAT keeps none, and gives every
// file the same). When the system cannot tell, they are copied.
bool KeepsAccessLists(HANDLE file) {
  DWORD flags = 0;
  if (!::GetVolumeInformationByHandleW(file, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0)) {
    return true;
  }
  return (flags & FILE_PERSISTENT_ACLS) != 0;
}

// Gives `to` the security descriptor of `from`: its access list exactly (with whether it
// inherits from the folder), which decides who may read the file, and its owner and group
// where this process may set them (anyone but itself needs a privilege), as ReplaceFileW does.
Error CopySecurity(HANDLE from, HANDLE to) {
  if (UnderWine() || !KeepsAccessLists(to)) return 0;
  constexpr SECURITY_INFORMATION kWhat =
      OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  DWORD size = 0;
  ::GetKernelObjectSecurity(from, kWhat, nullptr, 0, &size);
  if (size == 0) return LastError();
  std::vector<std::byte> descriptor(size);
  if (!::GetKernelObjectSecurity(from, kWhat, descriptor.data(), size, &size)) return LastError();
  if (!::SetKernelObjectSecurity(to, DACL_SECURITY_INFORMATION, descriptor.data())) {
    return LastError();
  }
  ::SetKernelObjectSecurity(to, OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION,
                            descriptor.data());
  return 0;
}

// Gives `to` the creation time of the file whose times and attributes are `old`, and those of
// its attributes that say how to show or keep it (hidden, system, not indexed); the archive
// attribute says that it is new.
void CopyAttributes(const FILE_BASIC_INFO& old, HANDLE to) {
  FILE_BASIC_INFO kept{};  // times of 0 are left as they are
  kept.CreationTime = old.CreationTime;
  constexpr DWORD kKept =
      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  kept.FileAttributes = (old.FileAttributes & kKept) | FILE_ATTRIBUTE_ARCHIVE;
  ::SetFileInformationByHandle(to, FileBasicInfo, &kept, sizeof kept);
}

// After ReplaceFileW failed with `error`, in any of its documented half-way states (the old file
// under the backup name, or gone; the new one still under its own name), gives the output's name
// back to one of the two, the old one first. The new file is removed only when the old one has
// the name; when neither can have it, both stay. Returns 0 when the new file ended up in place.
Error UndoReplace(const std::wstring& to, const std::wstring& replacement,
                  const std::wstring& backup, Error error) {
  if (Exists(to)) {
    if (!Exists(replacement)) {  // moved in place, whatever else failed
      ::DeleteFileW(backup.c_str());
      return 0;
    }
    // Nothing moved; a backup as well would be another program's doing: it stays.
    if (!Exists(backup)) ::DeleteFileW(replacement.c_str());
    return error;
  }
  if (Exists(backup) && ::MoveFileExW(backup.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) {
    ::DeleteFileW(replacement.c_str());
    return error;
  }
  if (Exists(replacement) &&
      ::MoveFileExW(replacement.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) {
    ::DeleteFileW(backup.c_str());
    return 0;
  }
  return kNeitherInPlace;
}

// For a volume without hard links: the data of `from` goes to a second new file, which is let go
// of and then put in place by ReplaceFileW (or moved, when there was no file to replace).
Error PutInPlaceByCopy(HANDLE from, const std::string& target, const std::wstring& to,
                       bool replacing) {
  OwnerOnly ownerOnly;
  if (replacing) {
    if (const Error error = ownerOnly.Make(); error != 0) return error;
  }
  std::wstring copy;
  HANDLE handle = INVALID_HANDLE_VALUE;
  if (const Error error = CreateBeside(target, ownerOnly.attributes(), 0, copy, handle);
      error != 0) {
    return error;
  }
  const bool marked = MarkForRemoval(handle, true);
  const auto fail = [&](Error error) {
    ::CloseHandle(handle);
    if (!marked) ::DeleteFileW(copy.c_str());
    return error;
  };
  if (!::SetFilePointerEx(from, LARGE_INTEGER{}, nullptr, FILE_BEGIN)) return fail(LastError());
  std::vector<char> buffer(std::size_t{1} << 20);
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
      return fail(LastError());
    }
    if (read == 0) break;
    for (DWORD done = 0; done < read;) {
      DWORD written = 0;
      if (!::WriteFile(handle, buffer.data() + done, read - done, &written, nullptr)) {
        return fail(LastError());
      }
      done += written;
    }
  }
  if (!::FlushFileBuffers(handle)) return fail(LastError());
  if (marked && !MarkForRemoval(handle, false)) return fail(LastError());
  if (!::CloseHandle(handle)) {
    const Error error = LastError();
    ::DeleteFileW(copy.c_str());
    return error;
  }
  if (!replacing) {
    if (::MoveFileExW(copy.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) return 0;
    const Error error = LastError();
    ::DeleteFileW(copy.c_str());
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? kChangedMeanwhile : error;
  }
  // A name that no later run removes: the old file may stay there, should the program end.
  const std::wstring backup = Widen(JoinPath(ParentOf(target), AsideName(NameOf(target))));
  if (CallsForReplacement().replaceFile(to.c_str(), copy.c_str(), backup.c_str(), 0, nullptr,
                                        nullptr)) {
    ::DeleteFileW(backup.c_str());
    return 0;
  }
  return UndoReplace(to, copy, backup, LastError());
}

// `error`, from replacing the file `path`, or the error of a file in use when that is why: the
// system replaces no file that another program has open ("Access is denied" for a link, say).
// Asked for the right to remove it with no sharing, the file is refused only when another
// program has it open.
Error InUseOr(const std::wstring& path, Error error) {
  if (error != ERROR_ACCESS_DENIED && error != ERROR_UNABLE_TO_REMOVE_REPLACED) return error;
  const HANDLE handle = ::CreateFileW(path.c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle != INVALID_HANDLE_VALUE) {
    ::CloseHandle(handle);
    return error;
  }
  return LastError() == ERROR_SHARING_VIOLATION ? static_cast<Error>(ERROR_SHARING_VIOLATION)
                                                : error;
}

// Gives the new file `file` the name `to`: a second name, over the file of that name when
// `replace` (which no handle may hold then), or on a volume without links a copy that
// ReplaceFileW puts there. 0, kChangedMeanwhile when a file appeared where there was none, or
// the error.
Error PutInPlace(HANDLE file, const std::string& target, const std::wstring& to, bool replace) {
  const Error linked = CallsForReplacement().link(file, to, replace);
  if (linked == 0) return 0;
  if (linked == ERROR_ALREADY_EXISTS || linked == ERROR_FILE_EXISTS) return kChangedMeanwhile;
  if (!IsLinkUnsupported(linked)) return replace ? InUseOr(to, linked) : linked;
  const Error copied = PutInPlaceByCopy(file, target, to, replace);
  return replace ? InUseOr(to, copied) : copied;
}

// The last part of `path` as its folder spells it (the letter case and long form of the name),
// or as `path` has it when the system does not say.
std::wstring NameAsSpelt(const std::wstring& path) {
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileW(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return Widen(NameOf(Narrow(path)));
  ::FindClose(search);
  return found.cFileName;
}

// Whether `handle` was opened with the right to rename and remove its file, which Windows asks
// of a rename through it (Wine does not, and would rename a file that another program's share
// mode keeps from being renamed). When the system does not say, the rename tells.
bool MayRename(HANDLE handle) {
  static const auto query = FromNtdll<QueryObject>("NtQueryObject");
  PUBLIC_OBJECT_BASIC_INFORMATION information{};
  if (!query || query(handle, 0 /* ObjectBasicInformation */, &information, sizeof information,
                      nullptr) < 0) {
    return true;
  }
  return (information.GrantedAccess & DELETE) != 0;
}

// Renames the old file, open as `old`, to a hidden name of its own beside it (AsideName of
// `name` in `folder`), never over another file; `aside` is that name's full path. 0 or the
// error.
Error SetAside(HANDLE old, const std::string& folder, const std::string& name,
               std::wstring& aside) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    aside = Widen(JoinPath(folder, AsideName(name)));
    const Error error = CallsForReplacement().rename(old, aside);
    if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return error;
  }
  return ERROR_FILE_EXISTS;
}

// Removes the old file, set aside and held by `holder`, now that the new one has its name.
// Should the system refuse through that handle, it is asked once more through a handle of the
// file's own, if it is still the file that was held, unchanged; otherwise the file stays under
// its hidden name, kept.
void RemoveAside(File& holder, const std::wstring& aside, const FileState& held) {
  const bool marked = MarkForRemoval(AsHandle(holder.handle()), true);
  holder.Reset();
  if (marked) return;
  const HANDLE again = ::CreateFileW(aside.c_str(), DELETE | FILE_READ_ATTRIBUTES, 0, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (again == INVALID_HANDLE_VALUE) return;
  FileState now;
  if (StateOf(again, now) && now == held) MarkForRemoval(again, true);
  ::CloseHandle(again);
}

// Whether `basic` says that the file is read-only. Another program may make it so whatever the
// share mode, and a file made read-only during the run is left as it is (as one that was so
// from the start is refused before anything is written).
bool IsReadOnly(const FILE_BASIC_INFO& basic) {
  return (basic.FileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
}

// Puts the new file `file` in the place of the old one, which `original` holds with no sharing
// and `expected` describes as it was read, under the name `typed` (see the top of this file).
// 0; kChangedMeanwhile when another program changed the old file or took the name, which then
// gives its file (with the old one kept aside, when it took the name); kReadOnly; or another
// error, with the old file under its name, or kept aside (kOldKeptAside).
Error ReplaceHeld(File& original, const FileStatus* expected, HANDLE file,
                  const std::string& target, const std::wstring& typed) {
  // Held with no sharing, the file takes no other Windows program's change; a program that
  // ignores share modes (a Linux one, under Wine) may still have written to it.
  if (expected != nullptr && !expected->Unchanged(original.Status())) return kChangedMeanwhile;
  HANDLE old = AsHandle(original.handle());
  FileState held;
  if (!StateOf(old, held)) return LastError();
  // The name must still give the file that was read, as it was: otherwise another program
  // saved or changed it meanwhile, and its work stays.
  FileState named;
  if (!StateOfName(typed, named) || named != held) return kChangedMeanwhile;
  FILE_BASIC_INFO basic{};
  if (!::GetFileInformationByHandleEx(old, FileBasicInfo, &basic, sizeof basic)) {
    return LastError();
  }
  if (IsReadOnly(basic)) return kReadOnly;
  if (const Error error = CopySecurity(old, file); error != 0) return error;
  CopyAttributes(basic, file);

  const std::string folder = ParentOf(Narrow(typed));
  const std::string name = Narrow(NameAsSpelt(typed));
  const std::wstring to = Widen(JoinPath(folder, name));
  std::wstring aside;
  File reopened;
  Error error = MayRename(old) ? SetAside(old, folder, name, aside) : ERROR_ACCESS_DENIED;
  if (error == ERROR_ACCESS_DENIED) {
    // Its handle may lack the right to rename it, which the system refused when it was opened:
    // one that has it, sharing nothing, must find the same file, unchanged. Another program
    // that has it open by now makes it in use.
    original.Reset();
    old = ::CreateFileW(to.c_str(), DELETE | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE, 0,
                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (old == INVALID_HANDLE_VALUE) return LastError();
    reopened = File::Own(reinterpret_cast<File::Handle>(old));
    FileState now;
    if (!StateOf(old, now) || now != held) return kChangedMeanwhile;
    if (!::GetFileInformationByHandleEx(old, FileBasicInfo, &basic, sizeof basic)) {
      return LastError();
    }
    if (IsReadOnly(basic)) return kReadOnly;
    error = SetAside(old, folder, name, aside);
  }
  if (IsLinkUnsupported(error)) {
    // A file system that renames nothing through a handle: the old file is let go of just
    // before a link replaces it, and checked once more.
    original.Reset();
    reopened.Reset();
    if (!StateOfName(to, named) || named != held) return kChangedMeanwhile;
    return PutInPlace(file, target, to, true);
  }
  if (error != 0) return error;

  // The name is free, and the old file still held: the new file takes the name, never over a
  // file that another program made there in this instant.
  const Error linked = CallsForReplacement().link(file, to, false);
  if (linked == 0) {
    RemoveAside(reopened.is_open() ? reopened : original, aside, held);
    return 0;
  }
  // The old file back under its name, unless another program took it: its file stays there.
  if (CallsForReplacement().rename(old, to) != 0) {
    return Exists(to) ? kChangedMeanwhile : kOldKeptAside;
  }
  if (!IsLinkUnsupported(linked)) return linked;
  // A volume whose files cannot have two names: ReplaceFileW, on the file let go of.
  original.Reset();
  reopened.Reset();
  if (!StateOfName(to, named) || named != held) return kChangedMeanwhile;
  return InUseOr(to, PutInPlaceByCopy(file, target, to, true));
}

}  // namespace

Error LinkFile(HANDLE file, const std::wstring& fullPath, bool replace) {
  static const auto setInformation = FromNtdll<SetInformationFile>("NtSetInformationFile");
  static const auto toError = FromNtdll<StatusToError>("RtlNtStatusToDosError");
  static const auto toNtPath = FromNtdll<ToNtPath>("RtlDosPathNameToNtPathName_U");
  static const auto freeString = FromNtdll<FreeString>("RtlFreeUnicodeString");
  if (!setInformation || !toError || !toNtPath || !freeString) return ERROR_NOT_SUPPORTED;
  UNICODE_STRING ntPath{};
  if (!toNtPath(fullPath.c_str(), &ntPath, nullptr, nullptr)) return ERROR_INVALID_NAME;
  std::vector<std::byte> buffer(offsetof(LinkInformation, fileName) + ntPath.Length);
  auto* information = reinterpret_cast<LinkInformation*>(buffer.data());
  information->replaceIfExists = replace ? TRUE : FALSE;
  information->rootDirectory = nullptr;
  information->fileNameLength = ntPath.Length;
  std::memcpy(information->fileName, ntPath.Buffer, ntPath.Length);
  freeString(&ntPath);
  IO_STATUS_BLOCK status{};
  const LONG result = setInformation(file, &status, information, static_cast<ULONG>(buffer.size()),
                                     kFileLinkInformation);
  return result >= 0 ? 0 : static_cast<Error>(toError(result));
}

bool IsLinkUnsupported(Error error) {
  return error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED ||
         error == ERROR_INVALID_PARAMETER || error == ERROR_CALL_NOT_IMPLEMENTED;
}

Error RenameFile(HANDLE file, const std::wstring& fullPath) {
  const std::size_t bytes = fullPath.size() * sizeof(wchar_t);
  std::vector<std::byte> buffer(sizeof(FILE_RENAME_INFO) + bytes);
  auto* information = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  information->ReplaceIfExists = FALSE;
  information->RootDirectory = nullptr;
  information->FileNameLength = static_cast<DWORD>(bytes);
  std::memcpy(information->FileName, fullPath.c_str(), bytes);
  return ::SetFileInformationByHandle(file, FileRenameInfo, information,
                                      static_cast<DWORD>(buffer.size()))
             ? 0
             : LastError();
}

ReplacementCalls& CallsForReplacement() {
  static ReplacementCalls calls{LinkFile, ::ReplaceFileW, RenameFile};
  return calls;
}

std::string AsideName(const std::string& name) {
  return TemporaryName(name) + std::string(kAsideEnd);
}

bool IsAsideNameOf(const std::string& candidate, const std::string& name) {
  return candidate.ends_with(kAsideEnd) &&
         IsTemporaryNameOf(candidate.substr(0, candidate.size() - kAsideEnd.size()), name);
}

Replacement::~Replacement() {
  Abandon();
}

// A read-only file is refused whoever asks (and so, already, is a read-only model), and so is a
// stream of a file.
Obstacle Replacement::CheckReplaceable(const std::string& target, bool) {
  if (NamesStream(target)) return {kNamesStream, ErrorText(kNamesStream)};
  const DWORD attributes = ::GetFileAttributesW(Widen(target).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return {ERROR_ACCESS_DENIED, ErrorText(ERROR_ACCESS_DENIED)};
  }
  return {};
}

Error Replacement::Create(const std::string& target, const File* original) {
  if (NamesStream(target)) return kNamesStream;
  OwnerOnly ownerOnly;
  if (original != nullptr) {
    if (const Error error = ownerOnly.Make(); error != 0) return error;
  }
  std::wstring path;
  HANDLE handle = INVALID_HANDLE_VALUE;
  if (const Error error =
          CreateBeside(target, ownerOnly.attributes(), FILE_FLAG_DELETE_ON_CLOSE, path, handle);
      error != 0) {
    return error;
  }
  file_ = File::Own(reinterpret_cast<File::Handle>(handle));
  target_ = target;
  path_ = Narrow(path);
  removedOnClose_ = true;
  return 0;
}

// Windows gives the new file the old one's security and attributes at Commit, where it
// checks the old file once more.
Error Replacement::GiveAccess() {
  return 0;
}

// Windows has no sync of a whole volume that a user may call: each file is flushed at
// Commit, and its folder's new entry goes to disk with it.
void Replacement::SyncTogether(std::span<Replacement* const>) noexcept {}
void Replacement::SyncFolders(std::span<Replacement* const>) noexcept {}

Error Replacement::Commit(File& original, const FileStatus* expected, FolderSync) {
  changedMeanwhile_ = false;
  const auto fail = [this](Error error) {
    Abandon();
    if (error == kChangedMeanwhile) {
      changedMeanwhile_ = true;
      return static_cast<Error>(ERROR_FILE_EXISTS);
    }
    return error;
  };
  if (const Error error = Sync(); error != 0) return fail(error);
  const HANDLE file = AsHandle(file_.handle());
  // Full paths: the system's own names for files, and what Wine's calls need.
  const std::wstring to = Widen(FullPath(target_));
  Error error = 0;
  if (original.is_open()) {
    error = ReplaceHeld(original, expected, file, target_, to);
  } else {
    // A file made under the name meanwhile, where there was none, is another program's.
    error = expected != nullptr ? kChangedMeanwhile : PutInPlace(file, target_, to, false);
  }
  if (error != 0) return fail(error);
  path_.clear();
  file_.Reset();  // which removes the temporary name, and that name only (or the file copied)
  return 0;
}

// The new file was opened to be removed when closed, so closing it removes it; nothing is removed
// by its name, which may be another program's file by then.
void Replacement::Abandon() noexcept {
  file_.Reset();
  path_.clear();
}

}  // namespace tessary::platform
