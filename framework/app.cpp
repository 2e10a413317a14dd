#include "framework/app.h"

#include <errno.h>

#include <QApplication>
#include <string>

#include "framework/icon.h"
#include "framework/resources.h"

namespace afx {
namespace {

CWinApp* theApplication = nullptr;

}  // namespace

CWinApp::CWinApp() {
  theApplication = this;
}

CWinApp::~CWinApp() {
  if (theApplication == this) theApplication = nullptr;
}

BOOL CWinApp::InitInstance() {
  return TRUE;
}

HICON CWinApp::LoadIcon(UINT id) const {
  return AfxLoadIcon(id);
}

void CWinApp::OnHelp() {}

CWinApp* AfxGetApp() {
  return theApplication;
}

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

CString LoadString(UINT id) {
  for (const StringResource& string : AfxGetResourceTable().strings) {
    if (string.id == id) return string.text;
  }
  return {};
}

int AfxWinMain(int argc, char** argv) {
  QApplication application(argc, argv);
  CWinApp* app = AfxGetApp();
  if (app == nullptr || !app->InitInstance()) return 0;
  return QApplication::exec();
}

}  // namespace afx
