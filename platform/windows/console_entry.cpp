// The entry point of a console program on Windows: the arguments as UTF-16, so that any file
// name reaches the program, whatever the code page, with wildcards expanded.
#include <windows.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "platform/entry.h"
#include "platform/process.h"
#include "platform/windows/text.h"

namespace {

bool SameLetter(wchar_t a, wchar_t b) {
  return ::CompareStringOrdinal(&a, 1, &b, 1, TRUE) == CSTR_EQUAL;
}

// Whether `name` matches `pattern`, in which * stands for any run of characters and ? for one,
// letters compared in one case, as names are on Windows.
bool Matches(std::wstring_view name, std::wstring_view pattern) {
  std::size_t n = 0;
  std::size_t p = 0;
  std::size_t star = std::wstring_view::npos;  // the last * seen, to try again one further
  std::size_t resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == L'?' || SameLetter(pattern[p], name[n]))) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == L'*') {
      star = p++;
      resume = n;
    } else if (star != std::wstring_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*')
    ++p;
  return p == pattern.size();
}

// The files that `pattern` matches, each spelt with the pattern's folder as it was typed,
// sorted; folders are left out. Empty when none match, or when the pattern's last part has
// no * or ? (wildcards in its folders are taken as they are). The
// system's search also matches short 8.3 names ("*.mdl" finds "a.mdl_old" by "A~1.MDL"), so
// each name it finds is matched again here.
std::vector<std::wstring> FilesMatching(const std::wstring& pattern) {
  const std::size_t slash = pattern.find_last_of(L"\\/:");
  const std::wstring folder = slash == std::wstring::npos ? L"" : pattern.substr(0, slash + 1);
  const std::wstring_view last = std::wstring_view(pattern).substr(folder.size());
  std::vector<std::wstring> names;
  if (last.find_first_of(L"*?") == std::wstring_view::npos) return names;
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                           FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
        Matches(found.cFileName, last)) {
      names.push_back(found.cFileName);
    }
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
    const bool option = !optionsEnded && argument.size() > 1 && argument[0] == L'-';
    const std::vector<std::wstring> files =
        option ? std::vector<std::wstring>{} : FilesMatching(argument);
    if (files.empty()) {
      arguments.push_back(tessary::platform::Narrow(argument));
    } else {
      for (const std::wstring& file : files)
        arguments.push_back(tessary::platform::Narrow(file));
    }
  }
  return tessary::platform::ConsoleMain(arguments);
}
