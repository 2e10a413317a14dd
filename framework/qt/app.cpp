#include "framework/app.h"

#include <errno.h>

#include <QApplication>
#include <string>
#include <vector>

#include "framework/icon.h"
#include "framework/qt/local_text.h"
#include "framework/resources.h"
#include "platform/error.h"
#include "platform/process.h"

namespace afx {
namespace {

// Prints the help or the version on standard output; 0, or 1 when it could not be written.
int PrintAnswer(const std::string& text) {
  const tessary::platform::Error error =
      tessary::platform::WriteText(tessary::platform::Stream::Output, text);
  if (error == 0) return 0;
  tessary::platform::WriteText(tessary::platform::Stream::Error,
                               std::string(AfxGetAppName()) +
                                   ": write error: " + tessary::platform::ErrorText(error) + "\n");
  return 1;
}

}  // namespace

LPCTSTR AfxGetAppName() {
  static const std::string name = [] {
    std::string fileName = program_invocation_short_name;
    const auto dot = fileName.rfind('.');
    if (dot != std::string::npos && dot > 0) fileName.erase(dot);
    return fileName;
  }();
  return name.c_str();
}

void AfxEnableControlContainer() {}

void AfxSetUpApplication() {
  if (const char* entry = AfxGetResourceTable().desktopEntry)
    QGuiApplication::setDesktopFileName(QString::fromUtf8(entry));
}

int AfxWinMain(int argc, char** argv) {
  // Help and version need no window: they are answered before the window system starts.
  const CommandLine early = ParseArguments(std::vector<std::string>(argv + 1, argv + argc));
  if (early.action == CommandLine::Action::Help) {
    return PrintAnswer(CommandLineHelp() +
                       "Qt's own options, such as -platform or -style, are taken too.\n");
  }
  if (early.action == CommandLine::Action::Version) return PrintAnswer(VersionLine());

  QApplication application(argc, argv);  // takes its own options out of argv
  std::vector<std::string> arguments(argv + 1, argv + argc);
  CommandLine line = ParseArguments(arguments);
  // A name that the Model field could not hold exactly would come back from it as another
  // file's.
  if (line.action == CommandLine::Action::Run && !ShownExactly(line.fileName)) {
    line.action = CommandLine::Action::Error;
    line.error = "cannot take the file " + Printable(line.fileName) +
                 ": its name is not valid UTF-8, so it could not be shown and used as it is";
  }
  if (line.action == CommandLine::Action::Error) {
    tessary::platform::WriteText(tessary::platform::Stream::Error,
                                 std::string(AfxGetAppName()) + ": " + line.error + " (see '" +
                                     AfxGetAppName() + " --help')\n");
    return 2;
  }
  AfxSetUpApplication();
  CWinApp* app = AfxGetApp();
  if (app == nullptr) return 0;
  app->m_arguments = std::move(arguments);
  if (!app->InitInstance()) return 0;
  return QApplication::exec();
}

}  // namespace afx
