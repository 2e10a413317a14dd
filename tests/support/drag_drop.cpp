#include "tests/support/drag_drop.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

namespace tessary::testing {

bool DropOn(QWidget* window, QPoint point, const QList<QUrl>& urls, const QString& text) {
  QMimeData data;
  if (text.isEmpty()) {
    data.setUrls(urls);
  } else {
    data.setText(text);
  }
  QWidget* target = window->childAt(point);
  if (target == nullptr) target = window;
  while (target != window && !target->acceptDrops())
    target = target->parentWidget();
  if (!target->acceptDrops()) return false;

  const QPointF local = target->mapFrom(window, point);
  const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
  QDragEnterEvent enter(local.toPoint(), actions, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return false;
  QDragMoveEvent move(local.toPoint(), actions, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &move);
  if (!move.isAccepted()) return false;
  QDropEvent drop(local, actions, &data, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  return drop.isAccepted() && drop.dropAction() != Qt::MoveAction;
}

QPoint CentreOf(QWidget* dialog, int id) {
  const QWidget* control = dialog->findChild<QWidget*>(QString::number(id));
  return control != nullptr ? control->geometry().center() : QPoint(-1, -1);
}

}  // namespace tessary::testing
