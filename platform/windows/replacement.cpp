#include "platform/replacement.h"

#include <windows.h>

#include <utility>

#include "platform/temporary_name.h"
#include "platform/windows/text.h"

namespace tessary::platform {
namespace {

HANDLE AsHandle(File::Handle handle) {
  return reinterpret_cast<HANDLE>(handle);
}

// Whether the system removes the file when its last handle closes: until it is put in place,
// the new file goes with the program however the program ends (even killed), so no stray
// file is ever left.
bool MarkForRemoval(const File& file, bool remove) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = remove ? TRUE : FALSE;
  return ::SetFileInformationByHandle(AsHandle(file.handle()), FileDispositionInfo, &disposition,
                                      sizeof disposition) != 0;
}

}  // namespace

Replacement::~Replacement() {
  Abandon();
}

Obstacle Replacement::CheckReplaceable(const std::string& target, bool) {
  const DWORD attributes = ::GetFileAttributesW(Widen(target).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return {ERROR_ACCESS_DENIED, ErrorText(ERROR_ACCESS_DENIED)};
  }
  return {};
}

Error Replacement::Create(const std::string& target, const File*) {
  const std::string folder = ParentOf(target);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string path = JoinPath(folder, TemporaryName(NameOf(target)));
    const HANDLE handle = ::CreateFileW(Widen(path).c_str(), GENERIC_WRITE | DELETE, 0, nullptr,
                                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      const DWORD error = ::GetLastError();
      if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
      return static_cast<Error>(error);
    }
    file_ = File::Own(reinterpret_cast<File::Handle>(handle));
    target_ = target;
    path_ = std::move(path);
    removedOnClose_ = MarkForRemoval(file_, true);  // where it cannot be, Abandon removes it
    return 0;
  }
  return ERROR_FILE_EXISTS;
}

// ReplaceFileW keeps the replaced file's attributes, security descriptor, creation time and
// short name; a file that did not exist is moved into place, written through to the disk.
Error Replacement::Commit(File& original, const FileStatus* expected) {
  changedMeanwhile_ = false;
  if (const Error error = Sync(); error != 0) return error;
  if (removedOnClose_ && !MarkForRemoval(file_, false)) {
    const Error error = static_cast<Error>(::GetLastError());
    Abandon();
    return error;
  }
  removedOnClose_ = false;
  if (const Error error = file_.Close(); error != 0) {
    Abandon();
    return error;
  }
  original.Reset();  // the replace needs the file free
  // Full paths: Wine's ReplaceFileW, for one, fails on names relative to the current folder.
  const std::wstring from = Widen(FullPath(path_));
  const std::wstring to = Widen(FullPath(target_));
  const bool exists = ::GetFileAttributesW(to.c_str()) != INVALID_FILE_ATTRIBUTES;
  // The file in place must still be the one opened, unchanged: no other program's save or
  // new file is ever replaced. (While it was held with no sharing, nothing could change it.)
  FileStatus now;
  if (exists != (expected != nullptr) ||
      (expected != nullptr && (StatusOf(target_, now) != 0 || !expected->Unchanged(now)))) {
    changedMeanwhile_ = true;
    Abandon();
    return ERROR_FILE_EXISTS;
  }
  const BOOL done = exists ? ::ReplaceFileW(to.c_str(), from.c_str(), nullptr, 0, nullptr, nullptr)
                           : ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH);
  if (!done) {
    const Error error = static_cast<Error>(::GetLastError());
    Abandon();
    return error;
  }
  path_.clear();
  return 0;
}

void Replacement::Abandon() noexcept {
  file_.Reset();
  try {
    if (!path_.empty()) ::DeleteFileW(Widen(path_).c_str());
  } catch (...) {  // no memory for the name: the file went with its handle, if it could
  }
  path_.clear();
}

}  // namespace tessary::platform
