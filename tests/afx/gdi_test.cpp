// GDI wrappers: ownership of handles, selection and restoring, paint DCs.
#include "afx/afxwin.h"

#include <gtest/gtest.h>

namespace {

TEST(CGdiObjectOwnership, OwnedHandlesDieWithTheObjectBorrowedOnesDoNot)
{
    HGDIOBJ hOwned = nullptr;
    {
        CBrush brush(RGB(10, 20, 30));
        hOwned = brush.m_hObject;
        ASSERT_NE(0u, ::GetObjectType(hOwned));
    }
    EXPECT_EQ(0u, ::GetObjectType(hOwned)) << "the destructor deletes an owned handle";

    HBRUSH hForeign = ::CreateSolidBrush(RGB(1, 1, 1));
    CBrush* pWrapper = CBrush::FromHandle(hForeign);
    EXPECT_EQ(static_cast<HGDIOBJ>(hForeign), SafeHandle(pWrapper));
    AfxDeleteTempMaps();
    EXPECT_NE(0u, ::GetObjectType(hForeign)) << "a wrapper never deletes what it borrows";
    ::DeleteObject(hForeign);

    CFont font;
    font.CreateFontIndirect(nullptr);
    EXPECT_EQ(nullptr, font.GetSafeHandle());
    EXPECT_EQ(nullptr, SafeHandle(nullptr));
    EXPECT_EQ(nullptr, SafeHdc(nullptr));

    // Attaching over an owned handle releases it instead of leaking it.
    CBitmap bmp;
    ASSERT_TRUE(bmp.CreateBitmap(4, 4, 1, 32, nullptr));
    HGDIOBJ hFirst = bmp.m_hObject;
    ASSERT_TRUE(bmp.CreateBitmap(4, 4, 1, 32, nullptr));
    EXPECT_EQ(0u, ::GetObjectType(hFirst));
}

TEST(CDCMemory, SelectDrawBlitAndRestore)
{
    CDC dcScreen;
    dcScreen.Attach(::GetDC(nullptr));
    CDC dcMem;
    ASSERT_TRUE(dcMem.CreateCompatibleDC(&dcScreen));
    CBitmap bmp;
    ASSERT_TRUE(bmp.CreateCompatibleBitmap(&dcScreen, 8, 8));
    ::ReleaseDC(nullptr, dcScreen.Detach());

    CBitmap* pOld = dcMem.SelectObject(&bmp);
    ASSERT_NE(nullptr, pOld);
    dcMem.FillSolidRect(0, 0, 8, 8, RGB(255, 0, 0));
    dcMem.FillSolidRect(CRect(4, 4, 8, 8), RGB(0, 0, 255));
    EXPECT_EQ(RGB(255, 0, 0), ::GetPixel(dcMem, 1, 1));
    EXPECT_EQ(RGB(0, 0, 255), ::GetPixel(dcMem, 5, 5));

    CDC dcCopy;
    ASSERT_TRUE(dcCopy.CreateCompatibleDC(&dcMem));
    CBitmap bmpCopy;
    ASSERT_TRUE(bmpCopy.CreateCompatibleBitmap(&dcMem, 8, 8));
    CBitmap* pOldCopy = dcCopy.SelectObject(&bmpCopy);
    ASSERT_TRUE(dcCopy.BitBlt(0, 0, 8, 8, &dcMem, 4, 4, SRCCOPY));
    EXPECT_EQ(RGB(0, 0, 255), ::GetPixel(dcCopy, 0, 0));
    dcCopy.SelectObject(pOldCopy);

    dcMem.SelectObject(pOld);
    EXPECT_EQ(pOld->m_hObject, ::GetCurrentObject(dcMem, OBJ_BITMAP)) << "the old bitmap is back";
}

TEST(CFontLogFont, ChineseFaceNameRoundTrips)
{
    LOGFONTW lf = {};
    lf.lfHeight = 12;
    lstrcpyW(lf.lfFaceName, L"宋体");
    CFont font;
    ASSERT_TRUE(font.CreateFontIndirect(&lf));
    LOGFONTW back = {};
    ASSERT_EQ(static_cast<int>(sizeof(back)), font.GetLogFont(&back));
    EXPECT_STREQ(L"宋体", back.lfFaceName);
    EXPECT_EQ(12, back.lfHeight);
}

class CPaintWnd : public CWnd
{
public:
    int m_nPaints = 0;
protected:
    afx_msg void OnPaint()
    {
        CPaintDC dc(this);
        ++m_nPaints;
        dc.FillSolidRect(&dc.m_ps.rcPaint, RGB(0, 128, 0));
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CPaintWnd, CWnd)
    ON_WM_PAINT()
END_MESSAGE_MAP()

TEST(CPaintDCScope, ValidatesTheUpdateRegion)
{
    CPaintWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, L"paint", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40, nullptr, nullptr));
    wnd.RedrawWindow();
    EXPECT_EQ(1, wnd.m_nPaints);
    EXPECT_FALSE(::GetUpdateRect(wnd.m_hWnd, nullptr, FALSE)) << "EndPaint ran at the end of the scope";
}

}  // namespace
