// VLUninstall: removes what the installer created and nothing else. The
// command line is described with ParseUninstallArgs (removal.h); /S runs it
// unattended for tests.
//
// Started from the install folder it confirms, checks that the application is
// not running, then copies itself to the temporary folder and hands the work
// to that copy (/D=<folder> /W=<own pid>): a running program's file cannot be
// deleted, and the uninstaller is one of the payload's files.
#include <windows.h>
#include <shellapi.h>
#include <string>
#include <vector>

#include "app/running_app.h"
#include "engine/install_record.h"
#include "engine/owners.h"
#include "engine/product.h"
#include "engine/registration.h"
#include "payload/uninstall/installation_removal.h"
#include "payload/uninstall/temp_copy.h"

namespace {

const wchar_t kCaption[] = L"Vellomar卸载";
const wchar_t kConfirmText[] = L"确定要从您的电脑中移除Vellomar吗？\n您的笔记会被保留。";
const wchar_t kRunningText[] = L"Vellomar正在运行，请先关闭Vellomar再卸载。";
const wchar_t kDoneText[] = L"Vellomar已从您的电脑中移除。";
const wchar_t kKeptText[] = L"Vellomar已从您的电脑中移除。\n安装文件夹中还有不属于Vellomar的文件，已保留：\n";
const wchar_t kNothingText[] = L"没有找到可以卸载的Vellomar内容。";
const wchar_t kCopyFailedText[] = L"无法准备卸载程序，请稍后重试。";

// Exit codes, for tests and scripts.
enum : int {
    EXIT_REMOVED = 0,
    EXIT_CANCELLED = 1,
    EXIT_APP_RUNNING = 2,
    EXIT_NOTHING_TO_REMOVE = 3,
    EXIT_HANDOVER_FAILED = 4,
};

constexpr DWORD WAIT_FOR_ORIGINAL_MS = 30000;

bool PathExists(const std::wstring& strPath)
{
    return GetFileAttributesW(strPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring OwnExePath()
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return std::wstring();
        if (n < buffer.size())
            return std::wstring(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring FolderOf(const std::wstring& strPath)
{
    const size_t nPos = strPath.rfind(L'\\');
    return nPos == std::wstring::npos ? std::wstring() : strPath.substr(0, nPos + 1);
}

bool KeyExists(const CString& strKey)
{
    CRegistryKey key;
    return key.Open(HKEY_LOCAL_MACHINE, strKey, KEY_QUERY_VALUE) == ERROR_SUCCESS;
}

// Removes "Install" and then the product key when nothing else is left in it.
bool RemoveRememberedFolder()
{
    CRegistryKey key;
    const CString strKey = GetProductKeyName();
    if (key.Open(HKEY_LOCAL_MACHINE, strKey, KEY_QUERY_VALUE | KEY_SET_VALUE) != ERROR_SUCCESS)
        return false;
    const bool bRemoved = RegDeleteValueW(key, INSTALL_DIR_VALUE) == ERROR_SUCCESS;
    DWORD dwSubKeys = 0, dwValues = 0;
    const bool bEmpty = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &dwSubKeys, nullptr, nullptr, &dwValues,
                                         nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
                        dwSubKeys == 0 && dwValues == 0;
    key.Close();   // the key goes before it is deleted
    if (bEmpty)
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, strKey);
    return bRemoved;
}

struct CRemovalResult
{
    int nRemoved = 0;           // files, links, folders, keys and values
    bool bInstallDirKept = false;
};

CRemovalResult RemoveInstallation(const std::wstring& strInstallDir)
{
    CRemovalResult result;
    // Read before anything goes: the record is among the last steps.
    result.nRemoved = RemoveInstalledFiles(
        strInstallDir, std::vector<std::wstring>(g_rgPayloadFiles, g_rgPayloadFiles + g_nPayloadFiles));
    result.bInstallDirKept = PathExists(strInstallDir);

    // The links and keys belong to the installation the registry remembers;
    // an older copy in another folder must not take them from a newer one.
    const std::wstring strRemembered = ReadRememberedFolder();
    if (!strRemembered.empty() && !IsSameFolder(strRemembered, strInstallDir))
        return result;
    for (const CString& strLink : GetInstalledLinkPaths()) {
        if (!strLink.IsEmpty() && DeleteFileW(strLink))
            ++result.nRemoved;
    }
    const CString strGroup = GetProgramGroupPath();
    if (!strGroup.IsEmpty() && RemoveDirectoryW(strGroup))
        ++result.nRemoved;
    const CString strUninstallKey = GetUninstallKeyName();
    if (KeyExists(strUninstallKey) && RegDeleteKeyW(HKEY_LOCAL_MACHINE, strUninstallKey) == ERROR_SUCCESS)
        ++result.nRemoved;
    if (RemoveRememberedFolder())
        ++result.nRemoved;
    return result;
}

// Copies the uninstaller to the temporary folder and starts the copy on
// strInstallDir. Copies earlier runs left there go first; this one deletes
// itself at the next restart, or the next uninstaller sweeps it.
bool HandOverToTempCopy(const std::wstring& strInstallDir, bool bSilent)
{
    wchar_t szTemp[MAX_PATH + 1] = {};
    const DWORD nTemp = GetTempPathW(MAX_PATH + 1, szTemp);
    if (nTemp == 0 || nTemp > MAX_PATH)
        return false;
    const std::wstring strOwnExe = OwnExePath();
    RemoveLeftTempCopies(szTemp, strOwnExe);
    // Our pid is no other running uninstaller's, so the first name is
    // rarely taken.
    const std::wstring strCopy = MakeTempCopy(szTemp, strOwnExe, GetCurrentProcessId());
    if (strCopy.empty())
        return false;

    std::wstring strCmd = L"\"" + strCopy + L"\" ";
    if (bSilent)
        strCmd += L"/S ";
    // A trailing backslash before the closing quote would escape it.
    std::wstring strDir = strInstallDir;
    while (!strDir.empty() && strDir.back() == L'\\')
        strDir.pop_back();
    wchar_t szPid[16] = {};
    _ultow(GetCurrentProcessId(), szPid, 10);   // std::to_wstring would bring a 24 KB printf
    strCmd += L"\"/D=" + strDir + L"\" /W=" + szPid;
    STARTUPINFOW si = { sizeof(si) };
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(strCopy.c_str(), &strCmd[0], nullptr, nullptr, FALSE, 0, nullptr, szTemp, &si, &pi)) {
        DeleteFileW(strCopy.c_str());
        return false;
    }
    CloseHandle(pi.hThread);
    pi.hThread = nullptr;
    CloseHandle(pi.hProcess);
    pi.hProcess = nullptr;
    return true;
}

ULONGLONG CreationTime(HANDLE hProcess)
{
    FILETIME created = {}, exited = {}, kernel = {}, user = {};
    if (!GetProcessTimes(hProcess, &created, &exited, &kernel, &user))
        return 0;
    return (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

void WaitForProcess(DWORD dwPid)
{
    HANDLE hProcess = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, dwPid);
    if (!hProcess)
        return;   // already gone
    // The original was running when it started this copy, so it is older; a
    // younger process got its pid after it ended.
    if (CreationTime(hProcess) <= CreationTime(GetCurrentProcess()))
        WaitForSingleObject(hProcess, WAIT_FOR_ORIGINAL_MS);
    CloseHandle(hProcess);
    hProcess = nullptr;
}

bool NothingInstalled(const std::wstring& strInstallDir)
{
    if (PathExists(GetInstallRecordPath(strInstallDir)))
        return false;
    for (size_t i = 0; i < g_nPayloadFiles; ++i) {
        if (PathExists(strInstallDir + g_rgPayloadFiles[i]))
            return false;
    }
    const std::wstring strRemembered = ReadRememberedFolder();
    if (!strRemembered.empty() && !IsSameFolder(strRemembered, strInstallDir))
        return true;   // the links and keys are another installation's
    for (const CString& strLink : GetInstalledLinkPaths()) {
        if (!strLink.IsEmpty() && PathExists(strLink.str()))
            return false;
    }
    return !KeyExists(GetUninstallKeyName()) && strRemembered.empty();
}

std::vector<std::wstring> CommandLineArgs()
{
    std::vector<std::wstring> args;
    int nArgs = 0;
    LPWSTR* ppArgs = CommandLineToArgvW(GetCommandLineW(), &nArgs);
    if (!ppArgs)
        return args;
    for (int i = 1; i < nArgs; ++i)
        args.push_back(ppArgs[i]);
    LocalFree(ppArgs);
    return args;
}

int Say(bool bSilent, const wchar_t* pszText, UINT uIcon, int nExitCode)
{
    if (!bSilent)
        MessageBoxW(nullptr, pszText, kCaption, MB_OK | uIcon);
    return nExitCode;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    const CUninstallArgs args = ParseUninstallArgs(CommandLineArgs());

    if (args.strInstallDir.empty()) {
        // Started by the user (or the uninstall entry) from the install folder.
        const std::wstring strInstallDir = FolderOf(OwnExePath());
        if (NothingInstalled(strInstallDir))
            return Say(args.bSilent, kNothingText, MB_ICONINFORMATION, EXIT_NOTHING_TO_REMOVE);
        if (!args.bSilent && MessageBoxW(nullptr, kConfirmText, kCaption, MB_YESNO | MB_ICONQUESTION) != IDYES)
            return EXIT_CANCELLED;
        if (IsAppRunning())
            return Say(args.bSilent, kRunningText, MB_ICONWARNING, EXIT_APP_RUNNING);
        if (!HandOverToTempCopy(strInstallDir, args.bSilent))
            return Say(args.bSilent, kCopyFailedText, MB_ICONERROR, EXIT_HANDOVER_FAILED);
        return EXIT_REMOVED;
    }

    if (args.dwWaitPid != 0) {
        WaitForProcess(args.dwWaitPid);
        // This copy lives in the temporary folder; it goes at the next restart
        // (MoveFileExW needs administrator rights, which the installer has).
        MoveFileExW(OwnExePath().c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    if (NothingInstalled(args.strInstallDir))
        return Say(args.bSilent, kNothingText, MB_ICONINFORMATION, EXIT_NOTHING_TO_REMOVE);
    // Checked again: the application may have been started since the question.
    if (IsAppRunning())
        return Say(args.bSilent, kRunningText, MB_ICONWARNING, EXIT_APP_RUNNING);

    const CRemovalResult result = RemoveInstallation(args.strInstallDir);
    if (result.bInstallDirKept && !args.bSilent) {
        const std::wstring strText = kKeptText + args.strInstallDir;
        MessageBoxW(nullptr, strText.c_str(), kCaption, MB_OK | MB_ICONINFORMATION);
        return EXIT_REMOVED;
    }
    return Say(args.bSilent, kDoneText, MB_ICONINFORMATION, EXIT_REMOVED);
}
