#include "skin/png_resource.h"

#include <objidl.h>

#include "skin/redraw_button.h"
#include "skin/redraw_check_box.h"

std::unique_ptr<Gdiplus::Image> LoadPngResource(UINT nID)
{
    DWORD cb = 0;
    const void* pBytes = LoadResourceBytes(MAKEINTRESOURCEW(nID), L"PNG", &cb);
    if (!pBytes)
        return nullptr;
    HGLOBAL hBlock = ::GlobalAlloc(GMEM_MOVEABLE, cb);
    if (!hBlock)
        return nullptr;
    void* pBlock = ::GlobalLock(hBlock);
    if (!pBlock) {
        ::GlobalFree(hBlock);
        return nullptr;
    }
    memcpy(pBlock, pBytes, cb);
    ::GlobalUnlock(hBlock);
    IStream* pStream = nullptr;
    // Delete-on-release: the block goes with the image's last stream reference.
    if (FAILED(::CreateStreamOnHGlobal(hBlock, TRUE, &pStream))) {
        ::GlobalFree(hBlock);
        return nullptr;
    }
    std::unique_ptr<Gdiplus::Image> pImage(new Gdiplus::Image(pStream));
    pStream->Release();
    return pImage;
}

BOOL LoadGifResource(std::unique_ptr<Gdiplus::Image>* ppImage)
{
    DWORD cb = 0;
    const void* pBytes = LoadResourceBytes(MAKEINTRESOURCEW(IDG_BUSY), L"GIF", &cb);
    if (!pBytes)
        return FALSE;
    IStream* pStream = nullptr;
    if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, &pStream)))
        return FALSE;
    ULONG cbWritten = 0;
    pStream->Write(pBytes, cb, &cbWritten);
    LARGE_INTEGER zero = {};
    pStream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ppImage->reset(new Gdiplus::Image(pStream));
    pStream->Release();
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
