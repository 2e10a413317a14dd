// New files that an earlier run left beside an output, removed when no program holds them.
#include <windows.h>

#include "platform/replacement.h"
#include "platform/temporary_name.h"
#include "platform/windows/text.h"

namespace tessary::platform {

std::vector<std::string> Replacement::RemoveStaleFiles(const std::string& target) noexcept {
  std::vector<std::string> removed;
  try {
    const std::string folder = ParentOf(target);
    const std::string name = NameOf(target);
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW(Widen(JoinPath(folder, ".*")).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return removed;
    std::vector<std::string> stale;
    do {
      const std::string candidate = Narrow(found.cFileName);
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
          IsTemporaryNameOf(candidate, name)) {
        stale.push_back(JoinPath(folder, candidate));
      }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    for (const std::string& path : stale) {
      // A running program holds its new file open, so sharing nothing fails while it does.
      const HANDLE handle =
          ::CreateFileW(Widen(path).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
      if (handle == INVALID_HANDLE_VALUE) continue;
      FILE_DISPOSITION_INFO disposition{};
      disposition.DeleteFile = TRUE;
      const bool marked = ::SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                                       sizeof disposition) != 0;
      ::CloseHandle(handle);
      if (marked) removed.push_back(path);
    }
  } catch (...) {  // no memory: what was found so far
  }
  return removed;
}

}  // namespace tessary::platform
