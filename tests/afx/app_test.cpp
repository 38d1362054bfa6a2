// The program entry drives the application object as the framework does.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// Runs the probe next to this test with nArgs; its exit code, or -1.
DWORD RunProbe(const wchar_t* pszArgs)
{
    wchar_t szPath[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    std::wstring path(szPath);
    path = path.substr(0, path.rfind(L'\\') + 1) + L"afx_entry_probe.exe";
    std::wstring cmd = L"\"" + path + L"\" " + pszArgs;

    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessW(path.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return static_cast<DWORD>(-1);
    DWORD dwExit = static_cast<DWORD>(-1);
    if (::WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(pi.hProcess, &dwExit);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return dwExit;
}

TEST(AfxWinMain, InitInstanceDecidesWhetherRunRuns)
{
    struct Case { const wchar_t* args; DWORD expected; const char* meaning; };
    const Case cases[] = {
        {L"fail", 7, "FALSE: no Run, the exit code is ExitInstance's, called once"},
        {L"run", 105, "TRUE: Run until WM_QUIT, then ExitInstance once with the quit code"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, RunProbe(c.args)) << c.meaning;
}

}  // namespace
