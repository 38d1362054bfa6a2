#include "tests/skin/skin_test_env.h"

#include <gdiplus.h>

#include "skin/wnd_shadow.h"
#include "tests/skin/demo/demo_ids.h"

namespace {

int s_nRebuilds = 0;
PFN_UPDATE_LAYERED_WINDOW s_pfnRealUpdate = nullptr;

BOOL WINAPI CountingUpdate(HWND hWnd, HDC hdcDst, POINT* pptDst, SIZE* psize, HDC hdcSrc, POINT* pptSrc,
                           COLORREF crKey, BLENDFUNCTION* pblend, DWORD dwFlags)
{
    ++s_nRebuilds;
    return s_pfnRealUpdate(hWnd, hdcDst, pptDst, psize, hdcSrc, pptSrc, crKey, pblend, dwFlags);
}

// Started before any test, like the installer's own start-up does.
struct SkinTestProcess
{
    SkinTestProcess()
    {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&m_token, &input, nullptr);
        CWndShadow::InitShadowSupport(::GetModuleHandleW(nullptr));
        s_pfnRealUpdate = CWndShadow::s_pfnUpdateLayeredWindow;
        if (s_pfnRealUpdate)
            CWndShadow::s_pfnUpdateLayeredWindow = &CountingUpdate;
    }
    ULONG_PTR m_token = 0;   // GDI+ lives until the process ends
};
SkinTestProcess s_process;

}  // namespace

int ShadowRebuildCount()
{
    return s_nRebuilds;
}

void ShowDemo(CSkinDemoDlg& dlg, int x, int y)
{
    dlg.Create(IDD_SKIN_DEMO, nullptr);
    dlg.SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    dlg.ShowWindow(SW_SHOW);
    dlg.UpdateWindow();
    PumpFor(200);
}
