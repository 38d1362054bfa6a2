// directory.h: making sure every directory along a path exists.
//
//   CreateDirectoryPath(strGroup);   // before a link is saved there
//
// Used for the shell folders of the shortcuts. The extraction worker creates
// the install folder and its entries' directories itself, journaled, so
// that an undone run removes them.
#pragma once
#include <windows.h>
#include <vector>
#include "afx/afxstr.h"

// The directories CreateDirectoryPath tries, shortest first: "/" read as "\",
// every prefix that ends just before a backslash, and the whole path (without
// a trailing backslash) last. Prefixes that cannot be directories (a drive
// such as "C:", the empty text before a leading backslash) are listed too:
// they are tried and simply fail. Empty for an empty path.
std::vector<CString> GetDirectoryPrefixes(CString strPath);

// Creates every missing directory along strPath (backslashes or slashes, with
// or without a trailing separator). FALSE only for an empty path; TRUE for any
// other, whether or not the directories could be created: a caller finds out
// when it fails to create a file there.
BOOL CreateDirectoryPath(CString strPath);

// CreateDirectoryPath, also listing in *pCreated (shortest first, without a
// trailing backslash) the directories this call made: the levels an
// installation's record lists as its own folders, parents of the install
// folder included, so that removing it leaves none of them behind.
BOOL CreateDirectoryPath(CString strPath, std::vector<CString>* pCreated);
