// demo_dlg.h: CSkinDemoDlg, one skinned dialog with every kind of skinned
// control, for looking at and for the GUI and unit tests. Not shipped.
#pragma once
#include "skin/base_dlg.h"
#include "skin/png_static.h"
#include "skin/poll_draw_static.h"
#include "skin/redraw_button.h"
#include "skin/redraw_check_box.h"
#include "skin/redraw_static.h"
#include "skin/skin_progress_ctrl.h"

// Where the demo puts its controls (client pixels), for the tests' checks.
constexpr RECT DEMO_ACTION_RECT = {240, 40, 370, 78};
constexpr RECT DEMO_DISABLED_RECT = {240, 86, 370, 124};
constexpr RECT DEMO_BOXBTN_RECT = {240, 132, 304, 158};
constexpr RECT DEMO_CHECK_RECT = {12, 176, 212, 192};
constexpr RECT DEMO_PROGRESS_RECT = {240, 180, 400, 186};
constexpr RECT DEMO_LOGO_RECT = {20, 20, 220, 170};
constexpr RECT DEMO_BUSY_RECT = {320, 134, 344, 158};
constexpr RECT DEMO_LINK_RECT = {330, 160, 396, 174};
constexpr RECT DEMO_LABEL_RECT = {10, 212, 70, 232};
constexpr RECT DEMO_BROWSE_RECT = {225, 212, 259, 228};
constexpr RECT DEMO_SPACE_RECT = {10, 232, 260, 250};
constexpr int DEMO_PROGRESS_POS = 60;

class CSkinDemoDlg : public CBaseDlg
{
public:
    CSkinDemoDlg();
    ~CSkinDemoDlg() override;

    // Overrides
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void CaptureChildBackgrounds(CDC* pMemDC, HWND hWnd) override;

    // Controls
    CRedrawButton m_btnAction;
    CRedrawButton m_btnDisabled;
    CRedrawButton m_btnBox;
    CRedrawButton m_btnBrowse;
    CRedrawButton m_btnLink;
    CRedrawCheckBox m_chkAgree;
    CSkinProgressCtrl m_progress;
    CPngStatic m_pngLogo;
    CPollDrawStatic m_gifBusy;
    CRedrawStatic m_stcLabel;
    CRedrawStatic m_stcSpace;
    int m_nClicks = 0;               // BN_CLICKED of the check box
    BOOL m_bCheckedAtClick = FALSE;  // its state as the handler saw it

protected:
    // Handlers
    afx_msg void OnBnClickedCheck();
    DECLARE_MESSAGE_MAP()
};
