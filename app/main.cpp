// tessary: the desktop application.
#include <csignal>

#include "app/tessary_app.h"
#include "model/standard_descriptors.h"
#include "model/temporary_files.h"

// The one application object.
CTessaryApp theApp;

int main(int argc, char** argv) {
  // Warnings written to a closed standard error must not end up in a model being written.
  tessary::KeepStandardDescriptorsOpen();
  // Ended by a signal or by exit() (a lost display connection) during a pass, the program
  // still removes the temporary output; the old output is left as it was in any case.
  tessary::RemoveTemporaryFilesOnSignals();
  // A file over the size limit is reported as a full disk, and an output FIFO whose reader
  // went away as a failed write, rather than ending the program with the window.
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
  return afx::AfxWinMain(argc, argv);
}
