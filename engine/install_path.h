// install_path.h: what a typed install folder must be before an installation
// may start into it, and the one form in which a folder is stored.
//
// The rules are free functions over plain text; the disk is asked only
// through the attribute lookup passed in, so tests play any disk they like.
// CheckInstallPathOnDisk is the same check against the real disk.
#pragma once
#include <windows.h>
#include <functional>
#include "afx/afxstr.h"

// Why a folder cannot take the installation. The first rule that fails wins,
// in this order.
enum class InstallPathProblem
{
    None,
    NoDriveLetter,      // not "X:\..." (empty, UNC, relative, "X:" alone or "X:folder")
    DriveMissing,       // the drive does not exist (or holds no medium)
    BadCharacter,       // < > : " | ? * or a control character after the drive
    ReservedName,       // a component named after a device: CON, NUL, COM1, LPT9, also "con.txt"
    TrailingDotOrSpace, // a component ending in a dot or a space, "." and ".." included
    FileInTheWay,       // an existing file where a folder has to be
};

struct InstallPathCheck
{
    InstallPathProblem problem = InstallPathProblem::None;
    CString strPart;   // the drive ("D:"), or the component at fault
};

// The attributes of a path as GetFileAttributesW gives them:
// INVALID_FILE_ATTRIBUTES when nothing is there.
typedef std::function<DWORD(const CString& strPath)> PathAttributesLookup;

// Checks a typed folder: its drive letter, then that the drive exists (its
// root answers the lookup), then every component's characters and name, then
// that no file stands where one of its folders has to be. Forward slashes
// count as backslashes.
InstallPathCheck CheckInstallPath(const CString& strPath, const PathAttributesLookup& lookup);

// CheckInstallPath against the real disk.
InstallPathCheck CheckInstallPathOnDisk(const CString& strPath);

// A reserved device name, whatever its case and whatever follows a dot.
bool IsReservedDeviceName(const CString& strComponent);

// The folder as it is stored and used: backslashes only, no empty
// components, no trailing dots or spaces on a component (Windows drops them
// when it opens the path, so the files land without them), and one trailing
// backslash. "." and ".." are left as they are.
CString NormalizeInstallPath(const CString& strPath);
