#include "engine/extract_rules.h"

#include <cwchar>
#include <map>

namespace {

// The first path component that sends an entry below the data directory.
constexpr const wchar_t DATA_DIR_COMPONENTS[][9] = {L"config", L"resource"};

// Archives made on Unix mark their attribute words with FILE_ATTRIBUTE_UNIX_EXTENSION
// (this bit) and keep the file mode in the high word; the low bits below it
// are the Windows attributes.
constexpr DWORD UNIX_MODE_ATTRIBUTE_MARK = 0x8000;
constexpr DWORD WINDOWS_ATTRIBUTE_BITS = UNIX_MODE_ATTRIBUTE_MARK - 1;

// Names Windows reads as devices in any folder, with or without an
// extension; COM1..COM9 and LPT1..LPT9 as well.
constexpr const wchar_t RESERVED_DEVICE_NAMES[][8] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};

bool IsSeparator(wchar_t ch)
{
    return ch == L'/' || ch == L'\\';
}

// A component of dots only ("..", "..."; trailing spaces ignored, as Windows
// ignores them): read as a parent directory, or close enough to one.
bool IsDotsComponent(const wchar_t* pszBegin, const wchar_t* pszEnd)
{
    while (pszEnd > pszBegin && pszEnd[-1] == L' ')
        --pszEnd;
    if (pszEnd - pszBegin < 2)
        return false;
    for (const wchar_t* p = pszBegin; p < pszEnd; ++p) {
        if (*p != L'.')
            return false;
    }
    return true;
}

// A component Windows reads as a device whatever folder it is in ("NUL",
// "com1.txt", "AUX .log"): the name before the first dot, trailing spaces
// ignored, is one of the reserved device names. Writing there would report
// success and leave no file.
bool IsDeviceComponent(const wchar_t* pszBegin, const wchar_t* pszEnd)
{
    const wchar_t* pszStem = pszBegin;
    while (pszStem < pszEnd && *pszStem != L'.')
        ++pszStem;
    while (pszStem > pszBegin && pszStem[-1] == L' ')
        --pszStem;
    const size_t nLength = static_cast<size_t>(pszStem - pszBegin);
    for (const wchar_t* pszDevice : RESERVED_DEVICE_NAMES) {
        if (std::wcslen(pszDevice) == nLength && ::_wcsnicmp(pszBegin, pszDevice, nLength) == 0)
            return true;
    }
    // COM1..COM9, LPT1..LPT9
    return nLength == 4 && (::_wcsnicmp(pszBegin, L"COM", 3) == 0 || ::_wcsnicmp(pszBegin, L"LPT", 3) == 0)
        && pszBegin[3] >= L'1' && pszBegin[3] <= L'9';
}

// A name component as Windows finds the file: without its trailing dots and
// spaces.
const wchar_t* TrimComponentEnd(const wchar_t* pszBegin, const wchar_t* pszEnd)
{
    while (pszEnd > pszBegin && (pszEnd[-1] == L'.' || pszEnd[-1] == L' '))
        --pszEnd;
    return pszEnd;
}

// The path under which Windows finds the same file: "\\" between
// components, each trimmed. Compared with CWindowsNameLess.
std::wstring GetFileSystemPath(const std::wstring& strBase, const std::wstring& strName)
{
    std::wstring strPath = strBase;
    const wchar_t* pszComponent = strName.c_str();
    for (const wchar_t* p = pszComponent;; ++p) {
        if (*p && !IsSeparator(*p))
            continue;
        strPath.append(pszComponent, TrimComponentEnd(pszComponent, p));
        if (!*p)
            return strPath;
        strPath += L'\\';
        pszComponent = p + 1;
    }
}

// Orders paths as Windows tells names apart: case ignored, unit by unit.
struct CWindowsNameLess
{
    bool operator()(const std::wstring& a, const std::wstring& b) const
    {
        return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                      TRUE) == CSTR_LESS_THAN;
    }
};

}  // namespace

UINT GetProgressPercent(UINT32 nIndex, UINT32 nCount)
{
    const UINT32 nDone = nIndex + 1;
    return static_cast<UINT>(static_cast<double>(nDone) * 100.0 / static_cast<double>(nCount));
}

bool IsDataEntryName(const wchar_t* pszName)
{
    const wchar_t* pszSlash = std::wcschr(pszName, L'/');
    const size_t nLength = pszSlash ? static_cast<size_t>(pszSlash - pszName) : std::wcslen(pszName);
    for (const wchar_t* pszComponent : DATA_DIR_COMPONENTS) {
        if (std::wcslen(pszComponent) == nLength && std::wcsncmp(pszName, pszComponent, nLength) == 0)
            return true;
    }
    return false;
}

bool IsPreservedEntryName(const wchar_t* pszName)
{
    const wchar_t* pszEnd = pszName + std::wcslen(pszName);
    const wchar_t* pszFile = pszEnd;
    while (pszFile > pszName && !IsSeparator(pszFile[-1]))
        --pszFile;
    pszEnd = TrimComponentEnd(pszFile, pszEnd);
    return ::CompareStringOrdinal(pszFile, static_cast<int>(pszEnd - pszFile), PRESERVED_FILE_NAME, -1, TRUE)
           == CSTR_EQUAL;
}

CNamePlan PlanEntryNames(const std::vector<CPlannedName>& names)
{
    CNamePlan plan;
    plan.superseded.assign(names.size(), false);
    // Each path met so far: a file (the entry that writes it) or a folder (NO_ENTRY).
    std::map<std::wstring, UINT32, CWindowsNameLess> paths;
    for (UINT32 i = 0; i < names.size(); ++i) {
        const CPlannedName& entry = names[i];
        const std::wstring strPath = GetFileSystemPath(entry.strBase, entry.strName);
        for (size_t n = strPath.find(L'\\', entry.strBase.size()); n != std::wstring::npos;
             n = strPath.find(L'\\', n + 1)) {
            const auto folder = paths.emplace(strPath.substr(0, n), NO_ENTRY);
            if (folder.first->second != NO_ENTRY) {
                plan.nClash = i;   // a folder on its way is a file already
                return plan;
            }
        }
        const auto met = paths.emplace(strPath, entry.bDir ? NO_ENTRY : i);
        if (met.second)
            continue;
        if ((met.first->second == NO_ENTRY) != entry.bDir) {
            plan.nClash = i;
            return plan;
        }
        if (!entry.bDir) {
            plan.superseded[met.first->second] = true;
            met.first->second = i;
        }
    }
    return plan;
}

bool IsUnsafeEntryName(const wchar_t* pszName)
{
    if (std::wcschr(pszName, L':'))
        return true;
    const wchar_t* pszComponent = pszName;
    for (const wchar_t* p = pszName;; ++p) {
        if (*p && !IsSeparator(*p))
            continue;
        if (IsDotsComponent(pszComponent, p) || IsDeviceComponent(pszComponent, p))
            return true;
        if (!*p)
            return false;
        pszComponent = p + 1;
    }
}

DWORD GetAttributesToApply(DWORD dwStored)
{
    return (dwStored & UNIX_MODE_ATTRIBUTE_MARK) ? (dwStored & WINDOWS_ATTRIBUTE_BITS) : dwStored;
}

bool IsRefusedEntry(const std::wstring& strBase, const wchar_t* pszName)
{
    return IsUnsafeEntryName(pszName) || strBase.size() + std::wcslen(pszName) >= MAX_TARGET_PATH_CHARS;
}
