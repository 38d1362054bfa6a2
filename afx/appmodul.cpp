// The program entry of an application built on this layer: it runs the one
// CWinApp object (see AfxWinMain). Kept in its own source so that programs
// with their own main() (the tests) do not get it; programs that define a
// CWinApp link with -municode and get it through afxapp's reference below.
#include "afx/afxapp.h"

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow)
{
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}
