// dpi_scale.h: CDpiScale, the one place a length drawn for 96 DPI becomes
// the length for a window's DPI. Pages keep their rectangles as 96-DPI
// constants and pass them through here; nothing else multiplies.
#pragma once
#include <vector>
#include "afx/afxwin.h"

#include <gdiplus.h>

constexpr int BASE_DPI = 96;

class CDpiScale
{
public:
    explicit CDpiScale(int nDpi = BASE_DPI) : m_nDpi(nDpi > 0 ? nDpi : BASE_DPI) {}

    int Dpi() const { return m_nDpi; }
    // Rounded to the nearest pixel; a negative length (a font's em height) keeps its sign.
    int Scale(int n) const { return ::MulDiv(n, m_nDpi, BASE_DPI); }
    Gdiplus::REAL ScaleF(Gdiplus::REAL f) const { return f * static_cast<Gdiplus::REAL>(m_nDpi) / BASE_DPI; }
    // Each edge scaled, so rectangles that touch at 96 DPI still touch.
    CRect ScaleRect(const RECT& rc) const;
    CRect ScaleRect(int x, int y, int cx, int cy) const { return ScaleRect(CRect(x, y, x + cx, y + cy)); }
    Gdiplus::RectF ScaleRectF(Gdiplus::REAL x, Gdiplus::REAL y, Gdiplus::REAL cx, Gdiplus::REAL cy) const
    {
        return Gdiplus::RectF(ScaleF(x), ScaleF(y), ScaleF(cx), ScaleF(cy));
    }
    // A LOGFONT height (pixels, either sign) for this DPI.
    LONG FontHeight(LONG nHeight96) const { return ::MulDiv(nHeight96, m_nDpi, BASE_DPI); }

    // The DPI the window is drawn for: GetDpiForWindow where the system has
    // it (per-monitor), else the screen DC's LOGPIXELSX (the system DPI).
    static CDpiScale ForWindow(HWND hWnd);

private:
    int m_nDpi;
};

// A child's rectangle laid out for nOldDpi, laid out again for nNewDpi: back
// to 96-DPI units, then scaled, so repeated moves do not accumulate rounding.
CRect RescaleRect(const RECT& rc, int nOldDpi, int nNewDpi);

// What a window does on WM_DPICHANGED: the window goes to the top-left of the
// rectangle the system suggests with its own size at 96 DPI scaled for the new
// DPI (so the background fits the client area exactly), and each child's
// rectangle is rescaled.
struct DpiLayout
{
    CRect rcWindow;
    std::vector<CRect> children;
};
DpiLayout LayoutForDpi(const RECT& rcSuggested, SIZE sizeWindow96, const std::vector<CRect>& children,
                       int nOldDpi, int nNewDpi);

// Which drawing of a picture a window at nDpi takes (PICTURE_ID's step in
// res/pictures.h): the nearest scale at or above the window's, so a picture is
// only ever reduced, except above 200 %, where the 200 % one is enlarged.
// 96 DPI and below: 0 (100 %); up to 144: 1 (150 %); above: 2 (200 %).
int PictureStepForDpi(int nDpi);

// Draws a 100 % picture at (x, y) given in 96-DPI units, at its size for the
// scale. A picture of the skin's cache is taken as drawn for the scale
// (GetSkinPictureForDpi); the drawing goes through DrawImageInto.
void DrawScaledImage(Gdiplus::Graphics& graphics, Gdiplus::Image* pImage, int x, int y, const CDpiScale& scale);

// Draws pImage filling rcDest: pixel for pixel when it has rcDest's size (no
// filtering at all), else resized with high-quality filtering, its edges
// taken from its own border pixels rather than faded into nothing.
void DrawImageInto(Gdiplus::Graphics& graphics, Gdiplus::Image* pImage, const CRect& rcDest);
