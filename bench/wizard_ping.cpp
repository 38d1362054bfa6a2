// Measures how fast the installer's UI thread answers while it installs: finds
// the visible, untitled 416 x 250 dialog (the progress page) and sends it
// WM_NULL every 10 ms until it goes away; prints the answer times.
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int PAGE_WIDTH = 416, PAGE_HEIGHT = 250;
constexpr DWORD WAIT_FOR_PAGE_MS = 60000, PING_PERIOD_MS = 10, ANSWER_LIMIT_MS = 5000;

BOOL CALLBACK FindPage(HWND hWnd, LPARAM lParam)
{
    wchar_t szClass[64] = {};
    GetClassNameW(hWnd, szClass, 64);
    RECT rc = {};
    GetWindowRect(hWnd, &rc);
    if (IsWindowVisible(hWnd) && wcscmp(szClass, L"#32770") == 0 && GetWindowTextLengthW(hWnd) == 0 &&
        rc.right - rc.left == PAGE_WIDTH && rc.bottom - rc.top == PAGE_HEIGHT) {
        *reinterpret_cast<HWND*>(lParam) = hWnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindProgressPage()
{
    HWND hPage = nullptr;
    EnumWindows(FindPage, reinterpret_cast<LPARAM>(&hPage));
    return hPage;
}

} // namespace

int wmain()
{
    HWND hPage = nullptr;
    const DWORD dwStart = GetTickCount();
    while (!(hPage = FindProgressPage()) && GetTickCount() - dwStart < WAIT_FOR_PAGE_MS)
        Sleep(5);
    if (!hPage) {
        puts("no progress page");
        return 1;
    }
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    std::vector<double> times;
    while (IsWindow(hPage) && IsWindowVisible(hPage)) {
        DWORD_PTR dwResult = 0;
        QueryPerformanceCounter(&t0);
        if (!SendMessageTimeoutW(hPage, WM_NULL, 0, 0, SMTO_NORMAL, ANSWER_LIMIT_MS, &dwResult))
            times.push_back(ANSWER_LIMIT_MS);
        else {
            QueryPerformanceCounter(&t1);
            times.push_back(1000.0 * static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(freq.QuadPart));
        }
        Sleep(PING_PERIOD_MS);
    }
    if (times.empty()) {
        puts("no answers");
        return 1;
    }
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    printf("pings %u median %.2f ms p99 %.2f ms max %.2f ms\n", static_cast<unsigned>(sorted.size()),
           sorted[sorted.size() / 2], sorted[sorted.size() * 99 / 100], sorted.back());
    return 0;
}
