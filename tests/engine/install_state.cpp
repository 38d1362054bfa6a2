#include "tests/engine/install_state.h"

#include <shlobj.h>
#include <memory>

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

std::map<std::wstring, std::string> Snapshot(const std::wstring& strRoot, const std::wstring& strRelative)
{
    std::map<std::wstring, std::string> tree;
    WIN32_FIND_DATAW data = {};
    const HANDLE hFind = FindFirstFileW((strRoot + strRelative + L"*").c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return tree;
    do {
        const std::wstring strName = data.cFileName;
        if (strName == L"." || strName == L"..")
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            tree[strRelative + strName + L"\\"] = "<dir>";
            const auto inner = Snapshot(strRoot, strRelative + strName + L"\\");
            tree.insert(inner.begin(), inner.end());
        } else {
            std::string bytes;
            const HANDLE hFile = CreateFileW((strRoot + strRelative + strName).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                             nullptr, OPEN_EXISTING, 0, nullptr);
            char buffer[4096];
            DWORD nRead = 0;
            while (hFile != INVALID_HANDLE_VALUE && ReadFile(hFile, buffer, sizeof(buffer), &nRead, nullptr) && nRead)
                bytes.append(buffer, nRead);
            if (hFile != INVALID_HANDLE_VALUE)
                CloseHandle(hFile);
            else
                bytes = "<unreadable>";
            tree[strRelative + strName] = bytes;
        }
    } while (FindNextFileW(hFind, &data));
    FindClose(hFind);
    return tree;
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

CExtractRun RunExtraction(const std::wstring& strAppDir, const std::wstring& strDataDir, const CExtractOptions& options)
{
    CExtractRun result;
    HWND hWnd = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (!hWnd) {
        ADD_FAILURE() << "no window for the worker's reports";
        return result;
    }
    std::unique_ptr<ExtractJob> pJob(new ExtractJob());
    pJob->bStop = options.bStop ? STOP_ASKED : STOP_NONE;
    pJob->nStopAfterFiles = options.nStopAfterFiles;
    if (options.pfnPostFinal)
        pJob->pfnPostFinal = options.pfnPostFinal;
    if (!StartExtraction(hWnd, strAppDir, strDataDir, pJob.get(), options.strPendingKey)) {
        ADD_FAILURE() << "the worker did not start";
        DestroyWindow(hWnd);
        return result;
    }

    auto take = [&](const MSG& msg) {
        if (result.nFinal != NO_CODE) {
            ++result.nAfterFinal;
        } else if (msg.wParam == INSTALL_PROGRESS) {
            result.progress.push_back(msg.lParam);
        } else {
            result.nFinal = msg.wParam;
            if (CarriesNotifyPath(msg.wParam) && msg.lParam) {
                std::unique_ptr<wchar_t[]> pBuffer(reinterpret_cast<wchar_t*>(msg.lParam));   // the receiver owns it
                result.bPathBuffer = true;
                result.strPath = pBuffer.get();
            }
        }
    };
    const HANDLE hThread = pJob->hThread;
    PumpUntil([&] { return result.nFinal != NO_CODE || WaitForSingleObject(hThread, 0) == WAIT_OBJECT_0; },
              EXTRACTION_TIME_LIMIT_MS, false, [&](const MSG& msg) {
                  if (msg.hwnd != hWnd || msg.message != WM_INSTALL_NOTIFY)
                      return false;
                  take(msg);
                  return true;
              });
    const bool bEnded = WaitForSingleObject(hThread, EXTRACTION_TIME_LIMIT_MS) == WAIT_OBJECT_0;
    MSG msg = {};
    while (PeekMessageW(&msg, hWnd, WM_INSTALL_NOTIFY, WM_INSTALL_NOTIFY, PM_REMOVE))
        take(msg);
    DestroyWindow(hWnd);
    result.strArchivePath = pJob->strArchivePath;
    if (!bEnded) {
        ADD_FAILURE() << "the worker did not end within " << EXTRACTION_TIME_LIMIT_MS << " ms";
        RequestStop(pJob.get());
        static_cast<void>(pJob.release());   // still read by the worker
        return result;
    }
    if (result.nFinal == NO_CODE) {
        LPARAM lParam = 0;
        result.nFinal = TakeFinalCode(pJob.get(), &lParam);
        result.bFinalFromJob = true;
        std::unique_ptr<wchar_t[]> pBuffer(reinterpret_cast<wchar_t*>(lParam));
        if (pBuffer) {
            result.bPathBuffer = true;
            result.strPath = pBuffer.get();
        }
    }
    return result;
}

int ExtractPayload(const CString& strDir)
{
    const CExtractRun run = RunExtraction(strDir.str(), strDir.str());
    return run.nFinal == NO_CODE ? -1 : static_cast<int>(run.nFinal);
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
