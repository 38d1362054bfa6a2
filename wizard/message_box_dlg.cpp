#include "wizard/message_box_dlg.h"

#include <gdiplus.h>

#include "skin/picture_cache.h"
#include "skin/png_resource.h"
#include "wizard/install_rules.h"

namespace {

constexpr COLORREF CLR_CAPTION = 0x333333, CLR_CAPTION_PRESSED = 0xFFFFFF, CLR_CAPTION_DISABLED = 0x808080;
constexpr COLORREF CLR_MESSAGE = 0x333333;
constexpr int FIRST_BTN_X = 268, SECOND_BTN_X = 338;
constexpr int TEXT_TOP = 65, TEXT_WIDTH = 260, TEXT_BOTTOM = 155;
constexpr LONG MESSAGE_FONT_HEIGHT = 12;

void SkinBoxButton(CRedrawButton& btn)
{
    btn.m_nImgNormal = IDP_BOXBTN_NORMAL;
    btn.m_nImgHover = IDP_BOXBTN_HOVER;
    btn.m_nImgPressed = IDP_BOXBTN_PRESSED;
    btn.m_nImgFocus = IDP_BOXBTN_NORMAL;
    btn.m_nImgDisabled = IDP_BOXBTN_NORMAL;
    btn.m_clrNormal = CLR_CAPTION;
    btn.m_clrHover = CLR_CAPTION;
    btn.m_clrPressed = CLR_CAPTION_PRESSED;
    btn.m_clrFocus = CLR_CAPTION;
    btn.m_clrDisabled = CLR_CAPTION_DISABLED;
}

// Sizes the button to its picture at the bottom, then moves it to x (pixels).
void PlaceBoxButton(CWnd* pDlg, CRedrawButton& btn, int x)
{
    btn.SizeToImage(FALSE);
    CRect rc;
    btn.GetWindowRect(&rc);
    pDlg->ScreenToClient(&rc);
    btn.MoveWindow(x, rc.top, rc.Width(), rc.Height(), TRUE);
}

}  // namespace

IMPLEMENT_DYNAMIC(CMessageBoxDlg, CBaseDlg)

BEGIN_MESSAGE_MAP(CMessageBoxDlg, CBaseDlg)
    ON_BN_CLICKED(IDC_BTN_FIRST, &CMessageBoxDlg::OnBnClickedFirst)   // void OnBnClickedFirst()
    ON_BN_CLICKED(IDC_BTN_SECOND, &CMessageBoxDlg::OnBnClickedSecond) // void OnBnClickedSecond()
    ON_BN_CLICKED(IDC_BTN_CLOSE, &CMessageBoxDlg::OnBnClickedClose)   // void OnBnClickedClose()
    ON_BN_CLICKED(IDC_BTN_MIN, &CMessageBoxDlg::OnBnClickedMinNone)   // void OnBnClickedMinNone()
END_MESSAGE_MAP()

CMessageBoxDlg::CMessageBoxDlg(CWnd* pPage)
    : CBaseDlg(IDD_MESSAGE_BOX_DLG, pPage),
      m_btnFirst(true, true),
      m_btnSecond(true, true),
      m_stcTitle(14, L"宋体", TRUE, 0x000000)
{
    m_nBkImageID = IDP_MSGBOX_BK;
}

void CMessageBoxDlg::OnDpiScaleChanged()
{
    LOGFONTW lf = {};
    lf.lfHeight = m_dpi.FontHeight(MESSAGE_FONT_HEIGHT);
    wcscpy_s(lf.lfFaceName, L"宋体");
    m_fontMessage.DeleteObject();
    m_fontMessage.CreateFontIndirect(&lf);
}

CMessageBoxDlg::~CMessageBoxDlg() = default;

void CMessageBoxDlg::DoDataExchange(CDataExchange* pDX)
{
    CBaseDlg::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_BTN_FIRST, m_btnFirst);
    DDX_Control(pDX, IDC_BTN_SECOND, m_btnSecond);
    DDX_Control(pDX, IDC_STC_MSG_TITLE, m_stcTitle);
}

BOOL CMessageBoxDlg::OnInitDialog()
{
    CBaseDlg::OnInitDialog();
    OnDpiScaleChanged();
    // A tool window: the box gets no task-bar button of its own.
    ::SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, ::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE) ^ WS_EX_TOOLWINDOW);
    PlaceControl(m_stcTitle, 20, 20, 50, 20);
    m_btnFirst.SetWindowText(m_strFirstText);
    m_btnSecond.SetWindowText(m_strSecondText);
    SkinBoxButton(m_btnFirst);
    SkinBoxButton(m_btnSecond);
    PlaceBoxButton(this, m_btnFirst, m_dpi.Scale(FIRST_BTN_X));
    PlaceBoxButton(this, m_btnSecond, m_dpi.Scale(SECOND_BTN_X));
    m_btnMin.ShowWindow(SW_HIDE);
    // The buttons first, as in a system message box.
    SetTabOrder({IDC_BTN_FIRST, IDC_BTN_SECOND, IDC_BTN_CLOSE, IDC_BTN_MIN});

    // Over the page it belongs to while that page is on the screen.
    HWND hOwner = ::GetWindow(m_hWnd, GW_OWNER);
    if (hOwner && ::IsWindowVisible(hOwner) && !::IsIconic(hOwner))
        CenterWindow();
    else
        PlaceOnMouseMonitor(*this);
    return TRUE;
}

void CMessageBoxDlg::CaptureChildBackgrounds(CDC* pMemDC, HWND hWnd)
{
    CaptureParentBackground(pMemDC, m_btnFirst, hWnd);
    CaptureParentBackground(pMemDC, m_btnSecond, hWnd);
}

void CMessageBoxDlg::DrawPageContent(CDC& dcMem)
{
    const MessageBoxLayout layout = GetMessageBoxLayout(m_strMessage);
    if (Gdiplus::Image* pIcon = GetSkinPicture(m_nIconID)) {
        Gdiplus::Graphics graphics(dcMem.GetSafeHdc());
        DrawScaledImage(graphics, pIcon, layout.ptIcon.x, layout.ptIcon.y, m_dpi);
    }
    // The base's memory DC: transparent already, and gone after this paint.
    CRect rcText = m_dpi.ScaleRect(CRect(layout.nTextLeft, TEXT_TOP, layout.nTextLeft + TEXT_WIDTH, TEXT_BOTTOM));
    dcMem.SetTextColor(CLR_MESSAGE);
    CSelectObject selectFont(dcMem, m_fontMessage);
    dcMem.DrawText(m_strMessage, &rcText, DT_WORDBREAK | DT_VCENTER);
}

void CMessageBoxDlg::EndWithResult(int nResult)
{
    if (CWnd* pOwner = GetParent()) {
        pOwner->EnableWindow(TRUE);
        pOwner->SendMessage(WM_MSGBOX_RESULT, static_cast<WPARAM>(nResult), 0);
    }
    m_nResult = nResult;
    CDialog::OnCancel();
}

void CMessageBoxDlg::OnBnClickedFirst()
{
    EndWithResult(MB_RESULT_FIRST);
}

void CMessageBoxDlg::OnBnClickedSecond()
{
    EndWithResult(MB_RESULT_SECOND);
}

void CMessageBoxDlg::OnBnClickedClose()
{
    EndWithResult(MB_RESULT_CLOSED);
}

void CMessageBoxDlg::OnBnClickedMinNone()
{
    // The box cannot be minimised; its minimise button is hidden.
}
