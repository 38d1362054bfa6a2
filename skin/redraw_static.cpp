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
    MakeFont(CDpiScale::ForWindow(m_hWnd));
    CStatic::PreSubclassWindow();
}

void CRedrawStatic::MakeFont(const CDpiScale& scale)
{
    if (m_font.GetSafeHandle() && m_nFontDpi == scale.Dpi())
        return;
    LOGFONTW lf = {};
    lf.lfHeight = scale.FontHeight(m_nFontHeight);
    lf.lfWeight = m_bBold ? FW_BOLD : 0;
    // A longer name is cut to the field rather than written past it.
    lstrcpynW(lf.lfFaceName, m_strFaceName, LF_FACESIZE);
    m_font.DeleteObject();
    m_font.Attach(::CreateFontIndirectW(&lf));
    m_nFontDpi = scale.Dpi();
}

void CRedrawStatic::OnPaint()
{
    CPaintDC dc(this);
    CRect rcClient;
    GetClientRect(&rcClient);
    CString strText;
    GetWindowText(strText);
    dc.SetBkMode(TRANSPARENT);
    MakeFont(CDpiScale::ForWindow(m_hWnd));
    CSelectObject selectFont(dc, m_font);
    dc.SetTextColor(m_clrText);
    dc.DrawText(strText, &rcClient, 0);
}
