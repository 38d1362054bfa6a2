// third_step_dlg.h: CThirdStepDlg, the progress page. It starts the
// extraction once it is on screen, shows each percent the worker posts, and on
// success registers the installation and hands over to the finish page. On a
// failure it tells the user why and lets the page be closed. Alt+F4 or the
// taskbar's close stops the worker, which undoes its run, waits for it (with
// a bound) and ends the installer, without a question. A window destroyed
// while the worker runs (the installer ends another way) stops it the same
// way first.
#pragma once
#include <memory>

#include "wizard/page_common.h"
#include "skin/skin_progress_ctrl.h"

struct ExtractJob;

// Posted by the progress page to itself as it initialises: the unpacking
// starts when the hand-over from the first page is over.
constexpr UINT WM_START_UNPACKING = WM_APP + 0x31;

// How long a stop waits for the worker to undo its run before the installer
// ends anyway (the next start then undoes what is left, from the journal).
constexpr DWORD STOP_WAIT_MS = 30000;
// How often the page looks whether the worker ended without its final code
// reaching the page (the post failed): the code is then taken from the job.
constexpr UINT WORKER_WATCH_MS = 500;
constexpr UINT_PTR WORKER_WATCH_TIMER = 1;

// Starts the worker on the job for the install folder, reporting to hWnd;
// false when it could not be started.
using StartWorkerFn = bool (*)(HWND hWnd, const CString& strDir, ExtractJob* pJob);
bool StartPageWorker(HWND hWnd, const CString& strDir, ExtractJob* pJob);

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
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg void OnStopAndClose();
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()

public:
    // The seam that starts the worker; tests put their own before Create.
    StartWorkerFn m_pfnStartWorker = &StartPageWorker;

private:
    void OnInstallDone();
    void OnInstallFailed(WPARAM nCode, LPARAM lParam);
    // The worker ended: its final code from the job, when none came.
    void TakeMissedFinalCode();
    // Waits for the worker with a bound; false when it is still running.
    bool WaitForWorker(DWORD nMs);
    // Asks the worker to stop and waits for it with STOP_WAIT_MS; false
    // when it is still running after that.
    bool StopWorker();
    // After a stopped worker ended: its reports still queued are dropped,
    // its final code taken from the job, a run it committed before the stop
    // registered. The code, with its path in *plParam.
    WPARAM SettleStoppedWorker(LPARAM* plParam);

    // Controls
    CSkinProgressCtrl m_progress;

    // The page's fonts, made once: it repaints at every percent.
    std::unique_ptr<Gdiplus::Font> m_pFontTitle;
    std::unique_ptr<Gdiplus::Font> m_pFontNumber;
    std::unique_ptr<Gdiplus::Font> m_pFontPercent;

    CString m_strPercent;     // the big number; empty until the first progress
    std::unique_ptr<ExtractJob> m_pJob;   // read by the worker: freed only once it ended
    bool m_bFinal = false;    // the final code was handled
    bool m_bWorkerLeft = false;   // a stop's bound passed with the worker still running
};
