// shadow_bits.h: the drop-shadow picture of a dialog, as a pure computation.
//
// BuildShadowBits fills a zeroed, bottom-up buffer of (W + 2s) x (H + 2s)
// premultiplied 0xAARRGGBB pixels from the dialog's shape: its rows widened by
// the size s, eroded when the sharpness exceeds s, a radial fall-off stamped
// along the border, the inside filled and the area under the dialog cut out.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

struct ShadowParams
{
    signed char chSize = 5;       // pixels beyond each edge
    BYTE bySharpness = 5;         // width of the fall-off
    BYTE byDarkness = 50;         // alpha of the darkest pixel
    COLORREF clrShadow = RGB(128, 128, 128);
    signed char chOffsetX = 0;
    signed char chOffsetY = 0;
};

// One dialog row of the shape: [nStart, nEnd); a row with no point in the
// shape is (W, 0).
struct ShadowSpan
{
    int nStart;
    int nEnd;
};

// How far the picture reaches beyond each edge. A negative size draws as 0:
// the picture is never smaller than the dialog it surrounds.
inline int ShadowExtent(signed char chSize) { return chSize > 0 ? chSize : 0; }

// Premultiplied colour of alpha a (0..255).
uint32_t PremultipliedShadowColor(COLORREF clr, int nAlpha);

// The core: pBits holds (W + 2e) x (H + 2e) zeroed pixels, e = ShadowExtent;
// rowSpans holds H spans.
void BuildShadowBitsFromSpans(uint32_t* pBits, int nWidth, int nHeight, const std::vector<ShadowSpan>& rowSpans,
                              const ShadowParams& params);

// The dialog's shape row by row: its window region, or the whole W x H
// rectangle when it has none.
std::vector<ShadowSpan> ScanWindowShape(HWND hWnd, int nWidth, int nHeight);

// The shape of hParent, whose window rectangle is rcParent, into pBits.
void BuildShadowBits(uint32_t* pBits, HWND hParent, const RECT& rcParent, const ShadowParams& params);
