#include "engine/temp_names.h"

#include <cwchar>

#include "engine/install_record.h"

std::wstring NumberedName(const wchar_t* pszPrefix, unsigned long n, const wchar_t* pszSuffix)
{
    return pszPrefix + DecimalDigits(n) + pszSuffix;
}

bool IsNumberedName(const wchar_t* pszName, const wchar_t* pszPrefix, const wchar_t* pszSuffix)
{
    const size_t nPrefix = std::wcslen(pszPrefix);
    const size_t nSuffix = std::wcslen(pszSuffix);
    const size_t nName = std::wcslen(pszName);
    if (nName <= nPrefix + nSuffix || ::_wcsnicmp(pszName, pszPrefix, nPrefix) != 0
        || ::_wcsicmp(pszName + nName - nSuffix, pszSuffix) != 0)
        return false;
    for (size_t i = nPrefix; i < nName - nSuffix; ++i) {
        if (pszName[i] < L'0' || pszName[i] > L'9')
            return false;
    }
    return true;
}

UINT RemoveNumberedFiles(const std::wstring& strDir, const wchar_t* pszPrefix, const wchar_t* pszSuffix,
                         const std::wstring& strKeep)
{
    WIN32_FIND_DATAW data = {};
    const std::wstring strPattern = strDir + pszPrefix + L"*";
    const HANDLE hFind = ::FindFirstFileW(strPattern.c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return 0;
    UINT nRemoved = 0;
    do {
        // The wildcard also matches short names: the long name decides.
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !IsNumberedName(data.cFileName, pszPrefix, pszSuffix))
            continue;
        const std::wstring strPath = strDir + data.cFileName;
        if (::_wcsicmp(strPath.c_str(), strKeep.c_str()) != 0 && ::DeleteFileW(strPath.c_str()))
            ++nRemoved;
    } while (::FindNextFileW(hFind, &data));
    ::FindClose(hFind);
    return nRemoved;
}
