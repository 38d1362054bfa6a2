#include "wizard/page_common.h"

#include "skin/png_resource.h"
#include "wizard/third_step_dlg.h"

namespace {

constexpr wchar_t FONT_SUBSTITUTES_KEY[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes";

BOOL CALLBACK ClearVisibleOfOwned(HWND hWnd, LPARAM lParam)
{
    if (::GetWindow(hWnd, GW_OWNER) == reinterpret_cast<HWND>(lParam))
        ::SetWindowLongPtrW(hWnd, GWL_STYLE, ::GetWindowLongPtrW(hWnd, GWL_STYLE) & ~WS_VISIBLE);
    return TRUE;
}

// Lets a page and the windows it owns (its shadow) be destroyed without the
// hide that destruction starts with: where no window manager answers (Wine
// on a bare X server) each hide of a visible top-level window holds the
// thread up to 2 s, and the installer's end must be quick. The windows stay
// on the screen only until they are destroyed, right after.
void GoWithoutHiding(HWND hPage)
{
    ::EnumThreadWindows(::GetCurrentThreadId(), ClearVisibleOfOwned, reinterpret_cast<LPARAM>(hPage));
    ::SetWindowLongPtrW(hPage, GWL_STYLE, ::GetWindowLongPtrW(hPage, GWL_STYLE) & ~WS_VISIBLE);
}

}  // namespace

CFirstStepDlg* g_pFirstStepDlg = nullptr;
CProtocolDlg* g_pProtocolDlg = nullptr;
CThirdStepDlg* g_pThirdStepDlg = nullptr;
CFourthStepDlg* g_pFourthStepDlg = nullptr;

CWizardPages::~CWizardPages()
{
    End();
}

void CWizardPages::End()
{
    while (!m_vecPages.empty()) {
        CPageEntry entry = std::move(m_vecPages.back());
        m_vecPages.pop_back();
        entry.fnForget();
        // Messages still queued for the window (a timer, a post) find no
        // page once it is destroyed; the object goes only after that.
        if (const HWND hPage = SafeHwnd(entry.pPage.get())) {
            GoWithoutHiding(hPage);
            entry.pPage->DestroyWindow();
        }
        entry.pPage.reset();
    }
}

CWizardPages& GetWizardPages()
{
    // Made on first use, after GDI+ and the application object: gone before
    // them should the application not end it.
    static CWizardPages s_pages;
    return s_pages;
}

void PlaceOnMouseMonitor(CWnd& wnd)
{
    POINT ptMouse = {};
    ::GetCursorPos(&ptMouse);
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    if (!::GetMonitorInfoW(::MonitorFromPoint(ptMouse, MONITOR_DEFAULTTOPRIMARY), &mi))
        return;
    CRect rcWnd;
    wnd.GetWindowRect(&rcWnd);
    const CRect rcWork(mi.rcWork);
    const CPoint pt = AfxCenterPosition(rcWnd, rcWork, rcWork);
    wnd.SetWindowPos(nullptr, pt.x, pt.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ShowInPlaceOf(CWnd& next, const CWnd& current)
{
    // A minimised window's rectangle is the parking place off the screen: the
    // next one goes where current comes back to, and stays minimised too, as
    // the user left the wizard.
    const bool bMinimised = current.IsIconic() != FALSE;
    CRect rcCurrent;
    if (bMinimised) {
        WINDOWPLACEMENT wp = {};
        wp.length = sizeof(wp);
        ::GetWindowPlacement(current.GetSafeHwnd(), &wp);
        rcCurrent = wp.rcNormalPosition;
    } else {
        current.GetWindowRect(&rcCurrent);
    }
    next.SetWindowPos(nullptr, rcCurrent.left, rcCurrent.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    next.ShowWindow(bMinimised ? SW_SHOWMINNOACTIVE : SW_SHOW);
}

void ShowProgressPage(const CWnd& current)
{
    if (!g_pThirdStepDlg) {
        GetWizardPages()
            .Adopt(std::make_unique<CThirdStepDlg>(), g_pThirdStepDlg)
            .Create(IDD_THIRD_STEP_DLG, CWnd::FromHandle(::GetDesktopWindow()));
    }
    ShowInPlaceOf(*g_pThirdStepDlg, current);
}

std::unique_ptr<Gdiplus::Font> CreatePageFont(LPCWSTR pszFamily, Gdiplus::REAL emSize)
{
    Gdiplus::FontFamily family(pszFamily);
    if (!family.IsAvailable()) {
        wchar_t szFace[LF_FACESIZE] = {};
        DWORD cbFace = sizeof(szFace);
        if (::RegGetValueW(HKEY_LOCAL_MACHINE, FONT_SUBSTITUTES_KEY, pszFamily, RRF_RT_REG_SZ, nullptr, szFace,
                           &cbFace) == ERROR_SUCCESS) {
            Gdiplus::FontFamily substitute(szFace);
            if (substitute.IsAvailable())
                return std::make_unique<Gdiplus::Font>(&substitute, emSize, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
        }
    }
    return CreateSkinFont(pszFamily, emSize);
}
