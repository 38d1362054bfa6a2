#include "skin/redraw_static.h"

IMPLEMENT_DYNAMIC(CRedrawStatic, CStatic)

BEGIN_MESSAGE_MAP(CRedrawStatic, CStatic)
    ON_WM_PAINT()   // void OnPaint()
END_MESSAGE_MAP()

CRedrawStatic::CRedrawStatic(int nFontHeight, CString strFaceName, BOOL bBold, COLORREF clrText)
    : m_nFontHeight(nFontHeight), m_clrText(clrText), m_strFaceName(strFaceName), m_bBold(bBold)
{
}

CRedrawStatic::~CRedrawStatic() = default;

void CRedrawStatic::PreSubclassWindow()
{
    LOGFONTW lf = {};
    lf.lfHeight = m_nFontHeight;
    lf.lfWeight = m_bBold ? FW_BOLD : 0;
    // A longer name is cut to the field rather than written past it.
    lstrcpynW(lf.lfFaceName, m_strFaceName, LF_FACESIZE);
    m_font.Attach(::CreateFontIndirectW(&lf));
    CStatic::PreSubclassWindow();
}

void CRedrawStatic::OnPaint()
{
    CPaintDC dc(this);
    CRect rcClient;
    GetClientRect(&rcClient);
    CString strText;
    GetWindowText(strText);
    dc.SetBkMode(TRANSPARENT);
    CSelectObject selectFont(dc, m_font);
    dc.SetTextColor(m_clrText);
    dc.DrawText(strText, &rcClient, 0);
}
