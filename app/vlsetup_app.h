// vlsetup_app.h: CVLSetupApp, the installer process: libraries, the
// running-instance guard, the first page and the program's own message loop.
// InitInstance carries out the whole installer and always returns FALSE, so
// the framework's loop is never entered; ExitInstance makes the exit code 0.
// A second installer started while one runs shows that one and ends.
#pragma once
#include "afx/afxwin.h"
#include "app/single_instance.h"

class CVLSetupApp : public CWinApp
{
public:
    CVLSetupApp();
    ~CVLSetupApp() override;

    BOOL InitInstance() override;
    int ExitInstance() override;

    DECLARE_MESSAGE_MAP()

private:
    ULONG_PTR m_gdiplusToken = 0;     // the second GDI+ start, released by ExitInstance; 0 when none
    bool m_bComStarted = false;       // CoInitialize succeeded: ExitInstance undoes it
    CInstallerInstance m_instance;    // held while this installer runs
};

extern CVLSetupApp theApp;
