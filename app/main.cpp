// The installer's process-wide objects, in the order they must come up: GDI+
// first (the pages' images need it from their constructors on), then the
// application object. The program entry is the framework's (afx/appmodul.cpp).
#include <windows.h>
#include <gdiplus.h>
#include <cstdlib>

#include "app/vlsetup_app.h"

namespace {

ULONG_PTR StartGdiplusForProcess();

}  // namespace

// The first of two GDI+ starts, the process's: up before the application
// object is constructed and down after it is destroyed (atexit runs in
// reverse), so that an image made or freed outside InitInstance and
// ExitInstance, which own the second start, still finds GDI+ running.
ULONG_PTR g_gdiplusToken = StartGdiplusForProcess();
CVLSetupApp theApp;

namespace {

ULONG_PTR StartGdiplusForProcess()
{
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR nToken = 0;
    // A failed start is not shut down; the application's own start in
    // InitInstance decides whether the installer goes on.
    if (Gdiplus::GdiplusStartup(&nToken, &input, nullptr) != Gdiplus::Ok)
        return 0;
    std::atexit([] { Gdiplus::GdiplusShutdown(g_gdiplusToken); });
    return nToken;
}

}  // namespace
