// temp_copy.h: the uninstaller's copy of itself in the temporary folder, which
// does the removal so that the uninstaller's own file can go too.
//
//   RemoveLeftTempCopies(strTempDir, strOwnExe);          // earlier runs' copies
//   strCopy = MakeTempCopy(strTempDir, strOwnExe, dwSeed);
//
// A copy cannot delete itself while it runs: it asks for its deletion at the
// next restart, and the next uninstaller sweeps it before making its own.
#pragma once
#include <string>

// Copies are named <prefix><number><suffix>, so that a sweep can tell ours
// from other programs' files.
constexpr const wchar_t TEMP_COPY_PREFIX[] = L"vluninstall-";
constexpr const wchar_t TEMP_COPY_SUFFIX[] = L".exe";
// Names tried after a collision before the hand-over gives up.
constexpr unsigned long TEMP_COPY_TRIES = 64;

// <prefix><nNumber in decimal><suffix>, without a folder.
std::wstring TempCopyName(unsigned long nNumber);

// True for a name of the form TempCopyName gives (any letter case): the
// prefix, decimal digits only, the suffix.
bool IsTempCopyName(const std::wstring& strName);

// Copies strSource into strTempDir (ending with a backslash) under the first
// free name from dwSeed on, created with CREATE_NEW: a file that exists is
// never opened, so never overwritten or deleted. Returns the copy's path;
// empty when none could be made (a half-written copy is deleted).
std::wstring MakeTempCopy(const std::wstring& strTempDir, const std::wstring& strSource, unsigned long dwSeed);

// Deletes the copies earlier runs left in strTempDir (ending with a
// backslash), never strKeep (a whole path) nor another program's file; a copy
// that still runs cannot be deleted and stays. Returns how many went.
unsigned RemoveLeftTempCopies(const std::wstring& strTempDir, const std::wstring& strKeep);
