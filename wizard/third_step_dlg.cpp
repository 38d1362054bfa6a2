#include "wizard/third_step_dlg.h"

#include <gdiplus.h>
#include <memory>

#include "engine/extract.h"
#include "engine/product.h"
#include "engine/registration.h"
#include "engine/setup_log.h"
#include "payload/uninstall/installation_removal.h"
#include "skin/png_resource.h"
#include "wizard/fourth_step_dlg.h"
#include "wizard/install_rules.h"
#include "wizard/message_box_dlg.h"

namespace {

constexpr Gdiplus::ARGB CLR_TITLE = 0xFF333333;
constexpr Gdiplus::ARGB CLR_NUMBER = 0xFFD2D2D2;
constexpr int FULL_PERCENT = 100;
// Only the big number is repainted per progress message; the bar repaints
// itself. The rectangle holds the whole right-aligned number: three digits
// laid out to end at x = 260, whose strokes reach about ten pixels past it.
// A narrower one leaves strokes of earlier digits standing.
constexpr RECT RC_NUMBER = {100, 60, 290, 170};

}  // namespace

IMPLEMENT_DYNAMIC(CThirdStepDlg, CBaseDlg)

BEGIN_MESSAGE_MAP(CThirdStepDlg, CBaseDlg)
    ON_MESSAGE(WM_INSTALL_NOTIFY, &CThirdStepDlg::OnInstallNotify)   // LRESULT OnInstallNotify(WPARAM, LPARAM)
    ON_MESSAGE(WM_START_UNPACKING, &CThirdStepDlg::OnStartUnpacking) // LRESULT OnStartUnpacking(WPARAM, LPARAM)
    ON_WM_TIMER()                                                    // void OnTimer(UINT_PTR)
    ON_BN_CLICKED(IDCANCEL, &CThirdStepDlg::OnStopAndClose)          // void OnStopAndClose(): Alt+F4, taskbar close
    ON_WM_DESTROY()                                                  // void OnDestroy()
END_MESSAGE_MAP()

bool StartPageWorker(HWND hWnd, const CString& strDir, ExtractJob* pJob)
{
    return StartExtraction(hWnd, strDir.str(), strDir.str(), pJob, GetProductKeyName().str());
}

CThirdStepDlg::CThirdStepDlg()
    : CBaseDlg(IDD_THIRD_STEP_DLG, nullptr),
      m_pJob(new ExtractJob())
{
    m_nBkImageID = IDP_PAGE_BK;
}

CThirdStepDlg::~CThirdStepDlg()
{
    // The worker reads the job until it ends: one still running after the
    // bound keeps it (the process is ending; the next start undoes the run).
    if (!m_bWorkerLeft)
        StopWorker();
    if (!WaitForWorker(0))
        static_cast<void>(m_pJob.release());
}

bool CThirdStepDlg::WaitForWorker(DWORD nMs)
{
    return !m_pJob->hThread || ::WaitForSingleObject(m_pJob->hThread, nMs) == WAIT_OBJECT_0;
}

bool CThirdStepDlg::StopWorker()
{
    if (WaitForWorker(0))
        return true;
    RequestStop(m_pJob.get());
    m_bWorkerLeft = !WaitForWorker(STOP_WAIT_MS);
    return !m_bWorkerLeft;
}

WPARAM CThirdStepDlg::SettleStoppedWorker(LPARAM* plParam)
{
    MSG msg;
    while (::PeekMessageW(&msg, m_hWnd, WM_INSTALL_NOTIFY, WM_INSTALL_NOTIFY, PM_REMOVE)) {
        if (CarriesNotifyPath(msg.wParam))
            delete[] reinterpret_cast<wchar_t*>(msg.lParam);
    }
    const WPARAM nCode = TakeFinalCode(m_pJob.get(), plParam);
    m_bFinal = true;
    if (nCode == INSTALL_DONE) {
        RegisterMovedInstallation(g_strInstallPath);
        LogSetupStep(L"registration: done (the run was complete before the stop)");
    } else if (nCode == INSTALL_STOPPED) {
        LogSetupStep(L"stopped: the folder is as it was");
    }
    return nCode;
}

void CThirdStepDlg::DoDataExchange(CDataExchange* pDX)
{
    CBaseDlg::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PROGRESS, m_progress);
}

BOOL CThirdStepDlg::OnInitDialog()
{
    CBaseDlg::OnInitDialog();
    OnDpiScaleChanged();

    PlaceControl(m_progress, 38, 180, 340, 6);
    m_progress.ShowWindow(SW_SHOW);
    m_progress.SendMessage(PBM_SETSTEP, 1, 0);
    // No cancel while files are written; a failure enables it again.
    m_btnClose.EnableWindow(FALSE);

    // Not from here: the page is shown after this returns, and showing a
    // window can take seconds (a window manager that answers slowly, or
    // none). The files would be written meanwhile, by a page that cannot be
    // seen or closed.
    PostMessage(WM_START_UNPACKING);
    return TRUE;
}

LRESULT CThirdStepDlg::OnStartUnpacking(WPARAM, LPARAM)
{
    LogSetupStep(L"folder: " + g_strInstallPath);
    // The worker creates the folder, journaled, so that an undone first
    // installation leaves none; without a folder there is nothing to start.
    if (g_strInstallPath.IsEmpty()) {
        OnInstallNotify(INSTALL_ERR_FOLDER, 0);
        return 0;
    }
    LogSetupStep(L"staging the payload");
    if (!m_pfnStartWorker(m_hWnd, g_strInstallPath, m_pJob.get())) {
        OnInstallNotify(INSTALL_ERR_THREAD, 0);
        return 0;
    }
    SetTimer(WORKER_WATCH_TIMER, WORKER_WATCH_MS);
    return 0;
}

void CThirdStepDlg::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent != WORKER_WATCH_TIMER) {
        Default();
        return;
    }
    // The final code is posted before the worker ends: one still missing
    // a moment after the end was never delivered.
    if (!m_bFinal && m_pJob->hThread && WaitForWorker(0)) {
        MSG msg;
        if (!::PeekMessageW(&msg, m_hWnd, WM_INSTALL_NOTIFY, WM_INSTALL_NOTIFY, PM_NOREMOVE))
            TakeMissedFinalCode();
    }
    if (m_bFinal)
        KillTimer(WORKER_WATCH_TIMER);
}

void CThirdStepDlg::TakeMissedFinalCode()
{
    LPARAM lParam = 0;
    const WPARAM nCode = TakeFinalCode(m_pJob.get(), &lParam);
    LogSetupStep(L"the final code never arrived: taken from the worker");
    OnInstallNotify(nCode, lParam);
}

void CThirdStepDlg::OnStopAndClose()
{
    if (m_pJob->hThread && !m_bFinal) {
        LogSetupStep(L"stop: asked by the user");
        const DWORD dwAsked = ::GetTickCount();
        if (StopWorker()) {
            CString strLine;
            strLine.Format(L"stop: the worker ended after %lu ms", static_cast<unsigned long>(::GetTickCount() - dwAsked));
            LogSetupStep(strLine);
            // Its final code is in the queue behind this handler: taken
            // here, so that a run committed before the stop is registered
            // and a failed undo is shown.
            LPARAM lParam = 0;
            const WPARAM nCode = SettleStoppedWorker(&lParam);
            if (nCode != INSTALL_DONE && nCode != INSTALL_STOPPED)
                OnInstallFailed(nCode, lParam);
        } else {
            LogSetupStep(L"stop: the worker did not end in time; the next start undoes its run");
        }
    }
    PostQuitToMainWnd();
}

void CThirdStepDlg::OnDestroy()
{
    // Stopped while its reports can still reach the window; no box now.
    if (m_pJob->hThread && !m_bFinal) {
        LogSetupStep(L"stop: the installer is ending");
        if (StopWorker()) {
            LPARAM lParam = 0;
            const WPARAM nCode = SettleStoppedWorker(&lParam);
            if (CarriesNotifyPath(nCode))
                delete[] reinterpret_cast<wchar_t*>(lParam);
            if (nCode != INSTALL_DONE && nCode != INSTALL_STOPPED) {
                CString strLine;
                strLine.Format(L"failed: extraction code %u", static_cast<unsigned>(nCode));
                LogSetupStep(strLine);
            }
        } else {
            LogSetupStep(L"stop: the worker did not end in time; the next start undoes its run");
        }
    }
    CBaseDlg::OnDestroy();
}

void CThirdStepDlg::OnDpiScaleChanged()
{
    m_pFontTitle = CreatePageFont(L"宋体", m_dpi.ScaleF(14));
    m_pFontNumber = CreatePageFont(L"宋体", m_dpi.ScaleF(96));
    m_pFontPercent = CreatePageFont(L"宋体", m_dpi.ScaleF(30));
}

void CThirdStepDlg::DrawPageContent(CDC& dcMem)
{
    Gdiplus::Graphics graphics(dcMem.GetSafeHdc());
    Gdiplus::SolidBrush brushTitle{Gdiplus::Color(CLR_TITLE)};
    Gdiplus::SolidBrush brushNumber{Gdiplus::Color(CLR_NUMBER)};
    graphics.DrawString(L"正在安装Vellomar", -1, m_pFontTitle.get(), m_dpi.ScaleRectF(30, 25, 0, 0), nullptr, &brushTitle);
    // Right-aligned: the number ends at x = 260 whatever its digits.
    Gdiplus::StringFormat formatNumber;
    formatNumber.SetAlignment(Gdiplus::StringAlignmentFar);
    graphics.DrawString(static_cast<LPCWSTR>(m_strPercent), -1, m_pFontNumber.get(), m_dpi.ScaleRectF(260, 60, 0, 0),
                        &formatNumber, &brushNumber);
    graphics.DrawString(L"%", -1, m_pFontPercent.get(), m_dpi.ScaleRectF(260, 110, 0, 0), nullptr, &brushNumber);
}

LRESULT CThirdStepDlg::OnInstallNotify(WPARAM wParam, LPARAM lParam)
{
    switch (wParam) {
    case INSTALL_PROGRESS:
        m_strPercent.Format(L"%d", static_cast<int>(lParam));
        m_progress.SendMessage(PBM_SETPOS, static_cast<WPARAM>(lParam), 0);
        {
            const CRect rcNumber = m_dpi.ScaleRect(RC_NUMBER);
            InvalidateRect(&rcNumber, FALSE);
        }
        break;
    case INSTALL_DONE:
        m_bFinal = true;
        OnInstallDone();
        break;
    default:
        m_bFinal = true;
        OnInstallFailed(wParam, lParam);
        break;
    }
    return 0;
}

void CThirdStepDlg::OnInstallDone()
{
    LogSetupStep(L"extraction: done");
    RegisterMovedInstallation(g_strInstallPath);
    LogSetupStep(L"registration: done");

    m_strPercent.Format(L"%d", FULL_PERCENT);
    m_progress.SendMessage(PBM_SETPOS, FULL_PERCENT, 0);
    InvalidateRect(nullptr, FALSE);
    ShowWindow(SW_HIDE);

    if (!g_pFourthStepDlg) {
        CFourthStepDlg& finish = GetWizardPages().Adopt(std::make_unique<CFourthStepDlg>(), g_pFourthStepDlg);
        finish.Create(IDD_FOURTH_STEP_DLG, nullptr);
        ShowInPlaceOf(finish, *this);
    }
}

void CThirdStepDlg::OnInstallFailed(WPARAM nCode, LPARAM lParam)
{
    // The failing file's path comes with codes 5, 6 and 13 and is ours to free.
    std::unique_ptr<wchar_t[]> pPath;
    if (CarriesNotifyPath(nCode))
        pPath.reset(reinterpret_cast<wchar_t*>(lParam));
    const CString strText = GetInstallFailureText(nCode, pPath.get());
    if (strText.IsEmpty())
        return;
    CString strLine;
    strLine.Format(L"failed: extraction code %u, %s", static_cast<unsigned>(nCode),
                   static_cast<LPCWSTR>(pPath ? CString(pPath.get()) : g_strInstallPath));
    LogSetupStep(strLine);

    // The worker has stopped for good: the user may leave now.
    m_btnClose.EnableWindow(TRUE);
    CMessageBoxDlg box(this);
    box.m_strFirstText = L"退出";
    box.m_strSecondText = L"确定";
    box.m_nIconID = IDP_ICON_ALERT;
    box.m_strMessage = strText;
    box.DoModal();
    if (box.m_nResult == MB_RESULT_FIRST)
        PostQuitToMainWnd();
}
