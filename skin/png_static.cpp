#include "skin/png_static.h"

#include "skin/dpi_scale.h"
#include "skin/picture_cache.h"
#include "skin/png_resource.h"

IMPLEMENT_DYNAMIC(CPngStatic, CStatic)

BEGIN_MESSAGE_MAP(CPngStatic, CStatic)
    ON_WM_PAINT()   // void OnPaint()
END_MESSAGE_MAP()

CPngStatic::~CPngStatic() = default;

void CPngStatic::OnPaint()
{
    CPaintDC dc(this);
    dc.SetBkMode(TRANSPARENT);
    Gdiplus::Image* const pImage = GetSkinPicture(m_nImageID);
    if (pImage) {
        Gdiplus::Graphics graphics(dc.GetSafeHdc());
        DrawScaledImage(graphics, pImage, 0, 0, CDpiScale::ForWindow(m_hWnd));
    }
}
