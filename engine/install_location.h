// install_location.h: the folder the first page proposes, the Windows version
// test the shortcut steps use, and the texts of the disk-space line.
//
// Everything here is free of GUI headers; UpdateSpaceText, which writes the
// line into the page, lives in engine/space_text.h.
#pragma once
#include <windows.h>
#include <string>
#include "afx/afxstr.h"

// Windows version codes returned by GetOSVersionCode. Callers compare with
// OS_CODE_VISTA: a smaller code (OS_CODE_UNKNOWN included) is older than Vista.
constexpr int OS_CODE_UNKNOWN = 0;
constexpr int OS_CODE_WIN2000 = 6;
constexpr int OS_CODE_XP = 7;
constexpr int OS_CODE_XP64 = 8;    // XP x64 and Server 2003
constexpr int OS_CODE_VISTA = 10;
constexpr int OS_CODE_WIN7 = 13;
constexpr int OS_CODE_WIN8 = 14;   // and every later Windows, which reports 6.2 to us

// Maps the major and minor version the system reports to a code above.
int MapOSVersionCode(DWORD dwMajor, DWORD dwMinor);

// The version query GetOSVersionCode asks (GetVersionExW unless replaced).
// Tests replace it to play other Windows versions; null restores the real one.
// Returns the query that was in place.
typedef BOOL (WINAPI *PFN_GET_VERSION_EX)(LPOSVERSIONINFOW);
PFN_GET_VERSION_EX SetOSVersionQuery(PFN_GET_VERSION_EX pfnQuery);

int GetOSVersionCode();

// <roaming application data>\Vellomar\ on Vista and later; empty before
// Vista or when the known-folder lookup is missing or fails.
std::wstring GetAppDataInstallDir();

// The fallback proposal: <drive of the Windows folder>:\Program Files\Vellomar\.
CString FormatProgramFilesDir(const CString& strWindowsDir);

// The folder the first page proposes: the remembered one ("Install_Dir",
// then "Install" under Software\Vellomar, as stored), else the application
// data default, else the Program Files default. Never empty.
CString GetDefaultInstallDir();

// "25.5MB": REQUIRED_FREE_BYTES in 1,048,576-byte units.
CString FormatRequiredSize();

// "所需空间: <required> 可用空间: <free>" with the free count in GB, MB, KB or B
// (1,024-based), printed with one decimal from a single-precision value.
CString FormatSpaceText(const CString& strRequired, LONGLONG nFreeBytes);
