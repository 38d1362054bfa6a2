// install_path.h: what a typed install folder must be before an installation
// may start into it, and the one form in which a folder is stored.
//
// The rules are free functions over plain text; the disk is asked only
// through the attribute lookup passed in, so tests play any disk they like.
// CheckInstallPathOnDisk is the same check against the real disk.
#pragma once
#include <windows.h>
#include <functional>
#include <vector>
#include "afx/afxstr.h"

// The longest name one folder or file may have.
constexpr int MAX_PATH_COMPONENT_CHARS = 255;

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
    NameTooLong,        // a component over MAX_PATH_COMPONENT_CHARS characters
    TooLong,            // the folder plus the payload's longest entry reaches MAX_PATH
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
// root answers the lookup), then every component's characters, name and
// length, then that the stored folder (NormalizeInstallPath) joined to an
// entry of nLongestEntryChars stays below MAX_PATH, then that no file stands
// where one of its folders has to be. Forward slashes count as backslashes.
InstallPathCheck CheckInstallPath(const CString& strPath, const PathAttributesLookup& lookup,
                                  int nLongestEntryChars = 0);

// CheckInstallPath against the real disk, for the embedded payload's longest
// entry (PAYLOAD_LONGEST_ENTRY_CHARS, measured by the build).
InstallPathCheck CheckInstallPathOnDisk(const CString& strPath);

// "X:" or "X:\" (either separator, any number of them): the root of a drive.
bool IsDriveRoot(const CString& strPath);

// strFolder without its trailing separators, then "\Vellomar\": the product's
// own folder below a chosen one.
CString AppendProductFolder(const CString& strFolder);

// The folder a typed path stands for: a drive root gets the product's folder,
// as a drive root chosen with the folder browser does (nobody means to spread
// the programs over a drive's top); any other path as it is.
CString ComposeTypedFolder(const CString& strTyped);

// What an install folder holds before anything is written there.
enum class FolderOccupant
{
    Nothing,        // missing or empty
    Installation,   // the product's programs are there: an earlier installation
    Foreign,        // other files only: the user must agree before we write there
};

// The names in a folder ("." and ".." left out); empty when it is missing.
typedef std::function<std::vector<CString>(const CString& strFolder)> FolderNamesLookup;

// Tells apart an empty folder, an earlier installation (Vellomar.exe or
// VLUninstall.exe at its top, in any letter case) and someone else's files.
FolderOccupant ClassifyInstallFolder(const CString& strFolder, const FolderNamesLookup& lookup);

// ClassifyInstallFolder against the real disk.
FolderOccupant ClassifyInstallFolderOnDisk(const CString& strFolder);

// A reserved device name, whatever its case and whatever follows a dot.
bool IsReservedDeviceName(const CString& strComponent);

// The folder as it is stored and used: backslashes only, no empty
// components, no trailing dots or spaces on a component (Windows drops them
// when it opens the path, so the files land without them), and one trailing
// backslash. "." and ".." are left as they are.
CString NormalizeInstallPath(const CString& strPath);
