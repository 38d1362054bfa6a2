#include "skin/dpi_scale.h"

#include "res/pictures.h"
#include "skin/picture_cache.h"

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

int PictureStepForDpi(int nDpi)
{
    if (nDpi <= BASE_DPI)
        return 0;
    // Steps of 50 % are steps of 48 DPI; any part of one goes up to the next.
    const int nStepDpi = BASE_DPI * PICTURE_STEP_PERCENT / 100;
    const int nStep = (nDpi - BASE_DPI + nStepDpi - 1) / nStepDpi;
    return nStep < PICTURE_SCALE_STEPS - 1 ? nStep : PICTURE_SCALE_STEPS - 1;
}

void DrawScaledImage(Gdiplus::Graphics& graphics, Gdiplus::Image* pImage, int x, int y, const CDpiScale& scale)
{
    if (!pImage)
        return;
    const CRect rc = scale.ScaleRect(x, y, static_cast<int>(pImage->GetWidth()), static_cast<int>(pImage->GetHeight()));
    DrawImageInto(graphics, GetSkinPictureForDpi(pImage, scale.Dpi()), rc);
}

void DrawImageInto(Gdiplus::Graphics& graphics, Gdiplus::Image* pImage, const CRect& rcDest)
{
    if (!pImage)
        return;
    const INT cx = static_cast<INT>(pImage->GetWidth());
    const INT cy = static_cast<INT>(pImage->GetHeight());
    if (cx == rcDest.Width() && cy == rcDest.Height()) {
        graphics.DrawImage(pImage, rcDest.left, rcDest.top, cx, cy);
        return;
    }
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    // Without it the filter reads transparency past the edges: a background
    // would get a faded rim, a solid strip soft ends.
    Gdiplus::ImageAttributes attributes;
    attributes.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
    graphics.DrawImage(pImage, Gdiplus::Rect(rcDest.left, rcDest.top, rcDest.Width(), rcDest.Height()), 0, 0, cx, cy,
                       Gdiplus::UnitPixel, &attributes);
}
