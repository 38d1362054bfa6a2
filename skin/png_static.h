// png_static.h: CPngStatic, a static that shows one PNG at its own size,
// alpha-blended over the page's background. The page assigns m_nImageID
// before the first paint (it has no default) and positions the control.
#pragma once
#include "afx/afxwin.h"

class CPngStatic : public CStatic
{
    DECLARE_DYNAMIC(CPngStatic)
public:
    CPngStatic() = default;
    ~CPngStatic() override;

    UINT m_nImageID = 0;   // no picture has id 0, so an unset id draws nothing

protected:
    afx_msg void OnPaint();
    DECLARE_MESSAGE_MAP()
};
