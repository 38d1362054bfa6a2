// removal.h: what the uninstaller removes, decided apart from the file system
// so that tests can call it with plain lists.
#pragma once
#include <string>
#include <vector>

#include "engine/install_record.h"

// The payload's files, relative to the install folder with backslashes, as
// the build found them in the payload tree (payload_files.cpp, generated).
// A folder's entry ends with a backslash (the tree may hold empty folders).
extern const wchar_t* const g_rgPayloadFiles[];
extern const size_t g_nPayloadFiles;

// The folders that hold payload files, relative, each listed once and every
// folder before its parent, so that removing them in order empties a tree
// from the leaves up. The install folder itself is not listed.
std::vector<std::wstring> PayloadFolders(const std::vector<std::wstring>& files);

// The files to delete: those payload files that exist (bExists[i] for
// files[i]), as full paths below strInstallDir. Folder entries and names that
// would leave the folder are never among them.
std::vector<std::wstring> FilesToDelete(const std::wstring& strInstallDir, const std::vector<std::wstring>& files,
                                        const std::vector<bool>& bExists);

// One step of removing an installation: a file to delete, or a folder to
// remove, which succeeds only when it is empty.
struct RemovalStep
{
    bool bFolder;
    std::wstring strPath;   // whole path, no trailing backslash

    bool operator==(const RemovalStep& other) const
    {
        return bFolder == other.bFolder && strPath == other.strPath;
    }
};

// Removing an installation that has a record (strInstallDir ends with a
// backslash): every file the record lists, then the folders it created inside
// the install folder, deepest first, then the record itself, then the install
// folder and the parents the installer created, deepest first, all only when
// empty. A file the record does not list (a config.ini that was there before,
// the user's notes) is never a step. The record goes last of the folder's
// contents, so an interrupted removal still knows what is left.
std::vector<RemovalStep> PlanRecordRemoval(const std::wstring& strInstallDir,
                                           const std::vector<InstallRecordEntry>& record);

// Removing an installation made before records existed (or whose record
// cannot be read): FilesToDelete, then the record's name, then PayloadFolders,
// then the install folder itself, each folder only when empty.
std::vector<RemovalStep> PlanListRemoval(const std::wstring& strInstallDir, const std::vector<std::wstring>& files,
                                         const std::vector<bool>& bExists);

// The steps without any that touch strKeep (a folder ending with a backslash)
// or what lies below it: a previous installation in a folder around or
// inside the new one loses nothing of the new one.
std::vector<RemovalStep> WithoutFolder(const std::vector<RemovalStep>& steps, const std::wstring& strKeep);

// A folder path ending with exactly one backslash.
std::wstring WithTrailingBackslash(std::wstring strPath);

// Whether two folder paths name the same folder (any letter case, with or
// without a trailing backslash). The registry's remembered folder decides
// whether this installation still owns the links and keys.
bool IsSameFolder(const std::wstring& strA, const std::wstring& strB);

// The uninstaller's command line:
//   /S            unattended: no confirmation and no closing message (tests)
//   /D=<folder>   the install folder; without it, the uninstaller's own
//                 folder, and the work is handed to a copy in the temporary
//                 folder so that the uninstaller's own file can go too
//   /W=<pid>      wait for that process (the original uninstaller) to end
// Arguments may be quoted as a whole ("/D=C:\a b").
struct CUninstallArgs
{
    bool bSilent = false;
    std::wstring strInstallDir;   // empty when not given
    unsigned long dwWaitPid = 0;
};
CUninstallArgs ParseUninstallArgs(const std::vector<std::wstring>& args);
