#include "platform/file.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "platform/windows/own_errors.h"
#include "platform/windows/text.h"

namespace tessary::platform {
namespace {

namespace fs = std::filesystem;

HANDLE AsHandle(File::Handle handle) {
  return reinterpret_cast<HANDLE>(handle);
}

File::Handle FromHandle(HANDLE handle) {
  return reinterpret_cast<File::Handle>(handle);
}

fs::path PathOf(const std::string& path) {
  return fs::path(Widen(path));
}

std::string Utf8(const fs::path& path) {
  return Narrow(path.native());
}

// A file on a disk whose volume the system does not tell, as Wine's standard handles made from
// a shell's redirections: its index, size and kind still come, and its identity matches that
// index on any volume.
FileStatus StatusWithoutVolume(HANDLE handle) {
  FileStatus status;
  FILE_ID_INFO id{};
  FILE_STANDARD_INFO standard{};
  if (!::GetFileInformationByHandleEx(handle, FileIdInfo, &id, sizeof id) ||
      !::GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard)) {
    return status;
  }
  status.kind = standard.Directory ? FileKind::Folder : FileKind::Regular;
  status.size = standard.Directory ? 0 : static_cast<std::uint64_t>(standard.EndOfFile.QuadPart);
  std::uint64_t index = 0;  // the low half of the 128-bit id: the file index where it has one
  std::memcpy(&index, id.FileId.Identifier, sizeof index);
  // The 32-bit serial number, as GetFileInformationByHandle gives it for every other file.
  const DWORD volume = static_cast<DWORD>(id.VolumeSerialNumber);
  status.id = {volume, index, volume != 0};
  status.identified = true;
  return status;
}

// What an open handle is, with its size and identity where it has them.
FileStatus StatusOfHandle(HANDLE handle) {
  FileStatus status;
  switch (::GetFileType(handle)) {
    case FILE_TYPE_DISK: {
      BY_HANDLE_FILE_INFORMATION information{};
      if (!::GetFileInformationByHandle(handle, &information)) return StatusWithoutVolume(handle);
      const bool folder = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      status.kind = folder ? FileKind::Folder : FileKind::Regular;
      status.size =
          folder ? 0 : (std::uint64_t{information.nFileSizeHigh} << 32) | information.nFileSizeLow;
      status.id = {information.dwVolumeSerialNumber,
                   (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
      status.identified = true;
      status.modified = static_cast<std::int64_t>(
          (std::uint64_t{information.ftLastWriteTime.dwHighDateTime} << 32) |
          information.ftLastWriteTime.dwLowDateTime);
      return status;
    }
    case FILE_TYPE_CHAR: {
      DWORD mode = 0;
      status.kind = ::GetConsoleMode(handle, &mode) ? FileKind::Terminal : FileKind::Device;
      return status;
    }
    case FILE_TYPE_PIPE:
      status.kind = FileKind::Pipe;  // anonymous or named: no identity to compare
      return status;
    default:
      return status;
  }
}

// Whether `path` names a pipe in the system's pipe name space, \\.\pipe\NAME.
bool IsPipeName(const std::string& path) {
  std::string prefix = path.substr(0, 9);
  for (char& c : prefix)
    c = c == '/' ? '\\' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return prefix == "\\\\.\\pipe\\" || prefix == "\\\\?\\pipe\\";
}

}  // namespace

Error StatusOf(const std::string& path, FileStatus& status);

namespace {

// Opens the existing file `path` alone: no other program may have it open, nor open it until
// it is closed. Only a file on a disk is kept to itself: a device such as NUL, or a named
// pipe, is shared by every program that uses it.
Error OpenAlone(const std::string& path, DWORD access, File& file) {
  if (path.empty()) return ERROR_FILE_NOT_FOUND;
  // Writing to a stream would change the file it belongs to in place, and a new stream could
  // not replace it whole: refused before anything is opened.
  if ((access & GENERIC_WRITE) != 0 && NamesStream(path)) return kNamesStream;
  FileStatus status;
  if (const Error error = StatusOf(path, status); error != 0) return error;
  if (status.kind == FileKind::Folder) return ErrorOf(ErrorKind::IsFolder);
  // A read-only file may not be written, whoever asks (Wine run by root would let it be).
  if ((access & GENERIC_WRITE) != 0 && status.kind == FileKind::Regular) {
    const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
      return ERROR_ACCESS_DENIED;
    }
  }
  const bool regular = status.kind == FileKind::Regular;
  const DWORD share = regular ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE;
  // With its attributes and security descriptor readable, which a file put in its place copies.
  const DWORD wanted = access | FILE_READ_ATTRIBUTES | READ_CONTROL;
  const std::wstring wide = Widen(path);
  // A regular file is held with the right to rename and remove it as well, so that replacing it
  // sets it aside and removes it through this handle, without letting go of it in between
  // (Replacement::Commit); where the system refuses that right, without it.
  HANDLE handle = INVALID_HANDLE_VALUE;
  if (regular) {
    handle = ::CreateFileW(wide.c_str(), wanted | DELETE, share, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD error = handle == INVALID_HANDLE_VALUE ? ::GetLastError() : ERROR_SUCCESS;
    if (error != ERROR_SUCCESS && error != ERROR_ACCESS_DENIED && error != ERROR_WRITE_PROTECT) {
      return static_cast<Error>(error);
    }
  }
  if (handle == INVALID_HANDLE_VALUE) {
    handle = ::CreateFileW(wide.c_str(), wanted, share, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  if (handle == INVALID_HANDLE_VALUE) return static_cast<Error>(::GetLastError());
  file = File::Own(FromHandle(handle));
  return 0;
}

}  // namespace

Error StatusOf(const std::string& path, FileStatus& status) {
  // Opening a named pipe, even for its attributes, takes one of its server's instances, which
  // the real open would then lack: it is known by its name instead, and its open tells
  // whether it exists.
  if (IsPipeName(path)) {
    status = FileStatus{};
    status.kind = FileKind::Pipe;
    return 0;
  }
  // Asking for no access but the attributes: other programs' share modes do not stand in the
  // way, so that a file held open alone can still be told apart from another.
  const HANDLE handle = ::CreateFileW(Widen(path).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return static_cast<Error>(::GetLastError());
  status = StatusOfHandle(handle);
  ::CloseHandle(handle);
  return 0;
}

bool NamesStream(const std::string& path) {
  std::string_view rest = path;
  if (rest.size() >= 4 && (rest.substr(0, 4) == "\\\\?\\" || rest.substr(0, 4) == "\\\\.\\")) {
    rest.remove_prefix(4);
  }
  const std::size_t separator = rest.find_last_of("/\\");
  std::string_view last = separator == std::string_view::npos ? rest : rest.substr(separator + 1);
  if (separator == std::string_view::npos && last.size() >= 2 && last[1] == ':' &&
      std::isalpha(static_cast<unsigned char>(last[0]))) {
    last.remove_prefix(2);  // "C:name", a drive's current folder
  }
  const std::size_t colon = last.find(':');
  if (colon == std::string_view::npos) return false;
  // "NUL:" or "COM1:", a device's old spelling, names no stream.
  if (colon + 1 == last.size()) {
    std::string device(last.substr(0, colon));
    for (char& c : device)
      c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (device == "NUL" || device == "CON" || device == "PRN" || device == "AUX" ||
        (device.size() == 4 && (device.starts_with("COM") || device.starts_with("LPT")) &&
         device[3] >= '1' && device[3] <= '9')) {
      return false;
    }
  }
  return true;
}

std::string FullPath(const std::string& path) {
  const std::wstring wide = Widen(path);
  const DWORD length = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (length == 0) return path;
  std::wstring full(length, L'\0');
  const DWORD written = ::GetFullPathNameW(wide.c_str(), length, full.data(), nullptr);
  if (written == 0 || written >= length) return path;
  full.resize(written);
  return Narrow(full);
}

// A symbolic link is followed to the file it names, so that the link stays and the file is
// replaced, as on POSIX. A dangling link is replaced itself.
std::string FollowLinks(const std::string& path) {
  if (IsPipeName(path)) return path;  // asking a pipe for its attributes would take an instance
  const std::wstring wide = Widen(path);
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return path;
  }
  const HANDLE handle = ::CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return path;
  wchar_t target[32768];
  const DWORD length = ::GetFinalPathNameByHandleW(handle, target, 32768, FILE_NAME_NORMALIZED);
  ::CloseHandle(handle);
  if (length == 0 || length >= 32768) return path;
  std::wstring followed(target, length);
  if (followed.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    followed = L"\\\\" + followed.substr(8);
  } else if (followed.rfind(L"\\\\?\\", 0) == 0) {
    followed = followed.substr(4);
  }
  return Narrow(followed);
}

std::string ParentOf(const std::string& path) {
  return Utf8(PathOf(path).parent_path());
}

std::string NameOf(const std::string& path) {
  return Utf8(PathOf(path).filename());
}

// With the separator that the folder's name already uses, so that a path typed with slashes
// goes on with slashes.
std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  const char last = folder.back();
  if (last == '/' || last == '\\' || last == ':') return folder + name;
  const std::size_t separator = folder.find_last_of("/\\");
  return folder + (separator == std::string::npos ? '\\' : folder[separator]) + name;
}

// NTFS compares names as if in upper case, by its own table; the system's invariant upper
// case is the same for the names people use.
std::string ComparableName(const std::string& name) {
  std::wstring wide = Widen(name);
  const std::size_t end = wide.find_last_not_of(L". ");
  if (end != std::wstring::npos) wide.resize(end + 1);
  if (!wide.empty()) {
    ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.data(),
                    static_cast<int>(wide.size()), wide.data(), static_cast<int>(wide.size()),
                    nullptr, nullptr, 0);
  }
  return Narrow(wide);
}

char CharacterNotInNames(const std::string& text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 32 || std::strchr("\\/:*?\"<>|", c) != nullptr) return c;
  }
  return '\0';
}

File File::Borrow(Standard which) noexcept {
  return Borrow(
      FromHandle(::GetStdHandle(which == Standard::Input ? STD_INPUT_HANDLE : STD_OUTPUT_HANDLE)));
}

File File::Borrow(std::intptr_t handle) noexcept {
  File file;
  file.handle_ = handle;
  return file;
}

Error File::OpenToRead(const std::string& path, File& file) {
  return OpenAlone(path, GENERIC_READ, file);
}

Error File::OpenToWrite(const std::string& path, File& file) {
  return OpenAlone(path, GENERIC_WRITE, file);
}

FileStatus File::Status() const {
  return StatusOfHandle(AsHandle(handle_));
}

// Opened alone already: the share mode keeps every other program out.
Error File::Lock() {
  return 0;
}

Error File::Read(char* into, std::size_t size, std::size_t& count) {
  count = 0;
  DWORD read = 0;
  const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
  if (!::ReadFile(AsHandle(handle_), into, wanted, &read, nullptr)) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) return 0;  // the end
    return static_cast<Error>(error);
  }
  count = read;
  return 0;
}

Error File::Write(const char* data, std::size_t size, std::size_t& count) {
  count = 0;
  DWORD written = 0;
  const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
  if (!::WriteFile(AsHandle(handle_), data, wanted, &written, nullptr)) {
    return static_cast<Error>(::GetLastError());
  }
  count = written;
  return 0;
}

// A pipe is asked whether it holds data, a console waited for; anything else never waits.
bool File::WaitToRead(int milliseconds) {
  const HANDLE handle = AsHandle(handle_);
  switch (::GetFileType(handle)) {
    case FILE_TYPE_PIPE: {
      const ULONGLONG start = ::GetTickCount64();
      for (;;) {
        DWORD available = 0;
        if (!::PeekNamedPipe(handle, nullptr, 0, nullptr, &available, nullptr) || available > 0) {
          return true;  // data, the end, or an error for the read to report
        }
        if (milliseconds >= 0 &&
            ::GetTickCount64() - start >= static_cast<ULONGLONG>(milliseconds)) {
          return false;
        }
        ::Sleep(5);
      }
    }
    case FILE_TYPE_CHAR: {
      DWORD mode = 0;
      if (!::GetConsoleMode(handle, &mode)) return true;
      const DWORD wait = milliseconds < 0 ? INFINITE : static_cast<DWORD>(milliseconds);
      return ::WaitForSingleObject(handle, wait) != WAIT_TIMEOUT;
    }
    default:
      return true;
  }
}

// Windows cannot tell whether a write to a pipe would wait: it is simply made.
bool File::WaitToWrite(int) {
  return true;
}

Error File::Position(std::uint64_t& offset) {
  LARGE_INTEGER at{};
  if (!::SetFilePointerEx(AsHandle(handle_), LARGE_INTEGER{}, &at, FILE_CURRENT)) {
    return static_cast<Error>(::GetLastError());
  }
  offset = static_cast<std::uint64_t>(at.QuadPart);
  return 0;
}

Error File::Seek(std::uint64_t offset) {
  LARGE_INTEGER to{};
  to.QuadPart = static_cast<LONGLONG>(offset);
  if (::GetFileType(AsHandle(handle_)) != FILE_TYPE_DISK) return ERROR_SEEK_ON_DEVICE;
  return ::SetFilePointerEx(AsHandle(handle_), to, nullptr, FILE_BEGIN)
             ? 0
             : static_cast<Error>(::GetLastError());
}

Error File::Truncate(std::uint64_t size) {
  FILE_END_OF_FILE_INFO end{};
  end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
  return ::SetFileInformationByHandle(AsHandle(handle_), FileEndOfFileInfo, &end, sizeof end)
             ? 0
             : static_cast<Error>(::GetLastError());
}

Error File::Sync() {
  return ::FlushFileBuffers(AsHandle(handle_)) ? 0 : static_cast<Error>(::GetLastError());
}

Error File::SyncDataSoon(bool) noexcept {
  return ::FlushFileBuffers(AsHandle(handle_)) ? 0 : static_cast<Error>(::GetLastError());
}

Error File::Close() noexcept {
  const HANDLE handle = AsHandle(std::exchange(handle_, kNone));
  if (std::exchange(owned_, false) && !::CloseHandle(handle)) {
    return static_cast<Error>(::GetLastError());
  }
  return 0;
}

void File::Reset() noexcept {
  const HANDLE handle = AsHandle(std::exchange(handle_, kNone));
  if (std::exchange(owned_, false)) ::CloseHandle(handle);
}

}  // namespace tessary::platform
