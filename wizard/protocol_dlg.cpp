#include "wizard/protocol_dlg.h"

#include "engine/product.h"
#include "skin/png_resource.h"
#include "wizard/first_step_dlg.h"
#include "wizard/install_rules.h"

namespace {

constexpr COLORREF CLR_BACK_NORMAL = 0x888888, CLR_BACK_ACTIVE = 0x333333, CLR_BACK_DISABLED = 0x808080;

}  // namespace

IMPLEMENT_DYNAMIC(CProtocolDlg, CBaseDlg)

BEGIN_MESSAGE_MAP(CProtocolDlg, CBaseDlg)
    ON_BN_CLICKED(IDC_CHK_AGREE, &CProtocolDlg::OnBnClickedAgree)                // void OnBnClickedAgree()
    ON_BN_CLICKED(IDC_BTN_QUICK_INSTALL, &CProtocolDlg::OnBnClickedQuickInstall) // void OnBnClickedQuickInstall()
    ON_BN_CLICKED(IDC_BTN_BACK, &CProtocolDlg::OnBnClickedBack)                  // void OnBnClickedBack()
END_MESSAGE_MAP()

CProtocolDlg::CProtocolDlg()
    : CBaseDlg(IDD_PROTOCOL_DLG, nullptr),
      m_stcTitle(14, L"宋体", TRUE, 0x000000),
      m_btnQuickInstall(true, true),
      m_btnBack(true, false)
{
    m_nBkImageID = IDP_PAGE_BK;
}

CProtocolDlg::~CProtocolDlg() = default;

void CProtocolDlg::DoDataExchange(CDataExchange* pDX)
{
    CBaseDlg::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_RICH_AGREEMENT, m_rich);
    DDX_Control(pDX, IDC_STC_TITLE, m_stcTitle);
    DDX_Control(pDX, IDC_BTN_QUICK_INSTALL, m_btnQuickInstall);
    DDX_Control(pDX, IDC_CHK_AGREE, m_chkAgree);
    DDX_Control(pDX, IDC_PNG_LINE, m_pngLine);
    DDX_Control(pDX, IDC_BTN_BACK, m_btnBack);
}

BOOL CProtocolDlg::OnInitDialog()
{
    CBaseDlg::OnInitDialog();

    PlaceControl(m_rich, 20, 60, 380, 120);
    StreamAgreementText();

    m_stcTitle.SetWindowText(L"许可协议");
    PlaceControl(m_stcTitle, 25, 25, 60, 20);
    PlaceControl(m_chkAgree, 250, 190, 150, 16);
    PlaceControl(m_btnQuickInstall, 285, 205, 130, 38);

    // Independent of the first page's box: the viewer asks again.
    m_chkAgree.m_bChecked = FALSE;
    m_chkAgree.Invalidate(TRUE);
    m_btnQuickInstall.EnableWindow(FALSE);

    m_pngLine.m_nImageID = IDP_SEPARATOR;
    PlaceControl(m_pngLine, 0, 180, 416, 1);

    PlaceControl(m_btnBack, 0, 225, 80, 20);
    m_btnBack.m_clrNormal = CLR_BACK_NORMAL;
    m_btnBack.m_clrHover = CLR_BACK_ACTIVE;
    m_btnBack.m_clrPressed = CLR_BACK_ACTIVE;
    m_btnBack.m_clrFocus = CLR_BACK_NORMAL;
    m_btnBack.m_clrDisabled = CLR_BACK_DISABLED;
    // Main action first, then the window in reading order, the title
    // buttons last.
    SetTabOrder({IDC_BTN_QUICK_INSTALL, IDC_RICH_AGREEMENT, IDC_CHK_AGREE, IDC_BTN_BACK, IDC_BTN_MIN,
                 IDC_BTN_CLOSE});
    // "快速安装" waits for the box, so the focus starts there: the text would
    // take it otherwise, and an edit given the focus that way comes up all
    // selected and scrolled to its end.
    GotoDlgCtrl(&m_chkAgree);
    return FALSE;
}

void CProtocolDlg::StreamAgreementText()
{
    DWORD cb = 0;
    const void* pData = LoadResourceBytes(MAKEINTRESOURCEW(IDR_AGREEMENT_RTF), L"RTF", &cb);
    if (!pData)
        return;
    if (!SetAgreementText(pData, cb))
        return;
    EDITSTREAM es = {};
    es.dwError = 0;
    es.pfnCallback = AgreementStreamCallback;
    m_rich.SendMessage(EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&es));
}

void CProtocolDlg::CaptureChildBackgrounds(CDC* pMemDC, HWND hWnd)
{
    CaptureParentBackground(pMemDC, m_btnQuickInstall, hWnd);
    CaptureParentBackground(pMemDC, m_chkAgree, hWnd);
    CaptureParentBackground(pMemDC, m_btnBack, hWnd);
}

void CProtocolDlg::OnBnClickedAgree()
{
    m_btnQuickInstall.EnableWindow(m_chkAgree.m_bChecked ? TRUE : FALSE);
}

void CProtocolDlg::OnBnClickedQuickInstall()
{
    // Into the folder the first page proposed; the typed one is not read.
    // The same questions as the first page's "快速安装", over this page.
    if (g_pFirstStepDlg && !g_pFirstStepDlg->ConfirmInstall(g_strInstallPath, this))
        return;
    ShowProgressPage(*this);
    ShowWindow(SW_HIDE);
}

void CProtocolDlg::OnBnClickedBack()
{
    if (SafeHwnd(g_pFirstStepDlg))
        ShowInPlaceOf(*g_pFirstStepDlg, *this);
    ShowWindow(SW_HIDE);
}
