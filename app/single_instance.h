// single_instance.h: one installer at a time. Two installers writing one
// folder at once would corrupt the installation, so the first one holds a
// named mutex in the session's Local\ namespace and publishes its process id
// beside it; a later one finds that installer's window, brings it to the
// front and ends without a wizard of its own.
#pragma once
#include <windows.h>

constexpr wchar_t INSTALLER_MUTEX_NAME[] = L"Local\\Vellomar.Setup";
constexpr wchar_t INSTALLER_OWNER_NAME[] = L"Local\\Vellomar.Setup.Owner";
// How long a second installer looks for the first one's window: the first may
// have just started and not be showing anything yet.
constexpr DWORD INSTALLER_WINDOW_WAIT_MS = 5000;
constexpr DWORD INSTALLER_WINDOW_POLL_MS = 100;

class CInstallerInstance
{
public:
    CInstallerInstance() = default;
    ~CInstallerInstance();
    CInstallerInstance(const CInstallerInstance&) = delete;
    CInstallerInstance& operator=(const CInstallerInstance&) = delete;

    // TRUE when no other holder of the names exists: this object now holds
    // them until it is destroyed. FALSE when another one holds them (or the
    // mutex cannot be created: then going on could not be made safe).
    bool Claim(LPCWSTR pszMutexName = INSTALLER_MUTEX_NAME, LPCWSTR pszOwnerName = INSTALLER_OWNER_NAME);

private:
    HANDLE m_hMutex = nullptr;   // owned
    HANDLE m_hOwner = nullptr;   // owned: the mapping that holds the process id
};

// The process id the holder of pszOwnerName published; 0 when none (yet).
DWORD ReadInstallerOwner(LPCWSTR pszOwnerName = INSTALLER_OWNER_NAME);

// The window of process dwPid the user should see: the front-most visible
// and enabled dialog (a modal box before the page it disables), else the
// front-most visible one; null when there is none.
HWND FindInstallerWindow(DWORD dwPid);

// Restores hWnd when it is minimised and makes it the foreground window.
void BringInstallerToFront(HWND hWnd);

// What a second installer does: waits a moment for the first one's window,
// brings it to the front. Returns whether a window was found.
bool DeferToRunningInstaller(LPCWSTR pszOwnerName = INSTALLER_OWNER_NAME);
