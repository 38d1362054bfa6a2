#include "app/single_instance.h"

namespace {

struct FindWindowState
{
    DWORD dwPid;
    HWND hEnabled;   // not owned
    HWND hVisible;   // not owned
};

BOOL CALLBACK FindVisibleDialog(HWND hWnd, LPARAM lParam)
{
    FindWindowState& state = *reinterpret_cast<FindWindowState*>(lParam);
    DWORD dwPid = 0;
    ::GetWindowThreadProcessId(hWnd, &dwPid);
    if (dwPid != state.dwPid || !::IsWindowVisible(hWnd))
        return TRUE;
    // Only the dialogs: the shadows beside them are windows of their own.
    wchar_t szClass[16] = {};
    if (!::GetClassNameW(hWnd, szClass, ARRAYSIZE(szClass)) || wcscmp(szClass, L"#32770") != 0)
        return TRUE;
    if (!state.hVisible)
        state.hVisible = hWnd;
    if (::IsWindowEnabled(hWnd)) {
        state.hEnabled = hWnd;
        return FALSE;   // windows come front to back: this is the one
    }
    return TRUE;
}

}  // namespace

CInstallerInstance::~CInstallerInstance()
{
    if (m_hOwner) {
        ::CloseHandle(m_hOwner);
        m_hOwner = nullptr;
    }
    if (m_hMutex) {
        ::CloseHandle(m_hMutex);
        m_hMutex = nullptr;
    }
}

bool CInstallerInstance::Claim(LPCWSTR pszMutexName, LPCWSTR pszOwnerName)
{
    if (m_hMutex)
        return true;
    HANDLE hMutex = ::CreateMutexW(nullptr, FALSE, pszMutexName);
    if (!hMutex)
        return false;
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(hMutex);
        return false;
    }
    m_hMutex = hMutex;
    m_hOwner = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(DWORD), pszOwnerName);
    if (m_hOwner) {
        if (void* pView = ::MapViewOfFile(m_hOwner, FILE_MAP_WRITE, 0, 0, sizeof(DWORD))) {
            *static_cast<volatile DWORD*>(pView) = ::GetCurrentProcessId();
            ::UnmapViewOfFile(pView);
        }
    }
    return true;
}

DWORD ReadInstallerOwner(LPCWSTR pszOwnerName)
{
    HANDLE hOwner = ::OpenFileMappingW(FILE_MAP_READ, FALSE, pszOwnerName);
    if (!hOwner)
        return 0;
    DWORD dwPid = 0;
    if (const void* pView = ::MapViewOfFile(hOwner, FILE_MAP_READ, 0, 0, sizeof(DWORD))) {
        dwPid = *static_cast<const volatile DWORD*>(pView);
        ::UnmapViewOfFile(pView);
    }
    ::CloseHandle(hOwner);
    return dwPid;
}

HWND FindInstallerWindow(DWORD dwPid)
{
    if (dwPid == 0)
        return nullptr;
    FindWindowState state = {dwPid, nullptr, nullptr};
    ::EnumWindows(FindVisibleDialog, reinterpret_cast<LPARAM>(&state));
    return state.hEnabled ? state.hEnabled : state.hVisible;
}

void BringInstallerToFront(HWND hWnd)
{
    // The installer may have hidden it since it was found (a page handing over).
    if (!::IsWindowVisible(hWnd))
        return;
    if (::IsIconic(hWnd))
        ::ShowWindow(hWnd, SW_RESTORE);
    ::SetForegroundWindow(hWnd);
}

bool DeferToRunningInstaller(LPCWSTR pszOwnerName)
{
    const DWORD dwStart = ::GetTickCount();
    for (;;) {
        if (HWND hWnd = FindInstallerWindow(ReadInstallerOwner(pszOwnerName))) {
            BringInstallerToFront(hWnd);
            return true;
        }
        if (::GetTickCount() - dwStart >= INSTALLER_WINDOW_WAIT_MS)
            return false;
        ::Sleep(INSTALLER_WINDOW_POLL_MS);
    }
}
