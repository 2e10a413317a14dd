#include "framework/qt/progress_window.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "framework/types.h"

namespace afx {
namespace {

// The bar counts in tenths of a percent, so that it moves smoothly on big inputs.
constexpr int kSteps = 1000;

}  // namespace

ProgressWindow::ProgressWindow(QWidget* parent, const QString& title, const QString& text,
                               std::function<void()> onCancel)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      text_(new QLabel(text, this)),
      bar_(new QProgressBar(this)),
      cancel_(new QPushButton(tr("Cancel"), this)),
      onCancel_(std::move(onCancel)) {
  setWindowTitle(title);
  cancel_->setObjectName(QString::number(IDCANCEL));  // as the Cancel button of a template
  setWindowModality(parent != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
  text_->setTextFormat(Qt::PlainText);
  bar_->setRange(0, kSteps);
  bar_->setValue(0);
  bar_->setMinimumWidth(fontMetrics().averageCharWidth() * 40);
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(cancel_, QDialogButtonBox::RejectRole);
  connect(cancel_, &QPushButton::clicked, this, &ProgressWindow::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_);
  layout->addWidget(bar_);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void ProgressWindow::SetProgress(std::uint64_t done, std::uint64_t total) {
  if (total == 0) {
    bar_->setRange(0, 0);
    return;
  }
  bar_->setRange(0, kSteps);
  const double fraction = std::min(1.0, static_cast<double>(done) / static_cast<double>(total));
  bar_->setValue(static_cast<int>(fraction * kSteps));
}

void ProgressWindow::reject() {
  if (!cancel_->isEnabled()) return;
  cancel_->setEnabled(false);
  text_->setText(tr("Stopping..."));
  onCancel_();
}

}  // namespace afx
