#include "app/vlsetup_app.h"

#include <commctrl.h>
#include <gdiplus.h>
#include <objbase.h>

#include "app/running_guard.h"
#include "app/silent_setup.h"
#include "engine/extract.h"
#include "engine/install_journal.h"
#include "engine/product.h"
#include "payload/uninstall/installation_removal.h"
#include "skin/wnd_shadow.h"
#include "wizard/first_step_dlg.h"
#include "wizard/install_rules.h"
#include "wizard/message_box_dlg.h"

namespace {

constexpr wchar_t BAD_ARGUMENTS_MESSAGE_FORMAT[] =
    L"无法识别的命令行参数:\r\n%s\r\n\r\n用法: VLSetup.exe [/S] [/LOG=文件] [/D=路径]";
constexpr wchar_t LOG_NOT_OPENED_MESSAGE_FORMAT[] = L"无法创建日志文件:\r\n%s";
constexpr wchar_t RECOVERY_FAILED_MESSAGE_FORMAT[] =
    L"无法恢复上次中断的安装，该文件未能还原:\r\n%s\r\n\r\n请关闭占用该文件的程序后重新运行安装程序。";
constexpr wchar_t PROFILE_REGISTRY_KEY[] = L"应用程序向导生成的本地应用程序";

// The installer never shuts the system down; the privilege is only held.
void EnableShutdownPrivilege()
{
    HANDLE hToken = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &hToken))
        return;
    TOKEN_PRIVILEGES tp = {};
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (::LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &tp.Privileges[0].Luid))
        ::AdjustTokenPrivileges(hToken, FALSE, &tp, 0, nullptr, nullptr);
    ::CloseHandle(hToken);
}

}  // namespace

BEGIN_MESSAGE_MAP(CVLSetupApp, CWinApp)
END_MESSAGE_MAP()

CVLSetupApp::CVLSetupApp() = default;

CVLSetupApp::~CVLSetupApp() = default;

BOOL CVLSetupApp::InitInstance()
{
    const SetupArgs args = ParseSetupArgs(m_lpCmdLine ? m_lpCmdLine : L"");
    if (!StartFromCommandLine(args))
        return FALSE;

    if (!m_instance.Claim()) {
        DeferToRunningInstaller();
        return FALSE;
    }
    // No other installer runs now: a staged archive still there was left by
    // one that was killed, and so was a run still open: undone before
    // anything else, so that no page sees a half-written folder.
    RemoveLeftStagedArchives();
    std::wstring strNotUndone;
    const bool bRecovered = RecoverInterruptedInstall(GetProductKeyName().str(), &strNotUndone);

    INITCOMMONCONTROLSEX icc = {};
    icc.dwSize = sizeof(icc);
    icc.dwICC = ICC_WIN95_CLASSES;
    ::InitCommonControlsEx(&icc);

    // A second GDI+ start, the application's own: ExitInstance releases it,
    // while the process-wide one (main.cpp) stays for the static objects.
    // Without it no page has a picture: end before any window shows.
    Gdiplus::GdiplusStartupInput gdiplusInput;
    if (Gdiplus::GdiplusStartup(&m_gdiplusToken, &gdiplusInput, nullptr) != Gdiplus::Ok) {
        m_gdiplusToken = 0;
        return FALSE;
    }
    CWndShadow::InitShadowSupport(m_hInstance);
    AfxInitRichEdit();
    EnableShutdownPrivilege();

    if (!args.strError.IsEmpty()) {
        ShowCommandLineProblem(BAD_ARGUMENTS_MESSAGE_FORMAT, args.strError);
        m_nExitCode = SETUP_EXIT_BAD_ARGUMENTS;
        return FALSE;
    }
    if (!args.strLogFile.IsEmpty() && !m_log.IsOpen()) {
        ShowCommandLineProblem(LOG_NOT_OPENED_MESSAGE_FORMAT, args.strLogFile);
        m_nExitCode = SETUP_EXIT_LOG_NOT_OPENED;
        return FALSE;
    }
    // The journal stays for the next start; installing over a folder that is
    // still half the old run's would mix the two.
    if (!bRecovered) {
        ShowCommandLineProblem(RECOVERY_FAILED_MESSAGE_FORMAT, strNotUndone.c_str());
        return FALSE;
    }

    if (!PassRunningAppGuardAsking(nullptr))
        return FALSE;

    // COM serves the links and the folder dialog, which do without it (each
    // link is skipped): the installation goes on, and only a start is undone.
    m_bComStarted = SUCCEEDED(::CoInitialize(nullptr));
    CWinApp::InitInstance();
    SetRegistryKey(PROFILE_REGISTRY_KEY);

    CFirstStepDlg& first = GetWizardPages().Adopt(std::make_unique<CFirstStepDlg>(), g_pFirstStepDlg);
    // The application may have been started since: asked again before installing.
    first.m_fnMayInstall = [](CWnd* pPage) { return PassRunningAppGuardAsking(pPage); };
    first.Create(IDD_FIRST_STEP_DLG, nullptr);
    first.ShowWindow(SW_SHOW);

    // Our own loop: the pages end it by posting WM_QUIT; -1 goes on as well.
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0)) {
        if (!AfxPreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return FALSE;
}

int CVLSetupApp::ExitInstance()
{
    // The pages and their threads end while COM and GDI+ still serve them.
    GetWizardPages().End();
    // A previous installation still being removed after a move goes first.
    FinishRemovingPreviousInstallation();
    if (m_bComStarted)
        ::CoUninitialize();
    if (m_gdiplusToken)
        Gdiplus::GdiplusShutdown(m_gdiplusToken);
    SetSetupLog(nullptr);
    return m_nExitCode;
}

BOOL CVLSetupApp::StartFromCommandLine(const SetupArgs& args)
{
    if (!args.strLogFile.IsEmpty() && m_log.Open(args.strLogFile))
        SetSetupLog(&m_log);
    if (!args.bSilent) {
        LogSetupStep(L"mode: wizard");
        return TRUE;
    }
    // No window at all from here on: a problem is an exit code.
    if (!args.strLogFile.IsEmpty() && !m_log.IsOpen())
        m_nExitCode = SETUP_EXIT_LOG_NOT_OPENED;
    else
        m_nExitCode = RunSilentSetup(args, m_instance);
    return FALSE;
}

void CVLSetupApp::ShowCommandLineProblem(LPCWSTR pszFormat, const CString& strProblem)
{
    CString strMessage;
    strMessage.Format(pszFormat, static_cast<LPCWSTR>(strProblem));
    LogSetupStep(L"failed: " + strMessage);
    // The box wraps at word breaks only: a long path is shortened there.
    strMessage.Format(pszFormat, static_cast<LPCWSTR>(CompactPath(strProblem)));
    CMessageBoxDlg box;
    // Either button ends the installer: there is nothing to retry.
    box.m_strFirstText = L"退出";
    box.m_strSecondText = L"确定";
    box.m_nIconID = IDP_ICON_ALERT;
    box.m_strMessage = strMessage;
    box.DoModal();
}
