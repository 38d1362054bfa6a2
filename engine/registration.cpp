#include "engine/registration.h"

#include <windows.h>
#include <shlobj.h>
#include <shlguid.h>
#include <intshcut.h>

#include "engine/directory.h"
#include "engine/install_location.h"
#include "engine/owners.h"

namespace {

// Below the roaming application-data folder.
constexpr const wchar_t QUICK_LAUNCH_SUBFOLDER[] = L"\\Microsoft\\Internet Explorer\\Quick Launch";
constexpr const wchar_t SHELL_LINK_EXTENSION[] = L".lnk";
constexpr const wchar_t INTERNET_SHORTCUT_EXTENSION[] = L".url";

// Creates one .lnk to strTarget, started in the installation folder. Every
// failure skips the link; the caller goes on with the next one.
void SaveShellLink(const CString& strLinkPath, const CString& strTarget, const CString& strInstallDir, bool bSetShowCmd)
{
    if (strLinkPath.IsEmpty())
        return;
    CComRef<IShellLinkW> pLink;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, pLink.Receive())))
        return;
    CComRef<IPersistFile> pFile;
    if (FAILED(pLink->QueryInterface(IID_IPersistFile, pFile.Receive())))
        return;
    pLink->SetPath(strTarget);
    pLink->SetWorkingDirectory(strInstallDir);
    if (bSetShowCmd)
        pLink->SetShowCmd(SW_SHOWNORMAL);
    pFile->Save(strLinkPath, TRUE);
}

// Sets the icon of an internet shortcut through its property set, for the
// shells whose internet shortcut does not offer IShellLinkW (Wine's, for one);
// saving writes the same IconFile and IconIndex lines either way.
void SetInternetShortcutIcon(IUniformResourceLocatorW* pUrl, const CString& strIconFile, int nIconIndex)
{
    CComRef<IPropertySetStorage> pSetStorage;
    if (FAILED(pUrl->QueryInterface(IID_IPropertySetStorage, pSetStorage.Receive())))
        return;
    CComRef<IPropertyStorage> pStorage;
    if (SUCCEEDED(pSetStorage->Open(FMTID_Intshcut, STGM_READWRITE | STGM_SHARE_EXCLUSIVE,
                                    reinterpret_cast<IPropertyStorage**>(pStorage.Receive())))) {
        PROPSPEC specs[2] = {};
        specs[0].ulKind = PRSPEC_PROPID;
        specs[0].propid = PID_IS_ICONFILE;
        specs[1].ulKind = PRSPEC_PROPID;
        specs[1].propid = PID_IS_ICONINDEX;
        PROPVARIANT values[2] = {};
        values[0].vt = VT_LPWSTR;
        values[0].pwszVal = const_cast<LPWSTR>(static_cast<LPCWSTR>(strIconFile));
        values[1].vt = VT_I4;
        values[1].lVal = nIconIndex;
        pStorage->WriteMultiple(2, specs, values, 0);
    }
}

// Writes one REG_SZ value with its terminating NUL; a failure is ignored.
void SetStringValue(HKEY hKey, LPCWSTR pszName, const CString& strData)
{
    const DWORD cbData = static_cast<DWORD>((strData.GetLength() + 1) * sizeof(wchar_t));
    RegSetValueExW(hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(static_cast<LPCWSTR>(strData)), cbData);
}

// strFolder with one backslash at its end.
CString WithBackslash(const CString& strFolder)
{
    if (!strFolder.IsEmpty() && strFolder[strFolder.GetLength() - 1] == L'\\')
        return strFolder;
    return strFolder + L"\\";
}

// Writes one REG_DWORD value; a failure is ignored.
void SetDwordValue(HKEY hKey, LPCWSTR pszName, DWORD dwData)
{
    RegSetValueExW(hKey, pszName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwData), sizeof(dwData));
}

// The bytes of every file below strFolder, its subfolders included; what
// cannot be listed counts nothing.
ULONGLONG GetFolderSize(const CString& strFolder)
{
    WIN32_FIND_DATAW fd = {};
    HANDLE hFind = ::FindFirstFileW(WithBackslash(strFolder) + L"*", &fd);
    if (hFind == INVALID_HANDLE_VALUE)
        return 0;
    ULONGLONG nBytes = 0;
    do {
        const CString strName(fd.cFileName);
        if (strName == L"." || strName == L"..")
            continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // A junction could loop back up the tree: not followed.
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                nBytes += GetFolderSize(WithBackslash(strFolder) + strName);
        } else {
            nBytes += (static_cast<ULONGLONG>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
        }
    } while (::FindNextFileW(hFind, &fd));
    ::FindClose(hFind);
    return nBytes;
}

} // namespace

DWORD ToKilobytes(ULONGLONG nBytes)
{
    const ULONGLONG nKilobytes = (nBytes + BYTES_PER_KILOBYTE - 1) / BYTES_PER_KILOBYTE;
    return nKilobytes > MAXDWORD ? MAXDWORD : static_cast<DWORD>(nKilobytes);
}

CString FormatInstallDate(const SYSTEMTIME& st)
{
    CString strDate;
    strDate.Format(L"%04u%02u%02u", static_cast<unsigned>(st.wYear), static_cast<unsigned>(st.wMonth),
                   static_cast<unsigned>(st.wDay));
    return strDate;
}

namespace {

// "<folder>\<name><extension>", or empty when the folder is unknown (a link
// must never land relative to the current drive's root).
CString FormatFilePath(const CString& strFolder, LPCWSTR pszName, LPCWSTR pszExtension)
{
    if (strFolder.IsEmpty())
        return CString();
    CString strPath;
    strPath.Format(L"%s\\%s%s", static_cast<LPCWSTR>(strFolder), pszName, pszExtension);
    return strPath;
}

} // namespace

CString GetAppExePath(const CString& strInstallDir)
{
    return strInstallDir + APP_EXE_NAME;
}

CString GetUninstallExePath(const CString& strInstallDir)
{
    return strInstallDir + UNINSTALL_EXE_NAME;
}

CString QuoteCommandPath(const CString& strPath)
{
    const bool bQuoted = strPath.GetLength() >= 2 && strPath[0] == L'"' && strPath[strPath.GetLength() - 1] == L'"';
    if (bQuoted || strPath.Find(L' ') < 0)
        return strPath;
    return L"\"" + strPath + L"\"";
}

CString GetUninstallCommand(const CString& strInstallDir)
{
    return QuoteCommandPath(GetUninstallExePath(strInstallDir));
}

CString GetQuietUninstallCommand(const CString& strInstallDir)
{
    // Always quoted, so that the switch can never read as part of the path.
    const CString strExe = GetUninstallExePath(strInstallDir);
    return L"\"" + strExe + L"\" " + UNINSTALL_SILENT_SWITCH;
}

CString GetShellFolderPath(int nCsidl)
{
    LPITEMIDLIST pidl = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, nCsidl, &pidl)) || !pidl)
        return CString();
    wchar_t szPath[MAX_PATH] = {};
    const BOOL bFound = SHGetPathFromIDListW(pidl, szPath);
    CoTaskMemFree(pidl);
    pidl = nullptr;
    return bFound ? CString(szPath) : CString();
}

CString FormatProgramGroupPath(const CString& strStartMenu, int nOSCode)
{
    if (strStartMenu.IsEmpty())
        return CString();
    CString strGroup;
    strGroup.Format(nOSCode >= OS_CODE_VISTA ? L"%s\\Programs\\%s" : L"%s\\程序\\%s",
                    static_cast<LPCWSTR>(strStartMenu), PRODUCT_NAME);
    return strGroup;
}

CString GetQuickLaunchLinkPath()
{
    const CString strAppData = GetShellFolderPath(CSIDL_APPDATA);
    if (strAppData.IsEmpty())
        return CString();
    return FormatFilePath(strAppData + QUICK_LAUNCH_SUBFOLDER, PRODUCT_NAME, SHELL_LINK_EXTENSION);
}

CString GetDesktopLinkPath()
{
    return FormatFilePath(GetShellFolderPath(CSIDL_DESKTOPDIRECTORY), PRODUCT_NAME, SHELL_LINK_EXTENSION);
}

CString GetProgramGroupPath()
{
    return FormatProgramGroupPath(GetShellFolderPath(CSIDL_STARTMENU), GetOSVersionCode());
}

CString GetProgramLinkPath()
{
    return FormatFilePath(GetProgramGroupPath(), PRODUCT_NAME, SHELL_LINK_EXTENSION);
}

CString GetUninstallLinkPath()
{
    return FormatFilePath(GetProgramGroupPath(), UNINSTALL_LINK_NAME, SHELL_LINK_EXTENSION);
}

CString GetHomePageLinkPath()
{
    return FormatFilePath(GetProgramGroupPath(), HOME_PAGE_LINK_NAME, INTERNET_SHORTCUT_EXTENSION);
}

std::vector<CString> GetInstalledLinkPaths()
{
    return { GetQuickLaunchLinkPath(), GetDesktopLinkPath(), GetProgramLinkPath(), GetUninstallLinkPath(),
             GetHomePageLinkPath() };
}

BOOL CreateQuickLaunchShortcut(const CString& strInstallDir)
{
    // The Quick Launch folder is not created: where it is missing, the save
    // fails and no link appears.
    SaveShellLink(GetQuickLaunchLinkPath(), GetAppExePath(strInstallDir), strInstallDir, true);
    return TRUE;
}

BOOL CreateDesktopShortcut(const CString& strInstallDir)
{
    const CString strDesktop = GetShellFolderPath(CSIDL_DESKTOPDIRECTORY);
    if (!CreateDirectoryPath(strDesktop))
        return FALSE;
    SaveShellLink(GetDesktopLinkPath(), GetAppExePath(strInstallDir), strInstallDir, false);
    return TRUE;
}

BOOL CreateStartMenuShortcuts(const CString& strInstallDir)
{
    const CString strGroup = GetProgramGroupPath();
    if (!CreateDirectoryPath(strGroup))
        return FALSE;
    // Independent links: a failure of the first does not stop the second.
    SaveShellLink(GetProgramLinkPath(), GetAppExePath(strInstallDir), strInstallDir, false);
    SaveShellLink(GetUninstallLinkPath(), GetUninstallExePath(strInstallDir), strInstallDir, false);
    return TRUE;
}

void CreateHomePageLink(const CString& strInstallDir)
{
    // The group was created by CreateStartMenuShortcuts.
    const CString strLinkPath = GetHomePageLinkPath();
    if (strLinkPath.IsEmpty())
        return;
    CComRef<IUniformResourceLocatorW> pUrl;
    if (FAILED(CoCreateInstance(CLSID_InternetShortcut, nullptr, CLSCTX_INPROC_SERVER, IID_IUniformResourceLocatorW,
                                pUrl.Receive())))
        return;
    if (FAILED(pUrl->SetURL(PRODUCT_HOME_PAGE_URL, IURL_SETURL_FL_GUESS_PROTOCOL)))
        return;
    {
        CComRef<IShellLinkW> pLink;
        if (SUCCEEDED(pUrl->QueryInterface(IID_IShellLinkW, pLink.Receive())))
            pLink->SetIconLocation(GetAppExePath(strInstallDir), 0);
        else
            SetInternetShortcutIcon(pUrl.get(), GetAppExePath(strInstallDir), 0);
    }
    CComRef<IPersistFile> pFile;
    if (SUCCEEDED(pUrl->QueryInterface(IID_IPersistFile, pFile.Receive())))
        pFile->Save(strLinkPath, TRUE);
}

void WriteUninstallEntry(const CString& strInstallDir)
{
    CRegistryKey key;
    if (key.Create(HKEY_LOCAL_MACHINE, GetUninstallKeyName(), KEY_WRITE) != ERROR_SUCCESS)
        return;
    // The shell runs UninstallString as a command line, so a path with spaces
    // goes in quotes; DisplayIcon is a plain path.
    SetStringValue(key, UNINSTALL_VALUE_DISPLAY_ICON, GetAppExePath(strInstallDir));
    SetStringValue(key, UNINSTALL_VALUE_DISPLAY_NAME, PRODUCT_NAME);
    SetStringValue(key, UNINSTALL_VALUE_PUBLISHER, PRODUCT_PUBLISHER);
    SetStringValue(key, UNINSTALL_VALUE_UNINSTALL_STRING, GetUninstallCommand(strInstallDir));
    SetStringValue(key, UNINSTALL_VALUE_URL_INFO_ABOUT, PRODUCT_HOME_PAGE_URL);

    CString strVersion;
    strVersion.Format(L"%u", GetAppVerCode(strInstallDir.str()));
    SetStringValue(key, UNINSTALL_VALUE_DISPLAY_VERSION, strVersion);
    SetDwordValue(key, UNINSTALL_VALUE_ESTIMATED_SIZE, ToKilobytes(GetFolderSize(strInstallDir)));
    SetStringValue(key, UNINSTALL_VALUE_INSTALL_LOCATION, strInstallDir);
    SYSTEMTIME st = {};
    ::GetLocalTime(&st);
    SetStringValue(key, UNINSTALL_VALUE_INSTALL_DATE, FormatInstallDate(st));
    SetDwordValue(key, UNINSTALL_VALUE_NO_MODIFY, 1);
    SetDwordValue(key, UNINSTALL_VALUE_NO_REPAIR, 1);
    SetStringValue(key, UNINSTALL_VALUE_QUIET_UNINSTALL_STRING, GetQuietUninstallCommand(strInstallDir));
}

void WriteInstallDirValue(const CString& strInstallDir)
{
    CRegistryKey key;
    if (key.Create(HKEY_LOCAL_MACHINE, GetProductKeyName(), KEY_WRITE) != ERROR_SUCCESS)
        return;
    SetStringValue(key, INSTALL_DIR_VALUE, strInstallDir);
}

void RegisterInstallation(const CString& strInstallDir)
{
    CreateQuickLaunchShortcut(strInstallDir);
    CreateDesktopShortcut(strInstallDir);
    CreateStartMenuShortcuts(strInstallDir);
    CreateHomePageLink(strInstallDir);
    WriteUninstallEntry(strInstallDir);
    WriteInstallDirValue(strInstallDir);
}
