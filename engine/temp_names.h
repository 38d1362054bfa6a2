// temp_names.h: the files of our own in the temporary folder (the staged
// archive, the uninstaller's copy) are named <prefix><decimal number><suffix>,
// so that a later sweep tells those a killed or ended run left from other
// programs' files.
#pragma once
#include <windows.h>
#include <string>

// <pszPrefix><n in decimal><pszSuffix>.
std::wstring NumberedName(const wchar_t* pszPrefix, unsigned long n, const wchar_t* pszSuffix);

// True for pszName of that form (any letter case): the prefix, decimal
// digits only, the suffix.
bool IsNumberedName(const wchar_t* pszName, const wchar_t* pszPrefix, const wchar_t* pszSuffix);

// Deletes the files of that form in strDir (ending with a backslash), never
// strKeep (a whole path; may be empty) nor anything else; one in use cannot be
// deleted and stays. Returns how many went.
UINT RemoveNumberedFiles(const std::wstring& strDir, const wchar_t* pszPrefix, const wchar_t* pszSuffix,
                         const std::wstring& strKeep = std::wstring());
