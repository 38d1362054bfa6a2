// The shadow window around the demo dialog: place and size, minimise and
// restore, moves and the rebuild at the end of a move, hiding, click-through
// and destruction.
#include <gtest/gtest.h>

#include <memory>

#include "skin/wnd_shadow.h"
#include "tests/skin/skin_test_env.h"

namespace {

CWndShadow* ShadowOf(HWND hWnd)
{
    auto it = CWndShadow::s_mapParentToShadow.find(hWnd);
    return it == CWndShadow::s_mapParentToShadow.end() ? nullptr : it->second;
}

CRect WindowRect(HWND hWnd)
{
    CRect rc;
    ::GetWindowRect(hWnd, &rc);
    return rc;
}

TEST(WndShadow, SupportIsRegisteredOnce)
{
    ASSERT_NE(nullptr, CWndShadow::s_pfnUpdateLayeredWindow);
    EXPECT_FALSE(CWndShadow::InitShadowSupport(::GetModuleHandleW(nullptr)));
    WNDCLASSEXW wc = {sizeof(wc)};
    EXPECT_TRUE(::GetClassInfoExW(::GetModuleHandleW(nullptr), SHADOW_WND_CLASS, &wc));
}

TEST(WndShadow, FollowsItsDialog)
{
    CSkinDemoDlg dlg;
    ShowDemo(dlg, 100, 100);
    CWndShadow* pShadow = ShadowOf(dlg.m_hWnd);
    ASSERT_NE(nullptr, pShadow);
    const HWND hShadow = pShadow->m_hShadowWnd;
    EXPECT_EQ(SHADOW_SIZE, pShadow->m_chSize);
    EXPECT_EQ(SHADOW_COLOR, pShadow->m_clrShadow);
    EXPECT_EQ(dlg.m_hWnd, ::GetWindow(hShadow, GW_OWNER));
    EXPECT_EQ(static_cast<LONG_PTR>(WS_EX_LAYERED | WS_EX_TRANSPARENT),
              ::GetWindowLongPtrW(hShadow, GWL_EXSTYLE) & (WS_EX_LAYERED | WS_EX_TRANSPARENT));

    // A 416 x 250 dialog at (100, 100): 424 x 258 at (96, 96).
    ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(hShadow) != FALSE; }));
    EXPECT_EQ(CRect(96, 96, 96 + 424, 96 + 258), WindowRect(hShadow));

    // A move moves it without a rebuild; the end of the move rebuilds once.
    PumpFor(100);
    int nRebuilds = ShadowRebuildCount();
    dlg.SetWindowPos(nullptr, 150, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    PumpFor(100);
    EXPECT_EQ(CRect(146, 116, 146 + 424, 116 + 258), WindowRect(hShadow));
    EXPECT_EQ(nRebuilds, ShadowRebuildCount()) << "rebuilt during the move";
    dlg.SendMessage(WM_EXITSIZEMOVE);
    EXPECT_EQ(nRebuilds + 1, ShadowRebuildCount()) << "rebuilds at the end of the move";

    // Clicks on the shadow reach what lies beneath.
    EXPECT_NE(hShadow, ::WindowFromPoint(CPoint(147, 200)));

    // Minimise (the title button) hides it; restore shows and rebuilds it.
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_TITLE_MIN, BN_CLICKED), reinterpret_cast<LPARAM>(dlg.m_btnMin.m_hWnd));
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindowVisible(hShadow); }));
    EXPECT_FALSE(pShadow->m_byState & SHADOW_VISIBLE);
    nRebuilds = ShadowRebuildCount();
    dlg.ShowWindow(SW_RESTORE);
    EXPECT_TRUE(PumpUntil([&] { return ::IsWindowVisible(hShadow) != FALSE; }));
    EXPECT_GT(ShadowRebuildCount(), nRebuilds);
    EXPECT_EQ(CRect(146, 116, 146 + 424, 116 + 258), WindowRect(hShadow));

    // Hiding the page hides its shadow.
    dlg.ShowWindow(SW_HIDE);
    EXPECT_FALSE(::IsWindowVisible(hShadow));
    dlg.ShowWindow(SW_SHOW);
    EXPECT_TRUE(PumpUntil([&] { return ::IsWindowVisible(hShadow) != FALSE; }));

    // Destroying the page destroys the shadow window and the map entry.
    const HWND hDlg = dlg.m_hWnd;
    dlg.DestroyWindow();
    EXPECT_FALSE(::IsWindow(hShadow));
    EXPECT_EQ(nullptr, ShadowOf(hDlg));
}

// A hidden 50 x 40 popup at (10, 10) with the system's window procedure.
HWND CreatePlainWindow()
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VLSkinPlainWnd";
    ::RegisterClassW(&wc);
    return ::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 10, 10, 50, 40, nullptr, nullptr, wc.hInstance,
                             nullptr);
}

TEST(WndShadow, IdsCountUpAndSettersRedrawOnlyWhenVisible)
{
    const int nFirst = g_nShadowIdCounter;
    HWND hWnd = CreatePlainWindow();
    ASSERT_NE(nullptr, hWnd);
    const std::unique_ptr<CWndShadow> pOwned = CreateShadow(hWnd, 40);
    ASSERT_NE(nullptr, pOwned);
    const int nId = pOwned->m_nId;
    EXPECT_EQ(nFirst + 1, nId);
    CWndShadow* pShadow = g_mapShadowById[nId];
    ASSERT_NE(nullptr, pShadow);
    EXPECT_EQ(pOwned.get(), pShadow);
    EXPECT_EQ(SHADOW_ENABLED, pShadow->m_byState) << "attached to a hidden window: not visible";

    const int nRebuilds = ShadowRebuildCount();
    pShadow->SetShadowDarkness(200);
    EXPECT_EQ(200, pShadow->m_byDarkness);
    EXPECT_EQ(nRebuilds, ShadowRebuildCount());

    ::ShowWindow(hWnd, SW_SHOWNOACTIVATE);
    PumpFor(100);
    ASSERT_TRUE(pShadow->m_byState & SHADOW_VISIBLE);
    const int nShown = ShadowRebuildCount();
    pShadow->SetShadowOffset(2, 3);
    EXPECT_EQ(nShown + 1, ShadowRebuildCount());
    EXPECT_EQ(CRect(10 + 2 - 5, 10 + 3 - 5, 10 + 2 - 5 + 60, 10 + 3 - 5 + 50), WindowRect(pShadow->m_hShadowWnd));
    ::DestroyWindow(hWnd);
}

// Shadows used to live until the process ended, one per dialog ever made.
// Freed by its owner, whichever goes first, a shadow leaves no map entry and
// no window, and a dialog that outlives it gets its own procedure back.
TEST(WndShadow, FreedWithItsOwnerInEitherOrder)
{
    // The dialog's window goes first, then the object that owns the shadow.
    int nId = 0;
    HWND hShadow = nullptr;
    {
        CSkinDemoDlg dlg;
        ShowDemo(dlg, 100, 100);
        CWndShadow* pShadow = ShadowOf(dlg.m_hWnd);
        ASSERT_NE(nullptr, pShadow);
        nId = pShadow->m_nId;
        hShadow = pShadow->m_hShadowWnd;
        EXPECT_EQ(pShadow, g_mapShadowById[nId]);
        dlg.DestroyWindow();
        EXPECT_FALSE(::IsWindow(hShadow));
    }
    EXPECT_EQ(0u, g_mapShadowById.count(nId)) << "the dialog's shadow outlived it";

    // The shadow goes while its window lives on.
    HWND hWnd = CreatePlainWindow();
    ASSERT_NE(nullptr, hWnd);
    const LONG_PTR pfnBefore = ::GetWindowLongPtrW(hWnd, GWLP_WNDPROC);
    {
        const std::unique_ptr<CWndShadow> pShadow = CreateShadow(hWnd, 40);
        ASSERT_NE(nullptr, pShadow);
        nId = pShadow->m_nId;
        hShadow = pShadow->m_hShadowWnd;
        EXPECT_NE(pfnBefore, ::GetWindowLongPtrW(hWnd, GWLP_WNDPROC));
    }
    EXPECT_EQ(0u, g_mapShadowById.count(nId));
    EXPECT_EQ(nullptr, ShadowOf(hWnd));
    EXPECT_FALSE(::IsWindow(hShadow));
    EXPECT_EQ(pfnBefore, ::GetWindowLongPtrW(hWnd, GWLP_WNDPROC));
    ::DestroyWindow(hWnd);
}

}  // namespace
