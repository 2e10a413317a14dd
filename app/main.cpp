// tessary: the desktop application.
#include <csignal>

#include "app/tessary_app.h"
#include "model/standard_descriptors.h"

// The one application object.
CTessaryApp theApp;

int main(int argc, char** argv) {
  // Warnings written to a closed standard error must not end up in a model being written.
  tessary::KeepStandardDescriptorsOpen();
  // A file over the size limit is reported as a full disk, and an output FIFO whose reader
  // went away as a failed write, rather than ending the program with the window.
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
  return afx::AfxWinMain(argc, argv);
}
