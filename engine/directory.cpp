#include "engine/directory.h"

std::vector<CString> GetDirectoryPrefixes(CString strPath)
{
    std::vector<CString> prefixes;
    if (strPath.IsEmpty())
        return prefixes;
    strPath.Replace(L'/', L'\\');
    if (strPath[strPath.GetLength() - 1] != L'\\')
        strPath += L'\\';

    // The path ends with a backslash now, so every search finds one.
    int nPos = 0;
    while (nPos < strPath.GetLength()) {
        const int nSep = strPath.Find(L'\\', nPos);
        prefixes.push_back(strPath.Left(nSep));
        nPos = nSep + 1;
    }
    return prefixes;
}

BOOL CreateDirectoryPath(CString strPath)
{
    if (strPath.IsEmpty())
        return FALSE;
    // Existing directories, drives and missing rights all fail alike; only
    // the last prefix matters, and the caller learns of it when writing.
    for (const CString& strPrefix : GetDirectoryPrefixes(strPath))
        ::CreateDirectoryW(strPrefix, nullptr);
    return TRUE;
}

BOOL CreateDirectoryPath(CString strPath, std::vector<CString>* pCreated)
{
    pCreated->clear();
    if (strPath.IsEmpty())
        return FALSE;
    for (const CString& strPrefix : GetDirectoryPrefixes(strPath)) {
        if (::CreateDirectoryW(strPrefix, nullptr))
            pCreated->push_back(strPrefix);
    }
    return TRUE;
}
