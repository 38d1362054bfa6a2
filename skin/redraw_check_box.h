// redraw_check_box.h: CRedrawCheckBox, the owner-drawn agreement check box.
//
// It keeps its own check state in m_bChecked (the owner-drawn style ends the
// system's auto-check): a press, or the space bar released on it, flips it
// before BN_CLICKED reaches the parent, which reads m_bChecked in its
// handler. It draws a 14 x 10 box image and, right after it, its window text
// in anti-aliased GDI+ text, with a dotted focus mark round the text once the
// keyboard is in use.
#pragma once
#include "afx/afxwin.h"
#include "res/pictures.h"

#include <gdiplus.h>
#include <memory>

// The box image for a state; the first matching rule wins (disabled, hover
// and pressed, hover, normal), the row is chosen by bChecked.
UINT ChooseCheckBoxImage(BOOL bChecked, BOOL bDisabled, BOOL bHover, BOOL bPressed);

class CRedrawCheckBox : public CButton
{
public:
    CRedrawCheckBox();
    ~CRedrawCheckBox() override;

    void PreSubclassWindow() override;
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;

    CDC m_dcBk;                        // snapshot of the parent's background
    CBitmap m_bmpBk;                   // the snapshot's bitmap, selected into m_dcBk
    std::unique_ptr<Gdiplus::Font> m_font;
    int m_nFontDpi;   // the DPI m_font was made for
    BOOL m_bChecked = FALSE;
    COLORREF m_clrText = RGB(0x33, 0x33, 0x33);
    COLORREF m_clrDisabled = RGB(128, 128, 128);
    BOOL m_bHover = FALSE;      // also set while leave tracking is requested
    BOOL m_bPressed = FALSE;
    BOOL m_bFocus = FALSE;      // as the last DrawItem saw it; not drawn
    BOOL m_bDisabled = FALSE;   // as the last DrawItem saw it
    BOOL m_bSpaceDown = FALSE;  // the space bar went down on the control and has not come up

protected:
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnMouseLeave();
    afx_msg void OnMouseHover(UINT nFlags, CPoint point);
    afx_msg LRESULT OnKeyDown(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnKeyUp(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnKillFocus(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()
};
