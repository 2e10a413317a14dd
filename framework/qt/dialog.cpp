#include "framework/dialog.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDropEvent>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <stdexcept>
#include <vector>

#include "framework/app.h"
#include "framework/control_text.h"
#include "framework/icon.h"
#include "framework/qt/dialog_units.h"
#include "framework/qt/drop_data.h"
#include "framework/qt/handles.h"
#include "framework/qt/local_text.h"
#include "framework/resources.h"

namespace afx {

// The Qt window of a running CDialog; turns Qt's events into the dialog's messages.
class DialogWindow : public QDialog {
 public:
  DialogWindow(CDialog* owner, QWidget* parent, Qt::WindowFlags flags)
      : QDialog(parent, flags), owner_(owner) {}

  void reject() override { owner_->SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED)); }

 protected:
  void paintEvent(QPaintEvent*) override { owner_->SendMessage(WM_PAINT); }

  // Only drops of local files are taken; the file stays where it is.
  void dragEnterEvent(QDragEnterEvent* event) override { TakeFiles(event); }
  void dragMoveEvent(QDragMoveEvent* event) override { TakeFiles(event); }
  void dropEvent(QDropEvent* event) override {
    if (!TakeFiles(event)) return;
    const QPoint point = event->position().toPoint();
    const DropFiles drop{LocalFilesOf(*event->mimeData()), {point.x(), point.y()}};
    // A name that a field could not hold exactly would come back from it as another file's.
    for (const CString& file : drop.files) {
      if (!ShownExactly(file)) {
        const CString text = "Tessary cannot take " + Printable(file) +
                             ": its name is not valid UTF-8, so it could not be shown and used "
                             "as it is. Rename the file, then drop it again.";
        owner_->MessageBox(text.c_str(), nullptr, MB_OK | MB_ICONSTOP);
        return;
      }
    }
    owner_->SendMessage(WM_DROPFILES, reinterpret_cast<WPARAM>(&drop));
  }

  void contextMenuEvent(QContextMenuEvent* event) override {
    if (childAt(event->pos()) == nullptr || qobject_cast<QGroupBox*>(childAt(event->pos()))) {
      owner_->ShowSystemMenu(event->globalPos().x(), event->globalPos().y());
    }
  }

 private:
  static bool TakeFiles(QDropEvent* event) {
    const Qt::DropActions actions = event->possibleActions();
    const Qt::DropAction action = (actions & Qt::CopyAction) != 0   ? Qt::CopyAction
                                  : (actions & Qt::LinkAction) != 0 ? Qt::LinkAction
                                                                    : Qt::IgnoreAction;
    if (action == Qt::IgnoreAction || LocalFilesOf(*event->mimeData()).empty()) {
      event->ignore();
      return false;
    }
    event->setDropAction(action);
    event->accept();
    return true;
  }

  CDialog* owner_;
};

namespace {

Qt::WindowFlags WindowFlagsOf(const DialogTemplate& dialog) {
  // An application window is a main window to the window manager, so it shows on the task
  // bar; other dialogs are transient dialogs.
  Qt::WindowFlags flags = (dialog.exStyle & WS_EX_APPWINDOW) != 0 ? Qt::Window : Qt::Dialog;
  flags |= Qt::CustomizeWindowHint;
  if ((dialog.style & WS_CAPTION) != 0) flags |= Qt::WindowTitleHint;
  if ((dialog.style & WS_SYSMENU) != 0) {
    flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  }
  if ((dialog.style & WS_MINIMIZEBOX) != 0) flags |= Qt::WindowMinimizeButtonHint;
  if ((dialog.style & WS_MAXIMIZEBOX) != 0) flags |= Qt::WindowMaximizeButtonHint;
  return flags;
}

// Names the control for assistive technology, and gives it its tooltip.
void Describe(QWidget* widget, std::span<const ControlTemplate> controls, std::size_t index) {
  const ControlDescription description = DescribeControl(controls, index);
  widget->setAccessibleName(FromLocal(description.name.c_str()));
  widget->setAccessibleDescription(FromLocal(description.description.c_str()));
  widget->setToolTip(FromLocal(description.toolTip.c_str()));
}

QWidget* CreateControl(const ControlTemplate& control, QWidget* parent) {
  QWidget* widget = nullptr;
  switch (control.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
      auto* button = new QPushButton(FromLocal(control.text), parent);
      button->setAutoDefault(true);
      button->setDefault(control.kind == ControlKind::DefPushButton);
      widget = button;
      break;
    }
    case ControlKind::GroupBox: {
      // The title sits on the frame's top line, as group boxes do in dialog templates, so
      // the template's control positions fit inside the frame.
      auto* group = new QGroupBox(FromLocal(control.text), parent);
      const int half = group->fontMetrics().height() / 2;
      group->setStyleSheet(QStringLiteral("QGroupBox { border: 1px solid palette(mid); "
                                          "margin-top: %1px; }"
                                          "QGroupBox::title { subcontrol-origin: margin; "
                                          "left: %2px; padding: 0px 2px; }")
                               .arg(half)
                               .arg(half));
      widget = group;
      break;
    }
    case ControlKind::Edit: {
      auto* edit = new QLineEdit(parent);
      edit->setFrame((control.style & WS_BORDER) != 0);
      edit->setAcceptDrops(false);  // as edit controls, which take no dropped text
      widget = edit;
      break;
    }
    case ControlKind::Text: {
      const QString text = FromLocal(control.text);
      // Static text without SS_NOPREFIX shows "&x" as an underlined x.
      auto* label = new QLabel((control.style & SS_NOPREFIX) != 0
                                   ? text
                                   : FromLocal(WithoutMnemonics(control.text).c_str()),
                               parent);
      label->setTextFormat(Qt::PlainText);
      widget = label;
      break;
    }
    case ControlKind::Icon: {
      auto* label = new QLabel(parent);
      if (const HICON icon = AfxLoadIcon(control.iconId)) {
        const int size = GetSystemMetrics(SM_CXICON);
        label->setPixmap(icon->icon().pixmap(QSize(size, size), label->devicePixelRatioF()));
      }
      widget = label;
      break;
    }
  }
  widget->setFocusPolicy((control.style & WS_TABSTOP) != 0 ? Qt::StrongFocus : Qt::NoFocus);
  if (control.id >= 0) widget->setObjectName(QString::number(control.id));
  return widget;
}

}  // namespace

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : templateId_(nIDTemplate), parent_(pParentWnd) {}

CDialog::~CDialog() = default;

INT_PTR CDialog::DoModal() {
  const DialogTemplate* dialog = AfxFindDialogTemplate(templateId_);
  if (dialog == nullptr)
    throw std::logic_error("no dialog template " + std::to_string(templateId_));

  DialogWindow window(this, parent_ != nullptr ? WidgetOf(parent_->GetSafeHwnd()) : nullptr,
                      WindowFlagsOf(*dialog));
  window.setWindowTitle(FromLocal(dialog->caption));
  window.setFont(DialogFont(dialog->fontName, dialog->fontPointSize));
  const DialogBaseUnits units = BaseUnitsOf(window.font());
  window.setFixedSize(MapDialogRect(units, 0, 0, dialog->cx, dialog->cy).size());

  std::vector<QWidget*> tabStops;
  for (std::size_t index = 0; index < dialog->controls.size(); ++index) {
    const ControlTemplate& control = dialog->controls[index];
    QWidget* widget = CreateControl(control, &window);
    Describe(widget, dialog->controls, index);
    QRect geometry = MapDialogRect(units, control.x, control.y, control.cx, control.cy);
    if (control.kind == ControlKind::Icon) {
      const int size = GetSystemMetrics(SM_CXICON);
      geometry.setSize(QSize(size, size));  // an icon control takes the icon's size
    }
    widget->setGeometry(geometry);
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
      const UINT id = static_cast<UINT>(control.id);
      QObject::connect(button, &QPushButton::clicked, &window,
                       [this, id] { SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED)); });
    }
    if ((control.style & WS_TABSTOP) != 0) tabStops.push_back(widget);
  }
  for (std::size_t i = 1; i < tabStops.size(); ++i) {
    QWidget::setTabOrder(tabStops[i - 1], tabStops[i]);
  }

  if ((dialog->style & WS_SYSMENU) != 0) {
    m_systemMenu = std::make_unique<CMenu>();
    QAction* close = MenuOf(m_systemMenu->m_hMenu)->addAction(QStringLiteral("&Close\tAlt+F4"));
    close->setData(SC_CLOSE);
    auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), &window);
    QObject::connect(shortcut, &QShortcut::activated, &window, [this, &window] {
      const QPoint corner = window.mapToGlobal(QPoint(0, 0));
      ShowSystemMenu(corner.x(), corner.y());
    });
  }
  auto* help = new QShortcut(QKeySequence(Qt::Key_F1), &window);
  QObject::connect(help, &QShortcut::activated, &window,
                   [this] { SendMessage(WM_COMMAND, MAKEWPARAM(ID_HELP, 0)); });

  // However the dialog ends, even by an exception from OnInitDialog, it lets go of the window
  // that is about to be destroyed.
  struct WindowRelease {
    CDialog& dialog;
    ~WindowRelease() { dialog.ReleaseWindow(); }
  } release{*this};
  m_hWnd = HandleOf(&window);
  if (OnInitDialog() && !tabStops.empty()) tabStops.front()->setFocus();
  return window.exec();
}

void CDialog::ShowSystemMenu(int globalX, int globalY) {
  if (m_systemMenu == nullptr) return;
  const QAction* chosen = MenuOf(m_systemMenu->m_hMenu)->exec(QPoint(globalX, globalY));
  if (chosen != nullptr) SendMessage(WM_SYSCOMMAND, chosen->data().toUInt());
}

void CDialog::EndDialog(int nResult) {
  if (auto* window = static_cast<QDialog*>(WidgetOf(m_hWnd))) window->done(nResult);
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        OnOK();
      } else if (LOWORD(wParam) == IDCANCEL) {
        OnCancel();
      } else if (CWinApp* app = AfxGetApp()) {
        LRESULT result = 0;
        app->OnMessage(message, wParam, lParam, result);  // commands go on to the application
      }
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & SC_COMMAND_MASK) == SC_CLOSE) SendMessage(WM_CLOSE);
      return 0;
    case WM_CLOSE:
      SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED));
      return 0;
    default:
      return CWnd::DefWindowProc(message, wParam, lParam);
  }
}

}  // namespace afx
