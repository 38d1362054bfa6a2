// extract_stage.h: the payload staged as an archive file in the temporary
// folder, under a name of our own, for the worker to unpack from, and the
// sweep of the ones a killed installer left. Inside the engine (and its
// tests and benchmarks) only. Free of GUI headers.
#pragma once
#include <windows.h>
#include <string>

// Staged archives are named <prefix><number><suffix> in the temporary folder,
// so that ours can be told from other programs' files.
constexpr const wchar_t STAGED_ARCHIVE_PREFIX[] = L"vlsetup-stage-";
constexpr const wchar_t STAGED_ARCHIVE_SUFFIX[] = L".7z";
// Names tried after a collision before staging gives up.
constexpr DWORD STAGED_ARCHIVE_TRIES = 64;

// The temporary archive's path from GetTempPathW's folder, GetLongPathNameW's
// form of it (empty when that failed) and the name's number.
std::wstring ComposeTempArchivePath(const wchar_t* pszTempDir, const wchar_t* pszLongDir, DWORD dwUnique);

// <temporary folder>\<prefix><dwUnique><suffix> (the folder's long form when
// it has one); empty when GetTempPathW fails or its folder does not fit.
std::wstring GetTempArchivePath(DWORD dwUnique);

// Creates an empty staged archive with CREATE_NEW under the first free name
// from dwSeed on, returns its path and its handle (open for writing, the
// caller's to close) in *phFile; empty (INVALID_HANDLE_VALUE) when none could
// be created. A file that exists already is never opened, so it is never
// ours to delete.
std::wstring ReserveTempArchive(DWORD dwSeed, HANDLE* phFile);

// True for a file name of the form ReserveTempArchive gives: the prefix,
// decimal digits only, the suffix.
bool IsStagedArchiveName(const wchar_t* pszName);

// Deletes the staged archives an installer that was killed left in
// strTempDir (ending with a backslash); other files are never touched. Only
// one installer runs at a time, so at start-up none of them is in use.
// Returns how many were deleted. (extract.h: the same on GetTempPathW's
// folder.)
UINT RemoveLeftStagedArchives(const std::wstring& strTempDir);

// Writes the payload resource of AfxGetResourceHandle() through hFile (not
// closed here).
bool WritePayloadToFile(HANDLE hFile);
