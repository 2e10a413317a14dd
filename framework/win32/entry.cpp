// The program's entry point, which the framework provides, as on the original platform: the
// application only defines its application object. The arguments come in UTF-16, so that any
// file name (Explorer's "Open with") reaches the program.
#include <string>
#include <vector>

#include "framework/app.h"
#include "framework/win32/windows_api.h"
#include "platform/process.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  tessary::platform::StartDesktopProgram();
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i)
    arguments.push_back(afx::Narrow(wide[i]));
  ::LocalFree(wide);
  std::vector<char*> argv;
  for (std::string& argument : arguments)
    argv.push_back(argument.data());
  argv.push_back(nullptr);
  return afx::AfxWinMain(count, argv.data());
}
