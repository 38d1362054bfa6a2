#include "afx/afxapp.h"

#include "afx/afximpl.h"

namespace {

CWinApp* s_pApp = nullptr;   // not owned: the program's one global object
HMODULE s_hRichEdit = nullptr;
HMODULE s_hRichEdit2 = nullptr;

// Messages that do not end idle time (they arrive constantly).
bool IsIdleMessage(const MSG& msg)
{
    return msg.message != WM_PAINT && msg.message != 0x0118;   // WM_SYSTIMER: caret blink
}

BOOL InternalPreTranslateMessage(MSG* pMsg)
{
    if (!pMsg->hwnd)
        return FALSE;   // thread messages have no window to ask
    // Null whenever no window of this thread is active (another program's
    // window has the activation).
    CWnd* pMainWnd = AfxGetMainWnd();
    if (CWnd::WalkPreTranslateTree(SafeHwnd(pMainWnd), pMsg))
        return TRUE;
    if (!pMainWnd)
        return FALSE;
    // A modeless window outside the main window's family: the main window
    // gets the last word (its accelerators), as in the framework.
    CWnd* pWnd = CWnd::FromHandle(pMsg->hwnd);
    if (pWnd && pWnd->GetTopLevelParent() != pMainWnd)
        return pMainWnd->PreTranslateMessage(pMsg);
    return FALSE;
}

BOOL Pump(MSG& msg)
{
    if (!::GetMessageW(&msg, nullptr, 0, 0))
        return FALSE;
    if (!AfxPreTranslateMessage(&msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return TRUE;
}

}  // namespace

// ---- CWinThread ----------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CWinThread, CCmdTarget)

CWinThread::CWinThread() : m_hThread(::GetCurrentThread()), m_nThreadID(::GetCurrentThreadId()) {}

CWinThread::~CWinThread() = default;

CWnd* CWinThread::GetMainWnd()
{
    if (m_pActiveWnd)
        return m_pActiveWnd;
    if (m_pMainWnd)
        return m_pMainWnd;
    return CWnd::GetActiveWindow();
}

BOOL CWinThread::InitInstance()
{
    return FALSE;
}

BOOL CWinThread::PreTranslateMessage(MSG* pMsg)
{
    return InternalPreTranslateMessage(pMsg);
}

BOOL CWinThread::PumpMessage()
{
    return Pump(m_msgCur);
}

BOOL CWinThread::OnIdle(LONG lCount)
{
    // Second idle pass: the temporary wrappers are no longer in use.
    if (lCount == 1)
        AfxDeleteTempMaps();
    return lCount < 1;
}

int CWinThread::Run()
{
    bool bIdle = true;
    LONG lIdleCount = 0;
    for (;;) {
        while (bIdle && !::PeekMessageW(&m_msgCur, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(lIdleCount++))
                bIdle = false;
        }
        do {
            if (!PumpMessage())
                return ExitInstance();
            if (IsIdleMessage(m_msgCur)) {
                bIdle = true;
                lIdleCount = 0;
            }
        } while (::PeekMessageW(&m_msgCur, nullptr, 0, 0, PM_NOREMOVE));
    }
}

int CWinThread::ExitInstance()
{
    return static_cast<int>(m_msgCur.wParam);
}

// ---- CWinApp -------------------------------------------------------------------------

// A program with a CWinApp gets the framework's entry (appmodul.cpp) unless it
// defines its own. The C runtime asks for wWinMain only after the libraries
// have been searched, so this reference pulls it in while they are.
__attribute__((used)) int(WINAPI* const g_pfnAfxEntry)(HINSTANCE, HINSTANCE, LPWSTR, int) = &wWinMain;

IMPLEMENT_DYNAMIC(CWinApp, CWinThread)

CWinApp::CWinApp(LPCWSTR lpszAppName)
{
    if (lpszAppName) {
        m_strAppName = lpszAppName;
        m_pszAppName = m_strAppName;
    }
    m_hInstance = AfxGetInstanceHandle();
    if (!s_pApp)
        s_pApp = this;
}

CWinApp::~CWinApp()
{
    if (s_pApp == this)
        s_pApp = nullptr;
}

BOOL CWinApp::InitApplication()
{
    return TRUE;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::ExitInstance()
{
    return CWinThread::ExitInstance();
}

void CWinApp::SetRegistryKey(LPCWSTR lpszRegistryKey)
{
    m_strRegistryKey = lpszRegistryKey;
    m_pszRegistryKey = m_strRegistryKey;
    m_pszProfileName = m_pszAppName;
}

void CWinApp::SetRegistryKey(UINT nIDRegistryKey)
{
    wchar_t szKey[256] = {};
    ::LoadStringW(AfxGetResourceHandle(), nIDRegistryKey, szKey, 256);
    SetRegistryKey(szKey);
}

// ---- Global functions ---------------------------------------------------------------

CWinApp* AfxGetApp()
{
    return s_pApp;
}

CWinThread* AfxGetThread()
{
    // The application object is the thread object of the thread that built it.
    if (s_pApp && s_pApp->m_nThreadID == ::GetCurrentThreadId())
        return s_pApp;
    // Any other thread (a test without an application object) gets a plain
    // one, so that AfxGetThread()->GetMainWnd() is always safe to write.
    AFX_THREAD_STATE* pState = AfxGetThreadState();
    if (!pState->pThread)
        pState->pThread = new CWinThread;
    return pState->pThread;
}

CWnd* AfxGetMainWnd()
{
    return AfxGetThread()->GetMainWnd();
}

BOOL AfxPreTranslateMessage(MSG* pMsg)
{
    return AfxGetThread()->PreTranslateMessage(pMsg);
}

BOOL AfxPumpMessage()
{
    return AfxGetThread()->PumpMessage();
}

MSG& AfxPumpedMessage()
{
    return AfxGetThread()->m_msgCur;
}

BOOL AfxInitRichEdit2()
{
    // The "RichEdit20W" class comes with this library.
    if (!s_hRichEdit2)
        s_hRichEdit2 = ::LoadLibraryW(L"RICHED20.DLL");
    return s_hRichEdit2 != nullptr;
}

BOOL AfxInitRichEdit()
{
    if (!s_hRichEdit)
        s_hRichEdit = ::LoadLibraryW(L"RICHED32.DLL");
    AfxInitRichEdit2();
    return s_hRichEdit != nullptr;
}

int AfxWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR lpCmdLine, int nCmdShow)
{
    CWinApp* pApp = AfxGetApp();
    if (!pApp)
        return -1;
    pApp->m_hInstance = hInstance;
    pApp->m_lpCmdLine = lpCmdLine;
    pApp->m_nCmdShow = nCmdShow;
    if (!pApp->m_pszAppName) {
        // Without a name of its own the application is called after its file.
        wchar_t szPath[MAX_PATH] = {};
        ::GetModuleFileNameW(hInstance, szPath, MAX_PATH);
        CString strName(szPath);
        strName = strName.Mid(strName.ReverseFind(L'\\') + 1);
        const int nDot = strName.ReverseFind(L'.');
        pApp->m_strAppName = nDot > 0 ? strName.Left(nDot) : strName;
        pApp->m_pszAppName = pApp->m_strAppName;
    }

    if (!pApp->InitApplication())
        return -1;
    if (!pApp->InitInstance()) {
        if (pApp->m_pMainWnd)
            pApp->m_pMainWnd->DestroyWindow();
        return pApp->ExitInstance();
    }
    return pApp->Run();
}
