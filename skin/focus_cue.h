// focus_cue.h: when and how the skinned controls show the keyboard focus.
//
// As Windows does it: a window starts with its focus marks hidden unless the
// last input came from the keyboard, and shows them from the first key that
// moves the focus (Tab, the arrows). The state travels in the UI-state
// messages: the top-level window answers WM_QUERYUISTATE (CBaseDlg keeps the
// state itself, since not every system does), and a control also honours
// ODS_NOFOCUSRECT where the system sets it. The mark is a dotted rectangle in
// a colour that reads on the control's picture.
#pragma once
#include <windows.h>

// Whether an owner-drawn control marks its focus: it has the focus
// (ODS_FOCUS), the system did not ask to hide it (ODS_NOFOCUSRECT), and the
// UI state (the answer to WM_QUERYUISTATE) does not hide focus marks.
bool ShowsFocusCue(UINT itemState, LRESULT uiState);

// Keys that move the focus in a dialog and so reveal the focus marks.
bool IsFocusNavigationKey(WPARAM vk);

// Where the last input came from, fed with every input message the windows
// see. A window created or shown after a key press shows its marks at once.
void NoteInputMessage(UINT message);
bool LastInputWasKeyboard();

// The UI state a control asks about: that of its top-level window.
LRESULT QueryFocusUiState(HWND hCtrl);

// What UIS_INITIALIZE comes to: hide the marks after mouse input, show them
// after keyboard input; other actions stay as they are.
WORD ResolveUiStateAction(WORD action, bool bKeyboardLast);

// Hides the focus marks of the top-level window hWnd unless the last input
// came from the keyboard (UIS_INITIALIZE).
void InitFocusCues(HWND hWnd);

// Shows the focus marks of the top-level window hWnd from now on.
void RevealFocusCues(HWND hWnd);

// A one-pixel dotted rectangle just inside rc, every other pixel in clr.
void DrawFocusCue(HDC hdc, const RECT& rc, COLORREF clr);
