// CWnd: handle map, binding, message maps, Default chaining, reflection.
#include "afx/afxwin.h"
#include "tests/support/pump.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr UINT WM_TEST_PING = WM_APP + 1;

// A popup whose map records what reached it.
class CRecordWnd : public CWnd
{
public:
    std::vector<std::string> m_log;
    CPoint m_ptLast;
    int m_nCreateResult = 0;

    BOOL CreatePopup(DWORD dwStyle = WS_POPUP)
    {
        return CreateEx(0, nullptr, L"record", dwStyle, 10, 10, 200, 100, nullptr, nullptr);
    }

protected:
    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct)
    {
        m_log.push_back(lpCreateStruct && m_hWnd ? "create" : "create-without-window");
        if (CWnd::OnCreate(lpCreateStruct) == -1)
            return -1;
        return m_nCreateResult;
    }
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point)
    {
        m_log.push_back("lbuttondown");
        m_ptLast = point;
        CWnd::OnLButtonDown(nFlags, point);
    }
    afx_msg void OnSize(UINT nType, int cx, int cy)
    {
        m_log.push_back("size " + std::to_string(cx) + "x" + std::to_string(cy));
    }
    afx_msg LRESULT OnPing(WPARAM wParam, LPARAM lParam) { return static_cast<LRESULT>(wParam + lParam); }
    afx_msg void OnDestroy()
    {
        m_log.push_back("destroy");
        CWnd::OnDestroy();
    }
    void PostNcDestroy() override { m_log.push_back("postncdestroy"); }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CRecordWnd, CWnd)
    ON_WM_CREATE()
    ON_WM_LBUTTONDOWN()
    ON_WM_SIZE()
    ON_WM_DESTROY()
    ON_MESSAGE(WM_TEST_PING, &CRecordWnd::OnPing)
END_MESSAGE_MAP()

// A derived class inherits its base's entries and can replace one.
class CDerivedWnd : public CRecordWnd
{
protected:
    afx_msg LRESULT OnPing(WPARAM wParam, LPARAM lParam) { return 1000; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedWnd, CRecordWnd)
    ON_MESSAGE(WM_TEST_PING, &CDerivedWnd::OnPing)
END_MESSAGE_MAP()

TEST(CWndCreate, AttachedBeforeFirstMessage)
{
    CRecordWnd wnd;
    ASSERT_TRUE(wnd.CreatePopup());
    ASSERT_FALSE(wnd.m_log.empty());
    EXPECT_EQ("create", wnd.m_log.front());
    EXPECT_EQ(&wnd, CWnd::FromHandlePermanent(wnd.m_hWnd));
    EXPECT_EQ(&wnd, CWnd::FromHandle(wnd.m_hWnd));
}

TEST(CWndCreate, OnCreateFailureFailsCreation)
{
    const size_t nBefore = AfxGetHandleMapCount();
    CRecordWnd wnd;
    wnd.m_nCreateResult = -1;
    EXPECT_FALSE(wnd.CreatePopup());
    EXPECT_EQ(nullptr, wnd.m_hWnd);
    EXPECT_EQ(nBefore, AfxGetHandleMapCount());
}

TEST(CWndMessageMap, HandlersGetUnpackedArguments)
{
    CDerivedWnd wnd;
    ASSERT_TRUE(wnd.CreatePopup());
    wnd.m_log.clear();

    wnd.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(-5, 7));
    ASSERT_EQ(1u, wnd.m_log.size());
    EXPECT_EQ("lbuttondown", wnd.m_log[0]);
    EXPECT_EQ(CPoint(-5, 7), wnd.m_ptLast) << "x and y are signed";

    wnd.MoveWindow(0, 0, 123, 45);
    EXPECT_EQ("size 123x45", wnd.m_log.back());

    // The derived map wins over the base map for the same message.
    EXPECT_EQ(1000, wnd.SendMessage(WM_TEST_PING, 1, 2));
    // Unmapped messages reach the default procedure.
    wnd.SetWindowText(L"标题");
    CString str;
    wnd.GetWindowText(str);
    EXPECT_STREQ(L"标题", str);
}

TEST(CWndHandleMap, TemporaryWrappersForForeignWindows)
{
    HWND hDesktop = ::GetDesktopWindow();
    CWnd* pDesktop = CWnd::FromHandle(hDesktop);
    ASSERT_NE(nullptr, pDesktop);
    EXPECT_EQ(hDesktop, SafeHwnd(pDesktop));
    EXPECT_EQ(pDesktop, CWnd::FromHandle(hDesktop)) << "one wrapper per handle";
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hDesktop));
    EXPECT_EQ(nullptr, CWnd::FromHandle(nullptr));
    EXPECT_EQ(nullptr, SafeHwnd(nullptr)) << "SafeHwnd takes a null pointer";

    AfxDeleteTempMaps();
    EXPECT_TRUE(::IsWindow(hDesktop)) << "dropping a wrapper never destroys its window";
}

TEST(CWndHandleMap, AttachDetachAndSubclass)
{
    HWND hWnd = ::CreateWindowExW(0, L"STATIC", L"plain", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, hWnd);
    const size_t nBefore = AfxGetHandleMapCount();
    {
        CWnd wnd;
        ASSERT_TRUE(wnd.Attach(hWnd));
        CWnd other;
        EXPECT_FALSE(other.Attach(hWnd)) << "a window belongs to one object";
        EXPECT_EQ(hWnd, wnd.Detach());
        EXPECT_EQ(nBefore, AfxGetHandleMapCount());

        const LONG_PTR procBefore = ::GetWindowLongPtrW(hWnd, GWLP_WNDPROC);
        CRecordWnd rec;
        ASSERT_TRUE(rec.SubclassWindow(hWnd));
        EXPECT_EQ(3, rec.SendMessage(WM_TEST_PING, 1, 2));
        rec.SetWindowText(L"through the static's own procedure");
        wchar_t szText[64] = {};
        ::GetWindowTextW(hWnd, szText, 64);
        EXPECT_STREQ(L"through the static's own procedure", szText);
        EXPECT_EQ(hWnd, rec.UnsubclassWindow());
        EXPECT_EQ(procBefore, ::GetWindowLongPtrW(hWnd, GWLP_WNDPROC));
    }
    EXPECT_TRUE(::IsWindow(hWnd)) << "detached objects leave the window alone";
    ::DestroyWindow(hWnd);
}

// Create, destroy, create again: the map must not keep stale entries, in
// whichever order window and object go.
TEST(CWndHandleMap, NoStaleEntriesAcrossCreateDestroy)
{
    const size_t nBefore = AfxGetHandleMapCount();
    for (int i = 0; i < 20; ++i) {
        CRecordWnd* pWnd = new CRecordWnd;
        ASSERT_TRUE(pWnd->CreatePopup());
        HWND hWnd = pWnd->m_hWnd;
        EXPECT_EQ(nBefore + 1, AfxGetHandleMapCount());
        if (i % 2) {
            delete pWnd;   // the object destroys its window
            EXPECT_FALSE(::IsWindow(hWnd));
        } else {
            ASSERT_TRUE(pWnd->DestroyWindow());
            EXPECT_EQ(nullptr, pWnd->m_hWnd);
            EXPECT_EQ("postncdestroy", pWnd->m_log.back());
            ASSERT_TRUE(pWnd->CreatePopup()) << "the same object can have a new window";
            ::DestroyWindow(pWnd->m_hWnd);
            EXPECT_EQ(nullptr, pWnd->m_hWnd);
            delete pWnd;
        }
        EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWnd));
        EXPECT_EQ(nBefore, AfxGetHandleMapCount());
    }
}

// ---- Reflection ---------------------------------------------------------------

class COwnerDrawButton : public CButton
{
public:
    int m_nDrawn = 0;
    int m_nReflectedClicks = 0;
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override
    {
        if (lpDrawItemStruct->hwndItem == m_hWnd)
            ++m_nDrawn;
    }
};

class CParentWnd : public CRecordWnd
{
public:
    int m_nClicks = 0;
protected:
    afx_msg void OnBnClickedButton() { ++m_nClicks; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CParentWnd, CRecordWnd)
    ON_BN_CLICKED(42, &CParentWnd::OnBnClickedButton)
END_MESSAGE_MAP()

class CSelfClickButton : public CButton
{
public:
    int m_nClicks = 0;
protected:
    afx_msg void OnClicked() { ++m_nClicks; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CSelfClickButton, CButton)
    ON_CONTROL_REFLECT(BN_CLICKED, &CSelfClickButton::OnClicked)
END_MESSAGE_MAP()

class CColorStatic : public CStatic
{
public:
    CBrush m_brush{RGB(1, 2, 3)};
protected:
    afx_msg HBRUSH CtlColor(CDC*, UINT nCtlColor)
    {
        return nCtlColor == CTLCOLOR_STATIC ? static_cast<HBRUSH>(m_brush) : nullptr;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CColorStatic, CStatic)
    ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

TEST(CWndReflection, DrawItemCommandsAndColours)
{
    CParentWnd parent;
    ASSERT_TRUE(parent.CreatePopup(WS_POPUP | WS_VISIBLE));

    COwnerDrawButton button;
    ASSERT_TRUE(button.Create(L"draw", WS_VISIBLE | BS_OWNERDRAW, CRect(0, 0, 80, 30), &parent, 42));
    button.RedrawWindow();
    EXPECT_GE(button.m_nDrawn, 1) << "the parent's WM_DRAWITEM reaches the button's DrawItem";

    // A notification the control does not reflect reaches the parent's map.
    button.SendMessage(BM_CLICK);
    EXPECT_EQ(1, parent.m_nClicks);

    // ON_CONTROL_REFLECT takes the notification away from the parent.
    CSelfClickButton self;
    ASSERT_TRUE(self.Create(L"self", WS_VISIBLE | BS_PUSHBUTTON, CRect(0, 40, 80, 70), &parent, 42));
    self.SendMessage(BM_CLICK);
    EXPECT_EQ(1, self.m_nClicks);
    EXPECT_EQ(1, parent.m_nClicks);

    CColorStatic label;
    ASSERT_TRUE(label.Create(L"label", WS_VISIBLE, CRect(90, 0, 150, 20), &parent));
    CClientDC dc(&label);
    const LRESULT lBrush = parent.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.m_hDC),
                                              reinterpret_cast<LPARAM>(label.m_hWnd));
    EXPECT_EQ(reinterpret_cast<LRESULT>(static_cast<HBRUSH>(label.m_brush)), lBrush);
}

// ---- Geometry helpers -----------------------------------------------------------

TEST(CWndCenter, PositionIsCentredThenKeptInside)
{
    struct Case { CRect rcWnd, rcCenter, rcArea; CPoint expected; };
    const CRect area(0, 0, 1280, 800);
    const Case cases[] = {
        {CRect(0, 0, 416, 200), area, area, CPoint(432, 300)},                        // on the work area
        {CRect(0, 0, 416, 200), CRect(100, 100, 516, 350), area, CPoint(100, 125)},   // over an owner
        {CRect(0, 0, 416, 200), CRect(1200, 700, 1280, 800), area, CPoint(864, 600)}, // pushed back inside
        {CRect(0, 0, 2000, 900), area, area, CPoint(0, 0)},                           // too big: top-left wins
    };
    for (const Case& c : cases) {
        const CPoint pt = AfxCenterPosition(c.rcWnd, c.rcCenter, c.rcArea);
        EXPECT_EQ(c.expected, pt) << "expected (" << c.expected.x << "," << c.expected.y << "), got ("
                                  << pt.x << "," << pt.y << ")";
    }
}

TEST(CWndCenter, OwnedPopupCentresOverItsVisibleOwner)
{
    CRecordWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, nullptr, L"owner", WS_POPUP, 100, 100, 416, 250, nullptr, nullptr));
    CWnd box;
    ASSERT_TRUE(box.CreateEx(0, nullptr, L"box", WS_POPUP, 0, 0, 216, 100, owner.m_hWnd, nullptr));

    owner.ShowWindow(SW_SHOWNA);
    box.CenterWindow();
    CRect rc;
    box.GetWindowRect(&rc);
    EXPECT_EQ(CPoint(200, 175), rc.TopLeft()) << "over the owner, got (" << rc.left << "," << rc.top << ")";

    // A hidden owner: the work area of the screen instead.
    owner.ShowWindow(SW_HIDE);
    box.CenterWindow();
    box.GetWindowRect(&rc);
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    ASSERT_TRUE(::GetMonitorInfoW(::MonitorFromWindow(box.m_hWnd, MONITOR_DEFAULTTOPRIMARY), &mi));
    const CRect rcWork(mi.rcWork);
    EXPECT_EQ(AfxCenterPosition(rc, rcWork, rcWork), rc.TopLeft());
    box.DestroyWindow();
    owner.DestroyWindow();
}

// Without an owner given, a popup centres over its owner window.
TEST(CWndCenter, PopupCentresOverItsOwner)
{
    CRecordWnd owner;
    ASSERT_TRUE(owner.CreatePopup(WS_POPUP | WS_VISIBLE));
    owner.SetWindowPos(nullptr, 100, 100, 400, 300, SWP_NOZORDER | SWP_NOACTIVATE);
    CWnd popup;
    ASSERT_TRUE(popup.CreateEx(0, nullptr, L"owned", WS_POPUP, 0, 0, 100, 50, owner.m_hWnd, nullptr));
    popup.CenterWindow();
    CRect rc;
    popup.GetWindowRect(&rc);
    EXPECT_EQ(CPoint(250, 225), rc.TopLeft()) << "expected the centre of the owner (100, 100, 400 x 300), got ("
                                              << rc.left << "," << rc.top << ")";
    popup.DestroyWindow();
    owner.DestroyWindow();
}

// The installer's pump while another program's window is active: no window
// of the thread is active, so there is no main window, and the timers and
// posted messages of plain and framework windows still arrive.
DWORD WINAPI PumpWithoutActiveWindow(LPVOID pvOffered)
{
    int& nOffered = *static_cast<int*>(pvOffered);
    CRecordWnd wnd;
    wnd.CreatePopup();
    HWND hPlain = ::CreateWindowExW(0, L"STATIC", L"plain", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    if (AfxGetMainWnd() || !wnd.m_hWnd || !hPlain)
        return 1;
    ::PostMessageW(hPlain, WM_USER, 0, 0);
    ::PostMessageW(wnd.m_hWnd, WM_TEST_PING, 0, 0);
    ::SetTimer(hPlain, 1, 10, nullptr);
    PumpUntil([&] { return nOffered >= 3; }, 3000, true, [&](const MSG& msg) {
        if (msg.hwnd == hPlain || msg.hwnd == wnd.m_hWnd)
            ++nOffered;
        return false;   // offered to AfxPreTranslateMessage, then dispatched
    });
    ::DestroyWindow(hPlain);
    wnd.DestroyWindow();
    return 0;
}

TEST(AfxPreTranslateMessage, NoActiveWindowOnTheThread)
{
    // A thread of its own: its input state has no active window at all.
    int nOffered = 0;
    HANDLE hThread = ::CreateThread(nullptr, 0, PumpWithoutActiveWindow, &nOffered, 0, nullptr);
    ASSERT_NE(nullptr, hThread);
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(hThread, 10000));
    DWORD dwExit = 1;
    ::GetExitCodeThread(hThread, &dwExit);
    ::CloseHandle(hThread);
    EXPECT_EQ(0u, dwExit) << "the thread had a main window or could not create its windows";
    EXPECT_GE(nOffered, 3) << "expected both posted messages and a timer tick offered, got " << nOffered;
}

TEST(CRectTypes, BasicsMatchWin32)
{
    CRect rc(10, 20, 110, 70);
    EXPECT_EQ(100, rc.Width());
    EXPECT_EQ(50, rc.Height());
    EXPECT_EQ(CPoint(60, 45), rc.CenterPoint());
    EXPECT_TRUE(rc.PtInRect(CPoint(10, 20)));
    EXPECT_FALSE(rc.PtInRect(CPoint(110, 70))) << "right and bottom are exclusive";
    rc.OffsetRect(-10, -20);
    EXPECT_EQ(CRect(0, 0, 100, 50), rc);
    rc.DeflateRect(5, 5);
    EXPECT_EQ(CRect(5, 5, 95, 45), rc);
    CRect inverted(10, 10, 0, 0);
    inverted.NormalizeRect();
    EXPECT_EQ(CRect(0, 0, 10, 10), inverted);
    EXPECT_EQ(CSize(3, 4), CPoint(5, 6) - CPoint(2, 2));
}

}  // namespace
