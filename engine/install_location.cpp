#include "engine/install_location.h"

#include <shlobj.h>

#include "engine/owners.h"
#include "engine/product.h"

namespace {

PFN_GET_VERSION_EX s_pfnGetVersionEx = GetVersionExW;

// SHGetKnownFolderPath is looked up at run time: shell32 has it only from Vista on.
typedef HRESULT (WINAPI *PFN_SH_GET_KNOWN_FOLDER_PATH)(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*);

// {3EB685DB-65F9-4CF6-A03A-E3EF65729F3D}, spelled out so no import library is needed.
const GUID s_folderIdRoamingAppData =
    { 0x3EB685DB, 0x65F9, 0x4CF6, { 0xA0, 0x3A, 0xE3, 0xEF, 0x65, 0x72, 0x9F, 0x3D } };

constexpr double BYTES_PER_KB = 1024.0;
constexpr double BYTES_PER_MB = 1048576.0;
constexpr LONGLONG ONE_KB = 1024;
constexpr LONGLONG ONE_MB = 1048576;
constexpr LONGLONG ONE_GB = 1073741824;

// Reads a remembered folder into the fixed path buffer the proposal allows.
// Only a successful read counts: after a failed one the buffer's content is
// undefined. A value that fills the whole buffer has no terminator in it and
// is too long for a path, so it is treated like a missing one rather than
// read past the buffer's end.
CString QueryPathValue(HKEY hKey, LPCWSTR pszName)
{
    wchar_t szBuffer[MAX_PATH] = {};
    DWORD cbData = sizeof(szBuffer);
    if (RegQueryValueExW(hKey, pszName, nullptr, nullptr, reinterpret_cast<LPBYTE>(szBuffer), &cbData) != ERROR_SUCCESS)
        return CString();
    const size_t cchData = cbData / sizeof(wchar_t);
    const size_t cchText = wcsnlen(szBuffer, cchData < MAX_PATH ? cchData : MAX_PATH);
    if (cchText >= MAX_PATH)
        return CString();
    return CString(szBuffer, static_cast<int>(cchText));
}

} // namespace

int MapOSVersionCode(DWORD dwMajor, DWORD dwMinor)
{
    static const struct { DWORD dwMajor; DWORD dwMinor; int nCode; } s_versions[] = {
        { 5, 0, OS_CODE_WIN2000 },
        { 5, 1, OS_CODE_XP },
        { 5, 2, OS_CODE_XP64 },
        { 6, 0, OS_CODE_VISTA },
        { 6, 1, OS_CODE_WIN7 },
        { 6, 2, OS_CODE_WIN8 },
    };
    for (const auto& version : s_versions) {
        if (version.dwMajor == dwMajor && version.dwMinor == dwMinor)
            return version.nCode;
    }
    return OS_CODE_UNKNOWN;
}

PFN_GET_VERSION_EX SetOSVersionQuery(PFN_GET_VERSION_EX pfnQuery)
{
    PFN_GET_VERSION_EX pfnPrevious = s_pfnGetVersionEx;
    s_pfnGetVersionEx = pfnQuery ? pfnQuery : GetVersionExW;
    return pfnPrevious;
}

int GetOSVersionCode()
{
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (s_pfnGetVersionEx(&info) != 1)
        return OS_CODE_UNKNOWN;
    return MapOSVersionCode(info.dwMajorVersion, info.dwMinorVersion);
}

std::wstring GetAppDataInstallDir()
{
    if (GetOSVersionCode() < OS_CODE_VISTA)
        return std::wstring();
    HMODULE hShell = LoadLibraryW(L"shell32.dll");
    if (!hShell)
        return std::wstring();
    auto pfnGetKnownFolderPath = reinterpret_cast<PFN_SH_GET_KNOWN_FOLDER_PATH>(
        reinterpret_cast<void*>(GetProcAddress(hShell, "SHGetKnownFolderPath")));
    std::wstring strDir;
    PWSTR pszFolder = nullptr;
    if (pfnGetKnownFolderPath && SUCCEEDED(pfnGetKnownFolderPath(s_folderIdRoamingAppData, 0, nullptr, &pszFolder))) {
        strDir = pszFolder;
        strDir += L'\\';
        strDir += PRODUCT_NAME;
        strDir += L'\\';
    }
    // The folder is the caller's to free, even when the call fails.
    if (pszFolder)
        CoTaskMemFree(pszFolder);
    FreeLibrary(hShell);
    return strDir;
}

CString FormatProgramFilesDir(const CString& strWindowsDir)
{
    // The literal folder name, whatever the system's language or bitness.
    CString strDir;
    strDir.Format(L"%c:\\Program Files\\%s\\", strWindowsDir.IsEmpty() ? L'C' : strWindowsDir[0], PRODUCT_NAME);
    return strDir;
}

CString GetDefaultInstallDir()
{
    CString strDir;
    CRegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, GetProductKeyName(), KEY_QUERY_VALUE) == ERROR_SUCCESS) {
        strDir = QueryPathValue(key, INSTALL_DIR_VALUE_LEGACY);
        if (strDir.IsEmpty())
            strDir = QueryPathValue(key, INSTALL_DIR_VALUE);
    }
    if (!strDir.IsEmpty())
        return strDir;

    if (GetOSVersionCode() >= OS_CODE_VISTA) {
        std::wstring strAppData = GetAppDataInstallDir();
        if (!strAppData.empty())
            return CString(strAppData.c_str());
    }
    wchar_t szWindowsDir[MAX_PATH] = {};
    GetWindowsDirectoryW(szWindowsDir, MAX_PATH);
    return FormatProgramFilesDir(szWindowsDir);
}

CString FormatRequiredSize()
{
    CString strSize;
    strSize.Format(L"%.1fMB", static_cast<double>(REQUIRED_FREE_BYTES) / BYTES_PER_MB);
    return strSize;
}

CString FormatSpaceText(const CString& strRequired, LONGLONG nFreeBytes)
{
    // The value goes through a float on its way to the text, which decides
    // the printed decimal in a few borderline cases.
    LPCWSTR pszFormat = L"所需空间: %s 可用空间: %.1fB";
    float fValue = static_cast<float>(nFreeBytes);
    if (nFreeBytes > ONE_GB) {
        pszFormat = L"所需空间: %s 可用空间: %.1fGB";
        fValue = static_cast<float>(static_cast<double>(nFreeBytes) / (BYTES_PER_MB * BYTES_PER_KB));
    } else if (nFreeBytes > ONE_MB) {
        pszFormat = L"所需空间: %s 可用空间: %.1fMB";
        fValue = static_cast<float>(static_cast<double>(nFreeBytes) / BYTES_PER_MB);
    } else if (nFreeBytes > ONE_KB) {
        pszFormat = L"所需空间: %s 可用空间: %.1fKB";
        fValue = static_cast<float>(static_cast<double>(nFreeBytes) / BYTES_PER_KB);
    }
    CString strText;
    strText.Format(pszFormat, static_cast<LPCWSTR>(strRequired), static_cast<double>(fValue));
    return strText;
}
