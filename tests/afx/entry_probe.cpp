// A program built like the installer: one CWinApp object and the layer's
// program entry. Its exit code tells the test what the entry did:
//   "fail": InitInstance returns FALSE; ExitInstance returns 7.
//   "run":  InitInstance posts WM_QUIT(5) and returns TRUE; Run takes it and
//           ExitInstance adds 100 to the framework's code (5).
// Each call of ExitInstance after the first adds 1000.
#include "afx/afxwin.h"

#include <cwchar>

class CProbeApp : public CWinApp
{
public:
    BOOL InitInstance() override
    {
        if (m_lpCmdLine && wcsstr(m_lpCmdLine, L"run")) {
            ::PostQuitMessage(5);
            return TRUE;
        }
        return FALSE;
    }
    int Run() override
    {
        m_bRan = true;
        return CWinApp::Run();
    }
    int ExitInstance() override
    {
        const int nRepeat = 1000 * m_nExits++;
        return nRepeat + (m_bRan ? CWinApp::ExitInstance() + 100 : 7);
    }

private:
    bool m_bRan = false;
    int m_nExits = 0;
};

CProbeApp theApp;
