#include "tests/engine/install_state.h"

#include <shlobj.h>

#include "engine/extract.h"
#include "engine/install_location.h"
#include "engine/product.h"
#include "engine/registration.h"
#include "tests/support/pump.h"

namespace {

DWORD s_dwFakeMajor = 0;
DWORD s_dwFakeMinor = 0;

BOOL WINAPI FakeGetVersionEx(LPOSVERSIONINFOW pInfo)
{
    if (s_dwFakeMajor == 0)
        return FALSE;
    pInfo->dwMajorVersion = s_dwFakeMajor;
    pInfo->dwMinorVersion = s_dwFakeMinor;
    return TRUE;
}

const wchar_t USER_SHELL_FOLDERS_KEY[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

} // namespace

CScopedOSVersion::CScopedOSVersion(DWORD dwMajor, DWORD dwMinor)
{
    s_dwFakeMajor = dwMajor;
    s_dwFakeMinor = dwMinor;
    SetOSVersionQuery(FakeGetVersionEx);
}

CScopedOSVersion::~CScopedOSVersion()
{
    SetOSVersionQuery(nullptr);
}

void DeleteProductKeys()
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, GetProductKeyName());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, GetProductKeyName());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, GetUninstallKeyName());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, GetUninstallKeyName());
}

CRegValue ReadMachineValue(const CString& strKey, LPCWSTR pszName)
{
    CRegValue value;
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, strKey, 0, KEY_QUERY_VALUE, &hKey) != ERROR_SUCCESS)
        return value;
    DWORD cbData = 0;
    if (RegQueryValueExW(hKey, pszName, nullptr, &value.dwType, nullptr, &cbData) == ERROR_SUCCESS) {
        std::wstring strData((cbData + 1) / sizeof(wchar_t), L'\0');
        if (RegQueryValueExW(hKey, pszName, nullptr, &value.dwType, reinterpret_cast<LPBYTE>(&strData[0]),
                             &cbData) == ERROR_SUCCESS) {
            strData.resize(cbData / sizeof(wchar_t));
            value.strData = strData;
            value.bFound = true;
        }
    }
    RegCloseKey(hKey);
    return value;
}

void WriteMachineValue(const CString& strKey, LPCWSTR pszName, DWORD dwType, const void* pData, DWORD cbData)
{
    HKEY hKey = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, strKey, 0, nullptr, 0, KEY_WRITE, nullptr, &hKey, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(hKey, pszName, 0, dwType, static_cast<const BYTE*>(pData), cbData);
    RegCloseKey(hKey);
}

CTempFolder::CTempFolder(LPCWSTR pszName)
{
    wchar_t szTemp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, szTemp);
    m_strPath.Format(L"%svl-%lu %s", szTemp, GetCurrentProcessId(), pszName);
    RemoveTree(m_strPath);
    CreateDirectoryW(m_strPath, nullptr);
}

CTempFolder::~CTempFolder()
{
    RemoveTree(m_strPath);
}

CScopedShellFolder::CScopedShellFolder(LPCWSTR pszValueName, const CString& strFolder)
    : m_strValueName(pszValueName)
{
    HKEY hKey = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, USER_SHELL_FOLDERS_KEY, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        nullptr, &hKey, nullptr) != ERROR_SUCCESS)
        return;
    wchar_t szOld[1024] = {};
    DWORD cbOld = sizeof(szOld) - sizeof(wchar_t);
    if (RegQueryValueExW(hKey, m_strValueName.c_str(), nullptr, &m_dwType, reinterpret_cast<LPBYTE>(szOld), &cbOld) == ERROR_SUCCESS) {
        m_bHadValue = true;
        m_strOldValue = szOld;
    }
    RegSetValueExW(hKey, m_strValueName.c_str(), 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(static_cast<LPCWSTR>(strFolder)),
                   static_cast<DWORD>((strFolder.GetLength() + 1) * sizeof(wchar_t)));
    RegCloseKey(hKey);
}

CScopedShellFolder::~CScopedShellFolder()
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, USER_SHELL_FOLDERS_KEY, 0, KEY_SET_VALUE, &hKey) != ERROR_SUCCESS)
        return;
    if (m_bHadValue)
        RegSetValueExW(hKey, m_strValueName.c_str(), 0, m_dwType, reinterpret_cast<const BYTE*>(m_strOldValue.c_str()),
                       static_cast<DWORD>((m_strOldValue.size() + 1) * sizeof(wchar_t)));
    else
        RegDeleteValueW(hKey, m_strValueName.c_str());
    RegCloseKey(hKey);
}

bool ShellLinksStayInPrefix()
{
    HMODULE hNtdll = GetModuleHandleW(L"ntdll.dll");
    if (!hNtdll || !GetProcAddress(hNtdll, "wine_get_version"))
        return true;
    wchar_t szOverrides[1024] = {};
    GetEnvironmentVariableW(L"WINEDLLOVERRIDES", szOverrides, ARRAYSIZE(szOverrides));
    CString strOverrides(szOverrides);
    strOverrides.MakeLower();
    return strOverrides.Find(L"winemenubuilder") >= 0;
}

void RemoveTree(const CString& strPath)
{
    WIN32_FIND_DATAW data = {};
    HANDLE hFind = FindFirstFileW(strPath + L"\\*", &data);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            const CString strName(data.cFileName);
            if (strName == L"." || strName == L"..")
                continue;
            const CString strChild = strPath + L"\\" + strName;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(strChild);
            } else {
                SetFileAttributesW(strChild, FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(strChild);
            }
        } while (FindNextFileW(hFind, &data));
        FindClose(hFind);
    }
    RemoveDirectoryW(strPath);
}

bool FileExists(const CString& strPath)
{
    const DWORD dwAttributes = GetFileAttributesW(strPath);
    return dwAttributes != INVALID_FILE_ATTRIBUTES && !(dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const CString& strPath)
{
    const DWORD dwAttributes = GetFileAttributesW(strPath);
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {
constexpr DWORD EXTRACTION_TIME_LIMIT_MS = 60000;
}

// Unpacks the payload linked into the test as the payload resource into strDir and
// pumps messages until the worker's final code (or the time limit).
// Returns the final code, or -1 when none came in time.
int ExtractPayload(const CString& strDir)
{
    HWND hWnd = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (!hWnd)
        return -1;
    ExtractJob job = {};
    StartExtraction(hWnd, strDir.str(), strDir.str(), &job);
    int nCode = -1;
    PumpUntil([&] { return nCode >= 0; }, EXTRACTION_TIME_LIMIT_MS, false, [&](const MSG& msg) {
        if (msg.hwnd != hWnd || msg.message != WM_INSTALL_NOTIFY || msg.wParam == INSTALL_PROGRESS)
            return false;
        nCode = static_cast<int>(msg.wParam);
        if (nCode == INSTALL_ERR_CREATE || nCode == INSTALL_ERR_WRITE)
            delete[] reinterpret_cast<wchar_t*>(msg.lParam);   // the receiver owns the path
        return true;
    });
    if (job.hThread)
        WaitForSingleObject(job.hThread, EXTRACTION_TIME_LIMIT_MS);   // the job closes it
    DestroyWindow(hWnd);
    return nCode;
}

void CInstallSandbox::SetUp()
{
    ASSERT_TRUE(ShellLinksStayInPrefix()) << "run through CTest: Wine's menu builder must be disabled";
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    m_bComInitialised = true;
    m_strSavedInstallPath = g_strInstallPath;
    ASSERT_EQ(m_desktop.Path().str(), GetShellFolderPath(CSIDL_DESKTOPDIRECTORY).str())
        << "the desktop must be redirected away from the prefix's own";
    ASSERT_EQ(m_startMenu.Path().str(), GetShellFolderPath(CSIDL_STARTMENU).str())
        << "the start menu must be redirected away from the prefix's own";
    RemoveRegistration();
}

void CInstallSandbox::TearDown()
{
    RemoveRegistration();
    for (const CString& strPath : m_createdFolders)
        RemoveDirectoryW(strPath);
    g_strInstallPath = m_strSavedInstallPath;
    if (m_bComInitialised)
        CoUninitialize();
}

void CInstallSandbox::ProvideQuickLaunchFolder()
{
    const CString strQuickLaunch = GetQuickLaunchLinkPath();
    const CString strFolder = strQuickLaunch.Left(strQuickLaunch.ReverseFind(L'\\'));
    const CString strParent = strFolder.Left(strFolder.ReverseFind(L'\\'));
    for (const CString& strPath : { strParent, strFolder }) {
        if (!FolderExists(strPath) && CreateDirectoryW(strPath, nullptr))
            m_createdFolders.insert(m_createdFolders.begin(), strPath);
    }
}

void CInstallSandbox::Install(const CString& strDir)
{
    g_strInstallPath = strDir + L"\\";
    ASSERT_EQ(INSTALL_DONE, ExtractPayload(g_strInstallPath)) << "extracting into " << strDir.str();
    ASSERT_TRUE(FileExists(GetAppExePath(g_strInstallPath)));
    ASSERT_TRUE(FileExists(GetUninstallExePath(g_strInstallPath)));
    RegisterInstallation(g_strInstallPath);
    for (const CString& strLink : GetInstalledLinkPaths())
        ASSERT_TRUE(FileExists(strLink)) << "no link at " << strLink.str();
    ASSERT_TRUE(ReadMachineValue(GetUninstallKeyName(), UNINSTALL_VALUE_DISPLAY_NAME).bFound) << "no uninstall entry";
}

void CInstallSandbox::RemoveRegistration()
{
    for (const CString& strLink : GetInstalledLinkPaths()) {
        if (!strLink.IsEmpty())
            DeleteFileW(strLink);
    }
    const CString strGroup = GetProgramGroupPath();
    if (!strGroup.IsEmpty())
        RemoveDirectoryW(strGroup);
    DeleteProductKeys();
}
