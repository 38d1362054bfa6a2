#include "skin/focus_cue.h"

namespace {

// The UI thread alone feeds and reads it.
bool s_bKeyboardLast = false;

}  // namespace

bool ShowsFocusCue(UINT itemState, LRESULT uiState)
{
    if (!(itemState & ODS_FOCUS) || (itemState & ODS_NOFOCUSRECT))
        return false;
    return !(static_cast<DWORD>(uiState) & UISF_HIDEFOCUS);
}

bool IsFocusNavigationKey(WPARAM vk)
{
    switch (vk) {
    case VK_TAB:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
        return true;
    default:
        return false;
    }
}

void NoteInputMessage(UINT message)
{
    if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN)
        s_bKeyboardLast = true;
    else if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN ||
             message == WM_NCLBUTTONDOWN || message == WM_NCRBUTTONDOWN)
        s_bKeyboardLast = false;
}

bool LastInputWasKeyboard()
{
    return s_bKeyboardLast;
}

LRESULT QueryFocusUiState(HWND hCtrl)
{
    HWND hRoot = ::GetAncestor(hCtrl, GA_ROOT);
    return ::SendMessageW(hRoot ? hRoot : hCtrl, WM_QUERYUISTATE, 0, 0);
}

WORD ResolveUiStateAction(WORD action, bool bKeyboardLast)
{
    if (action != UIS_INITIALIZE)
        return action;
    return bKeyboardLast ? UIS_CLEAR : UIS_SET;
}

void InitFocusCues(HWND hWnd)
{
    ::SendMessageW(hWnd, WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, UISF_HIDEFOCUS), 0);
}

void RevealFocusCues(HWND hWnd)
{
    if (::SendMessageW(hWnd, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS)
        ::SendMessageW(hWnd, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

void DrawFocusCue(HDC hdc, const RECT& rc, COLORREF clr)
{
    if (rc.right - rc.left < 2 || rc.bottom - rc.top < 2)
        return;
    // Walked once round the edge, so the dots keep their rhythm at the corners.
    int n = 0;
    for (int x = rc.left; x < rc.right - 1; ++x, ++n) {
        if (!(n & 1))
            ::SetPixelV(hdc, x, rc.top, clr);
    }
    for (int y = rc.top; y < rc.bottom - 1; ++y, ++n) {
        if (!(n & 1))
            ::SetPixelV(hdc, rc.right - 1, y, clr);
    }
    for (int x = rc.right - 1; x > rc.left; --x, ++n) {
        if (!(n & 1))
            ::SetPixelV(hdc, x, rc.bottom - 1, clr);
    }
    for (int y = rc.bottom - 1; y > rc.top; --y, ++n) {
        if (!(n & 1))
            ::SetPixelV(hdc, rc.left, y, clr);
    }
}
