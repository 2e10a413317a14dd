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
#include <exception>

#include "framework/app.h"
#include "framework/icon.h"
#include "framework/local_text.h"
#include "framework/user_exception.h"

namespace afx {
namespace {}  // namespace

CMenu::CMenu() : menu_(std::make_unique<QMenu>()) {}

CMenu::~CMenu() = default;

BOOL CMenu::AppendMenu(UINT flags, UINT id, LPCTSTR text) {
  if ((flags & MF_SEPARATOR) != 0) {
    menu_->addSeparator();
    return TRUE;
  }
  QAction* action = menu_->addAction(FromLocal(text));
  action->setData(id);
  return TRUE;
}

BOOL CDC::DrawIcon(int x, int y, HICON icon) {
  if (icon == nullptr) return FALSE;
  const int size = GetSystemMetrics(SM_CXICON);
  const qreal ratio = painter_->device()->devicePixelRatioF();
  painter_->drawPixmap(x, y, icon->icon().pixmap(QSize(size, size), ratio));
  return TRUE;
}

void CDC::FillBackground(const CRect& rect) {
  const QWidget* widget = dynamic_cast<QWidget*>(painter_->device());
  const QBrush brush = widget != nullptr ? widget->palette().window() : QBrush(Qt::lightGray);
  painter_->fillRect(rect.left, rect.top, rect.Width(), rect.Height(), brush);
}

CPaintDC::CPaintDC(CWnd* window)
    : CDC(nullptr), ownedPainter_(std::make_unique<QPainter>(window->GetSafeHwnd())) {
  painter_ = ownedPainter_.get();
}

CPaintDC::~CPaintDC() = default;

CWnd::CWnd() = default;

CWnd::~CWnd() = default;

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    LRESULT result = 0;
    if (OnMessage(message, wParam, lParam, result)) return result;
    return DefWindowProc(message, wParam, lParam);
  } catch (const CUserException&) {
    // The user stopped the handler's work: there is nothing to report.
  } catch (const std::exception& error) {
    MessageBox(error.what(), nullptr, MB_ICONSTOP);
  } catch (...) {
    MessageBox("An unknown error occurred.", nullptr, MB_ICONSTOP);
  }
  return 0;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_ICONERASEBKGND) {
    CRect client;
    GetClientRect(&client);
    reinterpret_cast<CDC*>(wParam)->FillBackground(client);
    return 1;
  }
  return 0;
}

void CWnd::OnSysCommand(UINT nID, LPARAM lParam) {
  DefWindowProc(WM_SYSCOMMAND, nID, lParam);
}

void CWnd::OnPaint() {
  DefWindowProc(WM_PAINT, 0, 0);
}

int CWnd::MessageBox(LPCTSTR text, LPCTSTR caption, UINT type) {
  const QMessageBox::Icon icon =
      (type & MB_ICONSTOP) != 0 ? QMessageBox::Critical : QMessageBox::NoIcon;
  const QString title = caption != nullptr ? FromLocal(caption) : FromLocal(AfxGetAppName());
  QMessageBox box(icon, title, FromLocal(text), QMessageBox::Ok, m_hWnd);
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
  if (m_hWnd != nullptr && icon != nullptr) m_hWnd->setWindowIcon(icon->icon());
  return previous;
}

BOOL CWnd::IsIconic() const {
  return m_hWnd != nullptr && m_hWnd->isMinimized();
}

void CWnd::GetClientRect(CRect* rect) const {
  *rect = m_hWnd != nullptr ? CRect{0, 0, m_hWnd->width(), m_hWnd->height()} : CRect{};
}

CString CWnd::GetDlgItemText(int id) const {
  const QWidget* item =
      m_hWnd != nullptr ? m_hWnd->findChild<QWidget*>(QString::number(id)) : nullptr;
  QString text;
  if (const auto* edit = qobject_cast<const QLineEdit*>(item)) text = edit->text();
  if (const auto* button = qobject_cast<const QAbstractButton*>(item)) text = button->text();
  if (const auto* label = qobject_cast<const QLabel*>(item)) text = label->text();
  return ToLocal(text);
}

void CWnd::DragAcceptFiles(BOOL bAccept) {
  if (m_hWnd != nullptr) m_hWnd->setAcceptDrops(bAccept != FALSE);
}

CWnd* CWnd::ChildWindowFromPoint(POINT point) {
  if (m_hWnd == nullptr) return this;
  QWidget* child = m_hWnd->childAt(static_cast<int>(point.x), static_cast<int>(point.y));
  while (child != nullptr && child->parentWidget() != m_hWnd)
    child = child->parentWidget();
  if (child == nullptr) return this;
  std::unique_ptr<CWnd>& wrapper = children_[child];
  if (wrapper == nullptr) {
    wrapper = std::make_unique<CWnd>();
    wrapper->m_hWnd = child;
  }
  return wrapper.get();
}

int CWnd::GetDlgCtrlID() const {
  return m_hWnd != nullptr ? m_hWnd->objectName().toInt() : 0;
}

void CWnd::SetDlgItemText(int id, const CString& text) {
  QWidget* item = m_hWnd != nullptr ? m_hWnd->findChild<QWidget*>(QString::number(id)) : nullptr;
  const QString value = FromLocal(text);
  if (auto* edit = qobject_cast<QLineEdit*>(item)) edit->setText(value);
  if (auto* button = qobject_cast<QAbstractButton*>(item)) button->setText(value);
  if (auto* label = qobject_cast<QLabel*>(item)) label->setText(value);
}

}  // namespace afx
