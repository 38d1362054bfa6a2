#include "engine/install_path.h"

#include <cwchar>
#include <vector>

#include "engine/extract_rules.h"
#include "engine/product.h"
#include "payload_entries.h"

namespace {

constexpr wchar_t BAD_PATH_CHARS[] = L"<>:\"|?*";
constexpr wchar_t FIRST_PRINTABLE = L' ';

bool IsSeparator(wchar_t ch)
{
    return ch == L'\\' || ch == L'/';
}

bool IsAsciiLetter(wchar_t ch)
{
    return (ch >= L'A' && ch <= L'Z') || (ch >= L'a' && ch <= L'z');
}

bool IsDotOrSpace(wchar_t ch)
{
    return ch == L'.' || ch == L' ';
}

// The non-empty components of strText, split at either separator.
std::vector<CString> SplitComponents(const CString& strText)
{
    std::vector<CString> components;
    CString strPart;
    for (int i = 0; i < strText.GetLength(); ++i) {
        const wchar_t ch = strText[i];
        if (!IsSeparator(ch)) {
            strPart += ch;
            continue;
        }
        if (!strPart.IsEmpty())
            components.push_back(strPart);
        strPart.Empty();
    }
    if (!strPart.IsEmpty())
        components.push_back(strPart);
    return components;
}

bool HasBadCharacter(const CString& strComponent)
{
    for (int i = 0; i < strComponent.GetLength(); ++i) {
        const wchar_t ch = strComponent[i];
        if (ch < FIRST_PRINTABLE || std::wcschr(BAD_PATH_CHARS, ch))
            return true;
    }
    return false;
}

CString WithTrailingSeparator(const CString& strPath)
{
    if (!strPath.IsEmpty() && IsSeparator(strPath[strPath.GetLength() - 1]))
        return strPath;
    return strPath + L'\\';
}

InstallPathCheck Problem(InstallPathProblem problem, const CString& strPart)
{
    InstallPathCheck check;
    check.problem = problem;
    check.strPart = strPart;
    return check;
}

DWORD QueryDiskAttributes(const CString& strPath)
{
    // A drive without a medium must not bring up the system's "insert a disk" box.
    const UINT nOldMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    const DWORD dwAttributes = ::GetFileAttributesW(strPath);
    ::SetErrorMode(nOldMode);
    return dwAttributes;
}

}  // namespace

bool IsReservedDeviceName(const CString& strComponent)
{
    // Windows reads the name up to the first dot, without trailing spaces.
    CString strBase = strComponent;
    const int nDot = strBase.Find(L'.');
    if (nDot >= 0)
        strBase = strBase.Left(nDot);
    strBase.TrimRight(L' ');
    static const wchar_t* const s_names[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t* pszName : s_names) {
        if (strBase.CompareNoCase(pszName) == 0)
            return true;
    }
    if (strBase.GetLength() != 4)
        return false;
    const CString strStem = strBase.Left(3);
    if (strStem.CompareNoCase(L"COM") != 0 && strStem.CompareNoCase(L"LPT") != 0)
        return false;
    // Digits 1 to 9, and the superscript ones Windows also takes.
    const wchar_t chDigit = strBase[3];
    return (chDigit >= L'1' && chDigit <= L'9') || chDigit == L'\u00B9' || chDigit == L'\u00B2' ||
           chDigit == L'\u00B3';
}

InstallPathCheck CheckInstallPath(const CString& strPath, const PathAttributesLookup& lookup, int nLongestEntryChars)
{
    if (strPath.GetLength() < 2 || !IsAsciiLetter(strPath[0]) || strPath[1] != L':')
        return Problem(InstallPathProblem::NoDriveLetter, CString());
    const CString strDrive = strPath.Left(2);
    // A missing drive is the clearer reason, also for "D:" typed alone.
    if (lookup(strDrive + L'\\') == INVALID_FILE_ATTRIBUTES)
        return Problem(InstallPathProblem::DriveMissing, strDrive);
    // "D:folder" is relative to the drive's current folder, whatever that is.
    if (strPath.GetLength() < 3 || !IsSeparator(strPath[2]))
        return Problem(InstallPathProblem::NoDriveLetter, CString());

    const std::vector<CString> components = SplitComponents(strPath.Mid(3));
    for (const CString& strComponent : components) {
        if (HasBadCharacter(strComponent))
            return Problem(InstallPathProblem::BadCharacter, strComponent);
        if (IsReservedDeviceName(strComponent))
            return Problem(InstallPathProblem::ReservedName, strComponent);
        if (IsDotOrSpace(strComponent[strComponent.GetLength() - 1]))
            return Problem(InstallPathProblem::TrailingDotOrSpace, strComponent);
        if (strComponent.GetLength() > MAX_PATH_COMPONENT_CHARS)
            return Problem(InstallPathProblem::NameTooLong, CString());
    }
    // The extraction refuses such a file only when it gets to it, halfway through.
    const int nStored = NormalizeInstallPath(strPath).GetLength();
    if (nStored + nLongestEntryChars >= static_cast<int>(MAX_TARGET_PATH_CHARS))
        return Problem(InstallPathProblem::TooLong, CString());

    // Below the first folder that is not there, nothing is there.
    CString strSoFar = strDrive;
    for (const CString& strComponent : components) {
        strSoFar += L'\\';
        strSoFar += strComponent;
        const DWORD dwAttributes = lookup(strSoFar);
        if (dwAttributes == INVALID_FILE_ATTRIBUTES)
            break;
        if (!(dwAttributes & FILE_ATTRIBUTE_DIRECTORY))
            return Problem(InstallPathProblem::FileInTheWay, strComponent);
    }
    return InstallPathCheck();
}

InstallPathCheck CheckInstallPathOnDisk(const CString& strPath)
{
    return CheckInstallPath(strPath, QueryDiskAttributes, PAYLOAD_LONGEST_ENTRY_CHARS);
}

bool IsDriveRoot(const CString& strPath)
{
    if (strPath.GetLength() < 2 || !IsAsciiLetter(strPath[0]) || strPath[1] != L':')
        return false;
    for (int i = 2; i < strPath.GetLength(); ++i) {
        if (!IsSeparator(strPath[i]))
            return false;
    }
    return true;
}

CString AppendProductFolder(const CString& strFolder)
{
    int nEnd = strFolder.GetLength();
    while (nEnd > 0 && IsSeparator(strFolder[nEnd - 1]))
        --nEnd;
    CString strPath = strFolder.Left(nEnd);
    strPath += L'\\';
    strPath += PRODUCT_NAME;
    strPath += L'\\';
    return strPath;
}

CString ComposeTypedFolder(const CString& strTyped)
{
    return IsDriveRoot(strTyped) ? AppendProductFolder(strTyped) : strTyped;
}

FolderOccupant ClassifyInstallFolder(const CString& strFolder, const FolderNamesLookup& lookup)
{
    const std::vector<CString> names = lookup(strFolder);
    if (names.empty())
        return FolderOccupant::Nothing;
    for (const CString& strName : names) {
        if (strName.CompareNoCase(APP_EXE_NAME) == 0 || strName.CompareNoCase(UNINSTALL_EXE_NAME) == 0)
            return FolderOccupant::Installation;
    }
    return FolderOccupant::Foreign;
}

FolderOccupant ClassifyInstallFolderOnDisk(const CString& strFolder)
{
    return ClassifyInstallFolder(strFolder, [](const CString& strDir) {
        std::vector<CString> names;
        WIN32_FIND_DATAW fd = {};
        const UINT nOldMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        const HANDLE hFind = ::FindFirstFileW(WithTrailingSeparator(strDir) + L'*', &fd);
        ::SetErrorMode(nOldMode);
        if (hFind == INVALID_HANDLE_VALUE)
            return names;
        do {
            const CString strName = fd.cFileName;
            if (strName != L"." && strName != L"..")
                names.push_back(strName);
        } while (::FindNextFileW(hFind, &fd));
        ::FindClose(hFind);
        return names;
    });
}

CString NormalizeInstallPath(const CString& strPath)
{
    CString strResult;
    // A leading separator (a rooted or a UNC path) is kept as it was.
    if (strPath.GetLength() >= 2 && IsSeparator(strPath[0]) && IsSeparator(strPath[1]))
        strResult = L"\\\\";
    else if (!strPath.IsEmpty() && IsSeparator(strPath[0]))
        strResult = L"\\";
    for (CString strComponent : SplitComponents(strPath)) {
        if (strComponent != L"." && strComponent != L"..") {
            strComponent.TrimRight(L". ");
            if (strComponent.IsEmpty())
                continue;
        }
        strResult += strComponent;
        strResult += L'\\';
    }
    if (strResult.IsEmpty())
        strResult = L"\\";
    return strResult;
}
