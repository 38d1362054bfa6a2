// poll_draw_static.h: CPollDrawStatic, a static that plays the busy GIF by a
// 100 ms window timer. The animation is loaded in the constructor (GDI+
// must be running by then), again at binding when the window's DPI asks for a
// larger drawing of it, and ticks from binding until the window goes; the
// page only shows, hides and moves the control.
#pragma once
#include "afx/afxwin.h"

#include <gdiplus.h>
#include <memory>

constexpr UINT_PTR IDT_POLL_ANIMATION = 11110;
constexpr UINT POLL_ANIMATION_PERIOD_MS = 100;
constexpr int POLL_FIRST_DELAY_MS = 70;   // before the second advance

// The animation record: frames, delays and when the next advance is due. A
// plain record the advance works on; the control owns what it points to.
struct PollAnimation
{
    UINT m_nFrameCount = 0;
    UINT m_nCurrentFrame = 0;                     // selected at the next advance
    bool m_bPaused = true;                        // advances refused while set up
    Gdiplus::PropertyItem* m_pFrameDelays = nullptr;   // not owned; hundredths per frame
    int m_nDelayMs = POLL_FIRST_DELAY_MS;         // 0: advance at the next tick
    DWORD m_dwNextTick = 0;
    bool m_bStarted = false;                      // the first advance is never held back
    Gdiplus::Image* m_pImage = nullptr;           // not owned
};

// One advance at tick dwNow: TRUE and the frame to select in *pnFrame when
// it is due. Tick counts are compared as a wrap-safe difference, so the
// animation runs on across 2^31 and the wrap at 2^32.
BOOL AdvancePollAnimation(PollAnimation& anim, DWORD dwNow, UINT* pnFrame);

class CPollDrawStatic : public CStatic
{
    DECLARE_DYNAMIC(CPollDrawStatic)
public:
    CPollDrawStatic();
    ~CPollDrawStatic() override;

    void PreSubclassWindow() override;

    std::unique_ptr<PollAnimation> m_pAnimation;
    DWORD (*m_pfnGetTickCount)() = &CPollDrawStatic::SystemTick;   // the clock; tests put theirs

protected:
    afx_msg void OnPaint();
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    DECLARE_MESSAGE_MAP()

private:
    static DWORD SystemTick() { return ::GetTickCount(); }
    // Loads "GIF" nID into a new record; without it the one there is stays.
    void LoadAnimation(UINT nID);

    CSize m_size100;   // the 100 % animation's size once a larger drawing replaced it

    // What the record points to.
    std::unique_ptr<Gdiplus::Image> m_pGif;
    std::unique_ptr<BYTE[]> m_pDelayBlock;   // a PropertyItem and its values
};
