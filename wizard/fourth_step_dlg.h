// fourth_step_dlg.h: CFourthStepDlg, the finish page. It sends the install
// report as it initialises (through its own request manager, whose answers
// it ignores; deleting the page ends the report's transfer) and starts the
// installed application on "开始使用".
#pragma once
#include "wizard/page_common.h"
#include "net/http_request_manager.h"
#include "skin/redraw_button.h"
#include "skin/png_static.h"

// How long the installer's end waits for a report still in flight: nobody
// waits for its answer, and "开始使用" must end the installer at once.
constexpr DWORD REPORT_END_WAIT_MS = 500;

class CFourthStepDlg : public CBaseDlg, public CHttpRequestManager
{
    DECLARE_DYNAMIC(CFourthStepDlg)
public:
    CFourthStepDlg();
    ~CFourthStepDlg() override;

protected:
    // Overrides
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void CaptureChildBackgrounds(CDC* pMemDC, HWND hWnd) override;

    // Handlers
    afx_msg void OnBnClickedClose();
    afx_msg void OnBnClickedStart();
    DECLARE_MESSAGE_MAP()

private:
    // Queues the report on this page's manager; the request id is not kept.
    void SendInstallReport();

    // Controls
    CPngStatic m_pngLogo;
    CRedrawButton m_btnStart;
};
