// The program's entry point, which the framework provides, as on the original platform: the
// application only defines its application object.
#include "framework/app.h"
#include "platform/process.h"

int main(int argc, char** argv) {
  tessary::platform::StartDesktopProgram();
  return afx::AfxWinMain(argc, argv);
}
