// pages_process.h: what a test program that makes the wizard's pages starts
// once, as the installer's start-up does. Included by one source of each
// such program.
#pragma once
#include <windows.h>
#include <gdiplus.h>
#include <objbase.h>

#include "afx/afxwin.h"
#include "skin/wnd_shadow.h"

namespace {

struct PagesTestProcess
{
    PagesTestProcess()
    {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&m_token, &input, nullptr);
        CWndShadow::InitShadowSupport(::GetModuleHandleW(nullptr));
        AfxInitRichEdit();
        ::CoInitialize(nullptr);
    }
    ULONG_PTR m_token = 0;   // GDI+ lives until the process ends
};
PagesTestProcess s_pagesProcess;

}  // namespace
