#include "framework/file_dialog.h"

#include <algorithm>
#include <vector>

#include "framework/win32/windows_api.h"
#include "framework/wnd.h"

namespace afx {
namespace {

// "Description|patterns|...||" as the system's filter: the same with NUL characters.
std::wstring SystemFilter(const CString& filter) {
  std::wstring converted = Wide(filter);
  for (wchar_t& c : converted) {
    if (c == L'|') c = L'\0';
  }
  return converted + L'\0';
}

// The folder that `path` lies in, when it exists: where the dialog starts.
std::wstring ExistingFolderOf(const CString& path) {
  std::wstring folder = Wide(path);
  const std::size_t separator = folder.find_last_of(L"\\/");
  if (separator == std::wstring::npos) return {};
  folder.resize(separator);
  const DWORD attributes = ::GetFileAttributesW(folder.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
             ? folder
             : std::wstring();
}

}  // namespace

INT_PTR CFileDialog::DoModal() {
  const std::wstring filter = SystemFilter(filter_);
  const std::wstring extension = Wide(defaultExtension_);
  std::wstring initialFolder = ExistingFolderOf(fileName_);
  if (initialFolder.empty() && m_ofn.lpstrInitialDir != nullptr) {
    initialFolder = Wide(m_ofn.lpstrInitialDir);
  }
  // The file name's last part is typed in; the buffer takes a long path.
  std::wstring name = Wide(fileName_);
  name = name.substr(name.find_last_of(L"\\/") + 1);
  std::vector<wchar_t> file(32768, L'\0');
  name.copy(file.data(), std::min(name.size(), file.size() - 1));

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = parent_ != nullptr ? Native(parent_->GetSafeHwnd()) : nullptr;
  dialog.lpstrFilter = filter_.empty() ? nullptr : filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrInitialDir = initialFolder.empty() ? nullptr : initialFolder.c_str();
  dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  dialog.Flags = static_cast<DWORD>(flags_) | OFN_EXPLORER | OFN_NOCHANGEDIR;
  const BOOL chosen = open_ ? ::GetOpenFileNameW(&dialog) : ::GetSaveFileNameW(&dialog);
  if (!chosen) return IDCANCEL;
  pathName_ = Narrow(file.data());
  return IDOK;
}

}  // namespace afx
