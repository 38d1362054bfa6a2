// The progress page's big number, repainted at each posted percentage: what
// the partial repaint leaves on the screen must be what a whole repaint of
// the page draws, or strokes of earlier digits stay beside the new ones.
#include <windows.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <atomic>
#include <process.h>
#include <vector>

#include "engine/extract.h"
#include "engine/product.h"
#include "skin/wnd_shadow.h"
#include "tests/support/pump.h"
#include "tests/wizard/pages_process.h"
#include "wizard/third_step_dlg.h"
#include "res/wizard.h"

namespace {

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
    // The page starts no worker: only the percentages this test posts reach it.
    const CString strSaved = g_strInstallPath;
    g_strInstallPath = L"C:\\not written\\";
    {
        CThirdStepDlg page;
        page.m_pfnStartWorker = [](HWND, const CString&, ExtractJob*) { return true; };
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

// Answers the first box of this process other than hPage with its second
// button (确定), from another thread: the page's box is modal, its own loop
// runs inside the handler that showed it. Notes the box's text.
class CBoxAnswerer
{
public:
    explicit CBoxAnswerer(HWND hPage) : m_hPage(hPage), m_thread(::CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr)) {}
    ~CBoxAnswerer()
    {
        m_bQuit = true;
        if (m_thread) {
            ::WaitForSingleObject(m_thread, INFINITE);
            ::CloseHandle(m_thread);
        }
    }
    CBoxAnswerer(const CBoxAnswerer&) = delete;
    CBoxAnswerer& operator=(const CBoxAnswerer&) = delete;

    bool Answered() const { return m_bAnswered; }

private:
    static DWORD WINAPI ThreadProc(void* pParam)
    {
        auto* pThis = static_cast<CBoxAnswerer*>(pParam);
        while (!pThis->m_bQuit && !pThis->m_bAnswered) {
            ::EnumWindows(FindBox, reinterpret_cast<LPARAM>(pThis));
            ::Sleep(50);
        }
        return 0;
    }
    static BOOL CALLBACK FindBox(HWND hWnd, LPARAM lParam)
    {
        auto* pThis = reinterpret_cast<CBoxAnswerer*>(lParam);
        DWORD dwProcess = 0;
        ::GetWindowThreadProcessId(hWnd, &dwProcess);
        const HWND hButton = ::GetDlgItem(hWnd, IDC_BTN_SECOND);
        if (dwProcess != ::GetCurrentProcessId() || hWnd == pThis->m_hPage || !::IsWindowVisible(hWnd) || !hButton)
            return TRUE;
        ::PostMessageW(hWnd, WM_COMMAND, MAKEWPARAM(IDC_BTN_SECOND, BN_CLICKED), reinterpret_cast<LPARAM>(hButton));
        pThis->m_bAnswered = true;
        return FALSE;
    }

    HWND m_hPage;
    std::atomic<bool> m_bQuit{false};
    std::atomic<bool> m_bAnswered{false};
    HANDLE m_thread;
};

// A worker that ends without its final code reaching the page (the post failed).
unsigned __stdcall EndWithoutPost(void* pParam)
{
    static_cast<ExtractJob*>(pParam)->nFinalCode.store(INSTALL_ERR_DECODE);
    return 0;
}

// The paths that used to leave the page waiting for ever, its close button
// disabled: each ends in a box, and the page can be closed after it.
TEST(ProgressPage, AWorkerThatCannotStartOrWhosePostIsLostEndsInABox)
{
    const struct
    {
        const char* pszWhy;
        StartWorkerFn pfnStart;
    } cases[] = {
        {"the worker's thread could not start", [](HWND, const CString&, ExtractJob*) { return false; }},
        {"the final code's post was lost",
         [](HWND, const CString&, ExtractJob* pJob) {
             pJob->hThread.Reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, EndWithoutPost, pJob, 0, nullptr)));
             return pJob->hThread != nullptr;
         }},
    };
    const CString strSaved = g_strInstallPath;
    g_strInstallPath = L"C:\\not written\\";
    for (const auto& c : cases) {
        CThirdStepDlg page;
        page.m_pfnStartWorker = c.pfnStart;
        ASSERT_TRUE(page.Create(IDD_THIRD_STEP_DLG, nullptr)) << c.pszWhy;
        page.ShowWindow(SW_SHOWNOACTIVATE);
        EXPECT_FALSE(::IsWindowEnabled(page.m_btnClose.GetSafeHwnd())) << c.pszWhy << ": closable while unpacking";
        {
            CBoxAnswerer answerer(page.GetSafeHwnd());
            EXPECT_TRUE(PumpUntil([&] { return answerer.Answered(); }, 10000)) << c.pszWhy << ": no box";
            PumpFor(100);
        }
        EXPECT_TRUE(::IsWindowEnabled(page.m_btnClose.GetSafeHwnd())) << c.pszWhy << ": the page cannot be closed";
        page.DestroyWindow();
        PumpPending();
    }
    g_strInstallPath = strSaved;
}

}  // namespace
