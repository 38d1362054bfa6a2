#include "payload/uninstall/removal.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

std::vector<std::wstring> PayloadFolders(const std::vector<std::wstring>& files)
{
    std::vector<std::wstring> folders;
    for (const std::wstring& strEntry : files) {
        // A folder entry ends with a backslash; it counts like a file inside it.
        const std::wstring strFile = !strEntry.empty() && strEntry.back() == L'\\' ? strEntry + L'.' : strEntry;
        for (size_t nPos = strFile.rfind(L'\\'); nPos != std::wstring::npos && nPos > 0;
             nPos = strFile.rfind(L'\\', nPos - 1)) {
            std::wstring strFolder = strFile.substr(0, nPos);
            if (std::find(folders.begin(), folders.end(), strFolder) == folders.end())
                folders.push_back(strFolder);
        }
    }
    // Deeper folders have more separators; removing them first lets a parent
    // become empty.
    auto depth = [](const std::wstring& str) { return std::count(str.begin(), str.end(), L'\\'); };
    std::stable_sort(folders.begin(), folders.end(),
                     [&](const std::wstring& a, const std::wstring& b) { return depth(a) > depth(b); });
    return folders;
}

std::vector<std::wstring> FilesToDelete(const std::wstring& strInstallDir, const std::vector<std::wstring>& files,
                                        const std::vector<bool>& bExists)
{
    std::vector<std::wstring> paths;
    const std::wstring strDir = WithTrailingBackslash(strInstallDir);
    for (size_t i = 0; i < files.size() && i < bExists.size(); ++i) {
        // A name that climbs out of the folder is never ours to delete.
        const std::wstring& strFile = files[i];
        if (strFile.empty() || strFile.back() == L'\\' || strFile[0] == L'\\' || strFile.find(L':') != std::wstring::npos ||
            strFile == L".." || strFile.rfind(L"..\\", 0) == 0 || strFile.find(L"\\..\\") != std::wstring::npos ||
            (strFile.size() >= 3 && strFile.compare(strFile.size() - 3, 3, L"\\..") == 0))
            continue;
        if (bExists[i])
            paths.push_back(strDir + strFile);
    }
    return paths;
}

std::wstring WithTrailingBackslash(std::wstring strPath)
{
    while (!strPath.empty() && (strPath.back() == L'\\' || strPath.back() == L'/'))
        strPath.pop_back();
    return strPath + L'\\';
}

bool IsSameFolder(const std::wstring& strA, const std::wstring& strB)
{
    if (strA.empty() || strB.empty())
        return false;
    return _wcsicmp(WithTrailingBackslash(strA).c_str(), WithTrailingBackslash(strB).c_str()) == 0;
}

CUninstallArgs ParseUninstallArgs(const std::vector<std::wstring>& args)
{
    CUninstallArgs result;
    for (std::wstring strArg : args) {
        if (strArg.size() >= 2 && strArg.front() == L'"' && strArg.back() == L'"')
            strArg = strArg.substr(1, strArg.size() - 2);
        if (_wcsicmp(strArg.c_str(), L"/S") == 0) {
            result.bSilent = true;
        } else if (_wcsnicmp(strArg.c_str(), L"/D=", 3) == 0 && strArg.size() > 3) {
            result.strInstallDir = WithTrailingBackslash(strArg.substr(3));
        } else if (_wcsnicmp(strArg.c_str(), L"/W=", 3) == 0) {
            result.dwWaitPid = std::wcstoul(strArg.c_str() + 3, nullptr, 10);
        }
    }
    return result;
}
