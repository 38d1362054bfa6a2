// protocol_dlg.h: CProtocolDlg, the agreement viewer: the licence text in a
// read-only rich edit, its own agreement box and "快速安装", and the way back
// to the first page. Created once; later openings show it as it was left.
#pragma once
#include "wizard/page_common.h"
#include "skin/redraw_button.h"
#include "skin/redraw_check_box.h"
#include "skin/redraw_static.h"
#include "skin/png_static.h"

class CProtocolDlg : public CBaseDlg
{
    DECLARE_DYNAMIC(CProtocolDlg)
public:
    CProtocolDlg();
    ~CProtocolDlg() override;

protected:
    // Overrides
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void CaptureChildBackgrounds(CDC* pMemDC, HWND hWnd) override;

    // Handlers
    afx_msg void OnBnClickedAgree();
    afx_msg void OnBnClickedQuickInstall();
    afx_msg void OnBnClickedBack();
    DECLARE_MESSAGE_MAP()

private:
    void StreamAgreementText();

    // Controls
    CRichEditCtrl m_rich;
    CRedrawStatic m_stcTitle;
    CRedrawCheckBox m_chkAgree;
    CRedrawButton m_btnQuickInstall;
    CPngStatic m_pngLine;
    CRedrawButton m_btnBack;
};
