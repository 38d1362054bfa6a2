// extract_rules.h: the rules the extraction applies to entry names and
// attributes, without files or threads: where an entry goes, which names are
// refused, which are preserved, which copies of a name met twice are
// skipped. Plain inputs, so that tests call them directly. Free of GUI
// headers.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// A target path of this many characters or more is refused with code 5
// before anything on its way is created: Windows without long-path support
// cannot create it, and Wine, which could, would leave files that Windows
// programs without that support cannot open or remove.
constexpr size_t MAX_TARGET_PATH_CHARS = MAX_PATH;

// Entries of this file name, in any folder, are installed only when missing.
constexpr const wchar_t PRESERVED_FILE_NAME[] = L"config.ini";

// Percent after entry nIndex (zero-based) of nCount was done, truncated. With
// several blocks unpacked at once, a file's progress is posted once every
// entry before it in the archive is done, so the values are the same.
UINT GetProgressPercent(UINT32 nIndex, UINT32 nCount);

// True for an entry ("/" or "\\" separated) whose file name is
// PRESERVED_FILE_NAME as Windows compares names: case ignored, trailing dots
// and spaces dropped. The folders it is in do not count.
bool IsPreservedEntryName(const wchar_t* pszName);

// An entry as the name pass sees it: its base directory (ending with a
// backslash), its name ("/" or "\\" separated) and its kind.
struct CPlannedName
{
    std::wstring strBase;
    std::wstring strName;
    bool bDir;
};

// No entry of the archive.
constexpr UINT32 NO_ENTRY = 0xFFFFFFFF;

// What the name pass found: the entries another one later in archive order
// replaces (skipped, so the later copy wins whichever block is written
// first), and the first entry whose path is a file on the one side and a
// folder on the other (code 5 there; the entries after it are not looked at,
// as the run ends there).
struct CNamePlan
{
    std::vector<bool> superseded;   // one per name given
    UINT32 nClash = NO_ENTRY;
};

// The name pass over the entries in archive order. Paths compare as Windows
// compares names: case ignored, "/" and "\\" alike, trailing dots and spaces of
// a component dropped. Folders count both as entries and on the way to one.
CNamePlan PlanEntryNames(const std::vector<CPlannedName>& names);

// True when the first component of a "/"-separated entry name is exactly
// "config" or "resource".
bool IsDataEntryName(const wchar_t* pszName);

// True for a name that could leave its base directory or address something
// other than a file in it: a colon (drive letter, alternate data stream), a
// component of dots only ("..", "...") or a device name ("NUL", "com1.txt"),
// with "/" and "\" both separators.
bool IsUnsafeEntryName(const wchar_t* pszName);

// The attribute word to give an extracted file. Archives made on Unix carry
// the file mode in the high word, marked with FILE_ATTRIBUTE_UNIX_EXTENSION;
// only the Windows bits of such a word are applied.
DWORD GetAttributesToApply(DWORD dwStored);

// An entry refused before anything on its way is created: a name that could
// leave the base or name a device, or a target path too long for Windows.
bool IsRefusedEntry(const std::wstring& strBase, const wchar_t* pszName);
