#include "tests/skin/demo/demo_dlg.h"

#include "tests/skin/demo/demo_ids.h"

namespace {

constexpr COLORREF CLR_BAND_TEXT = RGB(255, 255, 255);

void Place(CWnd& wnd, const RECT& rc)
{
    wnd.MoveWindow(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
}

void SetImages(CRedrawButton& btn, UINT nNormal, UINT nHover, UINT nPressed)
{
    btn.m_nImgNormal = nNormal;
    btn.m_nImgHover = nHover;
    btn.m_nImgPressed = nPressed;
    btn.m_nImgFocus = nNormal;
    btn.m_nImgDisabled = nNormal;
}

}  // namespace

BEGIN_MESSAGE_MAP(CSkinDemoDlg, CBaseDlg)
    ON_BN_CLICKED(IDC_DEMO_CHECK, &CSkinDemoDlg::OnBnClickedCheck)   // void OnBnClickedCheck()
END_MESSAGE_MAP()

CSkinDemoDlg::CSkinDemoDlg()
    : CBaseDlg(IDD_SKIN_DEMO, nullptr),
      m_btnAction(true, true),
      m_btnDisabled(true, true),
      m_btnBox(true, true),
      m_btnBrowse(false, true),
      m_btnLink(false, true),
      m_stcLabel(11, L"黑体", FALSE, CLR_BAND_TEXT),
      m_stcSpace(11, L"黑体", FALSE, CLR_BAND_TEXT)
{
    m_nBkImageID = IDP_CUSTOM_BK;
}

CSkinDemoDlg::~CSkinDemoDlg() = default;

void CSkinDemoDlg::DoDataExchange(CDataExchange* pDX)
{
    CBaseDlg::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_DEMO_ACTION, m_btnAction);
    DDX_Control(pDX, IDC_DEMO_DISABLED, m_btnDisabled);
    DDX_Control(pDX, IDC_DEMO_BOXBTN, m_btnBox);
    DDX_Control(pDX, IDC_DEMO_BROWSE, m_btnBrowse);
    DDX_Control(pDX, IDC_DEMO_LINK, m_btnLink);
    DDX_Control(pDX, IDC_DEMO_CHECK, m_chkAgree);
    DDX_Control(pDX, IDC_DEMO_PROGRESS, m_progress);
    DDX_Control(pDX, IDC_DEMO_LOGO, m_pngLogo);
    DDX_Control(pDX, IDC_DEMO_BUSY, m_gifBusy);
    DDX_Control(pDX, IDC_DEMO_LABEL, m_stcLabel);
    DDX_Control(pDX, IDC_DEMO_SPACE, m_stcSpace);
}

BOOL CSkinDemoDlg::OnInitDialog()
{
    CBaseDlg::OnInitDialog();
    Place(m_btnAction, DEMO_ACTION_RECT);
    Place(m_btnDisabled, DEMO_DISABLED_RECT);
    m_btnDisabled.EnableWindow(FALSE);
    m_btnBox.m_nImgNormal = IDP_BOXBTN_NORMAL;
    SetImages(m_btnBox, IDP_BOXBTN_NORMAL, IDP_BOXBTN_HOVER, IDP_BOXBTN_PRESSED);
    m_btnBox.m_clrNormal = m_btnBox.m_clrHover = m_btnBox.m_clrFocus = RGB(0x33, 0x33, 0x33);
    Place(m_btnBox, DEMO_BOXBTN_RECT);
    SetImages(m_btnBrowse, IDP_BROWSE_NORMAL, IDP_BROWSE_HOVER, IDP_BROWSE_PRESSED);
    Place(m_btnBrowse, DEMO_BROWSE_RECT);
    SetImages(m_btnLink, IDP_CUSTOM_NORMAL, IDP_CUSTOM_HOVER, IDP_CUSTOM_PRESSED);
    Place(m_btnLink, DEMO_LINK_RECT);
    m_chkAgree.m_bChecked = TRUE;
    Place(m_chkAgree, DEMO_CHECK_RECT);
    Place(m_progress, DEMO_PROGRESS_RECT);
    m_progress.SetPos(DEMO_PROGRESS_POS);
    m_pngLogo.m_nImageID = IDP_LOGO;
    Place(m_pngLogo, DEMO_LOGO_RECT);
    Place(m_gifBusy, DEMO_BUSY_RECT);
    Place(m_stcLabel, DEMO_LABEL_RECT);
    m_stcSpace.SetWindowText(L"所需空间：25.5MB    可用空间：10.2GB");
    Place(m_stcSpace, DEMO_SPACE_RECT);
    SetWindowText(L"Vellomar 皮肤演示");
    return TRUE;
}

void CSkinDemoDlg::CaptureChildBackgrounds(CDC* pMemDC, HWND hWnd)
{
    CaptureParentBackground(pMemDC, m_btnAction, hWnd);
    CaptureParentBackground(pMemDC, m_btnDisabled, hWnd);
    CaptureParentBackground(pMemDC, m_btnBox, hWnd);
    CaptureParentBackground(pMemDC, m_btnBrowse, hWnd);
    CaptureParentBackground(pMemDC, m_btnLink, hWnd);
    CaptureParentBackground(pMemDC, m_chkAgree, hWnd);
}

void CSkinDemoDlg::OnBnClickedCheck()
{
    ++m_nClicks;
    m_bCheckedAtClick = m_chkAgree.m_bChecked;
}
