// The progress dialog of a long operation: a text, a bar and a Cancel button.
#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace afx {

/// A modal dialog owned by `parent`. Cancel, Escape and the close box call `onCancel` once and
/// leave the dialog open, saying that it is stopping, until its owner closes it.
class ProgressWindow : public QDialog {
 public:
  ProgressWindow(QWidget* parent, const QString& title, const QString& text,
                 std::function<void()> onCancel);

  /// Shows the percentage of `done` in `total`, or a moving bar when `total` is 0.
  void SetProgress(std::uint64_t done, std::uint64_t total);

  void reject() override;

 private:
  QLabel* text_;
  QProgressBar* bar_;
  QPushButton* cancel_;
  std::function<void()> onCancel_;
};

}  // namespace afx
