#include "skin/redraw_button.h"

#include <gdiplus.h>

#include "skin/focus_cue.h"
#include "skin/mouse_tracking.h"
#include "skin/picture_cache.h"
#include "skin/png_resource.h"

namespace {

constexpr LONG BUTTON_FONT_HEIGHT = 15;
constexpr LONG BUTTON_FONT_WEIGHT = FW_BOLD;
constexpr wchar_t BUTTON_FONT_FACE[] = L"华文细黑";

}  // namespace

ButtonLook ChooseButtonLook(BOOL bDisabled, BOOL bHover, BOOL bPressed, BOOL bFocus)
{
    if (bDisabled)
        return ButtonLook::Disabled;
    if (bHover && bPressed)
        return ButtonLook::Pressed;
    if (bHover)
        return ButtonLook::Hover;
    if (bFocus)
        return ButtonLook::Focus;
    return ButtonLook::Normal;
}

RECT GetButtonFocusRect(SIZE client, SIZE image, SIZE text)
{
    RECT rc = {0, 0, client.cx, client.cy};
    const bool bImage = image.cx > 0 && image.cy > 0;
    const bool bText = text.cx > 0 && text.cy > 0;
    if (bImage) {
        // The picture is drawn at the top-left corner in its own size.
        rc.right = image.cx < client.cx ? image.cx : client.cx;
        rc.bottom = image.cy < client.cy ? image.cy : client.cy;
        if (bText)
            ::InflateRect(&rc, -FOCUS_CUE_INSET, -FOCUS_CUE_INSET);
    } else if (bText) {
        // The caption is centred in the button.
        rc.left = (client.cx - text.cx) / 2 - FOCUS_CUE_TEXT_GAP;
        rc.top = (client.cy - text.cy) / 2 - FOCUS_CUE_TEXT_GAP;
        rc.right = rc.left + text.cx + 2 * FOCUS_CUE_TEXT_GAP;
        rc.bottom = rc.top + text.cy + 2 * FOCUS_CUE_TEXT_GAP;
        RECT rcClient = {0, 0, client.cx, client.cy};
        ::IntersectRect(&rc, &rc, &rcClient);
    }
    return rc;
}

BEGIN_MESSAGE_MAP(CRedrawButton, CButton)
    ON_WM_ERASEBKGND()    // BOOL OnEraseBkgnd(CDC*)
    ON_WM_MOUSEMOVE()     // void OnMouseMove(UINT, CPoint)
    ON_WM_LBUTTONDOWN()   // void OnLButtonDown(UINT, CPoint)
    ON_WM_LBUTTONUP()     // void OnLButtonUp(UINT, CPoint)
    ON_WM_MOUSELEAVE()    // void OnMouseLeave()
    ON_WM_MOUSEHOVER()    // void OnMouseHover(UINT, CPoint)
END_MESSAGE_MAP()

CRedrawButton::CRedrawButton(bool bDrawText, bool bDrawImage)
    : m_bDrawText(bDrawText), m_bDrawImage(bDrawImage)
{
    MakeFont(CDpiScale());
}

void CRedrawButton::MakeFont(const CDpiScale& scale)
{
    if (m_font.GetSafeHandle() && m_nFontDpi == scale.Dpi())
        return;
    LOGFONTW lf = {};
    lf.lfHeight = scale.FontHeight(BUTTON_FONT_HEIGHT);
    lf.lfWeight = BUTTON_FONT_WEIGHT;
    wcscpy_s(lf.lfFaceName, BUTTON_FONT_FACE);
    m_font.DeleteObject();
    m_font.CreateFontIndirect(&lf);
    m_nFontDpi = scale.Dpi();
}

CRedrawButton::~CRedrawButton()
{
    ReleaseSnapshot(m_dcBk, m_bmpBk);
}

UINT CRedrawButton::GetLookImage(ButtonLook look) const
{
    switch (look) {
    case ButtonLook::Disabled: return m_nImgDisabled;
    case ButtonLook::Pressed: return m_nImgPressed;
    case ButtonLook::Hover: return m_nImgHover;
    case ButtonLook::Focus: return m_nImgFocus;
    case ButtonLook::Normal: break;
    }
    return m_nImgNormal;
}

COLORREF CRedrawButton::GetLookColor(ButtonLook look) const
{
    switch (look) {
    case ButtonLook::Disabled: return m_clrDisabled;
    case ButtonLook::Pressed: return m_clrPressed;
    case ButtonLook::Hover: return m_clrHover;
    case ButtonLook::Focus: return m_clrFocus;
    case ButtonLook::Normal: break;
    }
    return m_clrNormal;
}

void CRedrawButton::SizeToImage(BOOL bTop)
{
    Gdiplus::Image* const pImage = GetSkinPicture(m_nImgNormal);
    const CDpiScale scale = CDpiScale::ForWindow(m_hWnd);
    const int cx = scale.Scale(static_cast<int>(ImageWidth(pImage)));
    const int cy = scale.Scale(static_cast<int>(ImageHeight(pImage)));
    CRect rcParent;
    ::GetClientRect(::GetParent(m_hWnd), &rcParent);
    MoveWindow(0, bTop ? 0 : rcParent.Height() - scale.Scale(BUTTON_BOTTOM_GAP), cx, cy, TRUE);
}

void CRedrawButton::PreSubclassWindow()
{
    CButton::PreSubclassWindow();
    ModifyStyle(0, BS_OWNERDRAW, 0);
}

void CRedrawButton::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    m_bDisabled = FALSE;
    CDC* pDC = CDC::FromHandle(lpDrawItemStruct->hDC);   // the system's, for this call only
    Gdiplus::Graphics graphics(lpDrawItemStruct->hDC);
    CRect rcClient;
    GetClientRect(&rcClient);

    const UINT state = lpDrawItemStruct->itemState;
    m_bFocus = (state & ODS_FOCUS) ? TRUE : FALSE;
    if (state & (ODS_SELECTED | ODS_DEFAULT))
        m_bFocus = TRUE;
    if (state & ODS_DISABLED)
        m_bDisabled = TRUE;

    PaintCapturedBackground(*this, pDC);

    const ButtonLook look = ChooseButtonLook(m_bDisabled, m_bHover, m_bPressed, m_bFocus);
    Gdiplus::Image* const pImage = GetSkinPicture(GetLookImage(look));

    const CDpiScale scale = CDpiScale::ForWindow(m_hWnd);
    MakeFont(scale);
    if (m_bDrawImage && pImage)
        DrawScaledImage(graphics, pImage, 0, 0, scale);
    CString strText;
    if (m_bDrawText) {
        GetWindowText(strText);
        pDC->SetTextColor(GetLookColor(look));
        // The system's font goes back so m_font is never left selected.
        CSelectObject selectFont(*pDC, m_font);
        pDC->SetBkMode(TRANSPARENT);
        CRect rcText(0, 0, rcClient.Width(), rcClient.Height());
        pDC->DrawText(strText, &rcText, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    if (ShowsFocusCue(state, QueryFocusUiState(m_hWnd)))
        DrawFocusMark(lpDrawItemStruct->hDC, rcClient, m_bDrawImage ? pImage : nullptr, strText, GetLookColor(look));
}

void CRedrawButton::DrawFocusMark(HDC hdc, const CRect& rcClient, Gdiplus::Image* pImage,
                                  const CString& strText, COLORREF clrText)
{
    SIZE image = {};
    if (pImage) {
        const CDpiScale scale = CDpiScale::ForWindow(m_hWnd);
        image.cx = scale.Scale(static_cast<int>(pImage->GetWidth()));
        image.cy = scale.Scale(static_cast<int>(pImage->GetHeight()));
    }
    SIZE text = {};
    if (!strText.IsEmpty()) {
        CSelectObject selectFont(hdc, m_font.GetSafeHandle());
        ::GetTextExtentPoint32W(hdc, strText, strText.GetLength(), &text);
    }
    const SIZE client = {rcClient.Width(), rcClient.Height()};
    DrawFocusCue(hdc, GetButtonFocusRect(client, image, text), text.cx > 0 ? clrText : m_clrFocusMark);
}

BOOL CRedrawButton::OnEraseBkgnd(CDC* pDC)
{
    return PaintCapturedBackground(*this, pDC);
}

void CRedrawButton::OnMouseMove(UINT nFlags, CPoint point)
{
    if (!m_bHover)
        m_bHover = TrackHoverAndLeave(m_hWnd);
    ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
    CButton::OnMouseMove(nFlags, point);
}

void CRedrawButton::OnLButtonDown(UINT nFlags, CPoint point)
{
    m_bPressed = TRUE;
    CButton::OnLButtonDown(nFlags, point);
}

void CRedrawButton::OnLButtonUp(UINT nFlags, CPoint point)
{
    m_bPressed = FALSE;
    CButton::OnLButtonUp(nFlags, point);
}

void CRedrawButton::OnMouseLeave()
{
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    m_bHover = FALSE;
    m_bPressed = FALSE;
    InvalidateRect(nullptr, TRUE);
}

void CRedrawButton::OnMouseHover(UINT nFlags, CPoint point)
{
    m_bHover = TRUE;
    InvalidateRect(nullptr, TRUE);
}
