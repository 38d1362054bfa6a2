#include "wizard/first_step_dlg.h"

#include <gdiplus.h>
#include <shlobj.h>

#include "engine/install_location.h"
#include "engine/install_path.h"
#include "engine/owners.h"
#include "engine/product.h"
#include "engine/space_text.h"
#include "skin/picture_cache.h"
#include "skin/png_resource.h"
#include "wizard/install_rules.h"
#include "wizard/message_box_dlg.h"
#include "wizard/protocol_dlg.h"

namespace {

constexpr COLORREF CLR_BAND_TEXT = 0xFFFFFF;

void SetButtonImages(CRedrawButton& btn, UINT nNormal, UINT nHover, UINT nPressed, UINT nFocus, UINT nDisabled)
{
    btn.m_nImgNormal = nNormal;
    btn.m_nImgHover = nHover;
    btn.m_nImgPressed = nPressed;
    btn.m_nImgFocus = nFocus;
    btn.m_nImgDisabled = nDisabled;
}

}  // namespace

IMPLEMENT_DYNAMIC(CFirstStepDlg, CBaseDlg)

BEGIN_MESSAGE_MAP(CFirstStepDlg, CBaseDlg)
    ON_WM_ERASEBKGND()                                                            // BOOL OnEraseBkgnd(CDC*)
    ON_BN_CLICKED(IDC_BTN_CLOSE, &CFirstStepDlg::OnBnClickedClose)                // void OnBnClickedClose()
    ON_BN_CLICKED(IDC_CHK_AGREE, &CFirstStepDlg::OnBnClickedAgree)                // void OnBnClickedAgree()
    ON_BN_CLICKED(IDC_BTN_QUICK_INSTALL, &CFirstStepDlg::OnBnClickedQuickInstall) // void OnBnClickedQuickInstall()
    ON_BN_CLICKED(IDC_BTN_INSTALL_NOW, &CFirstStepDlg::OnBnClickedInstallNow)     // void OnBnClickedInstallNow()
    ON_BN_CLICKED(IDC_BTN_CUSTOM, &CFirstStepDlg::OnBnClickedCustom)              // void OnBnClickedCustom()
    ON_BN_CLICKED(IDC_BTN_DEFAULT, &CFirstStepDlg::OnBnClickedDefault)            // void OnBnClickedDefault()
    ON_EN_CHANGE(IDC_EDIT_PATH, &CFirstStepDlg::OnEnChangePath)                   // void OnEnChangePath()
    ON_BN_CLICKED(IDC_BTN_BROWSE, &CFirstStepDlg::OnBnClickedBrowse)              // void OnBnClickedBrowse()
    ON_BN_CLICKED(IDC_BTN_PROTOCOL, &CFirstStepDlg::OnBnClickedProtocol)          // void OnBnClickedProtocol()
    ON_MESSAGE(WM_STOP_BUSY_ANIMATION, &CFirstStepDlg::OnStopBusyAnimation)       // LRESULT OnStopBusyAnimation(WPARAM, LPARAM)
END_MESSAGE_MAP()

CFirstStepDlg::CFirstStepDlg()
    : CBaseDlg(IDD_FIRST_STEP_DLG, nullptr),
      m_btnQuickInstall(true, true),
      m_btnInstallNow(true, true),
      m_btnProtocol(false, true),
      m_btnCustom(false, true),
      m_btnDefault(false, true),
      m_stcPathLabel(11, L"黑体", FALSE, CLR_BAND_TEXT),
      m_btnBrowse(false, true),
      m_stcSpace(11, L"黑体", FALSE, CLR_BAND_TEXT)
{
    m_nBkImageID = IDP_PAGE_BK;
}

CFirstStepDlg::~CFirstStepDlg() = default;

void CFirstStepDlg::DoDataExchange(CDataExchange* pDX)
{
    CBaseDlg::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_BTN_QUICK_INSTALL, m_btnQuickInstall);
    DDX_Control(pDX, IDC_BTN_INSTALL_NOW, m_btnInstallNow);
    DDX_Control(pDX, IDC_CHK_AGREE, m_chkAgree);
    DDX_Control(pDX, IDC_STC_SPACE, m_stcSpace);
    DDX_Control(pDX, IDC_STC_PATH_LABEL, m_stcPathLabel);
    DDX_Control(pDX, IDC_BTN_BROWSE, m_btnBrowse);
    DDX_Control(pDX, IDC_EDIT_PATH, m_editPath);
    DDX_Control(pDX, IDC_BTN_CUSTOM, m_btnCustom);
    DDX_Control(pDX, IDC_BTN_DEFAULT, m_btnDefault);
    DDX_Control(pDX, IDC_BTN_PROTOCOL, m_btnProtocol);
    DDX_Control(pDX, IDC_PNG_LOGO, m_pngLogo);
    DDX_Control(pDX, IDC_GIF_BUSY, m_gifBusy);
}

BOOL CFirstStepDlg::OnInitDialog()
{
    CBaseDlg::OnInitDialog();

    SetButtonImages(m_btnBrowse, IDP_BROWSE_NORMAL, IDP_BROWSE_HOVER, IDP_BROWSE_PRESSED, IDP_BROWSE_NORMAL, IDP_BROWSE_NORMAL);
    SetButtonImages(m_btnCustom, IDP_CUSTOM_NORMAL, IDP_CUSTOM_HOVER, IDP_CUSTOM_PRESSED, IDP_CUSTOM_NORMAL, IDP_CUSTOM_NORMAL);
    SetButtonImages(m_btnDefault, IDP_DEFAULT_NORMAL, IDP_DEFAULT_HOVER, IDP_DEFAULT_PRESSED, IDP_DEFAULT_NORMAL, IDP_DEFAULT_NORMAL);
    SetButtonImages(m_btnProtocol, IDP_PROTOCOL_LINK, IDP_PROTOCOL_LINK, IDP_PROTOCOL_LINK, IDP_PROTOCOL_LINK, IDP_PROTOCOL_LINK);

    PlaceControl(m_btnQuickInstall, 148, 170, 130, 38);
    PlaceControl(m_btnInstallNow, 285, 205, 130, 38);
    PlaceControl(m_btnCustom, 10, 230, 100, 15);
    PlaceControl(m_btnDefault, 10, 175, 100, 15);
    PlaceControl(m_chkAgree, 200, 230, 150, 16);
    PlaceControl(m_btnProtocol, 360, 230, 75, 14);

    m_chkAgree.m_bChecked = TRUE;
    m_chkAgree.Invalidate(TRUE);
    m_chkAgree.ShowWindow(SW_SHOW);

    PlaceControl(m_stcPathLabel, 10, 210, 55, 20);
    PlaceControl(m_editPath, 70, 208, 150, 16);
    PlaceControl(m_btnBrowse, 225, 208, 34, 16);
    PlaceControl(m_stcSpace, 10, 230, 250, 20);
    // On the dark band of the custom layout: a light mark reads there.
    m_btnBrowse.m_clrFocusMark = CLR_BAND_TEXT;

    m_pngLogo.m_nImageID = IDP_LOGO;
    PlaceControl(m_pngLogo, 108, 17, 200, 150);
    // Parked below the page's bottom edge: the animation is not shown.
    PlaceControl(m_gifBusy, 400, 274, 24, 24);

    ShowQuickLayout();
    m_btnCustom.ShowWindow(SW_SHOW);
    m_btnProtocol.ShowWindow(SW_SHOW);

    SetWindowText(L"Vellomar 安装");
    // Main action first, then the page in reading order, the title buttons
    // last; each layout skips the other's hidden controls.
    SetTabOrder({IDC_BTN_QUICK_INSTALL, IDC_BTN_INSTALL_NOW, IDC_BTN_CUSTOM, IDC_BTN_DEFAULT, IDC_CHK_AGREE,
                 IDC_BTN_PROTOCOL, IDC_EDIT_PATH, IDC_BTN_BROWSE, IDC_BTN_MIN, IDC_BTN_CLOSE});
    PlaceOnMouseMonitor(*this);

    // A remembered folder may carry what Windows dropped when it was used.
    g_strInstallPath = NormalizeInstallPath(GetDefaultInstallDir());
    // Raises EN_CHANGE: the space line and "立即安装" follow the proposal.
    m_editPath.SetWindowText(g_strInstallPath);
    return TRUE;
}

BOOL CFirstStepDlg::PreTranslateMessage(MSG* pMsg)
{
    // Neither Enter nor Escape may press a button or close the page, also
    // in the path box.
    if (pMsg->message == WM_KEYDOWN && (pMsg->wParam == VK_RETURN || pMsg->wParam == VK_ESCAPE))
        return TRUE;
    return CBaseDlg::PreTranslateMessage(pMsg);
}

void CFirstStepDlg::CaptureChildBackgrounds(CDC* pMemDC, HWND hWnd)
{
    CaptureParentBackground(pMemDC, m_btnQuickInstall, hWnd);
    CaptureParentBackground(pMemDC, m_btnInstallNow, hWnd);
    CaptureParentBackground(pMemDC, m_chkAgree, hWnd);
    CaptureParentBackground(pMemDC, m_btnBrowse, hWnd);
    CaptureParentBackground(pMemDC, m_btnCustom, hWnd);
    CaptureParentBackground(pMemDC, m_btnDefault, hWnd);
    CaptureParentBackground(pMemDC, m_btnProtocol, hWnd);
}

BOOL CFirstStepDlg::OnEraseBkgnd(CDC*)
{
    return TRUE;   // the base's paint covers the whole page
}

void CFirstStepDlg::ShowQuickLayout()
{
    ShowLayout(false);
}

void CFirstStepDlg::ShowCustomLayout()
{
    ShowLayout(true);
}

void CFirstStepDlg::ShowLayout(bool bCustom)
{
    const int nCustom = bCustom ? SW_SHOW : SW_HIDE;
    const int nQuick = bCustom ? SW_HIDE : SW_SHOW;
    m_editPath.ShowWindow(nCustom);
    m_stcSpace.ShowWindow(nCustom);
    m_stcPathLabel.ShowWindow(nCustom);
    m_btnBrowse.ShowWindow(nCustom);
    m_btnQuickInstall.ShowWindow(nQuick);
    m_btnInstallNow.ShowWindow(nCustom);
    m_btnCustom.ShowWindow(nQuick);
    m_btnDefault.ShowWindow(nCustom);
    const int yAgree = bCustom ? 175 : 230;
    PlaceControl(m_chkAgree, 200, yAgree, 150, 20);
    PlaceControl(m_btnProtocol, 360, yAgree, 75, 14);

    m_pBkImage = GetSkinPicture(bCustom ? IDP_CUSTOM_BK : IDP_PAGE_BK);
    // The page first, then its controls: each control paints the part of the
    // page's snapshot under it, and a control shown or moved here would
    // otherwise paint from the other layout's snapshot and keep it.
    RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);

    // The link that switched the layout is hidden now; the focus must not stay there.
    FocusMainAction(bCustom);
}

void CFirstStepDlg::FocusMainAction(bool bCustom)
{
    CWnd& main = bCustom ? static_cast<CWnd&>(m_btnInstallNow) : static_cast<CWnd&>(m_btnQuickInstall);
    if (main.IsWindowEnabled())
        GotoDlgCtrl(&main);
    else if (bCustom)
        GotoDlgCtrl(&m_editPath);
    else
        GotoDlgCtrl(&m_chkAgree);   // unticked: the way to enable it again
}

void CFirstStepDlg::OnBnClickedClose()
{
    CMessageBoxDlg box(this);
    box.m_strFirstText = L"确定";
    box.m_strSecondText = L"取消";
    box.m_nIconID = IDP_ICON_ALERT;
    box.m_strMessage = L"\n您确定要停止安装Vellomar吗？";
    box.DoModal();
    if (box.m_nResult != MB_RESULT_SECOND)
        PostQuitToMainWnd();
}

void CFirstStepDlg::OnBnClickedAgree()
{
    const BOOL bAgreed = m_chkAgree.m_bChecked ? TRUE : FALSE;
    m_btnQuickInstall.EnableWindow(bAgreed);
    // Ticking never enables an install into a folder that cannot take it.
    m_btnInstallNow.EnableWindow(bAgreed && m_bPathUsable);
}

void CFirstStepDlg::OnBnClickedQuickInstall()
{
    // The proposal of OnInitDialog, whatever the path box holds now.
    if (ConfirmInstall(g_strInstallPath, this))
        StartInstall(g_strInstallPath);
}

void CFirstStepDlg::OnBnClickedInstallNow()
{
    CString strPath;
    m_editPath.GetWindowText(strPath);
    // Checked again: the disk may have changed since the text did.
    if (!CheckTypedPath(strPath)) {
        GotoDlgCtrl(&m_editPath);
        return;
    }
    const CString strFolder = NormalizeInstallPath(ComposeTypedFolder(strPath));
    if (!ConfirmInstall(strFolder, this)) {
        GotoDlgCtrl(&m_editPath);
        return;
    }
    StartInstall(strFolder);
}

BOOL CFirstStepDlg::ConfirmInstall(const CString& strFolder, CWnd* pPage)
{
    if (ClassifyInstallFolderOnDisk(strFolder) == FolderOccupant::Foreign) {
        CMessageBoxDlg box(pPage);
        box.m_strFirstText = L"继续";
        box.m_strSecondText = L"取消";
        box.m_nIconID = IDP_ICON_ALERT;
        box.m_strMessage = GetForeignFolderQuestion(strFolder);
        box.DoModal();
        // Only "继续" writes there; "取消" and the close button leave the page as it was.
        if (box.m_nResult != MB_RESULT_FIRST)
            return FALSE;
    }
    if (m_fnMayInstall && !m_fnMayInstall(pPage)) {
        PostQuitToMainWnd();
        return FALSE;
    }
    return TRUE;
}

void CFirstStepDlg::StartInstall(const CString& strFolder)
{
    g_strInstallPath = strFolder;
    ShowProgressPage(*this);
    ShowWindow(SW_HIDE);
}

BOOL CFirstStepDlg::CheckTypedPath(const CString& strPath)
{
    // A drive root stands for the product's folder on it.
    const InstallPathCheck check = CheckInstallPathOnDisk(ComposeTypedFolder(strPath));
    m_bPathUsable = check.problem == InstallPathProblem::None ? TRUE : FALSE;
    if (!m_bPathUsable) {
        // The reason replaces the free space, which would be stale or beside the point.
        ShowSpaceLine(this, GetPathProblemText(check));
        m_btnInstallNow.EnableWindow(FALSE);
    }
    return m_bPathUsable;
}

void CFirstStepDlg::OnBnClickedCustom()
{
    ShowCustomLayout();
}

void CFirstStepDlg::OnBnClickedDefault()
{
    ShowQuickLayout();
}

void CFirstStepDlg::OnEnChangePath()
{
    CString strPath;
    m_editPath.GetWindowText(strPath);
    if (!CheckTypedPath(strPath))
        return;
    LONGLONG nFreeBytes = 0;
    UpdateSpaceText(ComposeTypedFolder(strPath), nFreeBytes, this);
    m_btnInstallNow.EnableWindow(IsEnoughSpace(nFreeBytes) ? TRUE : FALSE);
}

void CFirstStepDlg::OnBnClickedBrowse()
{
    wchar_t szDisplayName[MAX_PATH] = {};
    BROWSEINFOW bi = {};
    bi.hwndOwner = m_hWnd;
    bi.pszDisplayName = szDisplayName;
    bi.lpszTitle = L"浏览文件夹";
    bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;
    CString strChosen;
    if (LPITEMIDLIST pidl = ::SHBrowseForFolderW(&bi)) {
        wchar_t szPath[MAX_PATH] = {};
        if (::SHGetPathFromIDListW(pidl, szPath))
            strChosen = szPath;
        // The folder is the shell allocator's to free. Without that
        // allocator the handler leaves the path box and the focus as they
        // are; the list is still freed, by the task allocator the shell's is.
        CComRef<IMalloc> pMalloc;
        if (FAILED(::SHGetMalloc(reinterpret_cast<IMalloc**>(pMalloc.Receive()))) || !pMalloc) {
            ::CoTaskMemFree(pidl);
            return;
        }
        pMalloc->Free(pidl);
    }
    const CString strPath = ComposeBrowsedFolder(strChosen);
    if (!strPath.IsEmpty())
        m_editPath.SetWindowText(strPath);
    // Not "快速安装", hidden in this layout: it would install elsewhere.
    FocusMainAction(true);
}

void CFirstStepDlg::OnBnClickedProtocol()
{
    if (!g_pProtocolDlg) {
        GetWizardPages()
            .Adopt(std::make_unique<CProtocolDlg>(), g_pProtocolDlg)
            .Create(IDD_PROTOCOL_DLG, CWnd::FromHandle(::GetDesktopWindow()));
    }
    ShowInPlaceOf(*g_pProtocolDlg, *this);
    ShowWindow(SW_HIDE);
}

LRESULT CFirstStepDlg::OnStopBusyAnimation(WPARAM, LPARAM)
{
    m_gifBusy.ShowWindow(SW_HIDE);
    return 0;
}
