// The entry point of a console program on POSIX.
#include <string>
#include <vector>

#include "platform/entry.h"
#include "platform/process.h"

int main(int argc, char** argv) {
  tessary::platform::StartConsoleProgram();
  return tessary::platform::ConsoleMain(std::vector<std::string>(argv + 1, argv + argc));
}
