#include "skin/png_static.h"

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
    const std::unique_ptr<Gdiplus::Image> pImage = LoadPngResource(m_nImageID);
    if (pImage) {
        Gdiplus::Graphics graphics(dc.GetSafeHdc());
        graphics.DrawImage(pImage.get(), 0, 0, static_cast<INT>(pImage->GetWidth()), static_cast<INT>(pImage->GetHeight()));
    }
}
