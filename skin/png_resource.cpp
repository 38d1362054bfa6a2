#include "skin/png_resource.h"

#include <objidl.h>

#include <utility>

#include "skin/redraw_button.h"
#include "skin/redraw_check_box.h"

namespace {

// A picture decoded from a custom-type resource, or null. GDI+ reads the
// image's stream for as long as the image lives (the frames of an animation
// among them), so the bytes are copied into a stream the image holds.
std::unique_ptr<Gdiplus::Image> LoadResourceImage(UINT nID, LPCWSTR lpszType)
{
    DWORD cb = 0;
    const void* pBytes = LoadResourceBytes(MAKEINTRESOURCEW(nID), lpszType, &cb);
    if (!pBytes)
        return nullptr;
    IStream* pStream = nullptr;
    if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, &pStream)))
        return nullptr;
    ULONG cbWritten = 0;
    const LARGE_INTEGER zero = {};
    std::unique_ptr<Gdiplus::Image> pImage;
    if (SUCCEEDED(pStream->Write(pBytes, cb, &cbWritten)) && cbWritten == cb &&
        SUCCEEDED(pStream->Seek(zero, STREAM_SEEK_SET, nullptr)))
        pImage.reset(new Gdiplus::Image(pStream));
    pStream->Release();   // the image keeps its own reference
    return pImage;
}

}  // namespace

std::unique_ptr<Gdiplus::Image> LoadPngResource(UINT nID)
{
    return LoadResourceImage(nID, L"PNG");
}

BOOL LoadGifResource(std::unique_ptr<Gdiplus::Image>* ppImage, UINT nID)
{
    std::unique_ptr<Gdiplus::Image> pImage = LoadResourceImage(nID, L"GIF");
    if (!pImage)
        return FALSE;
    *ppImage = std::move(pImage);
    return TRUE;
}

void ReleaseSnapshot(CDC& dcSnapshot, CBitmap& bmpSnapshot)
{
    // The DC goes first so that the bitmap is no longer selected anywhere.
    dcSnapshot.DeleteDC();
    bmpSnapshot.DeleteObject();
}

void CaptureSnapshot(CDC* pParentMemDC, CDC& dcSnapshot, CBitmap& bmpSnapshot, HWND hParent)
{
    CRect rcParent;
    ::GetWindowRect(hParent, &rcParent);
    ReleaseSnapshot(dcSnapshot, bmpSnapshot);
    if (!dcSnapshot.CreateCompatibleDC(pParentMemDC))
        return;
    if (!bmpSnapshot.CreateCompatibleBitmap(pParentMemDC, rcParent.Width(), rcParent.Height()))
        return;
    dcSnapshot.SelectObject(&bmpSnapshot);
    dcSnapshot.BitBlt(0, 0, rcParent.Width(), rcParent.Height(), pParentMemDC, 0, 0, SRCCOPY);
}

BOOL PaintSnapshot(CDC& dcSnapshot, HWND hControl, CDC* pDC)
{
    if (!dcSnapshot.GetSafeHdc() || !pDC)
        return TRUE;
    CRect rc;
    ::GetWindowRect(hControl, &rc);
    HWND hParent = ::GetParent(hControl);
    ::ScreenToClient(hParent, reinterpret_cast<LPPOINT>(&rc.left));
    ::ScreenToClient(hParent, reinterpret_cast<LPPOINT>(&rc.right));
    pDC->BitBlt(0, 0, rc.Width(), rc.Height(), &dcSnapshot, rc.left, rc.top, SRCCOPY);
    return TRUE;
}

void CaptureParentBackground(CDC* pParentMemDC, CRedrawButton& button, HWND hParent)
{
    CaptureSnapshot(pParentMemDC, button.m_dcBk, button.m_bmpBk, hParent);
}

void CaptureParentBackground(CDC* pParentMemDC, CRedrawCheckBox& checkBox, HWND hParent)
{
    CaptureSnapshot(pParentMemDC, checkBox.m_dcBk, checkBox.m_bmpBk, hParent);
}

BOOL PaintCapturedBackground(CRedrawButton& button, CDC* pDC)
{
    return PaintSnapshot(button.m_dcBk, button.m_hWnd, pDC);
}

BOOL PaintCapturedBackground(CRedrawCheckBox& checkBox, CDC* pDC)
{
    return PaintSnapshot(checkBox.m_dcBk, checkBox.m_hWnd, pDC);
}

namespace {

// GDI+ looks family names up literally and knows no substitutes, so where the
// requested Chinese family is missing by that name these common Chinese sans
// families are tried under their own names before the generic family.
const wchar_t* const FALLBACK_FAMILIES[] = {L"SimHei", L"Microsoft YaHei", L"WenQuanYi Micro Hei",
                                            L"WenQuanYi Zen Hei", L"SimSun"};

}  // namespace

std::unique_ptr<Gdiplus::Font> CreateSkinFont(LPCWSTR lpszFamily, Gdiplus::REAL emSize)
{
    const Gdiplus::FontStyle style = Gdiplus::FontStyleRegular;
    Gdiplus::FontFamily family(lpszFamily);
    if (family.IsAvailable())
        return std::make_unique<Gdiplus::Font>(&family, emSize, style, Gdiplus::UnitPixel);
    for (const wchar_t* pszFallback : FALLBACK_FAMILIES) {
        Gdiplus::FontFamily fallback(pszFallback);
        if (fallback.IsAvailable())
            return std::make_unique<Gdiplus::Font>(&fallback, emSize, style, Gdiplus::UnitPixel);
    }
    const Gdiplus::FontFamily* pGeneric = Gdiplus::FontFamily::GenericSansSerif();
    if (pGeneric && pGeneric->IsAvailable())
        return std::make_unique<Gdiplus::Font>(pGeneric, emSize, style, Gdiplus::UnitPixel);
    // Left invalid: text drawn with it does not appear.
    return std::make_unique<Gdiplus::Font>(&family, emSize, style, Gdiplus::UnitPixel);
}
