// A minimal window for the harness's own GUI test: one button; a click on it
// is printed to standard output and ends the program with code 7.
#include <windows.h>
#include <cstdio>

namespace {

const int IDC_CLICK = 1001;

LRESULT CALLBACK ClickWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_CREATE:
        CreateWindowExW(0, L"BUTTON", L"点击", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
                        100, 60, 120, 40, hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_CLICK)),
                        nullptr, nullptr);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_CLICK && HIWORD(wParam) == BN_CLICKED) {
            puts("clicked");
            fflush(stdout);
            PostQuitMessage(7);
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

} // namespace

int main()
{
    WNDCLASSEXW wc = { sizeof(wc) };
    wc.lpfnWndProc = ClickWndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = CreateSolidBrush(RGB(40, 120, 200));
    wc.lpszClassName = L"VLClickMe";
    RegisterClassExW(&wc);
    HWND hWnd = CreateWindowExW(0, wc.lpszClassName, L"VL harness", WS_POPUP | WS_VISIBLE,
                                200, 150, 320, 160, nullptr, nullptr, wc.hInstance, nullptr);
    if (!hWnd)
        return 1;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
