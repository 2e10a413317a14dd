// The entry point of a console program: the platform's own main (wmain on Windows, for
// arguments in any script) calls StartConsoleProgram and then this, with the arguments after
// the program's name in UTF-8. The program defines it.
#pragma once

#include <string>
#include <vector>

namespace tessary::platform {

int ConsoleMain(const std::vector<std::string>& arguments);

}  // namespace tessary::platform
