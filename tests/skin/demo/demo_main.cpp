// The skin demo program: a backdrop of one known colour over the whole
// screen, and the demo dialog with its shadow on it at (100, 100). It runs
// until the dialog is cancelled or closed.
#include "tests/skin/demo/demo_dlg.h"

#include <gdiplus.h>

#include "skin/wnd_shadow.h"
#include "tests/skin/demo/demo_ids.h"

namespace {

constexpr COLORREF BACKDROP_COLOR = RGB(58, 110, 165);
constexpr int DEMO_X = 100, DEMO_Y = 100;

HWND CreateBackdrop(HINSTANCE hInstance)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = hInstance;
    wc.hbrBackground = ::CreateSolidBrush(BACKDROP_COLOR);   // lives with the process
    wc.lpszClassName = L"VLSkinDemoBackdrop";
    ::RegisterClassW(&wc);
    const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
    HWND hWnd = ::CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"VLSkinDemoBackdrop", WS_POPUP, 0, 0, cx, cy,
                                  nullptr, nullptr, hInstance, nullptr);
    ::ShowWindow(hWnd, SW_SHOWNOACTIVATE);
    ::UpdateWindow(hWnd);
    return hWnd;
}

}  // namespace

int main()
{
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    HINSTANCE hInstance = ::GetModuleHandleW(nullptr);
    CWndShadow::InitShadowSupport(hInstance);
    CreateBackdrop(hInstance);
    int nExit = 0;
    {
        CSkinDemoDlg dlg;
        dlg.Create(IDD_SKIN_DEMO, nullptr);
        dlg.SetWindowPos(nullptr, DEMO_X, DEMO_Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        dlg.ShowWindow(SW_SHOW);
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (!AfxPreTranslateMessage(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        }
        nExit = static_cast<int>(msg.wParam);
    }
    Gdiplus::GdiplusShutdown(token);
    return nExit;
}
