// redraw_static.h: CRedrawStatic, a text label drawn over the page's
// background in its own font and colour, without a background of its own.
// The font is made when the control is bound (DDX_Control), and again
// when the window's DPI changes. It does not
// erase: after SetWindowText the page invalidates the parent's rectangle
// under the label so that the old text is painted over.
#pragma once
#include "afx/afxwin.h"
#include "skin/dpi_scale.h"

class CRedrawStatic : public CStatic
{
    DECLARE_DYNAMIC(CRedrawStatic)
public:
    CRedrawStatic(int nFontHeight, CString strFaceName, BOOL bBold, COLORREF clrText);
    ~CRedrawStatic() override;

    void PreSubclassWindow() override;

    CFont m_font;
    int m_nFontHeight;
    COLORREF m_clrText;
    CString m_strFaceName;   // at most 31 characters reach the font
    BOOL m_bBold;
    int m_nFontDpi = 0;   // the DPI m_font was made for

    // m_font for the DPI the label is drawn at (m_nFontHeight is for 96).
    void MakeFont(const CDpiScale& scale);

protected:
    afx_msg void OnPaint();
    DECLARE_MESSAGE_MAP()
};
