// tessary: the desktop application.
#include "app/tessary_app.h"

// The one application object.
CTessaryApp theApp;

int main(int argc, char** argv) {
  return afx::AfxWinMain(argc, argv);
}
