// vlsetup_app.h: CVLSetupApp, the installer process: libraries, the
// running-instance guard, the first page and the program's own message loop.
// InitInstance carries out the whole installer and always returns FALSE, so
// the framework's loop is never entered; ExitInstance gives the exit code
// (app/silent_setup.h): 0 for the wizard, whatever its end. With /S the
// installation runs without a window (RunSilentSetup). A second installer
// started while one runs shows that one and ends.
#pragma once
#include "afx/afxwin.h"
#include "app/setup_args.h"
#include "app/single_instance.h"
#include "engine/setup_log.h"

class CVLSetupApp : public CWinApp
{
public:
    CVLSetupApp();
    ~CVLSetupApp() override;

    BOOL InitInstance() override;
    int ExitInstance() override;

    DECLARE_MESSAGE_MAP()

private:
    // The command line's share of the start-up: opens the log, runs a silent
    // installation. FALSE when the start-up ends here (m_nExitCode set).
    BOOL StartFromCommandLine(const SetupArgs& args);
    // The box an interactive run shows for a command line it cannot follow.
    void ShowCommandLineProblem(LPCWSTR pszFormat, const CString& strProblem);

    ULONG_PTR m_gdiplusToken = 0;     // the second GDI+ start, released by ExitInstance; 0 when none
    bool m_bComStarted = false;       // CoInitialize succeeded: ExitInstance undoes it
    CInstallerInstance m_instance;    // held while this installer runs
    CSetupLog m_log;                  // /LOG's file; published while the installer runs
    int m_nExitCode = 0;
};

extern CVLSetupApp theApp;
