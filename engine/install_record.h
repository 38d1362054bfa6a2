// install_record.h: what an installation owns, kept beside its uninstaller.
//
//   std::vector<InstallRecordEntry> owned;
//   ReadInstallRecord(strInstallDir, &owned);          // empty when there is none
//   owned = MergeInstallRecord(owned, thisRun);         // an upgrade keeps the old entries
//   WriteInstallRecord(strInstallDir, owned);           // at the end of a successful installation
//   ...
//   for (const InstallRecordEntry& e : GetRemovalOrder(owned))   // the uninstaller
//       e.kind == InstallRecordKind::CreatedFolder ? RemoveDirectoryW(e.strPath) : DeleteFileW(e.strPath);
//
// The record lists the files the installer created, the files it replaced
// and the folders it created, as whole paths. A file that was there before
// the first installation and never written (a kept config.ini) is not in it,
// so removing what the record lists never takes another program's file.
// The file is UTF-8 text: a version line, one entry per line, and an end
// line holding the count, so that a cut or foreign file is refused whole;
// it is written under a temporary name and renamed into place.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// <install folder><this name>: beside the uninstaller.
constexpr const wchar_t INSTALL_RECORD_FILE_NAME[] = L"VLInstall.rec";
// The name it is written under before the rename.
constexpr const wchar_t INSTALL_RECORD_TEMP_SUFFIX[] = L".new";

// The first line; a record of another version is not read.
constexpr const char INSTALL_RECORD_HEADER[] = "VLSetup install record 1";
// The last line is this, a space and the number of entries.
constexpr const char INSTALL_RECORD_END[] = "end";

enum class InstallRecordKind : char {
    CreatedFile = 'F',     // did not exist before the installation
    ReplacedFile = 'R',    // existed and was overwritten
    CreatedFolder = 'D',   // did not exist before the installation
};

struct InstallRecordEntry
{
    InstallRecordKind kind;
    std::wstring strPath;   // whole path, backslashes, no trailing backslash

    bool operator==(const InstallRecordEntry& other) const
    {
        return kind == other.kind && strPath == other.strPath;
    }
};

// <strInstallDir><INSTALL_RECORD_FILE_NAME>; strInstallDir ends with a backslash.
std::wstring GetInstallRecordPath(const std::wstring& strInstallDir);

// The record's text (UTF-8).
std::string FormatInstallRecord(const std::vector<InstallRecordEntry>& entries);

// Reads a record's text into *pEntries. False (and *pEntries empty) for text
// of another version, cut short, with an unknown kind, or naming a path that
// is not whole, climbs out with "..", or lies outside strInstallDir (a
// created folder may also be one of its parents: the installer made those too).
bool ParseInstallRecord(const std::string& strText, const std::wstring& strInstallDir,
                        std::vector<InstallRecordEntry>* pEntries);

// Writes the record beside the uninstaller in strInstallDir: to the temporary
// name, flushed, then renamed over the old one. False when any step failed
// (the old record, if any, is then unchanged).
bool WriteInstallRecord(const std::wstring& strInstallDir, const std::vector<InstallRecordEntry>& entries);

// Reads the record in strInstallDir; false (and *pEntries empty) when there
// is none or it is not a whole record of this version.
bool ReadInstallRecord(const std::wstring& strInstallDir, std::vector<InstallRecordEntry>* pEntries);

// An upgrade's record: the previous entries, then this run's entries whose
// path (in any letter case) is not among them yet. A file the previous
// installation created stays "created" when this run replaced it.
std::vector<InstallRecordEntry> MergeInstallRecord(const std::vector<InstallRecordEntry>& previous,
                                                   const std::vector<InstallRecordEntry>& thisRun);

// Text helpers the record and the journal share: UTF-8 from UTF-16, the
// way back (false for bytes that are not UTF-8), and a whole file of at
// most a gigabyte read into *pText (false when it could not be).
std::string ToUtf8(const std::wstring& str);
bool FromUtf8(const std::string& str, std::wstring* pOut);
bool ReadWholeFile(const std::wstring& strPath, std::string* pText);
// n in decimal digits (by hand: the C99 printf family stays out of the program).
std::wstring DecimalDigits(unsigned long long n);

// The order to remove what a record lists: every file in record order, then
// the created folders deepest first (a folder is removed only when empty,
// which RemoveDirectoryW checks by itself).
std::vector<InstallRecordEntry> GetRemovalOrder(const std::vector<InstallRecordEntry>& entries);
