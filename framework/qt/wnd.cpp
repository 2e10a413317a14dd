// Windows on Qt Widgets: message boxes, icons, the system menu, painting and child controls.
#include "framework/wnd.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QWidget>

#include "framework/app.h"
#include "framework/icon.h"
#include "framework/qt/handles.h"
#include "framework/qt/local_text.h"

namespace afx {

CMenu::CMenu() : m_hMenu(reinterpret_cast<HMENU>(new QMenu)) {}

CMenu::~CMenu() {
  delete MenuOf(m_hMenu);
}

BOOL CMenu::AppendMenu(UINT flags, UINT id, LPCTSTR text) {
  if ((flags & MF_SEPARATOR) != 0) {
    MenuOf(m_hMenu)->addSeparator();
    return TRUE;
  }
  QAction* action = MenuOf(m_hMenu)->addAction(FromLocal(text));
  action->setData(id);
  return TRUE;
}

BOOL CDC::DrawIcon(int x, int y, HICON icon) {
  if (icon == nullptr) return FALSE;
  const int size = GetSystemMetrics(SM_CXICON);
  QPainter* painter = PainterOf(m_hDC);
  const qreal ratio = painter->device()->devicePixelRatioF();
  painter->drawPixmap(x, y, icon->icon().pixmap(QSize(size, size), ratio));
  return TRUE;
}

struct CPaintDC::Painting {
  QPainter painter;
};

CPaintDC::CPaintDC(CWnd* window)
    : painting_(new Painting{QPainter(WidgetOf(window->GetSafeHwnd()))}) {
  m_hDC = HandleOf(&painting_->painter);
}

CPaintDC::~CPaintDC() = default;

CWnd::CWnd() = default;

CWnd::~CWnd() = default;

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_ICONERASEBKGND) {
    CRect client;
    GetClientRect(&client);
    // Fills the client area with the window's background colour.
    QPainter* painter = PainterOf(reinterpret_cast<HDC>(wParam));
    const QWidget* widget = dynamic_cast<QWidget*>(painter->device());
    const QBrush brush = widget != nullptr ? widget->palette().window() : QBrush(Qt::lightGray);
    painter->fillRect(client.left, client.top, client.Width(), client.Height(), brush);
    return 1;
  }
  return 0;
}

int CWnd::MessageBox(LPCTSTR text, LPCTSTR caption, UINT type) {
  const QMessageBox::Icon icon =
      (type & MB_ICONSTOP) != 0 ? QMessageBox::Critical : QMessageBox::NoIcon;
  const QString title = caption != nullptr ? FromLocal(caption) : FromLocal(AfxGetAppName());
  QMessageBox box(icon, title, FromLocal(text), QMessageBox::Ok, WidgetOf(m_hWnd));
  box.exec();
  return IDOK;
}

CMenu* CWnd::GetSystemMenu(BOOL) {
  return m_systemMenu.get();
}

HICON CWnd::SetIcon(HICON icon, BOOL bigIcon) {
  HICON& slot = bigIcon ? bigIcon_ : smallIcon_;
  const HICON previous = slot;
  slot = icon;
  if (m_hWnd != nullptr && icon != nullptr) WidgetOf(m_hWnd)->setWindowIcon(icon->icon());
  return previous;
}

BOOL CWnd::IsIconic() const {
  return m_hWnd != nullptr && WidgetOf(m_hWnd)->isMinimized();
}

void CWnd::GetClientRect(CRect* rect) const {
  *rect = m_hWnd != nullptr ? CRect{0, 0, WidgetOf(m_hWnd)->width(), WidgetOf(m_hWnd)->height()}
                            : CRect{};
}

CString CWnd::GetDlgItemText(int id) const {
  const QWidget* item =
      m_hWnd != nullptr ? WidgetOf(m_hWnd)->findChild<QWidget*>(QString::number(id)) : nullptr;
  QString text;
  if (const auto* edit = qobject_cast<const QLineEdit*>(item)) text = edit->text();
  if (const auto* button = qobject_cast<const QAbstractButton*>(item)) text = button->text();
  if (const auto* label = qobject_cast<const QLabel*>(item)) text = label->text();
  return ToLocal(text);
}

void CWnd::DragAcceptFiles(BOOL bAccept) {
  if (m_hWnd != nullptr) WidgetOf(m_hWnd)->setAcceptDrops(bAccept != FALSE);
}

CWnd* CWnd::ChildWindowFromPoint(POINT point) {
  if (m_hWnd == nullptr) return this;
  QWidget* child = WidgetOf(m_hWnd)->childAt(static_cast<int>(point.x), static_cast<int>(point.y));
  while (child != nullptr && child->parentWidget() != WidgetOf(m_hWnd))
    child = child->parentWidget();
  return child != nullptr ? ChildObject(HandleOf(child)) : this;
}

int CWnd::GetDlgCtrlID() const {
  return m_hWnd != nullptr ? WidgetOf(m_hWnd)->objectName().toInt() : 0;
}

void CWnd::SetDlgItemText(int id, const CString& text) {
  QWidget* item =
      m_hWnd != nullptr ? WidgetOf(m_hWnd)->findChild<QWidget*>(QString::number(id)) : nullptr;
  const QString value = FromLocal(text);
  if (auto* edit = qobject_cast<QLineEdit*>(item)) edit->setText(value);
  if (auto* button = qobject_cast<QAbstractButton*>(item)) button->setText(value);
  if (auto* label = qobject_cast<QLabel*>(item)) label->setText(value);
}

}  // namespace afx
