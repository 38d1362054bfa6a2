#include "skin/redraw_check_box.h"

#include "skin/dpi_scale.h"
#include "skin/focus_cue.h"
#include "skin/mouse_tracking.h"
#include "skin/picture_cache.h"
#include "skin/png_resource.h"

namespace {

constexpr wchar_t CHECK_FONT_FAMILY[] = L"黑体";
constexpr Gdiplus::REAL CHECK_FONT_SIZE = 11;
constexpr int CHECK_IMAGE_TOP = 1;

}  // namespace

UINT ChooseCheckBoxImage(BOOL bChecked, BOOL bDisabled, BOOL bHover, BOOL bPressed)
{
    if (bDisabled)
        return bChecked ? IDP_CHECK_ON_DISABLED : IDP_CHECK_OFF_DISABLED;
    if (bHover && bPressed)
        return bChecked ? IDP_CHECK_ON_PRESSED : IDP_CHECK_OFF_PRESSED;
    if (bHover)
        return bChecked ? IDP_CHECK_ON_HOVER : IDP_CHECK_OFF_HOVER;
    return bChecked ? IDP_CHECK_ON_NORMAL : IDP_CHECK_OFF_NORMAL;
}

BEGIN_MESSAGE_MAP(CRedrawCheckBox, CButton)
    ON_WM_ERASEBKGND()    // BOOL OnEraseBkgnd(CDC*)
    ON_WM_MOUSEMOVE()     // void OnMouseMove(UINT, CPoint)
    ON_WM_LBUTTONDOWN()   // void OnLButtonDown(UINT, CPoint)
    ON_WM_LBUTTONUP()     // void OnLButtonUp(UINT, CPoint)
    ON_WM_MOUSELEAVE()    // void OnMouseLeave()
    ON_WM_MOUSEHOVER()    // void OnMouseHover(UINT, CPoint)
    ON_MESSAGE(WM_KEYDOWN, &CRedrawCheckBox::OnKeyDown)       // LRESULT OnKeyDown(WPARAM, LPARAM)
    ON_MESSAGE(WM_KEYUP, &CRedrawCheckBox::OnKeyUp)           // LRESULT OnKeyUp(WPARAM, LPARAM)
    ON_MESSAGE(WM_KILLFOCUS, &CRedrawCheckBox::OnKillFocus)   // LRESULT OnKillFocus(WPARAM, LPARAM)
END_MESSAGE_MAP()

CRedrawCheckBox::CRedrawCheckBox()
    : m_font(CreateSkinFont(CHECK_FONT_FAMILY, CHECK_FONT_SIZE)), m_nFontDpi(BASE_DPI)
{
}

CRedrawCheckBox::~CRedrawCheckBox()
{
    ReleaseSnapshot(m_dcBk, m_bmpBk);
}

void CRedrawCheckBox::PreSubclassWindow()
{
    CButton::PreSubclassWindow();
    // Owner-drawn whatever the template says; this also ends auto-checking.
    ModifyStyle(0, BS_OWNERDRAW, 0);
}

void CRedrawCheckBox::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    CDC* pDC = CDC::FromHandle(lpDrawItemStruct->hDC);   // the system's, for this call only
    CRect rcClient;
    GetClientRect(&rcClient);
    const int w = rcClient.Width();
    const int h = rcClient.Height();

    // Composed off-screen, so the anti-aliased text blends without flicker.
    Gdiplus::Bitmap bitmap(w, h, PixelFormat32bppARGB);
    Gdiplus::Graphics offscreen(&bitmap);
    offscreen.Clear(Gdiplus::Color(0, 0, 0, 0));
    COLORREF clrText = m_clrText;

    const UINT state = lpDrawItemStruct->itemState;
    m_bFocus = (state & ODS_FOCUS) ? TRUE : FALSE;
    if (state & (ODS_SELECTED | ODS_DEFAULT))
        m_bFocus = TRUE;
    m_bDisabled = (state & ODS_DISABLED) ? TRUE : FALSE;

    PaintCapturedBackground(*this, pDC);

    if (m_bDisabled)
        clrText = m_clrDisabled;
    Gdiplus::Image* const pImage = GetSkinPicture(ChooseCheckBoxImage(m_bChecked, m_bDisabled, m_bHover, m_bPressed));

    offscreen.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    const CDpiScale scale = CDpiScale::ForWindow(m_hWnd);
    if (m_nFontDpi != scale.Dpi()) {
        m_font = CreateSkinFont(CHECK_FONT_FAMILY, scale.ScaleF(CHECK_FONT_SIZE));
        m_nFontDpi = scale.Dpi();
    }
    const INT cxImage = scale.Scale(static_cast<int>(ImageWidth(pImage)));
    DrawScaledImage(offscreen, pImage, 0, CHECK_IMAGE_TOP, scale);

    CString strText;
    GetWindowText(strText);
    const Gdiplus::SolidBrush brush(ToGdiplusColor(clrText));
    // A zero-sized layout rectangle: no bounds, the text starts after the box.
    const Gdiplus::RectF rcLayout(static_cast<Gdiplus::REAL>(cxImage), 0, 0, 0);
    offscreen.DrawString(strText, strText.GetLength(), m_font.get(), rcLayout, nullptr, &brush);

    Gdiplus::Graphics screen(lpDrawItemStruct->hDC);
    screen.DrawImage(&bitmap, 0, 0, w, h);

    if (ShowsFocusCue(state, QueryFocusUiState(m_hWnd))) {
        // Round the text, as a system check box marks its focus.
        Gdiplus::RectF rcText;
        offscreen.MeasureString(strText, strText.GetLength(), m_font.get(), rcLayout, &rcText);
        RECT rcMark = {cxImage, 0, cxImage + static_cast<LONG>(rcText.Width + 1.0f),
                       static_cast<LONG>(rcText.Height + 1.0f)};
        const RECT rcAll = {0, 0, w, h};
        ::IntersectRect(&rcMark, &rcMark, &rcAll);
        screen.Flush(Gdiplus::FlushIntentionSync);
        DrawFocusCue(lpDrawItemStruct->hDC, rcMark, clrText);
    }

}

BOOL CRedrawCheckBox::OnEraseBkgnd(CDC* pDC)
{
    return PaintCapturedBackground(*this, pDC);
}

void CRedrawCheckBox::OnMouseMove(UINT nFlags, CPoint point)
{
    if (!m_bHover)
        m_bHover = TrackHoverAndLeave(m_hWnd);
    CButton::OnMouseMove(nFlags, point);
}

void CRedrawCheckBox::OnLButtonDown(UINT nFlags, CPoint point)
{
    // The state flips on the press, before the release sends BN_CLICKED.
    m_bPressed = TRUE;
    m_bChecked = !m_bChecked;
    InvalidateRect(nullptr, TRUE);
    CButton::OnLButtonDown(nFlags, point);
}

void CRedrawCheckBox::OnLButtonUp(UINT nFlags, CPoint point)
{
    m_bPressed = FALSE;
    CButton::OnLButtonUp(nFlags, point);
}

void CRedrawCheckBox::OnMouseLeave()
{
    m_bHover = FALSE;
    m_bPressed = FALSE;
    InvalidateRect(nullptr, TRUE);
}

void CRedrawCheckBox::OnMouseHover(UINT nFlags, CPoint point)
{
    m_bHover = TRUE;
    InvalidateRect(nullptr, TRUE);
}

LRESULT CRedrawCheckBox::OnKeyDown(WPARAM wParam, LPARAM lParam)
{
    // A held key repeats; only the first press counts.
    const bool bRepeat = (lParam & (1L << 30)) != 0;
    if (wParam == VK_SPACE && !bRepeat)
        m_bSpaceDown = TRUE;
    return Default();
}

LRESULT CRedrawCheckBox::OnKeyUp(WPARAM wParam, LPARAM lParam)
{
    // The system sends BN_CLICKED for a space bar released on a pushed box;
    // the state must have flipped by then, as it does for a press.
    if (wParam == VK_SPACE && m_bSpaceDown && (SendMessage(BM_GETSTATE) & BST_PUSHED)) {
        m_bChecked = !m_bChecked;
        InvalidateRect(nullptr, TRUE);
    }
    if (wParam == VK_SPACE)
        m_bSpaceDown = FALSE;
    return Default();
}

LRESULT CRedrawCheckBox::OnKillFocus(WPARAM wParam, LPARAM lParam)
{
    // Losing the focus with the key down sends no click.
    m_bSpaceDown = FALSE;
    return Default();
}
