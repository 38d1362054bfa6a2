// skin_progress_ctrl.h: CSkinProgressCtrl, a progress control painted from
// two 1 x 6 strips: the track tiled over the whole control and the fill over
// position x width / 100 of it. No border, no text; the range is taken as
// 0 to 100 whatever the page set.
#pragma once
#include "afx/afxwin.h"

#include <gdiplus.h>
#include <memory>

// Width of the filled part: nClientWidth x nPos / 100, truncated.
int ProgressFillWidth(int nClientWidth, int nPos);

class CSkinProgressCtrl : public CProgressCtrl
{
    DECLARE_DYNAMIC(CSkinProgressCtrl)
public:
    CSkinProgressCtrl();
    ~CSkinProgressCtrl() override;

    Gdiplus::Image* m_pImgTrack;   // not owned: the skin's picture cache
    Gdiplus::Image* m_pImgFill;    // not owned

protected:
    afx_msg void OnPaint();
    afx_msg void OnNcPaint();
    DECLARE_MESSAGE_MAP()
};
