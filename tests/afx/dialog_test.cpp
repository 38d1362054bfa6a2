// CDialog from templates: creation hook, second subclassing, DDX_Control,
// reflection, notifications, PreTranslateMessage, the modal loop and the
// application object's main window.
#include "afx/afxwin.h"
#include "tests/afx/dialog_test_ids.h"
#include "tests/support/pump.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr UINT WM_TEST_PING = WM_APP + 7;
constexpr UINT_PTR IDT_SCRIPT = 1;
const wchar_t s_szPageProp[] = L"afx.test.page";

typedef std::vector<std::string> Log;

std::string Join(const Log& log)
{
    std::string out;
    for (const std::string& s : log)
        out += (out.empty() ? "" : ", ") + s;
    return out;
}

// The skinned-control pattern: owner-drawn by PreSubclassWindow, drawn by
// reflection, with a map of its own.
class CSkinButton : public CButton
{
public:
    Log* m_pLog = nullptr;   // not owned
    int m_nPreSubclass = 0;
    int m_nDrawn = 0;

protected:
    void PreSubclassWindow() override
    {
        ++m_nPreSubclass;
        CButton::PreSubclassWindow();
        ModifyStyle(0, BS_OWNERDRAW, 0);
    }
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override
    {
        if (lpDrawItemStruct->hwndItem == m_hWnd)
            ++m_nDrawn;
    }
    afx_msg LRESULT OnSetText(WPARAM, LPARAM lParam)
    {
        m_pLog->push_back("button settext " + std::string(CStringA(reinterpret_cast<LPCWSTR>(lParam))));
        return Default();
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CSkinButton, CButton)
    ON_MESSAGE(WM_SETTEXT, &CSkinButton::OnSetText)
END_MESSAGE_MAP()

// Stands in for a window shadow: subclasses the dialog from its OnCreate.
LRESULT CALLBACK ShadowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

class CPageDlg : public CDialog
{
public:
    CPageDlg() : CDialog(IDD_TEST_PAGE) { m_btnSkin.m_pLog = &m_log; }

    Log m_log;
    CSkinButton m_btnSkin;
    CEdit m_editPath;
    bool m_bShadow = false;       // subclass again in OnCreate
    bool m_bLogSize = false;      // WM_SIZE also comes during creation
    bool m_bKeyScript = false;    // modal: press Escape, then Enter
    bool m_bCancelScript = false; // modal: cancel from a timer
    bool m_bQuitScript = false;   // modal: post WM_QUIT to itself from a timer
    WNDPROC m_pfnShadowPrev = nullptr;
    HWND m_hWndOwnerSeen = nullptr;
    BOOL m_bOwnerEnabledSeen = TRUE;
    UINT m_nCreateMessage = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        CDialog::DoDataExchange(pDX);
        DDX_Control(pDX, IDC_TEST_BUTTON, m_btnSkin);
        DDX_Control(pDX, IDC_TEST_EDIT, m_editPath);
    }
    BOOL OnInitDialog() override
    {
        m_log.push_back("initdialog");
        CDialog::OnInitDialog();
        if (m_bKeyScript || m_bCancelScript || m_bQuitScript)
            SetTimer(IDT_SCRIPT, 10);
        return TRUE;
    }
    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_ESCAPE) {
            m_log.push_back("pre escape");
            return TRUE;   // swallowed: the dialog manager never sees it
        }
        if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_RETURN)
            m_log.push_back("pre return");
        return CDialog::PreTranslateMessage(pMsg);
    }
    void OnOK() override
    {
        m_log.push_back("ok");
        CDialog::OnOK();
    }
    void OnCancel() override
    {
        m_log.push_back("cancel");
        CDialog::OnCancel();
    }

    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct)
    {
        m_log.push_back("create");
        m_nCreateMessage = GetCurrentMessage()->message;
        if (CDialog::OnCreate(lpCreateStruct) == -1)
            return -1;
        if (m_bShadow) {
            ::SetPropW(m_hWnd, s_szPageProp, this);
            m_pfnShadowPrev = reinterpret_cast<WNDPROC>(
                ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ShadowProc)));
        }
        return 0;
    }
    afx_msg void OnSize(UINT nType, int cx, int cy)
    {
        if (m_bLogSize)
            m_log.push_back("dlg size");
        CDialog::OnSize(nType, cx, cy);
    }
    afx_msg void OnTimer(UINT_PTR nIDEvent)
    {
        if (nIDEvent != IDT_SCRIPT)
            return CDialog::OnTimer(nIDEvent);
        KillTimer(IDT_SCRIPT);
        m_hWndOwnerSeen = ::GetWindow(m_hWnd, GW_OWNER);
        m_bOwnerEnabledSeen = ::IsWindowEnabled(m_hWndOwnerSeen);
        if (m_bCancelScript) {
            OnCancel();
        } else if (m_bQuitScript) {
            PostMessage(WM_QUIT, 3, 0);   // as a page's cancel path does
        } else {
            m_editPath.SetFocus();
            m_editPath.PostMessage(WM_KEYDOWN, VK_ESCAPE, 0x00010001);
            m_editPath.PostMessage(WM_KEYDOWN, VK_RETURN, 0x001C0001);
        }
    }
    afx_msg LRESULT OnPing(WPARAM, LPARAM)
    {
        m_log.push_back("dlg ping");
        return 55;
    }
    afx_msg void OnBnClickedSkin() { m_log.push_back("clicked"); }
    afx_msg void OnEnChangePath() { m_log.push_back("enchange"); }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CPageDlg, CDialog)
    ON_WM_CREATE()
    ON_WM_SIZE()
    ON_WM_TIMER()
    ON_MESSAGE(WM_TEST_PING, &CPageDlg::OnPing)
    ON_BN_CLICKED(IDC_TEST_BUTTON, &CPageDlg::OnBnClickedSkin)
    ON_EN_CHANGE(IDC_TEST_EDIT, &CPageDlg::OnEnChangePath)
END_MESSAGE_MAP()

LRESULT CALLBACK ShadowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CPageDlg* pPage = static_cast<CPageDlg*>(::GetPropW(hWnd, s_szPageProp));
    const WNDPROC pfnPrev = pPage->m_pfnShadowPrev;
    if (message == WM_TEST_PING)
        pPage->m_log.push_back("shadow ping");
    else if (message == WM_SIZE && pPage->m_bLogSize)
        pPage->m_log.push_back("shadow size");
    else if (message == WM_NCDESTROY) {
        pPage->m_log.push_back("shadow ncdestroy");
        ::RemovePropW(hWnd, s_szPageProp);
    }
    return ::CallWindowProcW(pfnPrev, hWnd, message, wParam, lParam);
}

// A visible, active top-level window to own modal boxes.
class COwnerWnd : public CWnd
{
public:
    bool CreateActive()
    {
        if (!CreateEx(0, nullptr, L"owner", WS_POPUP | WS_VISIBLE, 50, 50, 300, 200, nullptr, nullptr))
            return false;
        ::SetForegroundWindow(m_hWnd);
        ::SetActiveWindow(m_hWnd);
        PumpUntil([this] { return ::GetActiveWindow() == m_hWnd; }, 2000, false);
        return ::GetActiveWindow() == m_hWnd;
    }
};

// ---- Creation -----------------------------------------------------------------

TEST(CDialogCreate, OnCreateRunsOnWmCreateBeforeInitDialog)
{
    CPageDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_TEST_PAGE, CWnd::GetDesktopWindow()));
    ASSERT_GE(dlg.m_log.size(), 2u) << Join(dlg.m_log);
    EXPECT_EQ("create", dlg.m_log[0]);
    EXPECT_EQ(static_cast<UINT>(WM_CREATE), dlg.m_nCreateMessage);
    EXPECT_EQ("initdialog", dlg.m_log[1]);
    EXPECT_EQ(&dlg, CWnd::FromHandlePermanent(dlg.m_hWnd));
    EXPECT_FALSE(dlg.IsWindowVisible()) << "a modeless page shows when its creator says so";
    dlg.DestroyWindow();
}

TEST(CDialogCreate, SecondSubclassFromOnCreateChains)
{
    const size_t nBefore = AfxGetHandleMapCount();
    CPageDlg dlg;
    dlg.m_bShadow = true;
    ASSERT_TRUE(dlg.Create(IDD_TEST_PAGE, CWnd::GetDesktopWindow()));
    EXPECT_EQ(&ShadowProc, reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(dlg.m_hWnd, GWLP_WNDPROC)));
    EXPECT_EQ("initdialog", dlg.m_log[1]) << "the dialog procedure still runs under the second subclass";

    dlg.m_log.clear();
    dlg.m_bLogSize = true;
    EXPECT_EQ(55, dlg.SendMessage(WM_TEST_PING));
    dlg.MoveWindow(0, 0, 300, 200);
    EXPECT_EQ("shadow ping, dlg ping, shadow size, dlg size", Join(dlg.m_log));

    // Default processing still reaches the system's dialog procedure.
    EXPECT_EQ(IDOK, LOWORD(dlg.GetDefID()));

    HWND hWnd = dlg.m_hWnd;
    dlg.m_log.clear();
    ASSERT_TRUE(dlg.DestroyWindow());
    EXPECT_EQ("shadow ncdestroy", Join(dlg.m_log));
    EXPECT_EQ(nullptr, dlg.m_hWnd);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWnd));
    EXPECT_EQ(nBefore, AfxGetHandleMapCount());
}

// Unmapped messages reach the system's dialog procedure, which turns a close
// into the command IDCANCEL for the map (Alt+F4 acts like Cancel).
TEST(CDialogCreate, CloseBecomesCancelThroughDefault)
{
    CPageDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_TEST_PAGE, CWnd::GetDesktopWindow()));
    dlg.m_log.clear();
    dlg.SendMessage(WM_CLOSE);
    EXPECT_TRUE(PumpUntil([&dlg] { return !dlg.m_log.empty(); })) << "no IDCANCEL arrived";
    EXPECT_EQ("cancel", Join(dlg.m_log));
    dlg.DestroyWindow();
}

TEST(CDialogCreate, NoStaleEntriesAcrossPages)
{
    const size_t nBefore = AfxGetHandleMapCount();
    for (int i = 0; i < 10; ++i) {
        CPageDlg* pDlg = new CPageDlg;
        ASSERT_TRUE(pDlg->Create(IDD_TEST_PAGE, CWnd::GetDesktopWindow()));
        EXPECT_EQ(nBefore + 3, AfxGetHandleMapCount()) << "the page and its two bound controls";
        HWND hButton = pDlg->m_btnSkin.m_hWnd;
        delete pDlg;
        EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hButton));
        EXPECT_EQ(nBefore, AfxGetHandleMapCount());
    }
}

// ---- Controls -------------------------------------------------------------------

TEST(CDialogControls, DdxControlBindsOnceAndControlsKeepTheirMaps)
{
    CPageDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_TEST_PAGE, CWnd::GetDesktopWindow()));
    HWND hButton = ::GetDlgItem(dlg.m_hWnd, IDC_TEST_BUTTON);
    EXPECT_EQ(hButton, dlg.m_btnSkin.m_hWnd);
    EXPECT_EQ(&dlg.m_btnSkin, CWnd::FromHandlePermanent(hButton));
    EXPECT_EQ(static_cast<DWORD>(BS_OWNERDRAW), dlg.m_btnSkin.GetStyle() & BS_TYPEMASK);
    EXPECT_TRUE(dlg.UpdateData(FALSE));
    EXPECT_EQ(1, dlg.m_btnSkin.m_nPreSubclass) << "an exchange never binds a bound control again";

    // The control's own map first, then its original procedure.
    dlg.m_log.clear();
    dlg.m_btnSkin.SetWindowText(L"Go");
    EXPECT_EQ("button settext Go", Join(dlg.m_log));
    CString strText;
    dlg.m_btnSkin.GetWindowText(strText);
    EXPECT_STREQ(L"Go", strText);

    // WM_DRAWITEM comes back to the control.
    dlg.ShowWindow(SW_SHOWNA);
    dlg.m_btnSkin.RedrawWindow();
    EXPECT_GE(dlg.m_btnSkin.m_nDrawn, 1);

    // Notifications reach the parent's handlers.
    dlg.m_log.clear();
    dlg.m_btnSkin.SendMessage(BM_CLICK);
    dlg.m_editPath.SetWindowText(L"C:\\Vellomar\\");
    EXPECT_NE(dlg.m_log.end(), std::find(dlg.m_log.begin(), dlg.m_log.end(), "clicked")) << Join(dlg.m_log);
    EXPECT_NE(dlg.m_log.end(), std::find(dlg.m_log.begin(), dlg.m_log.end(), "enchange")) << Join(dlg.m_log);
    dlg.DestroyWindow();
}

// ---- Modal ------------------------------------------------------------------------

TEST(CDialogModal, OwnLoopDisablesOwnerAndCanRunAgain)
{
    COwnerWnd owner;
    ASSERT_TRUE(owner.CreateActive()) << "the test needs an active window to own the box";
    const size_t nBefore = AfxGetHandleMapCount();

    CPageDlg dlg;
    dlg.m_bCancelScript = true;
    for (int nRun = 1; nRun <= 2; ++nRun) {
        dlg.m_log.clear();
        EXPECT_EQ(IDCANCEL, dlg.DoModal());
        EXPECT_EQ(owner.m_hWnd, dlg.m_hWndOwnerSeen) << "no parent: owned by the active window";
        EXPECT_FALSE(dlg.m_bOwnerEnabledSeen) << "the owner is disabled while the box runs";
        EXPECT_TRUE(owner.IsWindowEnabled()) << "and enabled again afterwards";
        EXPECT_EQ(nullptr, dlg.m_hWnd);
        EXPECT_EQ(nullptr, dlg.m_btnSkin.m_hWnd);
        EXPECT_EQ(nRun, dlg.m_btnSkin.m_nPreSubclass) << "each run binds the new window's control once";
        EXPECT_EQ("create, initdialog, cancel", Join(dlg.m_log));
        EXPECT_EQ(nBefore, AfxGetHandleMapCount());
    }
}

TEST(CDialogModal, PreTranslateMessageSeesKeysBeforeTheDialogManager)
{
    CPageDlg dlg;
    dlg.m_bKeyScript = true;
    EXPECT_EQ(IDOK, dlg.DoModal());
    // Escape was swallowed (no cancel); Enter went on and became IDOK.
    EXPECT_EQ("create, initdialog, pre escape, pre return, ok", Join(dlg.m_log));
}

// A WM_QUIT taken by the box's loop ends the box and is posted again, so the
// program's own loop ends too; the caller can tell by the -1.
TEST(CDialogModal, WmQuitEndsTheBoxAndStaysPending)
{
    CPageDlg dlg;
    dlg.m_bQuitScript = true;
    EXPECT_EQ(-1, dlg.DoModal());
    EXPECT_EQ(nullptr, dlg.m_hWnd);
    MSG msg = {};
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit is still queued";
    EXPECT_EQ(3u, msg.wParam);
}

TEST(CDialogModal, ModelessWithoutParentIsOwnedByTheMainWindow)
{
    COwnerWnd owner;
    ASSERT_TRUE(owner.CreateActive());
    CPageDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_TEST_PAGE));
    EXPECT_EQ(owner.m_hWnd, ::GetWindow(dlg.m_hWnd, GW_OWNER));
    dlg.DestroyWindow();
}

// ---- Application object --------------------------------------------------------------

VOID CALLBACK QuitWithMarker(HWND, UINT, UINT_PTR, DWORD)
{
    ::PostQuitMessage(99);   // the loop did not end in time
}

TEST(CWinAppMainWnd, FallsBackToTheActiveWindowAndWmQuitEndsTheLoop)
{
    COwnerWnd page;
    ASSERT_TRUE(page.CreateActive());

    // Without an application object the thread still has a thread object.
    ASSERT_EQ(nullptr, AfxGetApp());
    ASSERT_NE(nullptr, AfxGetThread());
    EXPECT_EQ(&page, AfxGetThread()->GetMainWnd());

    CWinApp app;
    ASSERT_EQ(&app, AfxGetApp());
    ASSERT_EQ(&app, AfxGetThread());
    EXPECT_EQ(&page, app.GetMainWnd()) << "no main window: the active window";
    EXPECT_EQ(&page, AfxGetMainWnd());
    COwnerWnd other;
    app.m_pMainWnd = &other;
    EXPECT_EQ(&other, app.GetMainWnd());
    app.m_pMainWnd = nullptr;

    ASSERT_TRUE(::PostMessageW(SafeHwnd(AfxGetMainWnd()), WM_QUIT, 0, 0));
    const UINT_PTR nTimer = ::SetTimer(nullptr, 0, 5000, QuitWithMarker);
    MSG msg = {};
    while (::GetMessageW(&msg, nullptr, 0, 0)) {
        if (!AfxPreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    ::KillTimer(nullptr, nTimer);
    EXPECT_EQ(static_cast<UINT>(WM_QUIT), msg.message);
    EXPECT_EQ(0u, msg.wParam) << "ended by the posted WM_QUIT, not by the time limit";
}

TEST(CWinAppRichEdit, BothRichEditClassesExist)
{
    EXPECT_TRUE(AfxInitRichEdit());
    WNDCLASSW wc = {};
    EXPECT_TRUE(::GetClassInfoW(nullptr, L"RichEdit20W", &wc)) << "the agreement viewer's class";

    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, L"parent", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr));
    CRichEditCtrl rich;
    ASSERT_TRUE(rich.Create(WS_CHILD | ES_MULTILINE | ES_READONLY, CRect(0, 0, 100, 100), &parent, 1041));
    rich.ReplaceSel(L"协议");
    EXPECT_EQ(2, rich.GetTextLength());
}

}  // namespace
