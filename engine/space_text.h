// space_text.h: the first page's disk-space line. The only engine function
// that touches a window, kept apart so the rest of the engine stays GUI-free.
#pragma once
#include "afx/afxwin.h"

// The page's static that shows the line.
constexpr UINT SPACE_TEXT_CTRL_ID = 1014;

// The volume's total free bytes of the drive named by strPath's first
// character, in nFreeBytes; false (nFreeBytes untouched) when there is none.
bool QueryDriveFreeBytes(const CString& strPath, LONGLONG& nFreeBytes);

// Queries the free bytes of the drive named by strPath's first character and
// shows FormatSpaceText of them in pPage's control SPACE_TEXT_CTRL_ID,
// repainting its area only when the text changed. nFreeBytes (set to 0 by the
// caller) receives the volume's total free bytes; it stays untouched when the
// drive cannot be queried, and the line then shows 0.0B.
void UpdateSpaceText(const CString& strPath, LONGLONG& nFreeBytes, CWnd* pPage);

// Shows strText in pPage's control SPACE_TEXT_CTRL_ID, repainting its area
// only when the text changed: the line UpdateSpaceText writes, or what the
// page says in its place.
void ShowSpaceLine(CWnd* pPage, const CString& strText);
