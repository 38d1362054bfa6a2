// Every text the pages draw with GDI fits its control at each DPI the wizard
// is tried at: the font and the rectangle are scaled by the same helper, so
// a length scaled one way and a font another would show here as clipping.
#include <windows.h>

#include <gtest/gtest.h>

#include "skin/dpi_scale.h"

namespace {

struct PageText {
    const wchar_t* pszText;
    const wchar_t* pszFace;
    LONG nHeight96;   // LOGFONT height at 96 DPI
    bool bBold;
    SIZE rc96;        // the control at 96 DPI
};

// The action buttons, the message box's buttons, the custom layout's label
// and space line (the longest it shows), the windows' titles.
const PageText PAGE_TEXTS[] = {
    {L"快速安装", L"华文细黑", 15, true, {130, 38}},
    {L"立即安装", L"华文细黑", 15, true, {130, 38}},
    {L"开始使用", L"华文细黑", 15, true, {130, 38}},
    {L"确定", L"华文细黑", 15, true, {64, 26}},
    {L"取消", L"华文细黑", 15, true, {64, 26}},
    {L"安装位置:", L"黑体", 11, false, {55, 20}},
    {L"所需空间: 25.5MB 可用空间: 1023.9GB", L"黑体", 11, false, {250, 20}},
    {L"提示", L"宋体", 14, true, {50, 20}},
    {L"许可协议", L"宋体", 14, true, {60, 20}},
};

TEST(TextFit, EveryPageTextFitsItsScaledRectangle)
{
    HDC hdc = ::GetDC(nullptr);
    ASSERT_NE(hdc, nullptr);
    for (const int nDpi : {96, 120, 144, 192}) {
        const CDpiScale scale(nDpi);
        for (const PageText& t : PAGE_TEXTS) {
            LOGFONTW lf = {};
            lf.lfHeight = scale.FontHeight(t.nHeight96);
            lf.lfWeight = t.bBold ? FW_BOLD : 0;
            lstrcpynW(lf.lfFaceName, t.pszFace, LF_FACESIZE);
            HFONT hFont = ::CreateFontIndirectW(&lf);
            ASSERT_NE(hFont, nullptr);
            HGDIOBJ hOld = ::SelectObject(hdc, hFont);
            SIZE extent = {};
            ::GetTextExtentPoint32W(hdc, t.pszText, lstrlenW(t.pszText), &extent);
            ::SelectObject(hdc, hOld);
            ::DeleteObject(hFont);
            const CRect rc = scale.ScaleRect(0, 0, t.rc96.cx, t.rc96.cy);
            EXPECT_LE(extent.cx, rc.Width()) << nDpi << " DPI, width of the text at index "
                                             << (&t - PAGE_TEXTS);
            EXPECT_LE(extent.cy, rc.Height()) << nDpi << " DPI, height of the text at index "
                                              << (&t - PAGE_TEXTS);
        }
    }
    ::ReleaseDC(nullptr, hdc);
}

}  // namespace
