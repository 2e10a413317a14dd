// Dropping data on a window from a test, as a file manager's drag would.
#pragma once

#include <QList>
#include <QPoint>
#include <QUrl>

class QWidget;

namespace tessary::testing {

/// Drags `urls` (or, when `text` is set, plain text) over `window` to `point` and drops them
/// there, delivering the events to the widget that Qt would: the one under the point or the
/// nearest of its parents that accepts drops. Returns whether the drop was taken, as a copy or
/// a link (a file manager would delete a file taken as a move).
bool DropOn(QWidget* window, QPoint point, const QList<QUrl>& urls, const QString& text = {});

/// The centre of the control with id `id` in `dialog`.
QPoint CentreOf(QWidget* dialog, int id);

}  // namespace tessary::testing
