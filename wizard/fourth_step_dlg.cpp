#include "wizard/fourth_step_dlg.h"

#include <shellapi.h>

#include "engine/product.h"
#include "engine/user_launch.h"
#include "net/install_report.h"
#include "skin/png_resource.h"

IMPLEMENT_DYNAMIC(CFourthStepDlg, CBaseDlg)

BEGIN_MESSAGE_MAP(CFourthStepDlg, CBaseDlg)
    ON_BN_CLICKED(IDC_BTN_CLOSE, &CFourthStepDlg::OnBnClickedClose)  // void OnBnClickedClose()
    ON_BN_CLICKED(IDC_BTN_START, &CFourthStepDlg::OnBnClickedStart)  // void OnBnClickedStart()
END_MESSAGE_MAP()

CFourthStepDlg::CFourthStepDlg()
    : CBaseDlg(IDD_FOURTH_STEP_DLG, nullptr),
      CHttpRequestManager(REPORT_END_WAIT_MS),
      m_btnStart(true, true)
{
    m_nBkImageID = IDP_FINISH_BK;
}

CFourthStepDlg::~CFourthStepDlg() = default;

void CFourthStepDlg::DoDataExchange(CDataExchange* pDX)
{
    CBaseDlg::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PNG_LOGO, m_pngLogo);
    DDX_Control(pDX, IDC_BTN_START, m_btnStart);
}

BOOL CFourthStepDlg::OnInitDialog()
{
    CBaseDlg::OnInitDialog();
    m_pngLogo.m_nImageID = IDP_LOGO;
    PlaceControl(m_pngLogo, 108, 17, 200, 150);
    PlaceControl(m_btnStart, 148, 170, 130, 38);
    m_btnStart.ShowWindow(SW_SHOW);
    SetTabOrder({IDC_BTN_START, IDC_BTN_MIN, IDC_BTN_CLOSE});
    SendInstallReport();
    return TRUE;
}

void CFourthStepDlg::CaptureChildBackgrounds(CDC* pMemDC, HWND hWnd)
{
    CaptureParentBackground(pMemDC, m_btnStart, hWnd);
}

void CFourthStepDlg::SendInstallReport()
{
    QueueInstallReport(*this, g_strInstallPath.str());
}

void CFourthStepDlg::OnBnClickedClose()
{
    PostQuitToMainWnd();
}

void CFourthStepDlg::OnBnClickedStart()
{
    // As the signed-in user, not with the installer's rights; the full path,
    // since the desktop's shell resolves names in a folder of its own.
    LaunchAsUser(g_strInstallPath + APP_EXE_NAME, g_strInstallPath);
    PostQuitToMainWnd();
}
