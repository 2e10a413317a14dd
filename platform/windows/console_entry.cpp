// The entry point of a console program on Windows: the arguments as UTF-16, so that any file
// name reaches the program, whatever the code page, with wildcards expanded.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/entry.h"
#include "platform/process.h"
#include "platform/windows/text.h"

namespace {

// The files that `pattern` (with * or ? in its last part) matches, each spelt with the
// pattern's folder as it was typed, sorted; folders are left out. Empty when none match.
std::vector<std::wstring> FilesMatching(const std::wstring& pattern) {
  const std::size_t slash = pattern.find_last_of(L"\\/:");
  const std::wstring folder = slash == std::wstring::npos ? L"" : pattern.substr(0, slash + 1);
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                           FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.push_back(found.cFileName);
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_LESS_THAN;
  });
  for (std::wstring& name : names)
    name.insert(0, folder);
  return names;
}

}  // namespace

// Neither cmd nor PowerShell expands wildcards, so the program does, as a POSIX shell would:
// an argument with * or ? in its last part (not an option) becomes the files it matches, or
// stays as it is when it matches none, for the run to say that no such file exists.
int wmain(int argc, wchar_t** argv) {
  tessary::platform::StartConsoleProgram();
  std::vector<std::string> arguments;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::wstring argument = argv[i];
    optionsEnded = optionsEnded || argument == L"--";
    const std::size_t last = argument.find_last_of(L"\\/:");
    const bool wildcard =
        argument.find_first_of(L"*?", last == std::wstring::npos ? 0 : last) != std::wstring::npos;
    const bool option = !optionsEnded && argument.size() > 1 && argument[0] == L'-';
    const std::vector<std::wstring> files =
        wildcard && !option ? FilesMatching(argument) : std::vector<std::wstring>{};
    if (files.empty()) {
      arguments.push_back(tessary::platform::Narrow(argument));
    } else {
      for (const std::wstring& file : files)
        arguments.push_back(tessary::platform::Narrow(file));
    }
  }
  return tessary::platform::ConsoleMain(arguments);
}
