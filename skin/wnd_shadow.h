// wnd_shadow.h: CWndShadow, the soft drop shadow around a borderless dialog.
//
// A click-through layered popup, owned by the dialog and slightly larger,
// holds the picture of shadow_bits.h. It follows the dialog by subclassing
// the dialog's window procedure: shown and rebuilt on show and size, moved on
// every WM_MOVE, rebuilt once at the end of a move, hidden on hide and
// minimise. Whoever holds the returned pointer owns the shadow; CBaseDlg
// attaches one in its OnCreate and keeps it as long as the dialog object:
//
//   CWndShadow::InitShadowSupport(hInstance);      // once, before any dialog
//   m_pShadow = AttachShadow(m_hWnd, 250);         // the page's height
//
// The window and id maps only look shadows up; an entry goes when its dialog
// window or the shadow itself goes, whichever is first.
#pragma once
#include <windows.h>

#include <map>
#include <memory>

#include "skin/dpi_scale.h"
#include "skin/shadow_bits.h"

constexpr wchar_t SHADOW_WND_CLASS[] = L"HollinShadowWnd";

// The installer's shadow: 4 pixels, grey, alpha 80 next to the dialog.
constexpr signed char SHADOW_SIZE = 4;
constexpr BYTE SHADOW_SHARPNESS = 4;
constexpr BYTE SHADOW_DARKNESS = 100;
constexpr COLORREF SHADOW_COLOR = RGB(50, 50, 50);
constexpr int SHADOW_PAGE_WIDTH = 416;   // every page background is this wide

// m_byState bits.
constexpr BYTE SHADOW_ENABLED = 0x01;   // attached
constexpr BYTE SHADOW_VISIBLE = 0x02;   // the shadow window is shown

using PFN_UPDATE_LAYERED_WINDOW = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF,
                                                BLENDFUNCTION*, DWORD);

class CWndShadow
{
public:
    CWndShadow() = default;
    virtual ~CWndShadow();
    CWndShadow(const CWndShadow&) = delete;
    CWndShadow& operator=(const CWndShadow&) = delete;

    // Looks up UpdateLayeredWindow and registers the window class. FALSE when
    // already done or when layered windows are not available.
    static BOOL InitShadowSupport(HINSTANCE hInstance);

    // Creates the shadow window for hParent and subclasses hParent; the first
    // picture is drawn when the posted WM_SIZE (416 x nHeight, the width
    // scaled for hParent's DPI) arrives.
    void AttachTo(HWND hParent, int nHeight);

    void SetShadowSize(int nSize);
    void SetShadowSharpness(unsigned int nSharpness);
    void SetShadowDarkness(unsigned int nDarkness);
    void SetShadowColor(COLORREF clr);
    void SetShadowOffset(int x, int y);

    ShadowParams GetParams() const;

    // Process-wide, GUI thread only. The lookup result is the seam that tests
    // wrap to count rebuilds.
    static PFN_UPDATE_LAYERED_WINDOW s_pfnUpdateLayeredWindow;
    static std::map<HWND, CWndShadow*> s_mapParentToShadow;

    int m_nId = 0;   // in g_mapShadowById; 0 until registered
    HWND m_hShadowWnd = static_cast<HWND>(INVALID_HANDLE_VALUE);
    HWND m_hParentWnd = static_cast<HWND>(INVALID_HANDLE_VALUE);
    WNDPROC m_pfnParentProc = nullptr;   // the dialog's previous window procedure
    BYTE m_byState = 0;
    BYTE m_byDarkness = 50;
    BYTE m_bySharpness = 5;
    signed char m_chSize = 5;
    signed char m_chOffsetX = 0;
    signed char m_chOffsetY = 0;
    bool m_bRedrawPending = false;
    COLORREF m_clrShadow = RGB(128, 128, 128);

private:
    static LRESULT CALLBACK ShadowParentProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    void ShowShadow(HWND hParent);
    void RedrawShadow(HWND hParent);
    void RedrawForOwner();
};

// The live shadows by id (not owned); ids start at 1 and are never reused.
extern std::map<int, CWndShadow*> g_mapShadowById;
extern int g_nShadowIdCounter;

// Allocates a shadow, attaches it to hParent and registers it under the next
// id (its m_nId); null when the allocation fails.
std::unique_ptr<CWndShadow> CreateShadow(HWND hParent, int nHeight);

// CreateShadow with the installer's size, sharpness, darkness and colour.
std::unique_ptr<CWndShadow> AttachShadow(HWND hParent, int nHeight);

// Sets the shadow's size and blur for the parent's DPI.
void ScaleShadow(CWndShadow& shadow, const CDpiScale& scale);
