// The entry point of a console program on Windows: the arguments as UTF-16, so that any file
// name reaches the program, whatever the code page.
#include <string>
#include <vector>

#include "platform/entry.h"
#include "platform/process.h"
#include "platform/windows/text.h"

int wmain(int argc, wchar_t** argv) {
  tessary::platform::StartConsoleProgram();
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i)
    arguments.push_back(tessary::platform::Narrow(argv[i]));
  return tessary::platform::ConsoleMain(arguments);
}
