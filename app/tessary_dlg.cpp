#include "app/tessary_dlg.h"

#include "app/about_dlg.h"
#include "app/scaling_with_progress.h"

using namespace afx;

namespace {

constexpr LPCTSTR kModelExtension = "mdl";
constexpr LPCTSTR kModelFilter = "MDL Files (*.mdl)|*.mdl||";

// The folder part of `path`, up to its last separator; empty when it has none (the file
// dialog then starts where it would anyway).
CString FolderOf(const CString& path) {
  const std::size_t separator = path.find_last_of("/\\");
  if (separator == CString::npos) return {};
  return path.substr(0, separator == 0 ? 1 : separator);
}

}  // namespace

CTessaryDlg::CTessaryDlg(CWnd* pParent)
    : CDialog(IDD, pParent), m_hIcon(AfxLoadIcon(IDR_MAINFRAME)) {}

CTessaryDlg::~CTessaryDlg() = default;

const MessageMap* CTessaryDlg::GetMessageMap() const {
  static const MessageMapEntry entries[] = {
      ON_WM_SYSCOMMAND(&CTessaryDlg::OnSysCommand),
      ON_WM_PAINT(&CTessaryDlg::OnPaint),
      ON_WM_QUERYDRAGICON(&CTessaryDlg::OnQueryDragIcon),
      ON_BN_CLICKED(IDC_BROWSE_MODEL, &CTessaryDlg::OnBrowseModel),
      ON_BN_CLICKED(IDC_SCALE, &CTessaryDlg::OnScale),
      ON_BN_CLICKED(IDC_BROWSE_OUTPUT, &CTessaryDlg::OnBrowseOutput),
      ON_WM_DROPFILES(&CTessaryDlg::OnDropFiles),
  };
  static const MessageMap map{CDialog::GetThisMessageMap(), entries};
  return &map;
}

void CTessaryDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_MODEL, m_strModel);
  DDX_Text(pDX, IDC_OUTPUT, m_strOutput);
  DDX_Text(pDX, IDC_SCALE_X, m_strScaleX);
  DDX_Text(pDX, IDC_SCALE_Y, m_strScaleY);
  DDX_Text(pDX, IDC_SCALE_Z, m_strScaleZ);
}

BOOL CTessaryDlg::OnInitDialog() {
  CDialog::OnInitDialog();

  if (CMenu* pSysMenu = GetSystemMenu(FALSE)) {
    const CString strAboutMenu = LoadString(IDS_ABOUTBOX);
    if (!strAboutMenu.empty()) {
      pSysMenu->AppendMenu(MF_SEPARATOR);
      pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu.c_str());
    }
  }

  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);
  DragAcceptFiles(TRUE);
  return TRUE;
}

void CTessaryDlg::OnSysCommand(UINT nID, LPARAM lParam) {
  if ((nID & SC_COMMAND_MASK) == IDM_ABOUTBOX) {
    CAboutDlg dlgAbout;
    dlgAbout.DoModal();
  } else {
    CDialog::OnSysCommand(nID, lParam);
  }
}

// While minimised, the window shows the application icon in the middle of its client area.
void CTessaryDlg::OnPaint() {
  if (IsIconic()) {
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, dc.GetSafeHdc(), 0);

    const int cxIcon = GetSystemMetrics(SM_CXICON);
    const int cyIcon = GetSystemMetrics(SM_CYICON);
    CRect rect;
    GetClientRect(&rect);
    const int x = (rect.Width() - cxIcon + 1) / 2;
    const int y = (rect.Height() - cyIcon + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon);
  } else {
    CDialog::OnPaint();
  }
}

HCURSOR CTessaryDlg::OnQueryDragIcon() {
  return m_hIcon;
}

// A file chooser starts in the folder of its field's path, or else in that of the other field.
void CTessaryDlg::OnBrowseModel() {
  UpdateData(TRUE);
  CFileDialog dialog(TRUE, kModelExtension, m_strModel.c_str(), OFN_HIDEREADONLY, kModelFilter,
                     this);
  const CString outputFolder = FolderOf(m_strOutput);
  dialog.m_ofn.lpstrInitialDir = outputFolder.c_str();
  if (dialog.DoModal() == IDOK) {
    m_strModel = dialog.GetPathName();
    UpdateData(FALSE);
  }
}

void CTessaryDlg::OnBrowseOutput() {
  UpdateData(TRUE);
  CFileDialog dialog(FALSE, kModelExtension, m_strOutput.c_str(),
                     OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT, kModelFilter,
                     this);
  const CString modelFolder = FolderOf(m_strModel);
  dialog.m_ofn.lpstrInitialDir = modelFolder.c_str();
  if (dialog.DoModal() == IDOK) {
    m_strOutput = dialog.GetPathName();
    UpdateData(FALSE);
  }
}

// The window keeps painting during the pass. A file error from the pass is not caught here:
// it goes to the framework's report; Cancel ends the handler without a message. What was
// found beside the output, left by an earlier run, is said first, however the pass ended.
void CTessaryDlg::OnScale() {
  UpdateData(TRUE);
  std::vector<std::string> notes;
  const auto tellNotes = [&] {
    CString text;
    for (const std::string& note : notes)
      text += (text.empty() ? "" : "\n") + note;
    if (!text.empty()) MessageBox(text.c_str());
  };
  tessary::ScaleResult result;
  try {
    result = ScaleModelFileWithProgress(this, m_strModel, m_strOutput, m_strScaleX, m_strScaleY,
                                        m_strScaleZ, notes);
  } catch (...) {
    tellNotes();
    throw;
  }
  tellNotes();
  MessageBox(tessary::MessageFor(result));
}

// A file dropped on the Output field becomes the output; dropped anywhere else, the model.
// A drop of several files changes nothing: which of them would be meant is anyone's guess.
void CTessaryDlg::OnDropFiles(HDROP hDropInfo) {
  if (DragQueryFile(hDropInfo, 0xFFFFFFFF, nullptr, 0) == 1) {
    CString path(DragQueryFile(hDropInfo, 0, nullptr, 0), '\0');
    DragQueryFile(hDropInfo, 0, path.data(), static_cast<UINT>(path.size() + 1));
    POINT point;
    DragQueryPoint(hDropInfo, &point);
    const CWnd* target = ChildWindowFromPoint(point);
    UpdateData(TRUE);
    (target->GetDlgCtrlID() == IDC_OUTPUT ? m_strOutput : m_strModel) = path;
    UpdateData(FALSE);
  }
  DragFinish(hDropInfo);
}
