// install_state.h: helpers for tests that touch what an installation leaves
// in the test prefix: the product's registry keys, shell folders, temporary
// install folders, and the Windows version the engine believes it runs on;
// CInstallSandbox puts them together for the install, registration and
// uninstall tests.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <map>
#include <string>
#include <vector>
#include "afx/afxstr.h"

// Plays a Windows version for GetOSVersionCode while in scope. A major
// version of 0 plays a failing version query.
class CScopedOSVersion
{
public:
    CScopedOSVersion(DWORD dwMajor, DWORD dwMinor);
    ~CScopedOSVersion();
    CScopedOSVersion(const CScopedOSVersion&) = delete;
    CScopedOSVersion& operator=(const CScopedOSVersion&) = delete;
};

// Removes HKLM\Software\Vellomar and the uninstall entry.
void DeleteProductKeys();

// Reads a value of HKEY_LOCAL_MACHINE; bFound false when it is missing.
struct CRegValue
{
    bool bFound = false;
    DWORD dwType = REG_NONE;
    std::wstring strData;   // the bytes as wide characters, NUL included when stored
};
CRegValue ReadMachineValue(const CString& strKey, LPCWSTR pszName);

// Writes raw bytes as a value of HKEY_LOCAL_MACHINE (creating the key).
void WriteMachineValue(const CString& strKey, LPCWSTR pszName, DWORD dwType, const void* pData, DWORD cbData);

// A fresh folder "vl-<pid> <name>" in the temporary folder, removed with its
// content on destruction. Path() ends without a backslash.
class CTempFolder
{
public:
    explicit CTempFolder(LPCWSTR pszName);
    ~CTempFolder();
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;
    const CString& Path() const { return m_strPath; }

private:
    CString m_strPath;
};

// Points one of the user's shell folders (its "User Shell Folders" value
// name, such as SHELL_FOLDER_DESKTOP) at strFolder while in scope. The
// prefix's own desktop may be a link into the Linux home, which tests must
// never write to.
constexpr const wchar_t SHELL_FOLDER_DESKTOP[] = L"Desktop";
constexpr const wchar_t SHELL_FOLDER_START_MENU[] = L"Start Menu";

class CScopedShellFolder
{
public:
    CScopedShellFolder(LPCWSTR pszValueName, const CString& strFolder);
    ~CScopedShellFolder();
    CScopedShellFolder(const CScopedShellFolder&) = delete;
    CScopedShellFolder& operator=(const CScopedShellFolder&) = delete;

private:
    std::wstring m_strValueName;
    bool m_bHadValue = false;
    DWORD m_dwType = REG_EXPAND_SZ;
    std::wstring m_strOldValue;
};

// True unless running under Wine with its menu builder enabled: that helper
// mirrors every saved shell link into the Linux desktop and menus.
bool ShellLinksStayInPrefix();

void RemoveTree(const CString& strPath);

// Every file and folder below strRoot (ending with a backslash), relative,
// folders with a trailing backslash and "<dir>", files with their bytes.
std::map<std::wstring, std::string> Snapshot(const std::wstring& strRoot, const std::wstring& strRelative = L"");
bool FileExists(const CString& strPath);
bool FolderExists(const CString& strPath);

// How long one run of the worker may take in a test.
constexpr DWORD EXTRACTION_TIME_LIMIT_MS = 60000;
constexpr WPARAM NO_CODE = static_cast<WPARAM>(-1);

// How a test runs the worker.
struct CExtractOptions
{
    bool bStop = false;                             // a stop asked for before the worker starts
    UINT32 nStopAfterFiles = 0xFFFFFFFF;            // ExtractJob::nStopAfterFiles
    std::wstring strPendingKey;                     // ExtractJob::strPendingKey
    BOOL (WINAPI* pfnPostFinal)(HWND, UINT, WPARAM, LPARAM) = nullptr;   // null: PostMessageW
};

// What one run of the worker reported.
struct CExtractRun
{
    std::vector<LPARAM> progress;   // percents, in posting order
    WPARAM nFinal = NO_CODE;        // NO_CODE: none within the time limit
    bool bPathBuffer = false;       // codes 5, 6 and 13: lParam carried a buffer
    std::wstring strPath;           // its text
    int nAfterFinal = 0;            // notifications after the final code
    bool bFinalFromJob = false;     // no final code came: it was taken from the ended worker's job
    std::wstring strArchivePath;
};

// Runs StartExtraction (the resource module's payload) on a message-only
// window and pumps until the final code or the worker's end, then waits for
// the worker and counts anything posted after. A worker still running after
// the time limit fails the test; its job is then left to it, never freed
// under it.
CExtractRun RunExtraction(const std::wstring& strAppDir, const std::wstring& strDataDir,
                         const CExtractOptions& options = CExtractOptions());

// RunExtraction into strDir for both trees; returns the final code, or -1
// when none came in time.
int ExtractPayload(const CString& strDir);

// The fixture of every test that installs, registers or uninstalls: COM for
// the shell links, the user's desktop and start menu pointed at temporary
// folders, the product's links and registry keys removed before and after
// each test, g_strInstallPath restored. Tests run through CTest, which
// switches Wine's menu builder off. A derived SetUp calls this one first:
//   ASSERT_NO_FATAL_FAILURE(CInstallSandbox::SetUp());
class CInstallSandbox : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the Quick Launch folder where the prefix lacks it (the systems
    // that show it have it); what this creates goes after the test.
    void ProvideQuickLaunchFolder();

    // Installs into strDir (no trailing backslash) the way the progress page
    // does: the payload unpacked, then RegisterInstallation; asserts that
    // the programs, every link and the uninstall entry are there.
    void Install(const CString& strDir);

    // Removes every link the installation creates, the program group and
    // the product's keys.
    static void RemoveRegistration();

    CTempFolder m_desktop{ L"desktop" };
    CScopedShellFolder m_redirectDesktop{ SHELL_FOLDER_DESKTOP, m_desktop.Path() };
    CTempFolder m_startMenu{ L"start menu" };
    CScopedShellFolder m_redirectStartMenu{ SHELL_FOLDER_START_MENU, m_startMenu.Path() };
    CTempFolder m_install{ L"install here" };

private:
    CString m_strSavedInstallPath;
    std::vector<CString> m_createdFolders;   // innermost first
    bool m_bComInitialised = false;
};
