#include "framework/file_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "framework/app.h"
#include "framework/qt/file_filter.h"
#include "framework/qt/handles.h"
#include "framework/qt/local_text.h"
#include "framework/wnd.h"

namespace afx {
namespace {

// A Save As dialog that refuses a file in a folder that does not exist.
class FileDialogWindow : public QFileDialog {
 public:
  FileDialogWindow(QWidget* parent, bool pathMustExist)
      : QFileDialog(parent), pathMustExist_(pathMustExist) {}

  void accept() override {
    const QStringList files = selectedFiles();
    if (pathMustExist_ && !files.isEmpty()) {
      const QFileInfo chosen(files.first());
      if (!chosen.isDir() && !chosen.dir().exists()) {
        QMessageBox::warning(this, windowTitle(),
                             tr("The folder %1 does not exist.").arg(chosen.absolutePath()));
        return;
      }
    }
    QFileDialog::accept();
  }

 private:
  bool pathMustExist_;
};

}  // namespace

std::vector<std::string> ConvertFileFilter(LPCTSTR filter) {
  std::vector<std::string> parts;
  std::string part;
  for (const char* p = filter != nullptr ? filter : ""; *p != '\0'; ++p) {
    if (*p != '|') {
      part += *p;
      continue;
    }
    if (part.empty()) break;  // "||" ends the filter
    parts.push_back(part);
    part.clear();
  }
  std::vector<std::string> filters;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    const std::string& description = parts[i];
    std::string patterns = parts[i + 1];
    for (char& c : patterns) {
      if (c == ';') c = ' ';
    }
    const std::string suffix = "(" + patterns + ")";
    const bool named =
        description.size() >= suffix.size() &&
        description.compare(description.size() - suffix.size(), suffix.size(), suffix) == 0;
    filters.push_back(named ? description : description + " " + suffix);
  }
  return filters;
}

INT_PTR CFileDialog::DoModal() {
  FileDialogWindow dialog(parent_ != nullptr ? WidgetOf(parent_->GetSafeHwnd()) : nullptr,
                          !open_ && (flags_ & OFN_PATHMUSTEXIST) != 0);
  dialog.setWindowTitle(open_ ? QObject::tr("Open") : QObject::tr("Save As"));
  dialog.setAcceptMode(open_ ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  dialog.setFileMode(open_ && (flags_ & OFN_FILEMUSTEXIST) != 0 ? QFileDialog::ExistingFile
                                                                : QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, (flags_ & OFN_OVERWRITEPROMPT) == 0);
  dialog.setDefaultSuffix(FromLocal(defaultExtension_));
  QStringList nameFilters;
  for (const std::string& nameFilter : ConvertFileFilter(filter_.c_str())) {
    nameFilters << FromLocal(nameFilter);
  }
  if (!nameFilters.isEmpty()) dialog.setNameFilters(nameFilters);
  const QFileInfo file(FromLocal(fileName_));
  const QString initialDir = FromLocal(m_ofn.lpstrInitialDir);
  if (!fileName_.empty() && file.absoluteDir().exists()) {
    dialog.setDirectory(file.absolutePath());
  } else if (!initialDir.isEmpty() && QDir(initialDir).exists()) {
    dialog.setDirectory(initialDir);
  }
  if (!fileName_.empty()) dialog.selectFile(file.fileName());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return IDCANCEL;
  pathName_ = ToLocal(QDir::toNativeSeparators(dialog.selectedFiles().first()));
  return IDOK;
}

}  // namespace afx
