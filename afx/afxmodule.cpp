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
