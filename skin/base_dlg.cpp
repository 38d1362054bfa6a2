#include "skin/base_dlg.h"

#include <vector>

#include "skin/focus_cue.h"
#include "skin/picture_cache.h"
#include "skin/wnd_shadow.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

void PostQuitToMainWnd()
{
    // With no window of the thread active (another program has the
    // activation) there is no main window: a null window posts to the thread
    // itself, so the loop still ends.
    ::PostMessageW(SafeHwnd(AfxGetThread()->GetMainWnd()), WM_QUIT, 0, 0);
}

IMPLEMENT_DYNAMIC(CBaseDlg, CDialog)

BEGIN_MESSAGE_MAP(CBaseDlg, CDialog)
    ON_WM_CREATE()                                          // int OnCreate(LPCREATESTRUCT)
    ON_WM_CLOSE()                                           // void OnClose()
    ON_WM_LBUTTONDOWN()                                     // void OnLButtonDown(UINT, CPoint)
    ON_BN_CLICKED(IDCANCEL, &CBaseDlg::OnBnClickedCancel)   // void OnBnClickedCancel()
    ON_BN_CLICKED(IDOK, &CBaseDlg::OnBnClickedOk)           // void OnBnClickedOk()
    ON_WM_PAINT()                                           // void OnPaint()
    ON_WM_SHOWWINDOW()                                      // void OnShowWindow(BOOL, UINT)
    ON_BN_CLICKED(IDC_TITLE_MIN, &CBaseDlg::OnBnClickedMin)       // void OnBnClickedMin()
    ON_BN_CLICKED(IDC_TITLE_CLOSE, &CBaseDlg::OnBnClickedClose)   // void OnBnClickedClose()
    ON_MESSAGE(WM_CHANGEUISTATE, &CBaseDlg::OnChangeUIState)      // LRESULT OnChangeUIState(WPARAM, LPARAM)
    ON_MESSAGE(WM_UPDATEUISTATE, &CBaseDlg::OnUpdateUIState)      // LRESULT OnUpdateUIState(WPARAM, LPARAM)
    ON_MESSAGE(WM_QUERYUISTATE, &CBaseDlg::OnQueryUIState)        // LRESULT OnQueryUIState(WPARAM, LPARAM)
    ON_MESSAGE(WM_DPICHANGED, &CBaseDlg::OnDpiChanged)            // LRESULT OnDpiChanged(WPARAM, LPARAM)
END_MESSAGE_MAP()

CBaseDlg::CBaseDlg(UINT nIDTemplate, CWnd* pParent)
    : CDialog(nIDTemplate, pParent), m_btnMin(false, true), m_btnClose(false, true)
{
}

CBaseDlg::~CBaseDlg() = default;

void CBaseDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_TITLE_MIN, m_btnMin);
    DDX_Control(pDX, IDC_TITLE_CLOSE, m_btnClose);
}

BOOL CBaseDlg::PreTranslateMessage(MSG* pMsg)
{
    NoteInputMessage(pMsg->message);
    if (pMsg->message == WM_KEYDOWN) {
        // Enter does nothing here, also on a focused button.
        if (pMsg->wParam == VK_ESCAPE || pMsg->wParam == VK_RETURN)
            return TRUE;
        // Before the dialog moves the focus, so the next control draws its mark.
        if (IsFocusNavigationKey(pMsg->wParam))
            RevealFocusCues(m_hWnd);
    }
    return CDialog::PreTranslateMessage(pMsg);
}

void CBaseDlg::SetTabOrder(std::initializer_list<int> ids)
{
    HWND hAfter = HWND_TOP;
    for (int nID : ids) {
        HWND hCtrl = ::GetDlgItem(m_hWnd, nID);
        if (!hCtrl)
            continue;
        ::SetWindowLongPtrW(hCtrl, GWL_STYLE, ::GetWindowLongPtrW(hCtrl, GWL_STYLE) | WS_TABSTOP);
        // Tab follows the z-order of the dialog's children.
        ::SetWindowPos(hCtrl, hAfter, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        hAfter = hCtrl;
    }
}

LRESULT CBaseDlg::OnChangeUIState(WPARAM wParam, LPARAM lParam)
{
    // A top-level window takes the change itself, as the system's default
    // does, with UIS_INITIALIZE settled by the last input.
    const WORD action = ResolveUiStateAction(LOWORD(wParam), LastInputWasKeyboard());
    SendMessage(WM_UPDATEUISTATE, MAKEWPARAM(action, HIWORD(wParam)), lParam);
    return 0;
}

LRESULT CBaseDlg::OnUpdateUIState(WPARAM wParam, LPARAM lParam)
{
    if (HIWORD(wParam) & UISF_HIDEFOCUS) {
        if (LOWORD(wParam) == UIS_SET)
            m_bHideFocus = TRUE;
        else if (LOWORD(wParam) == UIS_CLEAR)
            m_bHideFocus = FALSE;
    }
    const LRESULT lResult = Default();
    // Only the focused control draws a mark; it repaints with or without it.
    HWND hFocus = ::GetFocus();
    if (hFocus && ::IsChild(m_hWnd, hFocus))
        ::InvalidateRect(hFocus, nullptr, TRUE);
    return lResult;
}

LRESULT CBaseDlg::OnQueryUIState(WPARAM wParam, LPARAM lParam)
{
    const LRESULT lSystem = Default() & ~static_cast<LRESULT>(UISF_HIDEFOCUS);
    return m_bHideFocus ? (lSystem | UISF_HIDEFOCUS) : lSystem;
}

void CBaseDlg::SizeToBackground()
{
    m_sizeWindow96 = {static_cast<LONG>(m_pBkImage->GetWidth()), static_cast<LONG>(m_pBkImage->GetHeight())};
    SetWindowPos(nullptr, 0, 0, m_dpi.Scale(m_sizeWindow96.cx), m_dpi.Scale(m_sizeWindow96.cy), SWP_NOMOVE);
}

void CBaseDlg::PlaceControl(CWnd& ctrl, int x, int y, int cx, int cy)
{
    ctrl.MoveWindow(m_dpi.ScaleRect(x, y, cx, cy), TRUE);
}

void CBaseDlg::OnDpiScaleChanged()
{
}

LRESULT CBaseDlg::OnDpiChanged(WPARAM wParam, LPARAM lParam)
{
    const int nNewDpi = LOWORD(wParam);
    const RECT* pSuggested = reinterpret_cast<const RECT*>(lParam);
    if (!pSuggested || nNewDpi == m_dpi.Dpi())
        return 0;
    std::vector<HWND> children;
    std::vector<CRect> rects;
    for (HWND hChild = ::GetWindow(m_hWnd, GW_CHILD); hChild; hChild = ::GetWindow(hChild, GW_HWNDNEXT)) {
        CRect rc;
        ::GetWindowRect(hChild, &rc);
        ScreenToClient(&rc);
        children.push_back(hChild);
        rects.push_back(rc);
    }
    CRect rcWindow;
    GetWindowRect(&rcWindow);
    const SIZE size96 = m_sizeWindow96.cx > 0 ? m_sizeWindow96 : CSize(::MulDiv(rcWindow.Width(), BASE_DPI, m_dpi.Dpi()),
                                                                       ::MulDiv(rcWindow.Height(), BASE_DPI, m_dpi.Dpi()));
    const DpiLayout layout = LayoutForDpi(*pSuggested, size96, rects, m_dpi.Dpi(), nNewDpi);
    m_dpi = CDpiScale(nNewDpi);
    if (m_pShadow)
        ScaleShadow(*m_pShadow, m_dpi);
    for (size_t i = 0; i < children.size(); ++i) {
        const CRect& rc = layout.children[i];
        ::MoveWindow(children[i], rc.left, rc.top, rc.Width(), rc.Height(), FALSE);
    }
    SetWindowPos(nullptr, layout.rcWindow.left, layout.rcWindow.top, layout.rcWindow.Width(),
                 layout.rcWindow.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    OnDpiScaleChanged();
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_ERASE);
    return 0;
}

int CBaseDlg::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CDialog::OnCreate(lpCreateStruct) == -1)
        return -1;
    // The skin draws its own title bar; the template's caption would show above it.
    ModifyStyle(WS_CAPTION, 0);
    m_dpi = CDpiScale::ForWindow(m_hWnd);
    m_pBkImage = GetSkinPicture(m_nBkImageID);
    if (m_pBkImage)
        SizeToBackground();   // without a background the template's size stays
    CRect rcWindow;
    GetWindowRect(&rcWindow);
    m_pShadow = AttachShadow(m_hWnd, rcWindow.Height());
    return 0;
}

void CBaseDlg::PlaceTitleButton(CRedrawButton& button, int xFromRight)
{
    button.SizeToImage(TRUE);
    CRect rcDlg;
    GetWindowRect(&rcDlg);
    CRect rcButton;
    button.GetWindowRect(&rcButton);
    ScreenToClient(&rcButton);
    button.MoveWindow(rcDlg.Width() - m_dpi.Scale(xFromRight), rcButton.top, rcButton.Width(), rcButton.Height(), TRUE);
}

BOOL CBaseDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_btnMin.m_nImgNormal = IDP_MIN_NORMAL;
    m_btnMin.m_nImgHover = IDP_MIN_HOVER;
    m_btnMin.m_nImgPressed = IDP_MIN_PRESSED;
    m_btnMin.m_nImgFocus = IDP_MIN_NORMAL;
    m_btnMin.m_nImgDisabled = IDP_MIN_NORMAL;
    PlaceTitleButton(m_btnMin, 2 * TITLE_BUTTON_SIZE);
    m_btnClose.m_nImgNormal = IDP_CLOSE_NORMAL;
    m_btnClose.m_nImgHover = IDP_CLOSE_HOVER;
    m_btnClose.m_nImgPressed = IDP_CLOSE_PRESSED;
    m_btnClose.m_nImgFocus = IDP_CLOSE_NORMAL;
    m_btnClose.m_nImgDisabled = IDP_CLOSE_DISABLED;
    PlaceTitleButton(m_btnClose, TITLE_BUTTON_SIZE);
    InitFocusCues(m_hWnd);
    return TRUE;
}

void CBaseDlg::DrawPageContent(CDC& dcMem)
{
}

void CBaseDlg::CaptureChildBackgrounds(CDC* pMemDC, HWND hWnd)
{
}

void CBaseDlg::OnClose()
{
    // The dialog procedure turns it into IDCANCEL, so Alt+F4 acts as Cancel.
    CDialog::OnClose();
}

void CBaseDlg::OnLButtonDown(UINT nFlags, CPoint point)
{
    ::SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, TRUE, nullptr, 0);
    ::SendMessageW(m_hWnd, WM_SYSCOMMAND, SC_DRAGMOVE, 0);
    CDialog::OnLButtonDown(nFlags, point);
}

void CBaseDlg::OnBnClickedCancel()
{
    PostQuitToMainWnd();
}

void CBaseDlg::OnBnClickedOk()
{
    // Enter never closes a page.
}

void CBaseDlg::OnPaint()
{
    CPaintDC dc(this);
    CRect rcClient;
    GetClientRect(&rcClient);
    const int w = rcClient.Width();
    const int h = rcClient.Height();

    CDC dcMem;
    dcMem.CreateCompatibleDC(&dc);
    CBitmap bmpMem;
    bmpMem.CreateCompatibleBitmap(&dc, w, h);
    {
        CSelectObject select(dcMem, bmpMem);
        dcMem.SetBkMode(TRANSPARENT);
        {
            Gdiplus::Graphics graphics(dcMem.GetSafeHdc());
            DrawImageInto(graphics, GetSkinPictureForDpi(m_pBkImage, m_dpi.Dpi()), rcClient);
        }
        DrawPageContent(dcMem);
        // The children paint their part of this as their background; none
        // of them lies over the page's own drawing.
        CaptureParentBackground(&dcMem, m_btnMin, m_hWnd);
        CaptureParentBackground(&dcMem, m_btnClose, m_hWnd);
        CaptureChildBackgrounds(&dcMem, m_hWnd);
        dc.BitBlt(0, 0, w, h, &dcMem, 0, 0, SRCCOPY);
    }
}

void CBaseDlg::OnShowWindow(BOOL bShow, UINT nStatus)
{
    CDialog::OnShowWindow(bShow, nStatus);
    if (bShow && m_pBkImage)
        SizeToBackground();
    // Reached by the keyboard: the user goes on with it here.
    if (bShow && LastInputWasKeyboard())
        RevealFocusCues(m_hWnd);
}

void CBaseDlg::OnBnClickedMin()
{
    ShowWindow(SW_MINIMIZE);
}

void CBaseDlg::OnBnClickedClose()
{
    PostQuitToMainWnd();
}
