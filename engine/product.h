// product.h: what is being installed, named once. The installer, the
// registration steps, the report and the uninstaller all take their names,
// keys and addresses from here.
#pragma once
#include <string>
#include "afx/afxstr.h"

// The product: registry key names, shortcut names, folder name, captions.
constexpr const wchar_t PRODUCT_NAME[] = L"Vellomar";
constexpr const wchar_t PRODUCT_PUBLISHER[] = L"Tessaly";
constexpr const wchar_t PRODUCT_HOME_PAGE_URL[] = L"https://www.vellomar.com/";

// Both programs sit at the top of the install folder.
constexpr const wchar_t APP_EXE_NAME[] = L"Vellomar.exe";
constexpr const wchar_t UNINSTALL_EXE_NAME[] = L"VLUninstall.exe";

// Start-menu entries beside the program's own shortcut.
constexpr const wchar_t UNINSTALL_LINK_NAME[] = L"卸载Vellomar";
constexpr const wchar_t HOME_PAGE_LINK_NAME[] = L"Vellomar主页";

// HKEY_LOCAL_MACHINE keys (formatted with PRODUCT_NAME) and their values.
constexpr const wchar_t UNINSTALL_KEY_FORMAT[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s";
constexpr const wchar_t PRODUCT_KEY_FORMAT[] = L"Software\\%s";
constexpr const wchar_t INSTALL_DIR_VALUE[] = L"Install";
constexpr const wchar_t INSTALL_DIR_VALUE_LEGACY[] = L"Install_Dir";   // read first, never written

// HKEY_LOCAL_MACHINE keys (32-bit view), relative to the hive.
CString GetUninstallKeyName();   // Software\Microsoft\Windows\CurrentVersion\Uninstall\Vellomar
CString GetProductKeyName();     // Software\Vellomar

// The installed application's version code, below the install directory.
constexpr wchar_t VERSION_INI_FILE[] = L"config\\version.ini";
constexpr wchar_t VERSION_INI_SECTION[] = L"VERSION";
constexpr wchar_t VERSION_INI_KEY[] = L"AppVerCode";

// AppVerCode from <strInstallDir>config\version.ini; 0 when missing.
// strInstallDir ends with a backslash, as the installer's install path does.
unsigned GetAppVerCode(const std::wstring& strInstallDir);

// The size the installation is said to need (shown as 25.5MB).
constexpr unsigned long long REQUIRED_FREE_BYTES = 26776666;

// The installation directory, always ending with a backslash; empty at start.
// Written only by the first page; every reader joins file names to it.
extern CString g_strInstallPath;
