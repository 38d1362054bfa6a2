// redraw_button.h: CRedrawButton, the owner-drawn push button of every page.
//
// It paints one of five PNG images by state over its piece of the parent's
// background snapshot, optionally with its window text centred on top, and
// shows a hand cursor under the mouse. Pages set the image ids and colours
// directly, before the first paint or followed by Invalidate:
//
//   CRedrawButton m_btnGo{true, true};     // text and image
//   DDX_Control(pDX, IDC_GO, m_btnGo);     // becomes BS_OWNERDRAW
//   m_btnGo.m_nImgNormal = ...;
#pragma once
#include "afx/afxwin.h"
#include "skin/dpi_scale.h"
#include "res/pictures.h"

#include <gdiplus.h>

// Which of the five looks a button shows; the first matching rule wins.
enum class ButtonLook { Normal, Hover, Pressed, Focus, Disabled };
ButtonLook ChooseButtonLook(BOOL bDisabled, BOOL bHover, BOOL bPressed, BOOL bFocus);

// SizeToImage(FALSE) puts the button this far above the parent's client bottom.
constexpr int BUTTON_BOTTOM_GAP = 37;

// Where a button marks its keyboard focus, in client pixels: inside a picture
// that carries a caption (FOCUS_CUE_INSET from its edge, clear of the rounded
// corners), round a picture alone, round a caption alone. An empty size means
// there is no picture or no caption.
constexpr int FOCUS_CUE_INSET = 4;
constexpr int FOCUS_CUE_TEXT_GAP = 2;
RECT GetButtonFocusRect(SIZE client, SIZE image, SIZE text);

class CRedrawButton : public CButton
{
public:
    CRedrawButton(bool bDrawText, bool bDrawImage);
    ~CRedrawButton() override;

    // Sizes the button to its normal image at x 0 and the parent's top
    // (bTop) or BUTTON_BOTTOM_GAP above its client bottom.
    void SizeToImage(BOOL bTop);

    void PreSubclassWindow() override;
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;

    // The image id and text colour of a look.
    UINT GetLookImage(ButtonLook look) const;
    COLORREF GetLookColor(ButtonLook look) const;

    CDC m_dcBk;        // snapshot of the parent's background
    CBitmap m_bmpBk;   // the snapshot's bitmap, selected into m_dcBk
    CFont m_font;
    bool m_bDrawText;
    bool m_bDrawImage;
    COLORREF m_clrNormal = RGB(255, 255, 255);
    COLORREF m_clrHover = RGB(255, 255, 255);
    COLORREF m_clrPressed = RGB(255, 255, 255);
    COLORREF m_clrFocus = RGB(255, 255, 255);
    COLORREF m_clrDisabled = RGB(128, 128, 128);
    UINT m_nImgNormal = IDP_ACTION_NORMAL;
    UINT m_nImgHover = IDP_ACTION_HOVER;
    UINT m_nImgPressed = IDP_ACTION_PRESSED;
    UINT m_nImgFocus = IDP_ACTION_NORMAL;
    UINT m_nImgDisabled = IDP_ACTION_DISABLED;
    // The focus mark of a button without caption; one with a caption uses
    // the caption's colour.
    COLORREF m_clrFocusMark = RGB(0x33, 0x33, 0x33);
    BOOL m_bHover = FALSE;      // also set while leave tracking is requested
    BOOL m_bPressed = FALSE;
    BOOL m_bFocus = FALSE;      // as the last DrawItem saw it
    BOOL m_bDisabled = FALSE;   // as the last DrawItem saw it

protected:
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnMouseLeave();
    afx_msg void OnMouseHover(UINT nFlags, CPoint point);
    DECLARE_MESSAGE_MAP()

private:
    // m_font for the DPI the button is drawn at; kept while the DPI stays.
    void MakeFont(const CDpiScale& scale);
    int m_nFontDpi = 0;

    void DrawFocusMark(HDC hdc, const CRect& rcClient, Gdiplus::Image* pImage, const CString& strText,
                       COLORREF clrText);
};
