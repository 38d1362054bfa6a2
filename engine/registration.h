// registration.h: the six steps that register an installation with the shell
// and the registry, and the paths and key names they write.
//
// After the payload is unpacked, the installer calls, in this order, with the
// install folder (ending with a backslash) and ignoring every result
// (RegisterInstallation does exactly that):
//   CreateQuickLaunchShortcut, CreateDesktopShortcut, CreateStartMenuShortcuts,
//   CreateHomePageLink, WriteUninstallEntry, WriteInstallDirValue.
// Each step skips whatever fails and returns. COM must be initialised on the
// calling thread (single-threaded apartment).
//
// The Get...Path and Get...KeyName functions are the one source of truth for
// what the steps write: the uninstaller removes exactly those. Paths of links
// are empty when the shell folder they live in cannot be found.
#pragma once
#include <windows.h>
#include <vector>

#include "afx/afxstr.h"
#include "engine/product.h"

// Values of the uninstall entry, written in this order.
constexpr const wchar_t UNINSTALL_VALUE_DISPLAY_ICON[] = L"DisplayIcon";
constexpr const wchar_t UNINSTALL_VALUE_DISPLAY_NAME[] = L"DisplayName";
constexpr const wchar_t UNINSTALL_VALUE_PUBLISHER[] = L"Publisher";
constexpr const wchar_t UNINSTALL_VALUE_UNINSTALL_STRING[] = L"UninstallString";
constexpr const wchar_t UNINSTALL_VALUE_URL_INFO_ABOUT[] = L"URLInfoAbout";
constexpr const wchar_t UNINSTALL_VALUE_DISPLAY_VERSION[] = L"DisplayVersion";      // the AppVerCode
constexpr const wchar_t UNINSTALL_VALUE_ESTIMATED_SIZE[] = L"EstimatedSize";        // DWORD, KB installed
constexpr const wchar_t UNINSTALL_VALUE_INSTALL_LOCATION[] = L"InstallLocation";
constexpr const wchar_t UNINSTALL_VALUE_INSTALL_DATE[] = L"InstallDate";            // yyyymmdd
constexpr const wchar_t UNINSTALL_VALUE_NO_MODIFY[] = L"NoModify";                  // DWORD 1
constexpr const wchar_t UNINSTALL_VALUE_NO_REPAIR[] = L"NoRepair";                  // DWORD 1
constexpr const wchar_t UNINSTALL_VALUE_QUIET_UNINSTALL_STRING[] = L"QuietUninstallString";

// The uninstaller's switch for a run without questions.
constexpr const wchar_t UNINSTALL_SILENT_SWITCH[] = L"/S";

constexpr ULONGLONG BYTES_PER_KILOBYTE = 1024;

// The programs inside the installation: strInstallDir + file name.
CString GetAppExePath(const CString& strInstallDir);
CString GetUninstallExePath(const CString& strInstallDir);

// A program's path as a command line: in quotes when it holds a space, as
// Windows otherwise tries "C:\Program.exe" for "C:\Program Files\...";
// already quoted or without spaces, as it is.
CString QuoteCommandPath(const CString& strPath);
// The uninstall entry's "UninstallString": the uninstaller as a command line.
CString GetUninstallCommand(const CString& strInstallDir);
// "QuietUninstallString": the uninstaller, always quoted, with its silent switch.
CString GetQuietUninstallCommand(const CString& strInstallDir);

// "EstimatedSize": bytes in whole kilobytes, rounded up, at most MAXDWORD.
DWORD ToKilobytes(ULONGLONG nBytes);
// "InstallDate": yyyymmdd.
CString FormatInstallDate(const SYSTEMTIME& st);

// A shell folder (CSIDL_...) without a trailing backslash; empty when unknown.
CString GetShellFolderPath(int nCsidl);

// The start-menu program group for a Windows version code: "Programs" from
// Vista on, "程序" before. Empty when strStartMenu is empty.
CString FormatProgramGroupPath(const CString& strStartMenu, int nOSCode);

// Files the steps write (empty when their shell folder is unknown).
CString GetQuickLaunchLinkPath();   // <roaming app data>\Microsoft\Internet Explorer\Quick Launch\Vellomar.lnk
CString GetDesktopLinkPath();       // <desktop>\Vellomar.lnk
CString GetProgramGroupPath();      // <start menu>\Programs\Vellomar (程序 before Vista)
CString GetProgramLinkPath();       // <program group>\Vellomar.lnk
CString GetUninstallLinkPath();     // <program group>\卸载Vellomar.lnk
CString GetHomePageLinkPath();      // <program group>\Vellomar主页.url

// Every link the steps create, the five above in creation order (Quick
// Launch, desktop, program, uninstall, home page); a path is empty where its
// shell folder is unknown. The one list the uninstaller removes.
std::vector<CString> GetInstalledLinkPaths();

// The keys the steps write, GetUninstallKeyName() and GetProductKeyName(),
// come with engine/product.h: the install location reads the latter too.

// The six steps, in calling order.
BOOL CreateQuickLaunchShortcut(const CString& strInstallDir);   // always TRUE
BOOL CreateDesktopShortcut(const CString& strInstallDir);       // FALSE when the desktop folder is unknown
BOOL CreateStartMenuShortcuts(const CString& strInstallDir);    // FALSE when the program group is unknown
void CreateHomePageLink(const CString& strInstallDir);
void WriteUninstallEntry(const CString& strInstallDir);         // reads the installed version and size
void WriteInstallDirValue(const CString& strInstallDir);

// The six steps above in their fixed order, every result ignored.
void RegisterInstallation(const CString& strInstallDir);
