// Measures how fast the installer's UI thread answers while it installs: finds
// the visible, untitled 416 x 250 dialog (the progress page) and asks its bar
// for the position (PBM_GETPOS, answered by the UI thread) every 10 ms until
// the page goes away. Answers at position 0 come before the first file (the
// page's first paint); those between it and the last position are the
// unpacking; those at the last position include the registration steps,
// which run on the UI thread after the last file by design.
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int PAGE_WIDTH = 416, PAGE_HEIGHT = 250;
constexpr int IDC_PROGRESS = 1021;
constexpr DWORD WAIT_FOR_PAGE_MS = 60000, PING_PERIOD_MS = 10, ANSWER_LIMIT_MS = 5000;

struct Sample {
    int nPos;
    double dMs;
};

BOOL CALLBACK FindPage(HWND hWnd, LPARAM lParam)
{
    wchar_t szClass[64] = {};
    GetClassNameW(hWnd, szClass, 64);
    RECT rc = {};
    GetWindowRect(hWnd, &rc);
    if (IsWindowVisible(hWnd) && wcscmp(szClass, L"#32770") == 0 && GetWindowTextLengthW(hWnd) == 0 &&
        rc.right - rc.left == PAGE_WIDTH && rc.bottom - rc.top == PAGE_HEIGHT && GetDlgItem(hWnd, IDC_PROGRESS)) {
        *reinterpret_cast<HWND*>(lParam) = hWnd;
        return FALSE;
    }
    return TRUE;
}

void PrintStats(const char* pszWhat, std::vector<double> times)
{
    if (times.empty()) {
        printf("%s: no answers\n", pszWhat);
        return;
    }
    std::sort(times.begin(), times.end());
    printf("%s: pings %u median %.2f ms p99 %.2f ms max %.2f ms\n", pszWhat, static_cast<unsigned>(times.size()),
           times[times.size() / 2], times[times.size() * 99 / 100], times.back());
}

} // namespace

int wmain()
{
    HWND hPage = nullptr;
    const DWORD dwStart = GetTickCount();
    while (GetTickCount() - dwStart < WAIT_FOR_PAGE_MS) {
        EnumWindows(FindPage, reinterpret_cast<LPARAM>(&hPage));
        if (hPage)
            break;
        Sleep(5);
    }
    if (!hPage) {
        puts("no progress page");
        return 1;
    }
    HWND hBar = GetDlgItem(hPage, IDC_PROGRESS);
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    std::vector<Sample> samples;
    while (IsWindow(hPage) && IsWindowVisible(hPage)) {
        DWORD_PTR dwPos = 0;
        QueryPerformanceCounter(&t0);
        const bool bAnswered = SendMessageTimeoutW(hBar, PBM_GETPOS, 0, 0, SMTO_NORMAL, ANSWER_LIMIT_MS, &dwPos) != 0;
        QueryPerformanceCounter(&t1);
        const double dMs = 1000.0 * static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(freq.QuadPart);
        samples.push_back({static_cast<int>(dwPos), bAnswered ? dMs : ANSWER_LIMIT_MS});
        Sleep(PING_PERIOD_MS);
    }
    int nLastPos = 0;
    for (const Sample& s : samples)
        nLastPos = std::max(nLastPos, s.nPos);
    std::vector<double> before, unpacking, after;
    for (const Sample& s : samples)
        (s.nPos == 0 ? before : s.nPos < nLastPos ? unpacking : after).push_back(s.dMs);
    PrintStats("before the first file (page set-up, first paint)", before);
    for (size_t i = 0; i < samples.size(); ++i) {
        if (samples[i].dMs > 50)
            printf("slow answer %u of %u: %.0f ms at position %d\n", static_cast<unsigned>(i + 1),
                   static_cast<unsigned>(samples.size()), samples[i].dMs, samples[i].nPos);
    }
    PrintStats("unpacking", unpacking);
    PrintStats("last position (last file, registration)", after);
    return 0;
}
