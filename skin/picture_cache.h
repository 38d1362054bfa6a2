// picture_cache.h: the skin's decoded pictures, one per "PNG" resource.
//
//   Gdiplus::Image* pImage = GetSkinPicture(IDP_LOGO);   // not owned
//   if (pImage) ... draw ...                             // null when the id is missing
//
// A picture is decoded the first time it is asked for and kept until the
// process ends, so a control that repaints at every hover or percent never
// decodes again, and controls showing the same picture share it. GUI thread
// only. The images are freed before GDI+ stops: the cache is made after the
// process's GDI+ start and, as a function's static, goes before it.
#pragma once
#include "afx/afxwin.h"

#include <gdiplus.h>

// The decoded "PNG" resource nID of AfxGetResourceHandle(); null when it is
// missing or cannot be decoded. The cache keeps it: callers never free it.
// This is the picture at 100 %: its size is the size in 96-DPI units.
Gdiplus::Image* GetSkinPicture(UINT nID);

// The same picture as drawn for a window at nDpi (PictureStepForDpi), from the
// same module, decoded and kept as GetSkinPicture keeps it. Where that scale
// was not drawn, the next larger drawing, else the largest smaller one; pImage
// itself at 96 DPI, and for an image that did not come from GetSkinPicture.
Gdiplus::Image* GetSkinPictureForDpi(Gdiplus::Image* pImage, int nDpi);
