#include "skin/poll_draw_static.h"

#include <new>
#include <utility>
#include <vector>

#include "res/pictures.h"
#include "skin/dpi_scale.h"
#include "skin/png_resource.h"

BOOL AdvancePollAnimation(PollAnimation& anim, DWORD dwNow, UINT* pnFrame)
{
    if (anim.m_bPaused || anim.m_nFrameCount == 0)
        return FALSE;
    if (anim.m_nDelayMs != 0) {
        // Before the first advance there is no previous one to wait for; a
        // start tick of 0 would otherwise hold the animation back for 24.8
        // days once the tick count has passed 2^31.
        if (anim.m_bStarted && static_cast<LONG>(dwNow - anim.m_dwNextTick) < 0)
            return FALSE;
        anim.m_dwNextTick = dwNow + static_cast<DWORD>(anim.m_nDelayMs);
    }
    anim.m_bStarted = true;
    *pnFrame = anim.m_nCurrentFrame;
    if (++anim.m_nCurrentFrame >= anim.m_nFrameCount)
        anim.m_nCurrentFrame = 0;
    const Gdiplus::PropertyItem* pDelays = anim.m_pFrameDelays;
    if (pDelays && pDelays->value && (anim.m_nCurrentFrame + 1) * sizeof(UINT) <= pDelays->length)
        anim.m_nDelayMs = 10 * static_cast<int>(static_cast<const UINT*>(pDelays->value)[anim.m_nCurrentFrame]);
    else
        anim.m_nDelayMs = 0;
    return TRUE;
}

IMPLEMENT_DYNAMIC(CPollDrawStatic, CStatic)

BEGIN_MESSAGE_MAP(CPollDrawStatic, CStatic)
    ON_WM_PAINT()        // void OnPaint()
    ON_WM_TIMER()        // void OnTimer(UINT_PTR)
    ON_WM_ERASEBKGND()   // BOOL OnEraseBkgnd(CDC*)
END_MESSAGE_MAP()

CPollDrawStatic::CPollDrawStatic()
    : m_pAnimation(std::make_unique<PollAnimation>())
{
    LoadAnimation(IDG_BUSY);
}

void CPollDrawStatic::LoadAnimation(UINT nID)
{
    std::unique_ptr<Gdiplus::Image> pGif;
    if (!LoadGifResource(&pGif, nID))
        return;   // no image: the one there is stays (at first none: never drawn, never advanced)
    *m_pAnimation = PollAnimation();   // the record stays where it is
    m_pDelayBlock.reset();
    m_pGif = std::move(pGif);
    PollAnimation& anim = *m_pAnimation;
    anim.m_pImage = m_pGif.get();
    anim.m_bPaused = true;
    const UINT nDimensions = m_pGif->GetFrameDimensionsCount();
    if (nDimensions > 0) {
        std::vector<GUID> dimensions(nDimensions);
        m_pGif->GetFrameDimensionsList(dimensions.data(), nDimensions);
        anim.m_nFrameCount = m_pGif->GetFrameCount(&dimensions[0]);
    }
    const UINT cbDelays = m_pGif->GetPropertyItemSize(PropertyTagFrameDelay);
    if (cbDelays > 0) {
        m_pDelayBlock.reset(new (std::nothrow) BYTE[cbDelays]);
        auto* pDelays = reinterpret_cast<Gdiplus::PropertyItem*>(m_pDelayBlock.get());
        if (pDelays && m_pGif->GetPropertyItem(PropertyTagFrameDelay, cbDelays, pDelays) == Gdiplus::Ok)
            anim.m_pFrameDelays = pDelays;
        else
            m_pDelayBlock.reset();
    }
    anim.m_bPaused = false;
}

CPollDrawStatic::~CPollDrawStatic() = default;

void CPollDrawStatic::PreSubclassWindow()
{
    // The animation drawn for the window's scale, where it is larger than 100 %.
    const int nStep = PictureStepForDpi(CDpiScale::ForWindow(m_hWnd).Dpi());
    if (nStep > 0 && m_pGif) {
        const UINT cx100 = m_pGif->GetWidth();
        const UINT cy100 = m_pGif->GetHeight();
        LoadAnimation(PICTURE_ID(IDG_BUSY, nStep));
        m_size100 = CSize(static_cast<int>(cx100), static_cast<int>(cy100));
    }
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
    ::SetTimer(m_hWnd, IDT_POLL_ANIMATION, POLL_ANIMATION_PERIOD_MS, nullptr);
    CStatic::PreSubclassWindow();
}

void CPollDrawStatic::OnPaint()
{
    CPaintDC dc(this);
    Gdiplus::Image* pImage = m_pAnimation->m_pImage;
    if (!pImage)
        return;
    Gdiplus::Graphics graphics(dc.GetSafeHdc());
    const CSize size100 = m_size100.cx > 0 ? m_size100 : CSize(static_cast<int>(pImage->GetWidth()), static_cast<int>(pImage->GetHeight()));
    DrawImageInto(graphics, pImage, CDpiScale::ForWindow(m_hWnd).ScaleRect(0, 0, size100.cx, size100.cy));
}

void CPollDrawStatic::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent == IDT_POLL_ANIMATION) {
        InvalidateRect(nullptr, TRUE);
        UINT nFrame = 0;
        if (m_pAnimation->m_nFrameCount > 1 && AdvancePollAnimation(*m_pAnimation, m_pfnGetTickCount(), &nFrame))
            m_pAnimation->m_pImage->SelectActiveFrame(&Gdiplus::FrameDimensionTime, nFrame);
    }
    CStatic::OnTimer(nIDEvent);
}

BOOL CPollDrawStatic::OnEraseBkgnd(CDC* pDC)
{
    return TRUE;   // never erases: the parent painted underneath
}
