#include "payload/uninstall/installation_removal.h"

#include <windows.h>
#include <process.h>
#include <memory>

#include "engine/owners.h"
#include "engine/product.h"
#include "engine/registration.h"
#include "engine/setup_log.h"

namespace {

// The thread removing a previous installation; this file is its one owner.
HANDLE g_hPreviousRemoval = nullptr;

struct PreviousRemovalJob
{
    std::wstring strPrevious;
    std::wstring strNewDir;
};

std::vector<std::wstring> PayloadList()
{
    return std::vector<std::wstring>(g_rgPayloadFiles, g_rgPayloadFiles + g_nPayloadFiles);
}

bool PathExists(const std::wstring& strPath)
{
    return GetFileAttributesW(strPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The folder as the file system finds it ("." and "..", trailing dots and
// spaces, short names resolved), ending with a backslash; as given when that
// fails.
std::wstring ResolveFolder(const std::wstring& strFolder)
{
    std::vector<wchar_t> buffer(MAX_PATH * 2);
    const DWORD cchBuffer = static_cast<DWORD>(buffer.size());
    DWORD n = GetFullPathNameW(strFolder.c_str(), cchBuffer, buffer.data(), nullptr);
    if (n == 0 || n >= cchBuffer)
        return WithTrailingBackslash(strFolder);
    std::wstring strFull(buffer.data(), n);
    n = GetLongPathNameW(strFull.c_str(), buffer.data(), cchBuffer);
    if (n > 0 && n < cchBuffer)
        strFull.assign(buffer.data(), n);
    return WithTrailingBackslash(strFull);
}

// Whether both name one existing folder, however they are spelt.
bool IsSameFolderOnDisk(const std::wstring& strA, const std::wstring& strB)
{
    BY_HANDLE_FILE_INFORMATION info[2] = {};
    const std::wstring* names[2] = {&strA, &strB};
    for (int i = 0; i < 2; ++i) {
        const HANDLE hFolder = CreateFileW(names[i]->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (hFolder == INVALID_HANDLE_VALUE)
            return false;
        const BOOL bRead = GetFileInformationByHandle(hFolder, &info[i]);
        CloseHandle(hFolder);
        if (!bRead)
            return false;
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber
        && info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

unsigned __stdcall PreviousRemovalProc(void* pParam)
{
    const std::unique_ptr<PreviousRemovalJob> pJob(static_cast<PreviousRemovalJob*>(pParam));
    const std::wstring& strDir = pJob->strPrevious;
    // A remembered folder that holds neither a record nor our programs is no
    // installation any more (the user removed it by hand): its files, even
    // those named like ours, are someone else's.
    if (!PathExists(GetInstallRecordPath(strDir)) && !PathExists(strDir + APP_EXE_NAME)
        && !PathExists(strDir + UNINSTALL_EXE_NAME))
        return 0;
    ExecuteRemoval(WithoutFolder(PlanInstallationRemoval(strDir, PayloadList()), pJob->strNewDir));
    return 0;
}

}  // namespace

std::wstring ReadRememberedFolder()
{
    CRegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, GetProductKeyName(), KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return std::wstring();
    wchar_t szValue[MAX_PATH * 2] = {};
    DWORD cbValue = sizeof(szValue) - sizeof(wchar_t);
    DWORD dwType = 0;
    std::wstring strValue;
    if (RegQueryValueExW(key, INSTALL_DIR_VALUE, nullptr, &dwType, reinterpret_cast<BYTE*>(szValue), &cbValue) ==
            ERROR_SUCCESS &&
        dwType == REG_SZ)
        strValue = szValue;
    return strValue;
}

std::vector<RemovalStep> PlanInstallationRemoval(const std::wstring& strInstallDir,
                                                 const std::vector<std::wstring>& files)
{
    const std::wstring strDir = WithTrailingBackslash(strInstallDir);
    std::vector<InstallRecordEntry> record;
    if (ReadInstallRecord(strDir, &record))
        return PlanRecordRemoval(strDir, record);
    // Started through a short name ("C:\PROGRA~1\..."), the folder is spelt
    // otherwise than the record's paths: read as the file system resolves it.
    const std::wstring strResolved = ResolveFolder(strDir);
    if (strResolved != strDir && ReadInstallRecord(strResolved, &record))
        return PlanRecordRemoval(strResolved, record);
    std::vector<bool> bExists;
    for (const std::wstring& strFile : files)
        bExists.push_back(PathExists(strDir + strFile));
    return PlanListRemoval(strDir, files, bExists);
}

int ExecuteRemoval(const std::vector<RemovalStep>& steps)
{
    int nRemoved = 0;
    for (const RemovalStep& step : steps) {
        if (step.bFolder) {
            // Refused while the folder holds anything: whatever the user put
            // there keeps its folder.
            if (RemoveDirectoryW(step.strPath.c_str()))
                ++nRemoved;
            continue;
        }
        SetFileAttributesW(step.strPath.c_str(), FILE_ATTRIBUTE_NORMAL);   // a read-only file is still ours
        if (DeleteFileW(step.strPath.c_str()))
            ++nRemoved;
    }
    return nRemoved;
}

int RemoveInstalledFiles(const std::wstring& strInstallDir, const std::vector<std::wstring>& files)
{
    return ExecuteRemoval(PlanInstallationRemoval(strInstallDir, files));
}

bool StartRemovingPreviousInstallation(const std::wstring& strPrevious, const std::wstring& strNewDir)
{
    if (strPrevious.empty() || g_hPreviousRemoval)
        return false;
    // A folder remembered as "C:\Vellomar." or "C:\PROGRA~1\Vellomar" may be
    // the new one: compared as the file system resolves them.
    const std::wstring strOld = ResolveFolder(strPrevious);
    const std::wstring strNew = ResolveFolder(strNewDir);
    if (IsSameFolder(strOld, strNew) || IsSameFolderOnDisk(strOld, strNew))
        return false;
    PreviousRemovalJob* pJob = new PreviousRemovalJob{strOld, strNew};
    const HANDLE hThread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, PreviousRemovalProc, pJob, 0, nullptr));
    if (hThread)
        g_hPreviousRemoval = hThread;   // the job is the thread's now
    else
        PreviousRemovalProc(pJob);      // slower, but nothing is left orphaned
    return true;
}

void FinishRemovingPreviousInstallation()
{
    if (!g_hPreviousRemoval)
        return;
    WaitForSingleObject(g_hPreviousRemoval, PREVIOUS_REMOVAL_WAIT_MS);
    CloseHandle(g_hPreviousRemoval);
    g_hPreviousRemoval = nullptr;
}

void RegisterMovedInstallation(const CString& strInstallDir)
{
    const std::wstring strPrevious = ReadRememberedFolder();
    RegisterInstallation(strInstallDir);
    if (StartRemovingPreviousInstallation(strPrevious, strInstallDir.str()))
        LogSetupStep(L"previous installation: removing " + CString(strPrevious.c_str()));
}
