// png_resource.h: pictures from the program's resources as GDI+ images, the
// parent-background snapshots of the skinned buttons and check boxes, and the
// small GDI+ conventions the controls share.
//
//   std::unique_ptr<Gdiplus::Image> pImage = LoadPngResource(IDP_LOGO);
//   if (pImage) ... draw ...               // null when the id is missing
//
// Controls draw their pictures from the skin's cache (skin/picture_cache.h),
// which decodes through LoadPngResource once per picture.
//
// A parent takes the snapshots in its double-buffered paint, once the
// background and its own drawing went into its memory DC (CBaseDlg::OnPaint
// and CaptureChildBackgrounds); the control paints its part of it first.
#pragma once
#include "afx/afxwin.h"
#include "res/pictures.h"

#include <gdiplus.h>
#include <memory>

class CRedrawButton;
class CRedrawCheckBox;

// Loads "PNG" resource nID from AfxGetResourceHandle() into a new image the
// caller owns; null on any failure.
std::unique_ptr<Gdiplus::Image> LoadPngResource(UINT nID);

// Loads an animation ("GIF" nID, the busy one by default) into *ppImage,
// which owns it. FALSE when the resource or the stream is not available;
// *ppImage is then left as it was.
BOOL LoadGifResource(std::unique_ptr<Gdiplus::Image>* ppImage, UINT nID = IDG_BUSY);

// Copies the parent's whole memory DC into the control's snapshot, replacing
// the one it held.
void CaptureParentBackground(CDC* pParentMemDC, CRedrawButton& button, HWND hParent);
void CaptureParentBackground(CDC* pParentMemDC, CRedrawCheckBox& checkBox, HWND hParent);

// Paints the part of the snapshot under the control at (0, 0) of pDC; nothing
// without a snapshot. Always TRUE (it is the controls' erase handler).
BOOL PaintCapturedBackground(CRedrawButton& button, CDC* pDC);
BOOL PaintCapturedBackground(CRedrawCheckBox& checkBox, CDC* pDC);

// The snapshot behind both overloads: a memory DC that owns the bitmap
// selected into it.
void CaptureSnapshot(CDC* pParentMemDC, CDC& dcSnapshot, CBitmap& bmpSnapshot, HWND hParent);
BOOL PaintSnapshot(CDC& dcSnapshot, HWND hControl, CDC* pDC);
void ReleaseSnapshot(CDC& dcSnapshot, CBitmap& bmpSnapshot);

// COLORREF 0x00BBGGRR as opaque GDI+ ARGB 0xFFRRGGBB.
inline Gdiplus::Color ToGdiplusColor(COLORREF clr)
{
    return Gdiplus::Color(255, GetRValue(clr), GetGValue(clr), GetBValue(clr));
}

// A pixel-sized regular GDI+ font of the family, or of the generic sans-serif
// family when that one is not installed. Never null; may be invalid.
std::unique_ptr<Gdiplus::Font> CreateSkinFont(LPCWSTR lpszFamily, Gdiplus::REAL emSize);

// Width and height of an image, 0 x 0 for none.
inline UINT ImageWidth(Gdiplus::Image* pImage) { return pImage ? pImage->GetWidth() : 0; }
inline UINT ImageHeight(Gdiplus::Image* pImage) { return pImage ? pImage->GetHeight() : 0; }
