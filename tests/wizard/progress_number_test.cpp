// The progress page's big number, repainted at each posted percentage: what
// the partial repaint leaves on the screen must be what a whole repaint of
// the page draws, or strokes of earlier digits stay beside the new ones.
#include <windows.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <vector>

#include "engine/extract.h"
#include "engine/product.h"
#include "skin/wnd_shadow.h"
#include "tests/support/pump.h"
#include "wizard/third_step_dlg.h"
#include "res/wizard.h"

namespace {

struct ProgressTestProcess
{
    ProgressTestProcess()
    {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&m_token, &input, nullptr);
        CWndShadow::InitShadowSupport(::GetModuleHandleW(nullptr));
    }
    ULONG_PTR m_token = 0;   // GDI+ lives until the process ends
};
ProgressTestProcess s_process;

// Around the number and its percent sign, wider than any three digits.
constexpr RECT RC_NUMBER_AREA = {60, 50, 300, 180};

// The area's pixels as the window shows them.
std::vector<DWORD> Capture(HWND hWnd)
{
    const int w = RC_NUMBER_AREA.right - RC_NUMBER_AREA.left;
    const int h = RC_NUMBER_AREA.bottom - RC_NUMBER_AREA.top;
    std::vector<DWORD> pixels(static_cast<size_t>(w) * h);
    HDC hdcWnd = ::GetDC(hWnd);
    HDC hdcMem = ::CreateCompatibleDC(hdcWnd);
    HBITMAP hbm = ::CreateCompatibleBitmap(hdcWnd, w, h);
    HGDIOBJ hOld = ::SelectObject(hdcMem, hbm);
    ::BitBlt(hdcMem, 0, 0, w, h, hdcWnd, RC_NUMBER_AREA.left, RC_NUMBER_AREA.top, SRCCOPY);
    ::SelectObject(hdcMem, hOld);
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = w;
    bmi.bmiHeader.biHeight = -h;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    ::GetDIBits(hdcMem, hbm, 0, h, pixels.data(), &bmi, DIB_RGB_COLORS);
    ::DeleteObject(hbm);
    ::DeleteDC(hdcMem);
    ::ReleaseDC(hWnd, hdcWnd);
    return pixels;
}

size_t CountDiffering(const std::vector<DWORD>& a, const std::vector<DWORD>& b)
{
    size_t n = 0;
    for (size_t i = 0; i < a.size(); ++i)
        n += (a[i] & 0xFFFFFF) != (b[i] & 0xFFFFFF);
    return n;
}

TEST(ProgressNumber, EachPostedPercentageIsDrawnWhole)
{
    // With no folder to create the page starts no installation: only the
    // percentages this test posts reach it.
    const CString strSaved = g_strInstallPath;
    g_strInstallPath.Empty();
    {
        CThirdStepDlg page;
        ASSERT_TRUE(page.Create(IDD_THIRD_STEP_DLG, nullptr));
        page.ShowWindow(SW_SHOWNOACTIVATE);
        PumpFor(200);
        const std::vector<DWORD> blank = Capture(page.GetSafeHwnd());
        // Each value wider or narrower than the one before it.
        for (int nPercent : {9, 82, 100, 9}) {
            page.SendMessage(WM_INSTALL_NOTIFY, INSTALL_PROGRESS, nPercent);
            page.UpdateWindow();
            PumpFor(50);
            const std::vector<DWORD> partial = Capture(page.GetSafeHwnd());
            page.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            PumpFor(50);
            const std::vector<DWORD> whole = Capture(page.GetSafeHwnd());
            EXPECT_GT(CountDiffering(blank, whole), 0u) << nPercent << " drew nothing";
            EXPECT_EQ(0u, CountDiffering(partial, whole))
                << "after " << nPercent << ", pixels the partial repaint left differ from a whole repaint";
        }
        page.DestroyWindow();
        PumpPending();
    }
    g_strInstallPath = strSaved;
}

}  // namespace
