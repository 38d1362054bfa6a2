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

namespace {

bool StartsWithNoCase(const std::wstring& str, const std::wstring& strPrefix)
{
    return str.size() >= strPrefix.size() && _wcsnicmp(str.c_str(), strPrefix.c_str(), strPrefix.size()) == 0;
}

std::wstring WithoutTrailingBackslash(const std::wstring& strFolder)
{
    const std::wstring strDir = WithTrailingBackslash(strFolder);
    return strDir.substr(0, strDir.size() - 1);
}

}  // namespace

std::vector<RemovalStep> PlanRecordRemoval(const std::wstring& strInstallDir,
                                           const std::vector<InstallRecordEntry>& record)
{
    const std::wstring strDir = WithTrailingBackslash(strInstallDir);
    std::vector<RemovalStep> steps;
    bool bRecordPlanned = false;
    for (const InstallRecordEntry& entry : GetRemovalOrder(record)) {
        const bool bFolder = entry.kind == InstallRecordKind::CreatedFolder;
        const bool bInside = entry.strPath.size() > strDir.size() && StartsWithNoCase(entry.strPath, strDir);
        // The order puts files first and the deepest folders next: the first
        // folder not inside the install folder is the folder itself or a parent.
        if (bFolder && !bInside && !bRecordPlanned) {
            steps.push_back({false, GetInstallRecordPath(strDir)});
            bRecordPlanned = true;
        }
        steps.push_back({bFolder, entry.strPath});
    }
    if (!bRecordPlanned)
        steps.push_back({false, GetInstallRecordPath(strDir)});
    return steps;
}

std::vector<RemovalStep> PlanListRemoval(const std::wstring& strInstallDir, const std::vector<std::wstring>& files,
                                         const std::vector<bool>& bExists)
{
    const std::wstring strDir = WithTrailingBackslash(strInstallDir);
    std::vector<RemovalStep> steps;
    for (const std::wstring& strPath : FilesToDelete(strDir, files, bExists))
        steps.push_back({false, strPath});
    // Our name: a record that could not be read goes with the rest.
    steps.push_back({false, GetInstallRecordPath(strDir)});
    for (const std::wstring& strFolder : PayloadFolders(files))
        steps.push_back({true, strDir + strFolder});
    steps.push_back({true, WithoutTrailingBackslash(strDir)});
    return steps;
}

std::vector<RemovalStep> WithoutFolder(const std::vector<RemovalStep>& steps, const std::wstring& strKeep)
{
    const std::wstring strKeepDir = WithTrailingBackslash(strKeep);
    const std::wstring strKeepPath = WithoutTrailingBackslash(strKeep);
    std::vector<RemovalStep> kept;
    for (const RemovalStep& step : steps) {
        if (_wcsicmp(step.strPath.c_str(), strKeepPath.c_str()) != 0 && !StartsWithNoCase(step.strPath, strKeepDir))
            kept.push_back(step);
    }
    return kept;
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
