#include "skin/wnd_shadow.h"

#include <new>
#include <vector>

PFN_UPDATE_LAYERED_WINDOW CWndShadow::s_pfnUpdateLayeredWindow = nullptr;
std::map<HWND, CWndShadow*> CWndShadow::s_mapParentToShadow;
std::map<int, CWndShadow*> g_mapShadowById;
int g_nShadowIdCounter = 0;

namespace {

constexpr DWORD SHADOW_EX_STYLE = WS_EX_LAYERED | WS_EX_TRANSPARENT;   // click-through
constexpr DWORD SHADOW_STYLE = WS_POPUPWINDOW;

bool IsHandleSet(HWND hWnd)
{
    return hWnd && hWnd != static_cast<HWND>(INVALID_HANDLE_VALUE);
}

// A memory DC with a 32-bit top-down-free DIB selected, released once.
class CShadowSurface
{
public:
    CShadowSurface(int cx, int cy)
    {
        BITMAPINFO bmi = {};
        bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
        bmi.bmiHeader.biWidth = cx;
        bmi.bmiHeader.biHeight = cy;   // bottom-up rows
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 32;
        bmi.bmiHeader.biCompression = BI_RGB;
        bmi.bmiHeader.biSizeImage = static_cast<DWORD>(cx) * cy * 4;
        m_hBitmap = ::CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &m_pvBits, nullptr, 0);
        if (!m_hBitmap)
            return;
        ZeroMemory(m_pvBits, bmi.bmiHeader.biSizeImage);
        m_hDC = ::CreateCompatibleDC(nullptr);
        if (m_hDC)
            m_hOld = ::SelectObject(m_hDC, m_hBitmap);
    }
    ~CShadowSurface()
    {
        if (m_hDC) {
            ::SelectObject(m_hDC, m_hOld);
            ::DeleteDC(m_hDC);
            m_hDC = nullptr;
        }
        if (m_hBitmap) {
            ::DeleteObject(m_hBitmap);
            m_hBitmap = nullptr;
        }
    }
    CShadowSurface(const CShadowSurface&) = delete;
    CShadowSurface& operator=(const CShadowSurface&) = delete;

    HDC m_hDC = nullptr;
    HBITMAP m_hBitmap = nullptr;
    HGDIOBJ m_hOld = nullptr;
    void* m_pvBits = nullptr;   // owned by m_hBitmap
};

}  // namespace

CWndShadow::~CWndShadow()
{
    auto itId = g_mapShadowById.find(m_nId);
    if (itId != g_mapShadowById.end() && itId->second == this)
        g_mapShadowById.erase(itId);
    // Still attached: the dialog outlives its shadow and gets its procedure back.
    if (IsHandleSet(m_hParentWnd) && m_pfnParentProc && ::IsWindow(m_hParentWnd)) {
        ::SetWindowLongPtrW(m_hParentWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnParentProc));
        auto itParent = s_mapParentToShadow.find(m_hParentWnd);
        if (itParent != s_mapParentToShadow.end() && itParent->second == this)
            s_mapParentToShadow.erase(itParent);
    }
    if (IsHandleSet(m_hShadowWnd) && ::IsWindow(m_hShadowWnd))
        ::DestroyWindow(m_hShadowWnd);
}

BOOL CWndShadow::InitShadowSupport(HINSTANCE hInstance)
{
    if (s_pfnUpdateLayeredWindow)
        return FALSE;
    HMODULE hUser32 = ::LoadLibraryW(L"USER32.DLL");
    if (!hUser32)
        return FALSE;
    s_pfnUpdateLayeredWindow =
        reinterpret_cast<PFN_UPDATE_LAYERED_WINDOW>(::GetProcAddress(hUser32, "UpdateLayeredWindow"));
    if (!s_pfnUpdateLayeredWindow)
        return FALSE;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = ::DefWindowProcW;   // the shadow window itself does nothing
    wc.hInstance = hInstance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = SHADOW_WND_CLASS;
    ::RegisterClassExW(&wc);
    return TRUE;
}

ShadowParams CWndShadow::GetParams() const
{
    ShadowParams params;
    params.chSize = m_chSize;
    params.bySharpness = m_bySharpness;
    params.byDarkness = m_byDarkness;
    params.clrShadow = m_clrShadow;
    params.chOffsetX = m_chOffsetX;
    params.chOffsetY = m_chOffsetY;
    return params;
}

void CWndShadow::AttachTo(HWND hParent, int nHeight)
{
    if (!s_pfnUpdateLayeredWindow)
        return;
    s_mapParentToShadow[hParent] = this;
    m_hShadowWnd = ::CreateWindowExW(SHADOW_EX_STYLE, SHADOW_WND_CLASS, nullptr, SHADOW_STYLE, CW_USEDEFAULT, 0, 0, 0,
                                     hParent, nullptr, nullptr, nullptr);
    m_byState = SHADOW_ENABLED;
    ShowShadow(hParent);
    m_hParentWnd = hParent;
    m_pfnParentProc = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hParent, GWLP_WNDPROC));
    ::SetWindowLongPtrW(hParent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWndShadow::ShadowParentProc));
    const int cx = CDpiScale::ForWindow(hParent).Scale(SHADOW_PAGE_WIDTH);
    ::PostMessageW(hParent, WM_SIZE, SIZE_RESTORED, MAKELPARAM(cx, nHeight));
}

void CWndShadow::ShowShadow(HWND hParent)
{
    const LONG_PTR style = ::GetWindowLongPtrW(hParent, GWL_STYLE);
    if ((m_byState & SHADOW_ENABLED) && (style & WS_VISIBLE) && !(style & (WS_MAXIMIZE | WS_MINIMIZE)))
        m_byState |= SHADOW_VISIBLE;
    if (m_byState & SHADOW_VISIBLE) {
        ::ShowWindow(m_hShadowWnd, SW_SHOWNA);
        RedrawShadow(hParent);
    } else {
        ::ShowWindow(m_hShadowWnd, SW_HIDE);
    }
}

void CWndShadow::RedrawShadow(HWND hParent)
{
    RECT rc;
    if (!::GetWindowRect(hParent, &rc))
        return;
    const int e = ShadowExtent(m_chSize);
    const int cx = rc.right - rc.left + 2 * e;
    const int cy = rc.bottom - rc.top + 2 * e;
    if (cx <= 0 || cy <= 0)
        return;
    CShadowSurface surface(cx, cy);
    if (!surface.m_hDC)
        return;
    BuildShadowBits(static_cast<uint32_t*>(surface.m_pvBits), hParent, rc, GetParams());
    POINT ptDst = {rc.left + m_chOffsetX - e, rc.top + m_chOffsetY - e};
    ::MoveWindow(m_hShadowWnd, ptDst.x, ptDst.y, cx, cy, FALSE);
    SIZE size = {cx, cy};
    POINT ptSrc = {0, 0};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    s_pfnUpdateLayeredWindow(m_hShadowWnd, nullptr, &ptDst, &size, surface.m_hDC, &ptSrc, 0, &blend, ULW_ALPHA);
}

void CWndShadow::RedrawForOwner()
{
    if (m_byState & SHADOW_VISIBLE)
        RedrawShadow(::GetWindow(m_hShadowWnd, GW_OWNER));
}

void CWndShadow::SetShadowSize(int nSize)
{
    m_chSize = static_cast<signed char>(nSize);
    RedrawForOwner();
}

void CWndShadow::SetShadowSharpness(unsigned int nSharpness)
{
    m_bySharpness = static_cast<BYTE>(nSharpness);
    RedrawForOwner();
}

void CWndShadow::SetShadowDarkness(unsigned int nDarkness)
{
    m_byDarkness = static_cast<BYTE>(nDarkness);
    RedrawForOwner();
}

void CWndShadow::SetShadowColor(COLORREF clr)
{
    m_clrShadow = clr;
    RedrawForOwner();
}

void CWndShadow::SetShadowOffset(int x, int y)
{
    m_chOffsetX = static_cast<signed char>(x);
    m_chOffsetY = static_cast<signed char>(y);
    RedrawForOwner();
}

LRESULT CALLBACK CWndShadow::ShadowParentProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    auto it = s_mapParentToShadow.find(hWnd);
    if (it == s_mapParentToShadow.end())
        return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
    CWndShadow* pThis = it->second;
    WNDPROC pfnPrev = pThis->m_pfnParentProc;

    switch (uMsg) {
    case WM_DESTROY:
        ::DestroyWindow(pThis->m_hShadowWnd);
        pThis->m_hShadowWnd = nullptr;
        break;
    case WM_MOVE:
        if (pThis->m_byState & SHADOW_VISIBLE) {
            RECT rc;
            ::GetWindowRect(hWnd, &rc);
            const int e = ShadowExtent(pThis->m_chSize);
            ::SetWindowPos(pThis->m_hShadowWnd, nullptr, rc.left + pThis->m_chOffsetX - e,
                           rc.top + pThis->m_chOffsetY - e, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
        }
        break;
    case WM_SIZE:
        if (pThis->m_byState & SHADOW_ENABLED) {
            if (wParam == SIZE_MINIMIZED || wParam == SIZE_MAXIMIZED) {
                ::ShowWindow(pThis->m_hShadowWnd, SW_MINIMIZE);
                ::ShowWindow(pThis->m_hShadowWnd, SW_HIDE);
                pThis->m_byState &= static_cast<BYTE>(~SHADOW_VISIBLE);
                ::UpdateWindow(pThis->m_hShadowWnd);
            } else if (::GetWindowLongPtrW(hWnd, GWL_STYLE) & WS_VISIBLE) {
                if (!(pThis->m_byState & SHADOW_VISIBLE)) {
                    pThis->m_byState |= SHADOW_VISIBLE;
                    pThis->RedrawShadow(hWnd);
                    ::ShowWindow(pThis->m_hShadowWnd, SW_SHOWNA);
                    pThis->m_bRedrawPending = true;
                } else {
                    pThis->RedrawShadow(hWnd);
                }
            }
        }
        break;
    case WM_PAINT:
        if (pThis->m_bRedrawPending) {
            pThis->RedrawShadow(hWnd);
            pThis->m_bRedrawPending = false;
        }
        break;
    case WM_SHOWWINDOW:
        if (pThis->m_byState & SHADOW_ENABLED) {
            const LRESULT lResult = ::CallWindowProcW(pfnPrev, hWnd, uMsg, wParam, lParam);
            if (!wParam) {
                ::ShowWindow(pThis->m_hShadowWnd, SW_HIDE);
                pThis->m_byState &= static_cast<BYTE>(~SHADOW_VISIBLE);
            } else {
                pThis->m_byState |= SHADOW_VISIBLE;
                pThis->m_bRedrawPending = true;
                pThis->ShowShadow(hWnd);
            }
            return lResult;
        }
        break;
    case WM_NCDESTROY:
        // The handles die with the window; the shadow object may live on
        // and must not touch a later window that reuses them.
        s_mapParentToShadow.erase(it);
        pThis->m_hParentWnd = nullptr;
        pThis->m_pfnParentProc = nullptr;
        pThis->m_byState = 0;
        break;
    case WM_EXITSIZEMOVE:
        if (pThis->m_byState & SHADOW_VISIBLE)
            pThis->RedrawShadow(hWnd);
        break;
    case WM_DWMCOMPOSITIONCHANGED:
        pThis->ShowShadow(hWnd);
        break;
    default:
        break;
    }
    return ::CallWindowProcW(pfnPrev, hWnd, uMsg, wParam, lParam);
}

std::unique_ptr<CWndShadow> CreateShadow(HWND hParent, int nHeight)
{
    std::unique_ptr<CWndShadow> pShadow(new (std::nothrow) CWndShadow);
    if (!pShadow)
        return nullptr;
    pShadow->AttachTo(hParent, nHeight);
    pShadow->m_nId = ++g_nShadowIdCounter;
    g_mapShadowById[pShadow->m_nId] = pShadow.get();
    return pShadow;
}

std::unique_ptr<CWndShadow> AttachShadow(HWND hParent, int nHeight)
{
    std::unique_ptr<CWndShadow> pShadow = CreateShadow(hParent, nHeight);
    if (!pShadow)
        return nullptr;
    ScaleShadow(*pShadow, CDpiScale::ForWindow(hParent));
    pShadow->SetShadowDarkness(SHADOW_DARKNESS);
    pShadow->SetShadowColor(SHADOW_COLOR);
    pShadow->SetShadowOffset(0, 0);
    return pShadow;
}

void ScaleShadow(CWndShadow& shadow, const CDpiScale& scale)
{
    shadow.SetShadowSize(scale.Scale(SHADOW_SIZE));
    shadow.SetShadowSharpness(static_cast<unsigned int>(scale.Scale(SHADOW_SHARPNESS)));
}
