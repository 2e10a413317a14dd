#include <windows.h>

#include <random>
#include <stdexcept>

#include "tests/support/scratch_file.h"

namespace tessary::testing {
namespace {

HANDLE AsHandle(platform::File::Handle handle) {
  return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

ScratchFile::ScratchFile(std::string_view contents) {
  wchar_t folder[MAX_PATH + 1];
  ::GetTempPathW(MAX_PATH + 1, folder);
  thread_local std::mt19937 random{std::random_device{}()};
  HANDLE handle = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
    const std::wstring path =
        std::wstring(folder) + L"tessary-scratch-" + std::to_wstring(random()) + L".tmp";
    handle =
        ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  }
  if (handle == INVALID_HANDLE_VALUE) throw std::runtime_error("no scratch file");
  handle_ = reinterpret_cast<platform::File::Handle>(handle);
  DWORD written = 0;
  if (!contents.empty() && (!::WriteFile(handle, contents.data(),
                                         static_cast<DWORD>(contents.size()), &written, nullptr) ||
                            written != contents.size())) {
    throw std::runtime_error("write failed");
  }
  ::SetFilePointerEx(handle, LARGE_INTEGER{}, nullptr, FILE_BEGIN);
}

ScratchFile::~ScratchFile() {
  ::CloseHandle(AsHandle(handle_));
}

std::string ScratchFile::Contents() const {
  LARGE_INTEGER size{};
  ::GetFileSizeEx(AsHandle(handle_), &size);
  std::string contents(static_cast<std::size_t>(size.QuadPart), '\0');
  OVERLAPPED at{};
  DWORD read = 0;
  if (!contents.empty() && (!::ReadFile(AsHandle(handle_), contents.data(),
                                        static_cast<DWORD>(contents.size()), &read, &at) ||
                            read != contents.size())) {
    throw std::runtime_error("read failed");
  }
  return contents;
}

}  // namespace tessary::testing
