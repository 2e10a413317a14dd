#include "framework/app.h"

#include <string>
#include <vector>

#include "framework/icon.h"
#include "framework/resources.h"
#include "framework/win32/windows_api.h"
#include "platform/error.h"
#include "platform/process.h"

namespace afx {
namespace {

// Says `text` where the user can read it. A GUI program has no console of its own: the text
// goes to standard output or error when it was redirected to a file or a pipe, to the console
// of the program that started this one (cmd, PowerShell) when there is one, and otherwise into
// a message box. Returns `status`, or 1 when the text could not be written.
int Answer(const std::string& text, tessary::platform::Stream stream, UINT icon, int status) {
  const bool toOutput = stream == tessary::platform::Stream::Output;
  const HANDLE handle = ::GetStdHandle(toOutput ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  const DWORD type = handle != nullptr && handle != INVALID_HANDLE_VALUE ? ::GetFileType(handle)
                                                                         : FILE_TYPE_UNKNOWN;
  if (type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE) {
    return tessary::platform::WriteText(stream, text) == 0 ? status : 1;
  }
  if (::AttachConsole(ATTACH_PARENT_PROCESS)) {
    const HANDLE console = ::CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, 0, nullptr);
    if (console != INVALID_HANDLE_VALUE) {
      // The shell has already written its next prompt: start on a line of our own.
      const std::wstring wide = Wide("\n" + text);
      DWORD written = 0;
      ::WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
      ::CloseHandle(console);
      return status;
    }
  }
  ::MessageBoxW(nullptr, Wide(text).c_str(), Wide(AfxGetAppName()).c_str(), MB_OK | icon);
  return status;
}

}  // namespace

LPCTSTR AfxGetAppName() {
  static const std::string name = [] {
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring fileName(path, length);
    fileName = fileName.substr(fileName.find_last_of(L"\\/") + 1);
    const auto dot = fileName.rfind(L'.');
    if (dot != std::wstring::npos && dot > 0) fileName.erase(dot);
    return Narrow(fileName);
  }();
  return name.c_str();
}

void AfxEnableControlContainer() {}

// Windows groups a program's windows on the task bar by the program itself: nothing to set.
void AfxSetUpApplication() {}

int AfxWinMain(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  const CommandLine line = ParseArguments(arguments);
  switch (line.action) {
    case CommandLine::Action::Help:
      return Answer(CommandLineHelp(), tessary::platform::Stream::Output, MB_ICONINFORMATION, 0);
    case CommandLine::Action::Version:
      return Answer(VersionLine(), tessary::platform::Stream::Output, MB_ICONINFORMATION, 0);
    case CommandLine::Action::Error:
      return Answer(std::string(AfxGetAppName()) + ": " + line.error + " (see '" + AfxGetAppName() +
                        " --help')\n",
                    tessary::platform::Stream::Error, MB_ICONSTOP, 2);
    case CommandLine::Action::Run:
      break;
  }
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                      ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);
  ::OleInitialize(nullptr);  // for the accessible names of the controls
  AfxSetUpApplication();
  CWinApp* app = AfxGetApp();
  if (app == nullptr) return 0;
  app->m_arguments = std::move(arguments);
  if (!app->InitInstance()) return 0;
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace afx
