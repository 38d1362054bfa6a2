// afxapp.h: the application object and the thread's message pump.
//
// A program defines exactly one global object of a CWinApp subclass:
//   class CMyApp : public CWinApp { public: BOOL InitInstance() override; };
//   CMyApp theApp;
// The program entry (afx/appmodul.cpp, wWinMain; link with -municode) then
// calls InitInstance; only when it returns TRUE does it run the framework's
// own loop (Run, which returns ExitInstance's value at WM_QUIT). When it
// returns FALSE, the exit code is ExitInstance's return value.
// A program that runs its own GetMessageW loop should pass each message to
// AfxPreTranslateMessage first: that is what gives windows and dialogs their
// PreTranslateMessage (keyboard handling, IsDialogMessage).
#pragma once
#include "afx/afxmodule.h"
#include "afx/afxwnd.h"

class CWinThread : public CCmdTarget
{
    DECLARE_DYNAMIC(CWinThread)
public:
    CWinThread();
    ~CWinThread() override;

    CWnd* m_pMainWnd = nullptr;     // not owned
    CWnd* m_pActiveWnd = nullptr;   // not owned
    HANDLE m_hThread = nullptr;     // pseudo handle of the thread: not closed
    DWORD m_nThreadID = 0;
    MSG m_msgCur = {};              // the message the pump took last

    // The main window; when none is set, the thread's active window.
    virtual CWnd* GetMainWnd();
    virtual BOOL InitInstance();
    virtual int Run();
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    virtual BOOL PumpMessage();
    virtual BOOL OnIdle(LONG lCount);
    virtual int ExitInstance();
};

class CWinApp : public CWinThread
{
    DECLARE_DYNAMIC(CWinApp)
public:
    explicit CWinApp(LPCWSTR lpszAppName = nullptr);
    ~CWinApp() override;

    HINSTANCE m_hInstance = nullptr;
    LPWSTR m_lpCmdLine = nullptr;       // not owned
    int m_nCmdShow = SW_SHOWNORMAL;
    LPCWSTR m_pszAppName = nullptr;     // points into m_strAppName
    LPCWSTR m_pszRegistryKey = nullptr; // points into m_strRegistryKey
    LPCWSTR m_pszProfileName = nullptr; // points into m_strAppName

    virtual BOOL InitApplication();
    BOOL InitInstance() override;
    int ExitInstance() override;

    // Records the registry key the program's profile would live under.
    void SetRegistryKey(LPCWSTR lpszRegistryKey);
    void SetRegistryKey(UINT nIDRegistryKey);

private:
    friend int AfxWinMain(HINSTANCE, HINSTANCE, LPWSTR, int);
    CString m_strAppName;
    CString m_strRegistryKey;
};

// The application object, or null when the program has none (tests).
CWinApp* AfxGetApp();
// The current thread's object: the application object on the thread that
// built it; on other threads (and without an application object) a plain
// CWinThread of that thread. Never null.
CWinThread* AfxGetThread();
// The main window of the current thread (see CWinThread::GetMainWnd); null
// when there is none.
CWnd* AfxGetMainWnd();
// Offers a message taken from the queue to the windows' PreTranslateMessage.
// TRUE: consumed; do not translate or dispatch it.
BOOL AfxPreTranslateMessage(MSG* pMsg);
// Takes one message and dispatches it (with PreTranslateMessage); FALSE at WM_QUIT.
BOOL AfxPumpMessage();
// Loads the rich-edit libraries: "RICHED32.DLL" and the one that registers
// "RichEdit20W". TRUE when "RICHED32.DLL" is loaded.
BOOL AfxInitRichEdit();
BOOL AfxInitRichEdit2();
// The body of the program entry: runs the application object as described above.
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow);
