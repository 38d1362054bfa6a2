// afxmodule.h: the module handles of the program, as MFC keeps them.
//
// AfxGetInstanceHandle is the executable; AfxGetResourceHandle is the module
// that resources are loaded from. The two are the same unless someone calls
// AfxSetResourceHandle (tests do, to load fixtures from a resource-only DLL).
// LoadResourceBytes is the one way every part of the program reads a
// resource's raw bytes (pictures, the agreement, the payload, dialog
// templates). Free of GUI headers, so the engine can use it.
#pragma once
#include <windows.h>

HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE hResource);

// The bytes of resource lpszName of type lpszType in AfxGetResourceHandle(),
// valid while that module stays loaded (resources are never freed); null when
// it is missing. *pcb, when given, receives its size (0 when missing).
const void* LoadResourceBytes(LPCWSTR lpszName, LPCWSTR lpszType, DWORD* pcb = nullptr);
