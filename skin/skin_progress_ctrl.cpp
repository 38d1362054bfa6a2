#include "skin/skin_progress_ctrl.h"

#include "skin/picture_cache.h"
#include "skin/png_resource.h"

int ProgressFillWidth(int nClientWidth, int nPos)
{
    return (nClientWidth * nPos) / 100;
}

IMPLEMENT_DYNAMIC(CSkinProgressCtrl, CProgressCtrl)

BEGIN_MESSAGE_MAP(CSkinProgressCtrl, CProgressCtrl)
    ON_WM_PAINT()     // void OnPaint()
    ON_WM_NCPAINT()   // void OnNcPaint()
END_MESSAGE_MAP()

CSkinProgressCtrl::CSkinProgressCtrl()
    : m_pImgTrack(GetSkinPicture(IDP_PROGRESS_TRACK)), m_pImgFill(GetSkinPicture(IDP_PROGRESS_FILL))
{
}

CSkinProgressCtrl::~CSkinProgressCtrl() = default;

void CSkinProgressCtrl::OnPaint()
{
    CPaintDC dc(this);
    CRect rcClient;
    GetClientRect(&rcClient);
    const int w = rcClient.Width();
    const int h = rcClient.Height();
    // Tiled, mirrored at every repeat: a strip wider than its image is
    // repeated, not stretched.
    Gdiplus::ImageAttributes attributes;
    attributes.SetWrapMode(Gdiplus::WrapModeTileFlipXY, Gdiplus::Color(0xFF000000), FALSE);
    if (!m_pImgTrack || !m_pImgFill || w <= 0 || h <= 0)
        return;

    Gdiplus::Bitmap bitmap(w, h, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics offscreen(&bitmap);
        offscreen.Clear(Gdiplus::Color(0xFFFFFFFF));
        offscreen.DrawImage(m_pImgTrack, Gdiplus::Rect(0, 0, w, h), 0, 0, w, h, Gdiplus::UnitPixel, &attributes);
        const int nPos = static_cast<int>(SendMessage(PBM_GETPOS));
        const int fw = ProgressFillWidth(w, nPos);
        if (fw > 0) {
            offscreen.DrawImage(m_pImgFill, Gdiplus::Rect(0, 0, fw, h), 0, 0, fw,
                                static_cast<INT>(m_pImgFill->GetHeight()), Gdiplus::UnitPixel, &attributes);
        }
    }
    Gdiplus::Graphics screen(dc.GetSafeHdc());
    screen.DrawImage(&bitmap, 0, 0, w, h);
}

void CSkinProgressCtrl::OnNcPaint()
{
    // The template's border is never drawn.
}
