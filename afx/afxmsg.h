// afxmsg.h: the ON_* entries of a message map, each with its handler's
// signature beside it (the same signatures as the framework they mimic).
// Every handler is looked up in ThisClass (the class whose map it is), so a
// handler inherited from a base class is found too. A handler that wants the
// system's behaviour as well calls the base handler, which runs Default().
#pragma once
#include "afx/afxobj.h"

// The old single colour message: ON_WM_CTLCOLOR entries are filed under it
// and answer every WM_CTLCOLOR* message.
#ifndef WM_CTLCOLOR
#define WM_CTLCOLOR 0x0019
#endif

// One window message: entry whose thunk unpacks wParam/lParam as `call` says.
#define AFX_ON_MSG(msg, call) \
    {msg, 0, 0, 0, [](CCmdTarget* pTarget, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT { \
        ThisClass* pThis = static_cast<ThisClass*>(pTarget); \
        call; \
    }},

// ---- Window messages -------------------------------------------------------
// int OnCreate(LPCREATESTRUCT)
#define ON_WM_CREATE() AFX_ON_MSG(WM_CREATE, return pThis->OnCreate(reinterpret_cast<LPCREATESTRUCT>(lParam)))
// void OnDestroy()
#define ON_WM_DESTROY() AFX_ON_MSG(WM_DESTROY, pThis->OnDestroy(); return 0)
// void OnNcDestroy()
#define ON_WM_NCDESTROY() AFX_ON_MSG(WM_NCDESTROY, pThis->OnNcDestroy(); return 0)
// void OnClose()
#define ON_WM_CLOSE() AFX_ON_MSG(WM_CLOSE, pThis->OnClose(); return 0)
// void OnPaint()
#define ON_WM_PAINT() AFX_ON_MSG(WM_PAINT, pThis->OnPaint(); return 0)
// void OnNcPaint()
#define ON_WM_NCPAINT() AFX_ON_MSG(WM_NCPAINT, pThis->OnNcPaint(); return 0)
// BOOL OnEraseBkgnd(CDC* pDC)
#define ON_WM_ERASEBKGND() AFX_ON_MSG(WM_ERASEBKGND, \
    return pThis->OnEraseBkgnd(CDC::FromHandle(reinterpret_cast<HDC>(wParam))))
// void OnTimer(UINT_PTR nIDEvent)
#define ON_WM_TIMER() AFX_ON_MSG(WM_TIMER, pThis->OnTimer(static_cast<UINT_PTR>(wParam)); return 0)
// void OnLButtonDown(UINT nFlags, CPoint point), and the same for the others
#define ON_WM_LBUTTONDOWN() AFX_ON_MSG(WM_LBUTTONDOWN, \
    pThis->OnLButtonDown(static_cast<UINT>(wParam), CPoint(lParam)); return 0)
#define ON_WM_LBUTTONUP() AFX_ON_MSG(WM_LBUTTONUP, \
    pThis->OnLButtonUp(static_cast<UINT>(wParam), CPoint(lParam)); return 0)
#define ON_WM_LBUTTONDBLCLK() AFX_ON_MSG(WM_LBUTTONDBLCLK, \
    pThis->OnLButtonDblClk(static_cast<UINT>(wParam), CPoint(lParam)); return 0)
#define ON_WM_RBUTTONDOWN() AFX_ON_MSG(WM_RBUTTONDOWN, \
    pThis->OnRButtonDown(static_cast<UINT>(wParam), CPoint(lParam)); return 0)
#define ON_WM_RBUTTONUP() AFX_ON_MSG(WM_RBUTTONUP, \
    pThis->OnRButtonUp(static_cast<UINT>(wParam), CPoint(lParam)); return 0)
#define ON_WM_MOUSEMOVE() AFX_ON_MSG(WM_MOUSEMOVE, \
    pThis->OnMouseMove(static_cast<UINT>(wParam), CPoint(lParam)); return 0)
// void OnMouseHover(UINT nFlags, CPoint point)
#define ON_WM_MOUSEHOVER() AFX_ON_MSG(WM_MOUSEHOVER, \
    pThis->OnMouseHover(static_cast<UINT>(wParam), CPoint(lParam)); return 0)
// void OnMouseLeave()
#define ON_WM_MOUSELEAVE() AFX_ON_MSG(WM_MOUSELEAVE, pThis->OnMouseLeave(); return 0)
// void OnShowWindow(BOOL bShow, UINT nStatus)
#define ON_WM_SHOWWINDOW() AFX_ON_MSG(WM_SHOWWINDOW, \
    pThis->OnShowWindow(static_cast<BOOL>(wParam), static_cast<UINT>(lParam)); return 0)
// BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message)
#define ON_WM_SETCURSOR() AFX_ON_MSG(WM_SETCURSOR, \
    return pThis->OnSetCursor(CWnd::FromHandle(reinterpret_cast<HWND>(wParam)), LOWORD(lParam), HIWORD(lParam)))
// HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor): every WM_CTLCOLOR* message
#define ON_WM_CTLCOLOR() AFX_ON_MSG(WM_CTLCOLOR, \
    return reinterpret_cast<LRESULT>(pThis->OnCtlColor(CDC::FromHandle(reinterpret_cast<HDC>(wParam)), \
        CWnd::FromHandle(reinterpret_cast<HWND>(lParam)), message - WM_CTLCOLORMSGBOX)))
// void OnSize(UINT nType, int cx, int cy)
#define ON_WM_SIZE() AFX_ON_MSG(WM_SIZE, \
    pThis->OnSize(static_cast<UINT>(wParam), static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))); return 0)
// void OnMove(int x, int y)
#define ON_WM_MOVE() AFX_ON_MSG(WM_MOVE, \
    pThis->OnMove(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))); return 0)
// void OnSysCommand(UINT nID, LPARAM lParam)
#define ON_WM_SYSCOMMAND() AFX_ON_MSG(WM_SYSCOMMAND, pThis->OnSysCommand(static_cast<UINT>(wParam), lParam); return 0)
// void OnWindowPosChanging(WINDOWPOS* lpwndpos)
#define ON_WM_WINDOWPOSCHANGING() AFX_ON_MSG(WM_WINDOWPOSCHANGING, \
    pThis->OnWindowPosChanging(reinterpret_cast<WINDOWPOS*>(lParam)); return 0)
// void OnWindowPosChanged(WINDOWPOS* lpwndpos)
#define ON_WM_WINDOWPOSCHANGED() AFX_ON_MSG(WM_WINDOWPOSCHANGED, \
    pThis->OnWindowPosChanged(reinterpret_cast<WINDOWPOS*>(lParam)); return 0)
// LRESULT OnNcHitTest(CPoint point)
#define ON_WM_NCHITTEST() AFX_ON_MSG(WM_NCHITTEST, return pThis->OnNcHitTest(CPoint(lParam)))
// void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags)
#define ON_WM_KEYDOWN() AFX_ON_MSG(WM_KEYDOWN, \
    pThis->OnKeyDown(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam)); return 0)
// void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags)
#define ON_WM_CHAR() AFX_ON_MSG(WM_CHAR, \
    pThis->OnChar(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam)); return 0)
// void OnSetFocus(CWnd* pOldWnd), void OnKillFocus(CWnd* pNewWnd)
#define ON_WM_SETFOCUS() AFX_ON_MSG(WM_SETFOCUS, \
    pThis->OnSetFocus(CWnd::FromHandle(reinterpret_cast<HWND>(wParam))); return 0)
#define ON_WM_KILLFOCUS() AFX_ON_MSG(WM_KILLFOCUS, \
    pThis->OnKillFocus(CWnd::FromHandle(reinterpret_cast<HWND>(wParam))); return 0)
// void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized)
#define ON_WM_ACTIVATE() AFX_ON_MSG(WM_ACTIVATE, \
    pThis->OnActivate(LOWORD(wParam), CWnd::FromHandle(reinterpret_cast<HWND>(lParam)), HIWORD(wParam) != 0); return 0)
// void OnExitSizeMove()
#define ON_WM_EXITSIZEMOVE() AFX_ON_MSG(WM_EXITSIZEMOVE, pThis->OnExitSizeMove(); return 0)
// void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct)
#define ON_WM_DRAWITEM() AFX_ON_MSG(WM_DRAWITEM, \
    pThis->OnDrawItem(static_cast<int>(wParam), reinterpret_cast<LPDRAWITEMSTRUCT>(lParam)); return TRUE)
// void OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMeasureItemStruct)
#define ON_WM_MEASUREITEM() AFX_ON_MSG(WM_MEASUREITEM, \
    pThis->OnMeasureItem(static_cast<int>(wParam), reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam)); return TRUE)

// LRESULT OnMyMessage(WPARAM wParam, LPARAM lParam)
#define ON_MESSAGE(message_id, memberFxn) AFX_ON_MSG(message_id, return (pThis->*memberFxn)(wParam, lParam))
// LRESULT OnMyMessage(WPARAM wParam, LPARAM lParam), for RegisterWindowMessage ids held in a UINT variable
#define ON_REGISTERED_MESSAGE(nMessageVariable, memberFxn) ON_MESSAGE(nMessageVariable, memberFxn)

// ---- Commands and control notifications (WM_COMMAND) ------------------------
#define AFX_ON_COMMAND_CODE(code, id, lastId, call) \
    {WM_COMMAND, static_cast<UINT>(code), static_cast<UINT>(id), static_cast<UINT>(lastId), \
     [](CCmdTarget* pTarget, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT { \
        ThisClass* pThis = static_cast<ThisClass*>(pTarget); \
        call; \
    }},
// void OnCommand()
#define ON_COMMAND(id, memberFxn) AFX_ON_COMMAND_CODE(0, id, id, (pThis->*memberFxn)(); return TRUE)
// void OnCommandRange(UINT nID)
#define ON_COMMAND_RANGE(id, idLast, memberFxn) \
    AFX_ON_COMMAND_CODE(0, id, idLast, (pThis->*memberFxn)(LOWORD(wParam)); return TRUE)
// void OnNotification()
#define ON_CONTROL(wNotifyCode, id, memberFxn) AFX_ON_COMMAND_CODE(wNotifyCode, id, id, (pThis->*memberFxn)(); return TRUE)
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_DOUBLECLICKED(id, memberFxn) ON_CONTROL(BN_DOUBLECLICKED, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_UPDATE(id, memberFxn) ON_CONTROL(EN_UPDATE, id, memberFxn)
#define ON_EN_SETFOCUS(id, memberFxn) ON_CONTROL(EN_SETFOCUS, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn) ON_CONTROL(EN_KILLFOCUS, id, memberFxn)
#define ON_STN_CLICKED(id, memberFxn) ON_CONTROL(STN_CLICKED, id, memberFxn)

// ---- Notifications (WM_NOTIFY) ------------------------------------------------
// void OnNotify(NMHDR* pNotifyStruct, LRESULT* pResult)
#define ON_NOTIFY(wNotifyCode, id, memberFxn) \
    {WM_NOTIFY, static_cast<UINT>(wNotifyCode), static_cast<UINT>(id), static_cast<UINT>(id), \
     [](CCmdTarget* pTarget, UINT, WPARAM, LPARAM lParam) -> LRESULT { \
        LRESULT lResult = 0; \
        (static_cast<ThisClass*>(pTarget)->*memberFxn)(reinterpret_cast<NMHDR*>(lParam), &lResult); \
        return lResult; \
    }},

// ---- Reflected to the control that sent them --------------------------------
// void OnReflectedNotification(): the parent never sees the notification
#define ON_CONTROL_REFLECT(wNotifyCode, memberFxn) \
    {WM_REFLECT_BASE + WM_COMMAND, static_cast<UINT>(wNotifyCode), 0, 0, \
     [](CCmdTarget* pTarget, UINT, WPARAM, LPARAM) -> LRESULT { \
        (static_cast<ThisClass*>(pTarget)->*memberFxn)(); \
        return TRUE; \
    }},
// BOOL OnReflectedNotification(): FALSE lets the parent handle it as well
#define ON_CONTROL_REFLECT_EX(wNotifyCode, memberFxn) \
    {WM_REFLECT_BASE + WM_COMMAND, static_cast<UINT>(wNotifyCode), 0, 0, \
     [](CCmdTarget* pTarget, UINT, WPARAM, LPARAM) -> LRESULT { \
        return (static_cast<ThisClass*>(pTarget)->*memberFxn)(); \
    }},
#define ON_BN_CLICKED_REFLECT(memberFxn) ON_CONTROL_REFLECT(BN_CLICKED, memberFxn)
// void OnReflectedNotify(NMHDR* pNotifyStruct, LRESULT* pResult)
#define ON_NOTIFY_REFLECT(wNotifyCode, memberFxn) \
    {WM_REFLECT_BASE + WM_NOTIFY, static_cast<UINT>(wNotifyCode), 0, 0, \
     [](CCmdTarget* pTarget, UINT, WPARAM wParam, LPARAM lParam) -> LRESULT { \
        (static_cast<ThisClass*>(pTarget)->*memberFxn)(reinterpret_cast<NMHDR*>(lParam), \
                                                         reinterpret_cast<LRESULT*>(wParam)); \
        return TRUE; \
    }},
// HBRUSH CtlColor(CDC* pDC, UINT nCtlColor): a non-null brush is the answer to the parent's WM_CTLCOLOR*
#define ON_WM_CTLCOLOR_REFLECT() \
    {WM_REFLECT_BASE + WM_CTLCOLOR, 0, 0, 0, \
     [](CCmdTarget* pTarget, UINT message, WPARAM wParam, LPARAM) -> LRESULT { \
        return reinterpret_cast<LRESULT>(static_cast<ThisClass*>(pTarget)->CtlColor( \
            CDC::FromHandle(reinterpret_cast<HDC>(wParam)), message - WM_CTLCOLORMSGBOX)); \
    }},
