// One installer at a time: the claim on the named objects, the published
// owner, and which of the owner's windows a second installer brings forward.
#include <gtest/gtest.h>

#include <string>

#include "app/single_instance.h"

namespace {

// Names of this test process only, so that no installer running beside the
// tests is disturbed.
std::wstring TestName(const wchar_t* pszWhat)
{
    return L"Local\\VellomarSetupTest." + std::to_wstring(::GetCurrentProcessId()) + L"." + pszWhat;
}

TEST(InstallerInstance, OnlyOneHolderUntilItEnds)
{
    const std::wstring strMutex = TestName(L"mutex"), strOwner = TestName(L"owner");
    EXPECT_EQ(0u, ReadInstallerOwner(strOwner.c_str())) << "nobody holds the names yet";
    {
        CInstallerInstance first;
        ASSERT_TRUE(first.Claim(strMutex.c_str(), strOwner.c_str()));
        EXPECT_EQ(::GetCurrentProcessId(), ReadInstallerOwner(strOwner.c_str()));
        CInstallerInstance second;
        EXPECT_FALSE(second.Claim(strMutex.c_str(), strOwner.c_str())) << "a second installer while the first runs";
        EXPECT_EQ(::GetCurrentProcessId(), ReadInstallerOwner(strOwner.c_str())) << "the failed claim kept the owner";
    }
    CInstallerInstance later;
    EXPECT_TRUE(later.Claim(strMutex.c_str(), strOwner.c_str())) << "after the first ended, a new one may run";
}

// Top-level dialogs of this process: which one comes forward.
TEST(InstallerInstance, TheWindowBroughtForward)
{
    struct Case { const char* pszMeaning; bool bPageVisible, bPageEnabled, bBoxVisible; int nExpected; };
    // nExpected: 0 none, 1 the page, 2 the box.
    const Case cases[] = {
        {"nothing visible yet", false, true, false, 0},
        {"the page", true, true, false, 1},
        {"a modal box over the disabled page", true, false, true, 2},
        {"only a disabled page", true, false, false, 1},
    };
    for (const Case& c : cases) {
        HWND hPage = ::CreateWindowExW(0, L"#32770", L"page", WS_POPUP, 0, 0, 100, 50, nullptr, nullptr, nullptr, nullptr);
        HWND hBox = ::CreateWindowExW(0, L"#32770", L"box", WS_POPUP, 0, 0, 50, 20, hPage, nullptr, nullptr, nullptr);
        HWND hPlain = ::CreateWindowExW(0, L"STATIC", L"shadow", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr,
                                        nullptr, nullptr);
        ASSERT_TRUE(hPage && hBox && hPlain);
        ::EnableWindow(hPage, c.bPageEnabled);
        if (c.bPageVisible)
            ::SetWindowPos(hPage, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        if (c.bBoxVisible)
            ::SetWindowPos(hBox, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        const HWND expected[] = {nullptr, hPage, hBox};
        EXPECT_EQ(expected[c.nExpected], FindInstallerWindow(::GetCurrentProcessId())) << c.pszMeaning;
        ::DestroyWindow(hPlain);
        ::DestroyWindow(hBox);
        ::DestroyWindow(hPage);
    }
    EXPECT_EQ(nullptr, FindInstallerWindow(0)) << "no owner published";
}

}  // namespace
