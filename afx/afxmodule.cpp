#include "afx/afxmodule.h"

namespace {
HINSTANCE s_hResource = nullptr;   // null: the executable itself
}

HINSTANCE AfxGetInstanceHandle()
{
    return GetModuleHandleW(nullptr);
}

HINSTANCE AfxGetResourceHandle()
{
    return s_hResource ? s_hResource : AfxGetInstanceHandle();
}

void AfxSetResourceHandle(HINSTANCE hResource)
{
    s_hResource = hResource;
}

const void* LoadResourceBytes(LPCWSTR lpszName, LPCWSTR lpszType, DWORD* pcb)
{
    if (pcb)
        *pcb = 0;
    const HMODULE hModule = AfxGetResourceHandle();
    const HRSRC hInfo = ::FindResourceW(hModule, lpszName, lpszType);
    if (!hInfo)
        return nullptr;
    const HGLOBAL hData = ::LoadResource(hModule, hInfo);
    const void* pData = hData ? ::LockResource(hData) : nullptr;
    if (pData && pcb)
        *pcb = ::SizeofResource(hModule, hInfo);
    return pData;
}
