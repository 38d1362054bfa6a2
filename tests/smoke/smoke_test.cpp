// Proves the harness: a cross-built test runs under Wine and sees Windows.
#include <gtest/gtest.h>
#include <windows.h>

TEST(Harness, RunsUnderWindowsApi)
{
    wchar_t szDir[MAX_PATH] = {};
    ASSERT_NE(0u, GetWindowsDirectoryW(szDir, MAX_PATH)) << "GetWindowsDirectoryW failed: " << GetLastError();
    EXPECT_EQ(L'\\', szDir[2]) << "expected a drive-rooted path";
}

TEST(Harness, RunsWithChineseCodePage)
{
    // The installer's narrow texts are converted through the ANSI code page;
    // the test bed is a Simplified Chinese system like the target machines.
    EXPECT_EQ(936u, GetACP());
}

TEST(Harness, PointerSizeMatchesBuild)
{
#if defined(_WIN64)
    EXPECT_EQ(8u, sizeof(void*));
#else
    EXPECT_EQ(4u, sizeof(void*));
#endif
}
