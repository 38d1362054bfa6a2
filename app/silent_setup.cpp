#include "app/silent_setup.h"

#include <objbase.h>
#include <memory>

#include "app/running_app.h"
#include "engine/extract.h"
#include "engine/install_journal.h"
#include "engine/install_location.h"
#include "engine/install_path.h"
#include "engine/product.h"
#include "engine/registration.h"
#include "engine/setup_log.h"
#include "engine/space_text.h"
#include "net/install_report.h"
#include "payload/uninstall/installation_removal.h"
#include "wizard/install_rules.h"

namespace {

constexpr wchar_t NOTIFY_WND_CLASS[] = L"vlsetup_silent_notify_wnd";
constexpr UINT NO_FINAL_CODE = 0xFFFFFFFF;

// Extraction failures and the exit codes they end a run with.
constexpr struct { WPARAM nInstallCode; int nExitCode; } INSTALL_EXIT_CODES[] = {
    { INSTALL_ERR_STAGE, 12 },
    { INSTALL_ERR_OPEN, 13 },
    { INSTALL_ERR_ARCHIVE, 14 },
    { INSTALL_ERR_CREATE, 15 },
    { INSTALL_ERR_WRITE, 16 },
    { INSTALL_ERR_CLOSE, 17 },
    { INSTALL_ERR_NOMEM, 18 },
    { INSTALL_ERR_DECODE, 19 },
    { INSTALL_STOPPED, 20 },
    { INSTALL_ERR_FOLDER, SETUP_EXIT_FOLDER_NOT_MADE },
    { INSTALL_ERR_THREAD, 22 },
    { INSTALL_ERR_ROLLBACK, 23 },
    { INSTALL_ERR_JOURNAL, 24 },
};

// Exit code of a start whose undo of a killed run failed (its path is logged).
constexpr int SETUP_EXIT_RECOVERY_FAILED = 23;

void Log(LPCWSTR pszFormat, const CString& strArg)
{
    CString strLine;
    strLine.Format(pszFormat, static_cast<LPCWSTR>(strArg));
    LogSetupStep(strLine);
}

int Fail(int nExitCode, const CString& strWhat)
{
    CString strLine;
    strLine.Format(L"failed with exit code %d: %s", nExitCode, static_cast<LPCWSTR>(strWhat));
    LogSetupStep(strLine);
    return nExitCode;
}

// The extraction's final code, kept by the message-only window that
// receives it; progress is logged per ten percent.
struct CExtractOutcome
{
    UINT nCode = NO_FINAL_CODE;
    CString strPath;    // the failing file of codes 5 and 6
    LPARAM nLoggedPercent = -1;
};

LRESULT CALLBACK NotifyWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    if (nMsg != WM_INSTALL_NOTIFY)
        return ::DefWindowProcW(hWnd, nMsg, wParam, lParam);
    auto* pOutcome = reinterpret_cast<CExtractOutcome*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (CarriesNotifyPath(wParam)) {
        // The path buffer is ours to free, whoever reads it.
        std::unique_ptr<wchar_t[]> pPath(reinterpret_cast<wchar_t*>(lParam));
        if (pOutcome && pPath)
            pOutcome->strPath = pPath.get();
    }
    if (!pOutcome)
        return 0;
    if (wParam == INSTALL_PROGRESS) {
        if (lParam / 10 > pOutcome->nLoggedPercent / 10) {
            pOutcome->nLoggedPercent = lParam;
            CString strLine;
            strLine.Format(L"progress %d%%", static_cast<int>(lParam));
            LogSetupStep(strLine);
        }
    } else if (pOutcome->nCode == NO_FINAL_CODE) {
        pOutcome->nCode = static_cast<UINT>(wParam);
    }
    return 0;
}

// The message-only window the extraction reports to; destroyed with the object.
class CNotifyWindow
{
public:
    explicit CNotifyWindow(CExtractOutcome* pOutcome)
    {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = NotifyWndProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = NOTIFY_WND_CLASS;
        ::RegisterClassExW(&wc);
        m_hWnd = ::CreateWindowExW(0, NOTIFY_WND_CLASS, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                                   nullptr);
        if (m_hWnd)
            ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pOutcome));
    }
    ~CNotifyWindow()
    {
        if (m_hWnd)
            ::DestroyWindow(m_hWnd);
    }
    CNotifyWindow(const CNotifyWindow&) = delete;
    CNotifyWindow& operator=(const CNotifyWindow&) = delete;

    HWND Get() const { return m_hWnd; }

private:
    HWND m_hWnd = nullptr;
};

// The report, waited for: the outcome is logged, never the run's exit code
// (the installation is complete whatever the server says).
class CReportWaiter : public CHttpRequestManager
{
public:
    void OnRequestComplete(CHttpRequest* pRequest) override
    {
        const int nStatus = pRequest->GetResponse().m_nStatusCode;
        if (nStatus == 0) {
            m_strOutcome = L"report: not delivered (no answer from the server)";
            return;
        }
        CString strLine;
        strLine.Format(L"report: answered with HTTP status %d", nStatus);
        m_strOutcome = strLine;
    }
    void OnRequestTimeout(CHttpRequest*) override { m_strOutcome = L"report: no answer in time"; }

    CString m_strOutcome;   // empty while waiting
};

void SendReport(const CString& strDir)
{
    CReportWaiter waiter;
    CHttpRequestParam param = BuildInstallReport(GetAppVerCode(strDir.str()), GetMacAddress());
    param.m_nTimeout = static_cast<int>(SILENT_REPORT_WAIT_MS);
    waiter.AddRequest(param);
    const DWORD dwStart = ::GetTickCount();
    while (waiter.m_strOutcome.IsEmpty() && ::GetTickCount() - dwStart < SILENT_REPORT_WAIT_MS) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&msg);
    }
    LogSetupStep(waiter.m_strOutcome.IsEmpty() ? CString(L"report: no answer in time") : waiter.m_strOutcome);
}

// Unpacks into strDir, reporting to a message-only window; returns the
// extraction's final code (or NO_FINAL_CODE when it could not start).
CExtractOutcome Extract(const CString& strDir)
{
    CExtractOutcome outcome;
    CNotifyWindow wnd(&outcome);
    if (!wnd.Get())
        return outcome;
    // The job outlives the worker: it is freed only after the worker ended.
    std::unique_ptr<ExtractJob> pJob(new ExtractJob());
    LogSetupStep(L"staging the payload");
    if (!StartExtraction(wnd.Get(), strDir.str(), strDir.str(), pJob.get(), GetProductKeyName().str())) {
        outcome.nCode = INSTALL_ERR_THREAD;
        return outcome;
    }
    // Until the final code, or the worker's end without one (its post failed).
    MSG msg;
    bool bEnded = false;
    while (outcome.nCode == NO_FINAL_CODE && !bEnded) {
        const HANDLE hThread = pJob->hThread;
        bEnded = ::MsgWaitForMultipleObjects(1, &hThread, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&msg);
    }
    ::WaitForSingleObject(pJob->hThread, INFINITE);
    // Reports posted after the final one (none are) would find no window.
    while (::PeekMessageW(&msg, wnd.Get(), 0, 0, PM_REMOVE))
        ::DispatchMessageW(&msg);
    if (outcome.nCode == NO_FINAL_CODE) {
        LPARAM lParam = 0;
        outcome.nCode = static_cast<UINT>(TakeFinalCode(pJob.get(), &lParam));
        std::unique_ptr<wchar_t[]> pPath(reinterpret_cast<wchar_t*>(lParam));
        if (pPath)
            outcome.strPath = pPath.get();
    }
    return outcome;
}

int InstallInto(const CString& strDir)
{
    const LONGLONG nFree = QueryFreeBytes(strDir);
    CString strLine;
    strLine.Format(L"space: %I64d bytes free, %I64u needed", nFree, REQUIRED_FREE_BYTES);
    LogSetupStep(strLine);
    if (!IsEnoughSpace(nFree))
        return Fail(SETUP_EXIT_NO_SPACE, strDir);
    // Asked again at the last moment: it may have been started since the run began.
    if (IsAppRunning())
        return Fail(SETUP_EXIT_APP_RUNNING, APP_EXE_NAME);

    // The worker creates the folder, journaled: an undone run leaves none.
    const CExtractOutcome outcome = Extract(strDir);
    if (outcome.nCode == NO_FINAL_CODE)
        return Fail(SETUP_EXIT_NO_NOTIFY_WINDOW, strDir);
    if (outcome.nCode != INSTALL_DONE) {
        CString strWhat;
        strWhat.Format(L"extraction code %u, %s", outcome.nCode,
                       static_cast<LPCWSTR>(outcome.strPath.IsEmpty() ? strDir : outcome.strPath));
        return Fail(ExitCodeForInstallCode(outcome.nCode), strWhat);
    }
    LogSetupStep(L"extraction: done");

    RegisterMovedInstallation(strDir);
    LogSetupStep(L"registration: done");
    SendReport(strDir);
    return SETUP_EXIT_OK;
}

} // namespace

int ExitCodeForInstallCode(WPARAM nCode)
{
    if (nCode == INSTALL_DONE)
        return SETUP_EXIT_OK;
    for (const auto& entry : INSTALL_EXIT_CODES) {
        if (entry.nInstallCode == nCode)
            return entry.nExitCode;
    }
    return SETUP_EXIT_INSTALL_FAILED;
}

LONGLONG QueryFreeBytes(const CString& strFolder)
{
    // The first page's query, so both refuse the same drives.
    LONGLONG nFree = -1;
    QueryDriveFreeBytes(strFolder, nFree);
    return nFree;
}

int RunSilentSetup(const SetupArgs& args, CInstallerInstance& instance)
{
    LogSetupStep(L"mode: silent");
    if (!args.strError.IsEmpty())
        return Fail(SETUP_EXIT_BAD_ARGUMENTS, args.strError);
    if (!instance.Claim())
        return Fail(SETUP_EXIT_SETUP_RUNNING, L"another installer runs");
    // As the wizard does: a staged archive still there was left by a killed
    // installer, and a run it left open is undone before anything else.
    RemoveLeftStagedArchives();
    std::wstring strNotUndone;
    if (!RecoverInterruptedInstall(GetProductKeyName().str(), &strNotUndone))
        return Fail(SETUP_EXIT_RECOVERY_FAILED, CString(L"undoing an interrupted installation failed at ") + strNotUndone.c_str());
    if (IsAppRunning())
        return Fail(SETUP_EXIT_APP_RUNNING, APP_EXE_NAME);

    // A drive root stands for the product's folder on it, as on the first page.
    const CString strChosen =
        ComposeTypedFolder(args.strInstallDir.IsEmpty() ? GetDefaultInstallDir() : args.strInstallDir);
    const InstallPathCheck check = CheckInstallPathOnDisk(strChosen);
    if (check.problem != InstallPathProblem::None) {
        CString strWhat;
        strWhat.Format(L"folder %s refused (%s)", static_cast<LPCWSTR>(strChosen),
                       static_cast<LPCWSTR>(GetPathProblemText(check)));
        return Fail(SETUP_EXIT_BAD_FOLDER, strWhat);
    }
    const CString strDir = NormalizeInstallPath(strChosen);
    Log(L"folder: %s", strDir);
    // Nobody is there to agree to writing among someone else's files.
    if (ClassifyInstallFolderOnDisk(strDir) == FolderOccupant::Foreign)
        return Fail(SETUP_EXIT_FOLDER_OCCUPIED, L"folder holds other files: " + strDir);
    // The rest of the program reads the folder from here (the report, the pages' code).
    g_strInstallPath = strDir;

    const HRESULT hrCom = ::CoInitialize(nullptr);
    const int nExit = InstallInto(strDir);
    if (SUCCEEDED(hrCom))
        ::CoUninitialize();
    if (nExit == SETUP_EXIT_OK)
        LogSetupStep(L"finished: exit code 0");
    return nExit;
}
