// Starting the installed program as the user: the desktop shell's route
// first, the direct start only where the shell does not take the program.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <cstdio>
#include <string>

#include "engine/user_launch.h"

namespace {

int g_nShellCalls = 0;

bool ShellTakes(LPCWSTR, LPCWSTR)
{
    ++g_nShellCalls;
    return true;
}

bool ShellRefuses(LPCWSTR, LPCWSTR)
{
    ++g_nShellCalls;
    return false;
}

class LaunchTest : public ::testing::Test
{
protected:
    void SetUp() override { ::CoInitialize(nullptr); g_nShellCalls = 0; }
    void TearDown() override
    {
        SetShellLaunchRoute(nullptr);
        ::CoUninitialize();
    }
};

std::wstring SystemProgram(LPCWSTR pszName)
{
    wchar_t szDir[MAX_PATH] = {};
    ::GetSystemDirectoryW(szDir, MAX_PATH);
    return std::wstring(szDir) + L"\\" + pszName;
}

} // namespace

TEST_F(LaunchTest, ShellFirstThenDirect)
{
    const std::wstring strProgram = SystemProgram(L"hostname.exe");
    const struct { ShellLaunchFn pfnShell; LPCWSTR pszFile; LaunchRoute route; } cases[] = {
        // The shell took it: nothing is started directly, even for a file that is missing.
        { ShellTakes, L"C:\\no such folder\\x.exe", LaunchRoute::DesktopShell },
        { ShellRefuses, strProgram.c_str(), LaunchRoute::Direct },
        { ShellRefuses, L"C:\\no such folder\\x.exe", LaunchRoute::None },
    };
    for (const auto& c : cases) {
        SetShellLaunchRoute(c.pfnShell);
        g_nShellCalls = 0;
        EXPECT_EQ(c.route, LaunchAsUser(c.pszFile, L"C:\\")) << c.pszFile;
        EXPECT_EQ(1, g_nShellCalls);
    }
}

// The real route starts the program one way or the other; which one ran is
// printed (the desktop's shell wherever its view can be reached).
TEST_F(LaunchTest, RealRouteStartsTheProgram)
{
    const std::wstring strProgram = SystemProgram(L"hostname.exe");
    const LaunchRoute route = LaunchAsUser(strProgram.c_str(), L"C:\\");
    EXPECT_NE(LaunchRoute::None, route);
    std::printf("launch route here: %s\n", route == LaunchRoute::DesktopShell ? "desktop shell" : "direct");
}
