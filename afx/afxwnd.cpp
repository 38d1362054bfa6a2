#include "afx/afxwnd.h"

#include "afx/afxapp.h"
#include "afx/afxdlg.h"
#include "afx/afximpl.h"
#include "afx/afxmodule.h"

namespace {

// ---- Handle maps ---------------------------------------------------------------

// Handle -> object for every window the program owns. Process-wide, so a
// window's object is found from any thread.
CSRWLock s_permanentMapLock;

std::map<HWND, CWnd*>& PermanentMap()
{
    static std::map<HWND, CWnd*> s_map;
    return s_map;
}

const wchar_t s_szDefaultClass[] = L"AfxWnd";

bool IsImeClass(LPCWSTR lpszClass)
{
    return lpszClass && !IS_INTRESOURCE(lpszClass) && _wcsicmp(lpszClass, L"IME") == 0;
}

}  // namespace

size_t AfxGetHandleMapCount()
{
    CSRWLockGuard hold(s_permanentMapLock);
    return PermanentMap().size();
}

namespace {

// The wrapper of a window nobody owns: never destroys it, never subclasses it.
class CTempWnd : public CWnd
{
public:
    explicit CTempWnd(HWND hWnd) : CWnd(hWnd) {}
};

CTempHandleMap<HWND, CWnd>& TempWndMap()
{
    static CTempHandleMap<HWND, CWnd> s_map(
        [](HWND h) -> CWnd* { return new CTempWnd(h); },
        [](HWND h) { return ::IsWindow(h) != FALSE; },
        [](CWnd* p) { p->m_hWnd = nullptr; });
    return s_map;
}

}  // namespace

void AfxDeleteTempWndMap()
{
    TempWndMap().DeleteAll();
}

void AfxDeleteTempMaps()
{
    AfxDeleteTempWndMap();
    AfxDeleteTempGdiMaps();
}

// ---- Window creation hook -------------------------------------------------------

// Attaches the pending object at HCBT_CREATEWND, before the window gets any
// message, so that even a dialog's WM_CREATE reaches the object's map.
LRESULT CALLBACK AfxCbtFilterHook(int nCode, WPARAM wParam, LPARAM lParam)
{
    AFX_THREAD_STATE* pState = AfxGetThreadState();
    if (nCode == HCBT_CREATEWND && pState->pWndInit) {
        const CBT_CREATEWNDW* pCreate = reinterpret_cast<CBT_CREATEWNDW*>(lParam);
        if (!IsImeClass(pCreate->lpcs->lpszClass)) {
            CWnd* pWnd = pState->pWndInit;
            pState->pWndInit = nullptr;
            HWND hWnd = reinterpret_cast<HWND>(wParam);
            if (pWnd->Attach(hWnd)) {
                pWnd->PreSubclassWindow();
                pWnd->HookProcedure();
            }
        }
    }
    return ::CallNextHookEx(pState->hHookCbt, nCode, wParam, lParam);
}

void AfxHookWindowCreate(CWnd* pWnd)
{
    AFX_THREAD_STATE* pState = AfxGetThreadState();
    if (pState->nHookDepth++ == 0)
        pState->hHookCbt = ::SetWindowsHookExW(WH_CBT, AfxCbtFilterHook, nullptr, ::GetCurrentThreadId());
    pState->pWndInit = pWnd;
}

bool AfxUnhookWindowCreate()
{
    AFX_THREAD_STATE* pState = AfxGetThreadState();
    const bool bAttached = pState->pWndInit == nullptr;
    pState->pWndInit = nullptr;
    if (pState->nHookDepth > 0 && --pState->nHookDepth == 0 && pState->hHookCbt) {
        ::UnhookWindowsHookEx(pState->hHookCbt);
        pState->hHookCbt = nullptr;
    }
    return bAttached;
}

// ---- Window procedure ------------------------------------------------------------

// The layer is built without exceptions, so no handler can unwind through
// the system's code that called the window procedure.
#ifdef __cpp_exceptions
#error "afx must be compiled with -fno-exceptions: nothing may unwind through a window procedure"
#endif

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (!pWnd)
        return ::DefWindowProcW(hWnd, message, wParam, lParam);

    MSG& lastSent = AfxGetThreadState()->lastSentMsg;
    const MSG saved = lastSent;
    lastSent.hwnd = hWnd;
    lastSent.message = message;
    lastSent.wParam = wParam;
    lastSent.lParam = lParam;
    const LRESULT lResult = pWnd->WindowProc(message, wParam, lParam);
    if (message == WM_NCDESTROY && pWnd->m_hWnd == hWnd)
        pWnd->FinishNcDestroy();
    lastSent = saved;
    return lResult;
}

// ---- CWnd: binding -----------------------------------------------------------------

IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
    ON_WM_DRAWITEM()
    ON_WM_MEASUREITEM()
    ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

const CWnd CWnd::wndTop(HWND_TOP);
const CWnd CWnd::wndBottom(HWND_BOTTOM);
const CWnd CWnd::wndTopMost(HWND_TOPMOST);
const CWnd CWnd::wndNoTopMost(HWND_NOTOPMOST);

CWnd::CWnd(HWND hWnd) : m_hWnd(hWnd), m_bTemporary(true) {}

CWnd::~CWnd()
{
    if (m_bTemporary) {
        m_hWnd = nullptr;
        return;
    }
    if (m_hWnd && ::IsWindow(m_hWnd))
        CWnd::DestroyWindow();   // OnDestroy/PostNcDestroy of derived classes no longer run
    if (m_hWnd)
        Detach();
}

HWND SafeHwnd(const CWnd* pWnd)
{
    return pWnd ? pWnd->m_hWnd : nullptr;
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    if (!hWnd)
        return nullptr;
    CSRWLockGuard hold(s_permanentMapLock);
    auto it = PermanentMap().find(hWnd);
    return it == PermanentMap().end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND hWnd)
{
    if (!hWnd)
        return nullptr;
    if (CWnd* pWnd = FromHandlePermanent(hWnd))
        return pWnd;
    return TempWndMap().Get(hWnd);
}

BOOL CWnd::Attach(HWND hWndNew)
{
    if (!hWndNew || m_hWnd || m_bTemporary)
        return FALSE;
    {
        CSRWLockGuard hold(s_permanentMapLock);
        // One object per window: a second one would leave a stale entry.
        if (!PermanentMap().emplace(hWndNew, this).second)
            return FALSE;
    }
    m_hWnd = hWndNew;
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND hWnd = m_hWnd;
    if (hWnd && !m_bTemporary) {
        CSRWLockGuard hold(s_permanentMapLock);
        auto it = PermanentMap().find(hWnd);
        if (it != PermanentMap().end() && it->second == this)
            PermanentMap().erase(it);
    }
    m_hWnd = nullptr;
    return hWnd;
}

void CWnd::HookProcedure()
{
    WNDPROC pfnOld = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    if (pfnOld != &AfxWndProc)
        m_pfnSuper = pfnOld;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!Attach(hWnd))
        return FALSE;
    PreSubclassWindow();
    HookProcedure();
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent)
{
    HWND hWndControl = ::GetDlgItem(SafeHwnd(pParent), static_cast<int>(nID));
    return hWndControl ? SubclassWindow(hWndControl) : FALSE;
}

HWND CWnd::UnsubclassWindow()
{
    if (m_pfnSuper) {
        ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
        m_pfnSuper = nullptr;
    }
    return Detach();
}

void CWnd::PreSubclassWindow() {}

void CWnd::PostNcDestroy() {}

void CWnd::FinishNcDestroy()
{
    if (CWinThread* pThread = AfxGetThread()) {
        if (pThread->m_pMainWnd == this) {
            // The main window is gone: so is the application.
            pThread->m_pMainWnd = nullptr;
            ::PostQuitMessage(0);
        }
        if (pThread->m_pActiveWnd == this)
            pThread->m_pActiveWnd = nullptr;
    }
    // Give the window back its previous procedure, unless someone subclassed
    // it after us: then the chain must stay as it is.
    const WNDPROC pfnCurrent = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(m_hWnd, GWLP_WNDPROC));
    if (pfnCurrent == &AfxWndProc && m_pfnSuper)
        ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    Detach();
    PostNcDestroy();   // may delete this
}

// ---- CWnd: creation --------------------------------------------------------------

BOOL CWnd::PreCreateWindow(CREATESTRUCTW& cs)
{
    if (!cs.lpszClass) {
        WNDCLASSW wc = {};
        if (!::GetClassInfoW(AfxGetInstanceHandle(), s_szDefaultClass, &wc)) {
            wc.style = CS_DBLCLKS;
            wc.lpfnWndProc = ::DefWindowProcW;
            wc.hInstance = AfxGetInstanceHandle();
            wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));   // IDC_ARROW
            wc.lpszClassName = s_szDefaultClass;
            if (!::RegisterClassW(&wc))
                return FALSE;
        }
        cs.lpszClass = s_szDefaultClass;
    }
    return TRUE;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle,
                    int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam)
{
    if (m_hWnd)
        return FALSE;   // one window per object
    CREATESTRUCTW cs = {};
    cs.dwExStyle = dwExStyle;
    cs.lpszClass = lpszClassName;
    cs.lpszName = lpszWindowName;
    cs.style = static_cast<LONG>(dwStyle);
    cs.x = x;
    cs.y = y;
    cs.cx = nWidth;
    cs.cy = nHeight;
    cs.hwndParent = hWndParent;
    cs.hMenu = nIDorHMenu;
    cs.hInstance = AfxGetInstanceHandle();
    cs.lpCreateParams = lpParam;
    if (!PreCreateWindow(cs))
        return FALSE;

    AfxHookWindowCreate(this);
    HWND hWnd = ::CreateWindowExW(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style),
                                  cs.x, cs.y, cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance,
                                  cs.lpCreateParams);
    AfxUnhookWindowCreate();
    return hWnd && hWnd == m_hWnd;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle,
                    const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam)
{
    return CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top, SafeHwnd(pParentWnd),
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), lpParam);
}

BOOL CWnd::Create(LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle,
                  const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam)
{
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect, pParentWnd, nID, lpParam);
}

BOOL CWnd::DestroyWindow()
{
    HWND hWnd = m_hWnd;
    if (!hWnd)
        return FALSE;
    const BOOL bResult = ::DestroyWindow(hWnd);
    // A subclassed window detached itself at WM_NCDESTROY (and may have
    // deleted this); an attached-only one is still in the map.
    if (FromHandlePermanent(hWnd) == this)
        Detach();
    return bResult;
}

// ---- CWnd: message handling ------------------------------------------------------

BOOL CWnd::PreTranslateMessage(MSG*)
{
    return FALSE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT lResult = 0;
    if (!OnWndMsg(message, wParam, lParam, &lResult))
        lResult = DefWindowProc(message, wParam, lParam);
    return lResult;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    const MSG& msg = AfxGetThreadState()->lastSentMsg;
    return DefWindowProc(msg.message, msg.wParam, msg.lParam);
}

const MSG* CWnd::GetCurrentMessage()
{
    return &AfxGetThreadState()->lastSentMsg;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    LRESULT lResult = 0;
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam))
            return FALSE;
        lResult = 1;
    } else if (message == WM_NOTIFY) {
        const NMHDR* pNMHDR = reinterpret_cast<const NMHDR*>(lParam);
        if (!pNMHDR || !pNMHDR->hwndFrom || !OnNotify(wParam, lParam, &lResult))
            return FALSE;
    } else {
        // Every WM_CTLCOLOR* message is filed under the one colour message.
        const UINT nLookup = (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) ? WM_CTLCOLOR : message;
        const AFX_MSGMAP_ENTRY* pEntry = FindMessageEntry(nLookup, 0, 0);
        if (!pEntry)
            return FALSE;
        lResult = pEntry->pfn(this, message, wParam, lParam);
    }
    if (pResult)
        *pResult = lResult;
    return TRUE;
}

namespace {

// Offers a message from a child control to that control's object.
BOOL ReflectToChild(HWND hWndChild, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    CWnd* pChild = CWnd::FromHandlePermanent(hWndChild);
    return pChild && pChild->OnChildNotify(message, wParam, lParam, pResult);
}

}  // namespace

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT nID = LOWORD(wParam);
    HWND hWndCtrl = reinterpret_cast<HWND>(lParam);
    int nCode = HIWORD(wParam);
    if (!hWndCtrl) {
        nCode = 0;   // menus and accelerators are plain commands
    } else if (ReflectToChild(hWndCtrl, WM_COMMAND, wParam, lParam, nullptr)) {
        return TRUE;   // the control handled its own notification
    }
    return OnCmdMsg(nID, nCode, nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    const NMHDR* pNMHDR = reinterpret_cast<const NMHDR*>(lParam);
    if (ReflectToChild(pNMHDR->hwndFrom, WM_NOTIFY, wParam, lParam, pResult))
        return TRUE;
    const AFX_MSGMAP_ENTRY* pEntry =
        FindMessageEntry(WM_NOTIFY, pNMHDR->code, static_cast<UINT>(pNMHDR->idFrom));
    if (!pEntry)
        return FALSE;
    const LRESULT lResult = pEntry->pfn(this, WM_NOTIFY, wParam, lParam);
    if (pResult)
        *pResult = lResult;
    return TRUE;
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    return ReflectChildNotify(message, wParam, lParam, pResult);
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_COMMAND) {
        const AFX_MSGMAP_ENTRY* pEntry = FindMessageEntry(WM_REFLECT_BASE + WM_COMMAND, HIWORD(wParam), 0);
        return pEntry && pEntry->pfn(this, message, wParam, lParam) != 0;
    }
    if (message == WM_NOTIFY) {
        const NMHDR* pNMHDR = reinterpret_cast<const NMHDR*>(lParam);
        const AFX_MSGMAP_ENTRY* pEntry = FindMessageEntry(WM_REFLECT_BASE + WM_NOTIFY, pNMHDR->code, 0);
        if (!pEntry)
            return FALSE;
        LRESULT lResult = 0;   // the thunk takes the result's address in wParam
        const BOOL bHandled = pEntry->pfn(this, message, reinterpret_cast<WPARAM>(&lResult), lParam) != 0;
        if (pResult)
            *pResult = lResult;
        return bHandled;
    }
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
        const AFX_MSGMAP_ENTRY* pEntry = FindMessageEntry(WM_REFLECT_BASE + WM_CTLCOLOR, 0, 0);
        if (!pEntry)
            return FALSE;
        const LRESULT lBrush = pEntry->pfn(this, message, wParam, lParam);
        if (!lBrush)
            return FALSE;   // no brush: the parent decides
        if (pResult)
            *pResult = lBrush;
        return TRUE;
    }
    if (message < WM_REFLECT_BASE)
        return OnWndMsg(WM_REFLECT_BASE + message, wParam, lParam, pResult);
    return FALSE;
}

BOOL CWnd::SendChildNotifyLastMsg(LRESULT* pResult)
{
    const MSG& msg = AfxGetThreadState()->lastSentMsg;
    return OnChildNotify(msg.message, msg.wParam, msg.lParam, pResult);
}

BOOL CWnd::ReflectLastMsg(HWND hWndChild, LRESULT* pResult)
{
    CWnd* pChild = FromHandlePermanent(hWndChild);
    return pChild && pChild->SendChildNotifyLastMsg(pResult);
}

BOOL CWnd::WalkPreTranslateTree(HWND hWndStop, MSG* pMsg)
{
    for (HWND hWnd = pMsg->hwnd; hWnd; hWnd = ::GetParent(hWnd)) {
        CWnd* pWnd = FromHandlePermanent(hWnd);
        if (pWnd && pWnd->PreTranslateMessage(pMsg))
            return TRUE;
        if (hWnd == hWndStop)
            break;
    }
    return FALSE;
}

// ---- CWnd: data exchange ------------------------------------------------------------

void CWnd::DoDataExchange(CDataExchange*) {}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return !dx.m_bFailed;
}

// ---- CWnd: wrappers ----------------------------------------------------------------

namespace {

// Changes the style or extended style (nIndex) of hWnd; FALSE when nothing
// changed. nFlags, when given, make the frame take the change.
BOOL ModifyStyleBits(HWND hWnd, int nIndex, DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    const DWORD dwStyle = static_cast<DWORD>(::GetWindowLongPtrW(hWnd, nIndex));
    const DWORD dwNewStyle = (dwStyle & ~dwRemove) | dwAdd;
    if (dwStyle == dwNewStyle)
        return FALSE;
    ::SetWindowLongPtrW(hWnd, nIndex, static_cast<LONG_PTR>(dwNewStyle));
    if (nFlags)
        ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
    return TRUE;
}

}  // namespace

BOOL CWnd::ModifyStyle(HWND hWnd, DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    return ModifyStyleBits(hWnd, GWL_STYLE, dwRemove, dwAdd, nFlags);
}

BOOL CWnd::ModifyStyleEx(HWND hWnd, DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    return ModifyStyleBits(hWnd, GWL_EXSTYLE, dwRemove, dwAdd, nFlags);
}

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    return ModifyStyle(m_hWnd, dwRemove, dwAdd, nFlags);
}

BOOL CWnd::ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    return ModifyStyleEx(m_hWnd, dwRemove, dwAdd, nFlags);
}

BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags)
{
    return ::SetWindowPos(m_hWnd, SafeHwnd(pWndInsertAfter), x, y, cx, cy, nFlags);
}

void CWnd::ScreenToClient(LPRECT lpRect) const
{
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<LPPOINT>(lpRect), 2);
}

void CWnd::ClientToScreen(LPRECT lpRect) const
{
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<LPPOINT>(lpRect), 2);
}

CPoint AfxCenterPosition(const CRect& rcWnd, const CRect& rcCenter, const CRect& rcArea)
{
    int x = (rcCenter.left + rcCenter.right) / 2 - rcWnd.Width() / 2;
    int y = (rcCenter.top + rcCenter.bottom) / 2 - rcWnd.Height() / 2;
    // Keep it inside the area; the top-left corner wins when it cannot fit.
    if (x + rcWnd.Width() > rcArea.right)
        x = rcArea.right - rcWnd.Width();
    if (x < rcArea.left)
        x = rcArea.left;
    if (y + rcWnd.Height() > rcArea.bottom)
        y = rcArea.bottom - rcWnd.Height();
    if (y < rcArea.top)
        y = rcArea.top;
    return CPoint(x, y);
}

void CWnd::CenterWindow(CWnd* pAlternateOwner)
{
    const DWORD dwStyle = GetStyle();
    HWND hWndCenter = SafeHwnd(pAlternateOwner);
    if (!pAlternateOwner)
        hWndCenter = (dwStyle & WS_CHILD) ? ::GetParent(m_hWnd) : ::GetWindow(m_hWnd, GW_OWNER);

    CRect rcWnd;
    GetWindowRect(&rcWnd);
    CRect rcCenter, rcArea;
    if (dwStyle & WS_CHILD) {
        // Children centre in their parent's client coordinates.
        HWND hWndParent = ::GetParent(m_hWnd);
        ::GetClientRect(hWndParent, &rcArea);
        ::GetClientRect(hWndCenter, &rcCenter);
        ::MapWindowPoints(hWndCenter, hWndParent, reinterpret_cast<LPPOINT>(&rcCenter), 2);
    } else {
        // Popups centre over a visible, not minimised owner, else on the
        // work area of the screen.
        if (hWndCenter) {
            const DWORD dwCenterStyle = static_cast<DWORD>(::GetWindowLongPtrW(hWndCenter, GWL_STYLE));
            if (!(dwCenterStyle & WS_VISIBLE) || (dwCenterStyle & WS_MINIMIZE))
                hWndCenter = nullptr;
        }
        MONITORINFO mi = {};
        mi.cbSize = sizeof(mi);
        if (hWndCenter) {
            ::GetWindowRect(hWndCenter, &rcCenter);
            ::GetMonitorInfoW(::MonitorFromWindow(hWndCenter, MONITOR_DEFAULTTONEAREST), &mi);
            rcArea = mi.rcWork;
        } else {
            ::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY), &mi);
            rcCenter = mi.rcWork;
            rcArea = mi.rcWork;
        }
    }
    const CPoint pt = AfxCenterPosition(rcWnd, rcCenter, rcArea);
    ::SetWindowPos(m_hWnd, nullptr, pt.x, pt.y, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWnd::InvalidateRgn(CRgn* pRgn, BOOL bErase)
{
    ::InvalidateRgn(m_hWnd, static_cast<HRGN>(SafeHandle(pRgn)), bErase);
}

BOOL CWnd::RedrawWindow(LPCRECT lpRectUpdate, CRgn* prgnUpdate, UINT flags)
{
    return ::RedrawWindow(m_hWnd, lpRectUpdate, static_cast<HRGN>(SafeHandle(prgnUpdate)), flags);
}

void CWnd::GetWindowText(CString& rString) const
{
    const int nLength = ::GetWindowTextLengthW(m_hWnd);
    const int nCopied = ::GetWindowTextW(m_hWnd, rString.GetBuffer(nLength), nLength + 1);
    rString.ReleaseBuffer(nCopied);
}

int CWnd::GetDlgItemText(int nID, CString& rString) const
{
    rString.Empty();
    CWnd* pItem = GetDlgItem(nID);
    if (pItem)
        pItem->GetWindowText(rString);
    return rString.GetLength();
}

void CWnd::SetFont(CFont* pFont, BOOL bRedraw)
{
    ::SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(SafeHandle(pFont)), bRedraw);
}

CFont* CWnd::GetFont() const
{
    return CFont::FromHandle(reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0)));
}

CWnd* CWnd::GetDlgItem(int nID) const
{
    return FromHandle(::GetDlgItem(m_hWnd, nID));
}

CWnd* CWnd::GetTopLevelParent() const
{
    // Up through parents of children and owners of popups.
    HWND hWnd = m_hWnd;
    for (;;) {
        const bool bChild = (::GetWindowLongPtrW(hWnd, GWL_STYLE) & WS_CHILD) != 0;
        HWND hWndUp = bChild ? ::GetParent(hWnd) : ::GetWindow(hWnd, GW_OWNER);
        if (!hWndUp)
            break;
        hWnd = hWndUp;
    }
    return FromHandle(hWnd);
}

CDC* CWnd::GetDC()
{
    return CDC::FromHandle(::GetDC(m_hWnd));
}

CDC* CWnd::GetWindowDC()
{
    return CDC::FromHandle(::GetWindowDC(m_hWnd));
}

int CWnd::ReleaseDC(CDC* pDC)
{
    return ::ReleaseDC(m_hWnd, SafeHdc(pDC));
}

// ---- CWnd: default handlers ----------------------------------------------------------

int CWnd::OnCreate(LPCREATESTRUCT) { return static_cast<int>(Default()); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnNcDestroy() { Default(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnPaint() { Default(); }
void CWnd::OnNcPaint() { Default(); }
BOOL CWnd::OnEraseBkgnd(CDC*) { return static_cast<BOOL>(Default()); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnLButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnRButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnMouseMove(UINT, CPoint) { Default(); }
void CWnd::OnMouseHover(UINT, CPoint) { Default(); }
void CWnd::OnMouseLeave() { Default(); }
void CWnd::OnShowWindow(BOOL, UINT) { Default(); }
BOOL CWnd::OnSetCursor(CWnd*, UINT, UINT) { return static_cast<BOOL>(Default()); }
void CWnd::OnSize(UINT, int, int) { Default(); }
void CWnd::OnMove(int, int) { Default(); }
void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }
void CWnd::OnWindowPosChanging(WINDOWPOS*) { Default(); }
void CWnd::OnWindowPosChanged(WINDOWPOS*) { Default(); }
LRESULT CWnd::OnNcHitTest(CPoint) { return Default(); }
void CWnd::OnKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnChar(UINT, UINT, UINT) { Default(); }
void CWnd::OnSetFocus(CWnd*) { Default(); }
void CWnd::OnKillFocus(CWnd*) { Default(); }
void CWnd::OnActivate(UINT, CWnd*, BOOL) { Default(); }
void CWnd::OnExitSizeMove() { Default(); }

HBRUSH CWnd::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor)
{
    LRESULT lResult = 0;
    if (pWnd && ReflectToChild(pWnd->m_hWnd, WM_CTLCOLORMSGBOX + nCtlColor,
                               reinterpret_cast<WPARAM>(SafeHdc(pDC)),
                               reinterpret_cast<LPARAM>(pWnd->m_hWnd), &lResult))
        return reinterpret_cast<HBRUSH>(lResult);
    return reinterpret_cast<HBRUSH>(Default());
}

void CWnd::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    // Owner-drawn controls draw themselves (CButton::DrawItem and friends).
    if (lpDrawItemStruct->CtlType != ODT_MENU &&
        ReflectToChild(lpDrawItemStruct->hwndItem, WM_DRAWITEM, static_cast<WPARAM>(nIDCtl),
                       reinterpret_cast<LPARAM>(lpDrawItemStruct), nullptr))
        return;
    Default();
}

void CWnd::OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMeasureItemStruct)
{
    if (lpMeasureItemStruct->CtlType != ODT_MENU) {
        HWND hWndItem = ::GetDlgItem(m_hWnd, static_cast<int>(lpMeasureItemStruct->CtlID));
        if (ReflectToChild(hWndItem, WM_MEASUREITEM, static_cast<WPARAM>(nIDCtl),
                           reinterpret_cast<LPARAM>(lpMeasureItemStruct), nullptr))
            return;
    }
    Default();
}
