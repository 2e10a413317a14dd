// Files beside an output whose names are those of new files of this program's, or of old files
// set aside as the new ones take their names. A new file on Windows is removed by the system
// when its last handle closes, so no run ever leaves one behind: whatever is found is someone
// else's, or an old file that a run ending abruptly at that instant left aside, and it is only
// reported, never removed.
#include <windows.h>

#include <algorithm>

#include "platform/replacement.h"
#include "platform/temporary_name.h"
#include "platform/windows/replacement_calls.h"
#include "platform/windows/text.h"

namespace tessary::platform {
namespace {

// Opens the file `path` to look at it, or nothing when a program has it open (a run under way
// holds its new file with no sharing) or it is gone. Windows weighs share modes only for an open
// that asks to read, write or remove the data, so it asks, sharing nothing, to read the data or
// else to remove the file (it does neither): either fails while any other handle may do one of
// them. A file that this user may do neither with is opened for its attributes alone: whether a
// program holds it cannot be told then, and it is reported, never touched.
File OpenUnlessHeld(const std::wstring& path) {
  const auto open = [&path](DWORD access, DWORD share) {
    return ::CreateFileW(path.c_str(), access | FILE_READ_ATTRIBUTES, share, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  };
  HANDLE handle = INVALID_HANDLE_VALUE;
  for (const DWORD access : {DWORD{FILE_READ_DATA}, DWORD{DELETE}}) {
    handle = open(access, 0);
    if (handle != INVALID_HANDLE_VALUE) break;
    if (::GetLastError() != ERROR_ACCESS_DENIED) return {};
  }
  if (handle == INVALID_HANDLE_VALUE) {
    handle = open(0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  }
  if (handle == INVALID_HANDLE_VALUE) return {};
  return File::Own(reinterpret_cast<File::Handle>(handle));
}

}  // namespace

std::vector<Leftover> Replacement::CleanLeftovers(const std::string& target,
                                                  std::span<const RunFiles* const> keep) noexcept {
  std::vector<Leftover> found;
  try {
    const std::string folder = ParentOf(target);
    const std::string name = NameOf(target);
    FileStatus folderStatus;
    if (StatusOf(FolderOf(target), folderStatus) != 0) return found;
    WIN32_FIND_DATAW entry{};
    const HANDLE search = ::FindFirstFileW(Widen(JoinPath(folder, ".*")).c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return found;
    std::vector<std::string> candidates;
    do {
      const std::string candidate = Narrow(entry.cFileName);
      constexpr DWORD kNotAFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
      if ((entry.dwFileAttributes & kNotAFile) == 0 &&
          (IsTemporaryNameOf(candidate, name) || IsAsideNameOf(candidate, name))) {
        candidates.push_back(candidate);
      }
    } while (::FindNextFileW(search, &entry));
    ::FindClose(search);
    for (const std::string& candidate : candidates) {
      const std::string path = JoinPath(folder, candidate);
      const File file = OpenUnlessHeld(Widen(path));
      if (!file.is_open()) continue;  // held by a program, such as a run under way
      const FileStatus status = file.Status();
      if (!status.identified || status.kind != FileKind::Regular) continue;
      if (std::any_of(keep.begin(), keep.end(), [&](const RunFiles* files) {
            return files != nullptr && files->Holds(status.id, folderStatus.id, candidate);
          })) {
        continue;
      }
      found.push_back({path, false});
    }
  } catch (...) {  // no memory: what was found so far
  }
  return found;
}

}  // namespace tessary::platform
