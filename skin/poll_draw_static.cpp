#include "skin/poll_draw_static.h"

#include <new>

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
    : m_pAnimation(new PollAnimation)
{
    PollAnimation& anim = *m_pAnimation;
    if (!LoadGifResource(&anim.m_pImage))
        return;   // no image: never drawn, never advanced
    anim.m_bPaused = true;
    const UINT nDimensions = anim.m_pImage->GetFrameDimensionsCount();
    if (nDimensions > 0) {
        GUID* pDimensions = new GUID[nDimensions];
        anim.m_pImage->GetFrameDimensionsList(pDimensions, nDimensions);
        anim.m_nFrameCount = anim.m_pImage->GetFrameCount(&pDimensions[0]);
        delete[] pDimensions;
    }
    const UINT cbDelays = anim.m_pImage->GetPropertyItemSize(PropertyTagFrameDelay);
    if (cbDelays > 0) {
        anim.m_pFrameDelays = static_cast<Gdiplus::PropertyItem*>(::operator new(cbDelays, std::nothrow));
        if (anim.m_pFrameDelays &&
            anim.m_pImage->GetPropertyItem(PropertyTagFrameDelay, cbDelays, anim.m_pFrameDelays) != Gdiplus::Ok) {
            ::operator delete(anim.m_pFrameDelays);
            anim.m_pFrameDelays = nullptr;
        }
    }
    anim.m_bPaused = false;
}

CPollDrawStatic::~CPollDrawStatic()
{
    delete m_pAnimation->m_pImage;
    ::operator delete(m_pAnimation->m_pFrameDelays);
    delete m_pAnimation;
    m_pAnimation = nullptr;
}

void CPollDrawStatic::PreSubclassWindow()
{
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
    graphics.DrawImage(pImage, 0, 0, static_cast<INT>(pImage->GetWidth()), static_cast<INT>(pImage->GetHeight()));
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
