// winprobe: tells GUI tests what Windows sees, since X11 knows neither window
// classes nor Win32 processes. Runs under the same Wine prefix as the program
// under test and prints one line per item, tab-separated.
//   winprobe windows      hwnd, pid, visible, x, y, width, height, class, title
//   winprobe processes    pid, image name
//   winprobe text <hwnd> <control id>   the control's text
//   winprobe focus <hwnd> the control id holding the focus in that window's thread (0: none)
//   winprobe foreground   hwnd of the foreground window (0 when none)
//   winprobe texts HWND   class and text of each child window of HWND
//   winprobe ping HWND COUNT PERIOD_MS
//                         sends WM_NULL COUNT times, PERIOD_MS apart, and
//                         prints "answers=<n> max_ms=<slowest answer>"; an
//                         answer that never comes counts as 10000 ms
#include <windows.h>
#include <tlhelp32.h>
#include <cstdio>
#include <cwchar>

namespace {

void PrintUtf8(const wchar_t* pszText)
{
    char szBuf[1024];
    int n = WideCharToMultiByte(CP_UTF8, 0, pszText, -1, szBuf, sizeof(szBuf), nullptr, nullptr);
    fputs(n > 0 ? szBuf : "", stdout);
}

BOOL CALLBACK PrintWindow(HWND hWnd, LPARAM)
{
    wchar_t szClass[256] = {}, szTitle[512] = {};
    GetClassNameW(hWnd, szClass, 256);
    GetWindowTextW(hWnd, szTitle, 512);
    RECT rc = {};
    GetWindowRect(hWnd, &rc);
    DWORD dwPid = 0;
    GetWindowThreadProcessId(hWnd, &dwPid);
    printf("%llu\t%lu\t%d\t%ld\t%ld\t%ld\t%ld\t",
           static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hWnd)), dwPid,
           IsWindowVisible(hWnd) ? 1 : 0, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
    PrintUtf8(szClass);
    fputc('\t', stdout);
    PrintUtf8(szTitle);
    fputc('\n', stdout);
    return TRUE;
}

BOOL CALLBACK PrintChildText(HWND hWnd, LPARAM)
{
    wchar_t szClass[256] = {}, szText[1024] = {};
    GetClassNameW(hWnd, szClass, 256);
    GetWindowTextW(hWnd, szText, 1024);
    PrintUtf8(szClass);
    fputc('\t', stdout);
    PrintUtf8(szText);
    fputc('\n', stdout);
    return TRUE;
}

void PrintProcesses()
{
    HANDLE hSnap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (hSnap == INVALID_HANDLE_VALUE)
        return;
    PROCESSENTRY32W pe = {};
    pe.dwSize = sizeof(pe);
    for (BOOL bOk = Process32FirstW(hSnap, &pe); bOk; bOk = Process32NextW(hSnap, &pe)) {
        printf("%lu\t", pe.th32ProcessID);
        PrintUtf8(pe.szExeFile);
        fputc('\n', stdout);
    }
    CloseHandle(hSnap);
}

void PrintControlText(const wchar_t* pszHwnd, const wchar_t* pszId)
{
    HWND hWnd = reinterpret_cast<HWND>(static_cast<UINT_PTR>(_wcstoui64(pszHwnd, nullptr, 10)));
    wchar_t szText[1024] = {};
    GetDlgItemTextW(hWnd, _wtoi(pszId), szText, 1024);
    PrintUtf8(szText);
    fputc('\n', stdout);
}

void PrintFocus(const wchar_t* pszHwnd)
{
    HWND hWnd = reinterpret_cast<HWND>(static_cast<UINT_PTR>(_wcstoui64(pszHwnd, nullptr, 10)));
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    int nId = 0;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(hWnd, nullptr), &info) && info.hwndFocus)
        nId = GetDlgCtrlID(info.hwndFocus);
    printf("%d\n", nId);
}

// How long the window's thread takes to answer, at the worst.
void Ping(HWND hWnd, int nCount, DWORD dwPeriod)
{
    constexpr UINT NO_ANSWER_MS = 10000;
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    double dMax = 0;
    int nAnswers = 0;
    for (int i = 0; i < nCount; ++i) {
        LARGE_INTEGER t0, t1;
        QueryPerformanceCounter(&t0);
        DWORD_PTR dwResult = 0;
        const bool bAnswered = SendMessageTimeoutW(hWnd, WM_NULL, 0, 0, SMTO_NORMAL, NO_ANSWER_MS, &dwResult) != 0;
        QueryPerformanceCounter(&t1);
        const double dMs = bAnswered ? 1000.0 * static_cast<double>(t1.QuadPart - t0.QuadPart)
                                           / static_cast<double>(freq.QuadPart)
                                     : NO_ANSWER_MS;
        nAnswers += bAnswered ? 1 : 0;
        if (dMs > dMax)
            dMax = dMs;
        Sleep(dwPeriod);
    }
    printf("answers=%d max_ms=%.1f\n", nAnswers, dMax);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc >= 2 && wcscmp(argv[1], L"windows") == 0)
        EnumWindows(PrintWindow, 0);
    else if (argc >= 2 && wcscmp(argv[1], L"processes") == 0)
        PrintProcesses();
    else if (argc >= 4 && wcscmp(argv[1], L"text") == 0)
        PrintControlText(argv[2], argv[3]);
    else if (argc >= 3 && wcscmp(argv[1], L"focus") == 0)
        PrintFocus(argv[2]);
    else if (argc >= 2 && wcscmp(argv[1], L"foreground") == 0)
        printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(GetForegroundWindow())));
    else if (argc >= 3 && wcscmp(argv[1], L"texts") == 0)
        EnumChildWindows(reinterpret_cast<HWND>(static_cast<UINT_PTR>(_wcstoui64(argv[2], nullptr, 10))), PrintChildText, 0);
    else if (argc == 5 && wcscmp(argv[1], L"ping") == 0)
        Ping(reinterpret_cast<HWND>(static_cast<UINT_PTR>(_wcstoui64(argv[2], nullptr, 10))), _wtoi(argv[3]),
             static_cast<DWORD>(_wtoi(argv[4])));
    else if (argc == 3 && wcscmp(argv[1], L"restore") == 0)
        // What a click on a minimised window's taskbar button does.
        SendMessageW(reinterpret_cast<HWND>(static_cast<UINT_PTR>(_wcstoui64(argv[2], nullptr, 10))), WM_SYSCOMMAND,
                     SC_RESTORE, 0);
    else {
        fputs("usage: winprobe windows|processes|text <hwnd> <id>|focus <hwnd>|foreground|texts <hwnd>"
              "|ping <hwnd> <count> <period ms>|restore <hwnd>\n", stderr);
        return 2;
    }
    return 0;
}
