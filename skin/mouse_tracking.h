// mouse_tracking.h: the hover and leave tracking the skinned buttons and the
// check box share.
#pragma once
#include <windows.h>

// Hover after this long: the hover repaint comes practically at once.
constexpr DWORD SKIN_HOVER_TIME_MS = 1;

// Asks for WM_MOUSEHOVER and WM_MOUSELEAVE on hWnd; TRUE when the request was
// taken (the controls keep it as their hover flag until the leave).
inline BOOL TrackHoverAndLeave(HWND hWnd)
{
    TRACKMOUSEEVENT tme = {};
    tme.cbSize = sizeof(tme);
    tme.dwFlags = TME_HOVER | TME_LEAVE;
    tme.hwndTrack = hWnd;
    tme.dwHoverTime = SKIN_HOVER_TIME_MS;
    return ::_TrackMouseEvent(&tme);
}
