#include "skin/dpi_scale.h"

CRect CDpiScale::ScaleRect(const RECT& rc) const
{
    return CRect(Scale(rc.left), Scale(rc.top), Scale(rc.right), Scale(rc.bottom));
}

CDpiScale CDpiScale::ForWindow(HWND hWnd)
{
    // Looked up at run time: older systems (and some Wine versions) lack it.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto pfnGetDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (pfnGetDpiForWindow && hWnd) {
        const UINT nDpi = pfnGetDpiForWindow(hWnd);
        if (nDpi > 0)
            return CDpiScale(static_cast<int>(nDpi));
    }
    HDC hdc = ::GetDC(hWnd);
    const int nDpi = hdc ? ::GetDeviceCaps(hdc, LOGPIXELSX) : BASE_DPI;
    if (hdc)
        ::ReleaseDC(hWnd, hdc);
    return CDpiScale(nDpi);
}

CRect RescaleRect(const RECT& rc, int nOldDpi, int nNewDpi)
{
    const CDpiScale scaleNew(nNewDpi);
    const CDpiScale scaleOld(nOldDpi);
    const auto unscale = [&](LONG n) { return ::MulDiv(n, BASE_DPI, scaleOld.Dpi()); };
    return scaleNew.ScaleRect(CRect(unscale(rc.left), unscale(rc.top), unscale(rc.right), unscale(rc.bottom)));
}

DpiLayout LayoutForDpi(const RECT& rcSuggested, SIZE sizeWindow96, const std::vector<CRect>& children,
                       int nOldDpi, int nNewDpi)
{
    const CDpiScale scale(nNewDpi);
    DpiLayout layout;
    layout.rcWindow = CRect(rcSuggested.left, rcSuggested.top, rcSuggested.left + scale.Scale(sizeWindow96.cx),
                            rcSuggested.top + scale.Scale(sizeWindow96.cy));
    layout.children.reserve(children.size());
    for (const CRect& rc : children)
        layout.children.push_back(RescaleRect(rc, nOldDpi, nNewDpi));
    return layout;
}

void DrawScaledImage(Gdiplus::Graphics& graphics, Gdiplus::Image* pImage, int x, int y, const CDpiScale& scale)
{
    if (!pImage)
        return;
    const int cx = static_cast<int>(pImage->GetWidth());
    const int cy = static_cast<int>(pImage->GetHeight());
    if (scale.Dpi() != BASE_DPI) {
        graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
        graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    }
    const CRect rc = scale.ScaleRect(x, y, cx, cy);
    graphics.DrawImage(pImage, rc.left, rc.top, rc.Width(), rc.Height());
}
