// afxmodule.h: the module handles of the program, as MFC keeps them.
//
// AfxGetInstanceHandle is the executable; AfxGetResourceHandle is the module
// that resources are loaded from. The two are the same unless someone calls
// AfxSetResourceHandle (tests do, to load fixtures from a resource-only DLL).
// Free of GUI headers, so the engine can use it.
#pragma once
#include <windows.h>

HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE hResource);
