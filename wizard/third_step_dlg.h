// third_step_dlg.h: CThirdStepDlg, the progress page. It starts the
// extraction once it is on screen, shows each percent the worker posts, and on
// success registers the installation and hands over to the finish page. On a
// failure it tells the user why and lets the page be closed.
#pragma once
#include <memory>

#include "wizard/page_common.h"
#include "skin/skin_progress_ctrl.h"

struct ExtractJob;

// Posted by the progress page to itself as it initialises: the unpacking
// starts when the hand-over from the first page is over.
constexpr UINT WM_START_UNPACKING = WM_APP + 0x31;

class CThirdStepDlg : public CBaseDlg
{
    DECLARE_DYNAMIC(CThirdStepDlg)
public:
    CThirdStepDlg();
    ~CThirdStepDlg() override;

protected:
    // Overrides
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void DrawPageContent(CDC& dcMem) override;
    void OnDpiScaleChanged() override;   // the page's fonts

    // Handlers
    afx_msg LRESULT OnInstallNotify(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnStartUnpacking(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    void OnInstallDone();
    void OnInstallFailed(WPARAM nCode, LPARAM lParam);

    // Controls
    CSkinProgressCtrl m_progress;

    // The page's fonts, made once: it repaints at every percent.
    std::unique_ptr<Gdiplus::Font> m_pFontTitle;
    std::unique_ptr<Gdiplus::Font> m_pFontNumber;
    std::unique_ptr<Gdiplus::Font> m_pFontPercent;

    CString m_strPercent;     // the big number; empty until the first progress
    ExtractJob* m_pJob;       // read by the worker; never freed (the worker is never joined)
};
