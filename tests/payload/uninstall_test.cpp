// Whole installations removed by the real uninstaller: the default payload
// unpacked by the extraction worker and registered by the six steps, then
// VLUninstall.exe /S started from the install folder, as the uninstall entry
// starts it. Afterwards nothing of the product may be left but what the user
// put there.
#include <gtest/gtest.h>
#include <algorithm>
#include <windows.h>
#include <tlhelp32.h>
#include <shlobj.h>
#include <string>
#include <vector>

#include "app/running_app.h"
#include "engine/directory.h"
#include "engine/extract.h"
#include "engine/install_record.h"
#include "engine/product.h"
#include "engine/registration.h"
#include "payload/uninstall/installation_removal.h"
#include "payload/uninstall/temp_copy.h"
#include "tests/engine/install_state.h"

namespace {

constexpr DWORD TIME_LIMIT_MS = 60000;

// Exit codes of VLUninstall.exe.
constexpr DWORD EXIT_REMOVED = 0;
constexpr DWORD EXIT_APP_RUNNING = 2;
constexpr DWORD EXIT_NOTHING_TO_REMOVE = 3;

std::wstring Printable(const CString& str)
{
    return str.str();
}

std::wstring ImagePath(HANDLE hProcess)
{
    wchar_t szPath[MAX_PATH] = {};
    DWORD cch = MAX_PATH;
    return QueryFullProcessImageNameW(hProcess, 0, szPath, &cch) ? std::wstring(szPath, cch) : L"(unknown)";
}

ULONGLONG CreationTime(HANDLE hProcess)
{
    FILETIME created = {}, exited = {}, kernel = {}, user = {};
    if (!GetProcessTimes(hProcess, &created, &exited, &kernel, &user))
        return 0;
    return (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

// Opens the processes hParent started that are not in children yet. A
// process naming the parent's pid but older than the parent was started by
// an earlier owner of that pid (Wine reuses pids in a long session; the
// services it starts up live on).
void AddChildren(HANDLE hParent, std::vector<HANDLE>& children)
{
    const DWORD dwParentPid = GetProcessId(hParent);
    const ULONGLONG nParentCreated = CreationTime(hParent);
    HANDLE hSnapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (hSnapshot == INVALID_HANDLE_VALUE)
        return;
    PROCESSENTRY32W pe = {};
    pe.dwSize = sizeof(pe);
    for (BOOL bMore = Process32FirstW(hSnapshot, &pe); bMore; bMore = Process32NextW(hSnapshot, &pe)) {
        if (pe.th32ParentProcessID != dwParentPid || pe.th32ProcessID == dwParentPid)
            continue;
        if (std::any_of(children.begin(), children.end(),
                        [&](HANDLE h) { return GetProcessId(h) == pe.th32ProcessID; }))
            continue;
        HANDLE h = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pe.th32ProcessID);
        if (!h)
            continue;
        if (CreationTime(h) >= nParentCreated)
            children.push_back(h);
        else
            CloseHandle(h);
    }
    CloseHandle(hSnapshot);
}

struct CRunResult
{
    bool bStarted = false;
    DWORD dwExitCode = STILL_ACTIVE;   // of the process that did the work
};

// Runs a command line as the shell runs the uninstall entry's (the program
// found from the command line itself) and waits for it and for any copy it
// hands the work to; the result is the copy's exit code when there is one.
CRunResult RunCommand(std::wstring strCmd)
{
    CRunResult result;
    STARTUPINFOW si = { sizeof(si) };
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &strCmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        ADD_FAILURE() << "not started (error " << GetLastError() << "): " << strCmd;
        return result;
    }
    result.bStarted = true;
    CloseHandle(pi.hThread);
    // The copy is looked for until the original has ended; the original's
    // handle is held meanwhile, so its pid is not given to another process.
    std::vector<HANDLE> children;
    const DWORD dwStart = GetTickCount();
    while (WaitForSingleObject(pi.hProcess, 50) == WAIT_TIMEOUT && GetTickCount() - dwStart < TIME_LIMIT_MS)
        AddChildren(pi.hProcess, children);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 0)) << "the uninstaller did not end";
    AddChildren(pi.hProcess, children);
    GetExitCodeProcess(pi.hProcess, &result.dwExitCode);
    CloseHandle(pi.hProcess);
    for (HANDLE h : children) {
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(h, TIME_LIMIT_MS))
            << "the uninstaller's copy did not end: " << ImagePath(h);
        GetExitCodeProcess(h, &result.dwExitCode);
        CloseHandle(h);
    }
    return result;
}

CRunResult RunUninstaller(const CString& strExe, const std::wstring& strArgs)
{
    return RunCommand(L"\"" + strExe.str() + L"\" " + strArgs);
}

void WriteFileText(const CString& strPath, const char* pszText)
{
    HANDLE hFile = CreateFileW(strPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hFile) << Printable(strPath);
    DWORD dwWritten = 0;
    WriteFile(hFile, pszText, static_cast<DWORD>(strlen(pszText)), &dwWritten, nullptr);
    CloseHandle(hFile);
}

std::string ReadFileBytes(const CString& strPath)
{
    std::string strBytes;
    HANDLE hFile = CreateFileW(strPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return "(missing)";
    char buffer[4096];
    DWORD dwRead = 0;
    while (ReadFile(hFile, buffer, sizeof(buffer), &dwRead, nullptr) && dwRead > 0)
        strBytes.append(buffer, dwRead);
    CloseHandle(hFile);
    return strBytes;
}

std::vector<std::wstring> PayloadList()
{
    return std::vector<std::wstring>(g_rgPayloadFiles, g_rgPayloadFiles + g_nPayloadFiles);
}

// The payload's files and folders (relative) that exist in strDir (ending
// with a backslash): taken before an installation, it tells what the
// installation created and what it replaced.
std::vector<std::wstring> PayloadEntriesIn(const CString& strDir)
{
    std::vector<std::wstring> entries = PayloadFolders(PayloadList());
    for (const std::wstring& strFile : PayloadList())
        entries.push_back(strFile);
    std::vector<std::wstring> existing;
    for (const std::wstring& strEntry : entries) {
        const CString strPath = strDir + strEntry.c_str();
        if (FileExists(strPath) || FolderExists(strPath))
            existing.push_back(strEntry);
    }
    return existing;
}

// The record of an installation into strDir, as the installer keeps it, from
// what existed before (PayloadEntriesIn) and the folders made for strDir
// itself: a file that was there is replaced, except a config.ini, which is
// kept and so not the installation's.
std::vector<InstallRecordEntry> RecordFor(const CString& strDir, const std::vector<std::wstring>& before,
                                          const std::vector<CString>& madeForDir)
{
    auto existed = [&before](const std::wstring& str) {
        return std::find(before.begin(), before.end(), str) != before.end();
    };
    std::vector<InstallRecordEntry> record;
    for (const CString& strMade : madeForDir)
        record.push_back({InstallRecordKind::CreatedFolder, strMade.str()});
    for (const std::wstring& strFolder : PayloadFolders(PayloadList())) {
        if (!existed(strFolder))
            record.push_back({InstallRecordKind::CreatedFolder, (strDir + strFolder.c_str()).str()});
    }
    for (const std::wstring& strFile : PayloadList()) {
        if (strFile.back() == L'\\' || (existed(strFile) && strFile == L"config\\config.ini"))
            continue;
        record.push_back({existed(strFile) ? InstallRecordKind::ReplacedFile : InstallRecordKind::CreatedFile,
                          (strDir + strFile.c_str()).str()});
    }
    return record;
}

// The names of the files directly in strDir (ending with a backslash) that
// begin with pszPrefix, in any letter case.
std::vector<std::wstring> FilesIn(const std::wstring& strDir, const wchar_t* pszPrefix)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data = {};
    HANDLE hFind = FindFirstFileW((strDir + pszPrefix + L"*").c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(data.cFileName);
    } while (FindNextFileW(hFind, &data));
    FindClose(hFind);
    std::sort(names.begin(), names.end());
    return names;
}

std::wstring TempDir()
{
    wchar_t szTemp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, szTemp);
    return szTemp;
}

bool KeyExists(const CString& strKey)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, strKey, 0, KEY_QUERY_VALUE, &hKey) != ERROR_SUCCESS)
        return false;
    RegCloseKey(hKey);
    return true;
}

} // namespace

class Uninstall : public CInstallSandbox
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(CInstallSandbox::SetUp());
        ProvideQuickLaunchFolder();
    }

    // The uninstall entry's own program, unattended.
    CRunResult UninstallFrom(const CString& strDir)
    {
        return RunUninstaller(strDir + L"\\" + UNINSTALL_EXE_NAME, L"/S");
    }

    void ExpectNothingOfTheProductIn(const CString& strDir)
    {
        for (size_t i = 0; i < g_nPayloadFiles; ++i) {
            const CString strPath = strDir + L"\\" + g_rgPayloadFiles[i];
            EXPECT_FALSE(FileExists(strPath) || FolderExists(strPath)) << "left behind: " << Printable(strPath);
        }
        for (const CString& strLink : GetInstalledLinkPaths())
            EXPECT_FALSE(FileExists(strLink)) << "link left behind: " << Printable(strLink);
        EXPECT_FALSE(FolderExists(GetProgramGroupPath())) << "the program group is left";
        EXPECT_FALSE(KeyExists(GetUninstallKeyName())) << "the uninstall entry is left";
        EXPECT_FALSE(KeyExists(GetProductKeyName())) << "the product key is left";
    }
};

TEST_F(Uninstall, RemovesEverythingItInstalledAndTheFolder)
{
    // The installation makes its folder, as the wizard's does, so the folder is its own.
    ASSERT_TRUE(RemoveDirectoryW(m_install.Path()));
    Install(m_install.Path());
    const CRunResult result = UninstallFrom(m_install.Path());
    ASSERT_TRUE(result.bStarted);
    EXPECT_EQ(EXIT_REMOVED, result.dwExitCode);
    ExpectNothingOfTheProductIn(m_install.Path());
    EXPECT_FALSE(FolderExists(m_install.Path())) << "the emptied install folder is left";
    EXPECT_TRUE(FolderExists(m_startMenu.Path())) << "the start menu itself is not the product's";
}

// The uninstall entry's command as the shell runs it, in a folder with a
// space: quoted, as this installer writes it, and unquoted, as older
// installations hold it.
TEST_F(Uninstall, RunsFromTheEntrysCommandQuotedOrNot)
{
    ASSERT_NE(-1, m_install.Path().Find(L' ')) << "the folder's path must hold a space";
    const std::wstring strExe = (m_install.Path() + L"\\" + UNINSTALL_EXE_NAME).str();
    for (bool bQuoted : { true, false }) {
        CreateDirectoryW(m_install.Path(), nullptr);   // the first pass removed it
        Install(m_install.Path());
        const CRegValue value = ReadMachineValue(GetUninstallKeyName(), L"UninstallString");
        ASSERT_TRUE(value.bFound);
        const std::wstring strCommand = value.strData.c_str();   // without the stored NUL
        ASSERT_EQ(L"\"" + strExe + L"\"", strCommand) << "the command the installer stored";
        const CRunResult result = RunCommand((bQuoted ? strCommand : strExe) + L" /S");
        ASSERT_TRUE(result.bStarted) << (bQuoted ? "quoted" : "unquoted");
        EXPECT_EQ(EXIT_REMOVED, result.dwExitCode) << (bQuoted ? "quoted" : "unquoted");
        ExpectNothingOfTheProductIn(m_install.Path());
    }
}

// The default install folder is the roaming Vellomar folder, which also holds
// the user's notes; a file the user put into a payload folder keeps it.
TEST_F(Uninstall, KeepsForeignFilesWithTheirFolders)
{
    Install(m_install.Path());
    const CString strNotes = m_install.Path() + L"\\notes.txt";
    const CString strOwn = m_install.Path() + L"\\resource\\templates\\mine.txt";
    WriteFileText(strNotes, "\xEF\xBB\xBFmy notes");
    WriteFileText(strOwn, "my template");

    const CRunResult result = UninstallFrom(m_install.Path());
    ASSERT_TRUE(result.bStarted);
    EXPECT_EQ(EXIT_REMOVED, result.dwExitCode);
    EXPECT_TRUE(FileExists(strNotes));
    EXPECT_TRUE(FileExists(strOwn));
    EXPECT_FALSE(FileExists(m_install.Path() + L"\\resource\\templates\\todo.txt"));
    EXPECT_FALSE(FolderExists(m_install.Path() + L"\\config"));
    EXPECT_FALSE(FolderExists(m_install.Path() + L"\\resource\\lang"));
    EXPECT_FALSE(FileExists(m_install.Path() + L"\\" + UNINSTALL_EXE_NAME)) << "the uninstaller removes itself";
    for (const CString& strLink : GetInstalledLinkPaths())
        EXPECT_FALSE(FileExists(strLink)) << Printable(strLink);
    EXPECT_FALSE(KeyExists(GetUninstallKeyName()));
}

TEST_F(Uninstall, ASecondUninstallFindsNothingAndTouchesNothing)
{
    // The installation makes its folder, as the wizard's does, so the folder is its own.
    ASSERT_TRUE(RemoveDirectoryW(m_install.Path()));
    Install(m_install.Path());
    // The installed uninstaller goes with the first run; keep a copy for the second.
    CTempFolder spare(L"spare");
    const CString strSpare = spare.Path() + L"\\" + UNINSTALL_EXE_NAME;
    ASSERT_TRUE(CopyFileW(m_install.Path() + L"\\" + UNINSTALL_EXE_NAME, strSpare, FALSE));
    ASSERT_EQ(EXIT_REMOVED, UninstallFrom(m_install.Path()).dwExitCode);

    // Something unrelated now sits where the product was.
    ASSERT_TRUE(CreateDirectoryW(m_install.Path(), nullptr));
    const CString strOther = m_install.Path() + L"\\other.txt";
    WriteFileText(strOther, "not ours");

    const CRunResult second = RunUninstaller(strSpare, L"/S \"/D=" + m_install.Path().str() + L"\"");
    ASSERT_TRUE(second.bStarted);
    EXPECT_EQ(EXIT_NOTHING_TO_REMOVE, second.dwExitCode);
    EXPECT_TRUE(FileExists(strOther));
    ExpectNothingOfTheProductIn(m_install.Path());
}

TEST_F(Uninstall, RefusesWhileTheApplicationRuns)
{
    Install(m_install.Path());
    const CString strApp = m_install.Path() + L"\\" + APP_EXE_NAME;
    std::wstring strCmd = L"\"" + strApp.str() + L"\"";
    STARTUPINFOW si = { sizeof(si) };
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessW(strApp, &strCmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    // Wine names a new process only once it has started up.
    const DWORD dwStart = GetTickCount();
    while (!IsAppRunning() && GetTickCount() - dwStart < TIME_LIMIT_MS)
        Sleep(50);
    EXPECT_TRUE(IsAppRunning()) << "the started application is not seen by the guard";

    const CRunResult result = UninstallFrom(m_install.Path());
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(pi.hProcess, 0))
        << "the application ended by itself (no display?)";
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, TIME_LIMIT_MS);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);

    ASSERT_TRUE(result.bStarted);
    EXPECT_EQ(EXIT_APP_RUNNING, result.dwExitCode);
    for (size_t i = 0; i < g_nPayloadFiles; ++i)
        EXPECT_TRUE(FileExists(m_install.Path() + L"\\" + g_rgPayloadFiles[i]) ||
                    FolderExists(m_install.Path() + L"\\" + g_rgPayloadFiles[i]))
            << g_rgPayloadFiles[i];
    EXPECT_TRUE(KeyExists(GetUninstallKeyName()));
    EXPECT_TRUE(FileExists(GetDesktopLinkPath()));
}

// Uninstalling an older copy in another folder leaves the links and keys of
// the installation the registry now remembers.
TEST_F(Uninstall, AnOlderCopyLeavesTheNewerInstallationsLinksAndKeys)
{
    CTempFolder newer(L"newer");
    // The installation makes its folder, as the wizard's does, so the folder is its own.
    ASSERT_TRUE(RemoveDirectoryW(m_install.Path()));
    Install(m_install.Path());
    Install(newer.Path());
    EXPECT_EQ(EXIT_REMOVED, UninstallFrom(m_install.Path()).dwExitCode);
    EXPECT_FALSE(FolderExists(m_install.Path()));
    for (const CString& strLink : GetInstalledLinkPaths())
        EXPECT_TRUE(FileExists(strLink)) << Printable(strLink);
    EXPECT_TRUE(KeyExists(GetUninstallKeyName()));

    EXPECT_EQ(EXIT_REMOVED, UninstallFrom(newer.Path()).dwExitCode);
    ExpectNothingOfTheProductIn(newer.Path());
}

// With a record the uninstaller removes exactly what it lists: what was in an
// occupied folder before stays byte for byte (a config.ini included; a
// replaced file is the installation's since), and a folder made with its
// parent leaves neither behind.
TEST_F(Uninstall, WithARecordRemovesExactlyWhatTheInstallationOwns)
{
    const struct { const wchar_t* pszName; const char* pszBytes; bool bReplaced; } foreign[] = {
        {L"config\\config.ini", "[other]\r\nsetting=1\r\n", false},
        {L"resource\\readme.txt", "another program's readme", true},
        {L"todo-list.txt", "\xEF\xBB\xBF" "buy milk", false},
    };
    const struct { const char* pszWhy; const wchar_t* pszSub; bool bOccupied; } cases[] = {
        {"an occupied folder", L"\\Tools", true},
        {"a folder made with its parent", L"\\我的软件\\Vellomar", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszWhy);
        const CString strDir = m_install.Path() + c.pszSub;
        const CString strDirSlash = strDir + L"\\";
        for (const auto& f : foreign) {
            if (!c.bOccupied)
                break;
            const CString strPath = strDirSlash + f.pszName;
            CreateDirectoryPath(strPath.Left(strPath.ReverseFind(L'\\')));
            WriteFileText(strPath, f.pszBytes);
        }
        const std::vector<std::wstring> before = PayloadEntriesIn(strDirSlash);
        std::vector<CString> made;
        CreateDirectoryPath(strDir, &made);
        Install(strDir);
        ASSERT_TRUE(WriteInstallRecord(strDirSlash.str(), RecordFor(strDirSlash, before, made)));
        const CString strNotes = strDirSlash + L"notes.txt";
        if (c.bOccupied)
            WriteFileText(strNotes, "my notes");

        const CRunResult result = UninstallFrom(strDir);
        ASSERT_TRUE(result.bStarted);
        EXPECT_EQ(EXIT_REMOVED, result.dwExitCode);
        for (const std::wstring& strFile : PayloadList()) {
            const bool bForeign = c.bOccupied && strFile == L"config\\config.ini";
            EXPECT_EQ(bForeign, FileExists(strDirSlash + strFile.c_str())) << Printable(strFile.c_str());
        }
        EXPECT_FALSE(FileExists(GetInstallRecordPath(strDirSlash.str()).c_str())) << "the record is left";
        EXPECT_FALSE(FolderExists(strDirSlash + L"resource\\lang"));
        if (c.bOccupied) {
            for (const auto& f : foreign)
                EXPECT_EQ(f.bReplaced ? "(missing)" : f.pszBytes, ReadFileBytes(strDirSlash + f.pszName))
                    << Printable(f.pszName);
            EXPECT_EQ("my notes", ReadFileBytes(strNotes));
            EXPECT_FALSE(KeyExists(GetUninstallKeyName())) << "the uninstall entry is left";
        } else {
            ExpectNothingOfTheProductIn(strDir);
            EXPECT_FALSE(FolderExists(m_install.Path() + L"\\我的软件")) << "the parent made for the folder is left";
        }
    }
}

// After an installation into another folder the previous one goes through
// its record, or the payload's list when it was made before records; the
// user's files there stay. A remembered folder without a record or our
// programs is no installation any more and loses nothing.
TEST_F(Uninstall, AMoveRemovesThePreviousInstallation)
{
    enum class Previous { WithRecord, WithoutRecord, ProgramsGone };
    const struct { const char* pszWhy; Previous previous; } cases[] = {
        {"with a record", Previous::WithRecord},
        {"made before records", Previous::WithoutRecord},
        {"its programs deleted by hand", Previous::ProgramsGone},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszWhy);
        CTempFolder previous(L"previous");
        CTempFolder next(L"next");
        const CString strOld = previous.Path() + L"\\Vellomar";
        const CString strOldSlash = strOld + L"\\";
        std::vector<CString> made;
        CreateDirectoryPath(strOld, &made);
        Install(strOld);
        if (c.previous == Previous::WithRecord) {
            ASSERT_TRUE(WriteInstallRecord(strOldSlash.str(), RecordFor(strOldSlash, {}, made)));
        }
        if (c.previous != Previous::WithRecord) {
            ASSERT_TRUE(DeleteFileW(GetInstallRecordPath(strOldSlash.str()).c_str()));
        }
        if (c.previous == Previous::ProgramsGone) {
            ASSERT_TRUE(DeleteFileW(GetAppExePath(strOldSlash)));
            ASSERT_TRUE(DeleteFileW(GetUninstallExePath(strOldSlash)));
        }
        WriteFileText(strOldSlash + L"notes.txt", "my notes");
        ASSERT_TRUE(IsSameFolder(ReadRememberedFolder(), strOld.str()));

        const CString strNew = next.Path() + L"\\";
        ASSERT_EQ(INSTALL_DONE, ExtractPayload(strNew));
        RegisterMovedInstallation(strNew);
        FinishRemovingPreviousInstallation();

        EXPECT_TRUE(IsSameFolder(ReadRememberedFolder(), strNew.str()));
        EXPECT_EQ("my notes", ReadFileBytes(strOldSlash + L"notes.txt"));
        for (const std::wstring& strFile : PayloadList()) {
            EXPECT_TRUE(FileExists(strNew + strFile.c_str()) || FolderExists(strNew + strFile.c_str()))
                << "the new installation lost " << Printable(strFile.c_str());
            if (c.previous == Previous::ProgramsGone)
                continue;
            EXPECT_FALSE(FileExists(strOldSlash + strFile.c_str()) || FolderExists(strOldSlash + strFile.c_str()))
                << "left of the previous installation: " << Printable(strFile.c_str());
        }
        if (c.previous == Previous::ProgramsGone) {
            EXPECT_TRUE(FileExists(strOldSlash + L"config\\config.ini")) << "a folder that is no installation lost files";
        }
        EXPECT_FALSE(FileExists(GetInstallRecordPath(strOldSlash.str()).c_str()));
        for (const CString& strLink : GetInstalledLinkPaths())
            EXPECT_TRUE(FileExists(strLink)) << "the new installation lost its link " << Printable(strLink);
        RemoveRegistration();
    }
}

// The remembered folder may name the new one in another spelling (a trailing
// dot the first page drops, an 8.3 name, other letter case and slashes): that
// is no move, and the new installation loses nothing.
TEST_F(Uninstall, TheSameFolderSpeltOtherwiseIsNoMove)
{
    const CString strDir = m_install.Path() + L"\\Vel";
    CreateDirectoryPath(strDir);
    Install(strDir);
    wchar_t szShort[MAX_PATH] = {};
    ASSERT_NE(0u, GetShortPathNameW(strDir, szShort, MAX_PATH));
    CString strSlashed = strDir;
    strSlashed.Replace(L'\\', L'/');
    strSlashed.MakeUpper();
    const std::wstring spellings[] = {(strDir + L".\\").str(), std::wstring(szShort) + L"\\", strSlashed.str()};
    for (const std::wstring& strPrevious : spellings) {
        EXPECT_FALSE(StartRemovingPreviousInstallation(strPrevious, (strDir + L"\\").str())) << strPrevious;
        FinishRemovingPreviousInstallation();
        for (const std::wstring& strFile : PayloadList())
            EXPECT_TRUE(FileExists(strDir + L"\\" + strFile.c_str()) || FolderExists(strDir + L"\\" + strFile.c_str()))
                << Printable(strFile.c_str()) << " lost after " << strPrevious;
    }
}

// Given the folder's 8.3 name (an uninstaller started through it), the
// removal still finds the record, so another program's config.ini there stays.
TEST_F(Uninstall, ARecordIsReadThroughAShortName)
{
    const CString strDir = m_install.Path() + L"\\Long folder name";
    const CString strIni = strDir + L"\\config\\config.ini";
    CreateDirectoryPath(strDir + L"\\config");
    WriteFileText(strIni, "[other]");
    const std::vector<std::wstring> before = PayloadEntriesIn(strDir + L"\\");
    Install(strDir);
    ASSERT_TRUE(WriteInstallRecord((strDir + L"\\").str(), RecordFor(strDir + L"\\", before, {})));
    wchar_t szShort[MAX_PATH] = {};
    ASSERT_NE(0u, GetShortPathNameW(strDir, szShort, MAX_PATH));
    ASSERT_NE(strDir.str(), std::wstring(szShort)) << "no short name to go through";

    EXPECT_LT(0, RemoveInstalledFiles(std::wstring(szShort) + L"\\", PayloadList()));
    EXPECT_EQ("[other]", ReadFileBytes(strIni));
    EXPECT_FALSE(FileExists(strDir + L"\\" + APP_EXE_NAME));
    EXPECT_FALSE(FileExists(GetInstallRecordPath((strDir + L"\\").str()).c_str()));
}

// The copy the uninstaller hands over to never takes a name that exists: a
// file there (a copy that still runs, another program's file) keeps its
// bytes, and the copy goes to the next free name.
TEST(TempCopy, TakesTheFirstFreeNameAndTouchesNoOtherFile)
{
    CTempFolder folder(L"temp copy");
    const std::wstring strDir = folder.Path().str() + L"\\";
    const std::wstring strSource = strDir + L"source.bin";
    const std::string strBytes(100000, 'x');
    WriteFileText(strSource.c_str(), strBytes.c_str());
    const struct { const char* pszWhy; unsigned nTaken; bool bHeld; } cases[] = {
        {"a free name", 0, false},
        {"two names taken, one of them by a copy that runs", 2, true},
        {"every name taken", TEMP_COPY_TRIES, false},
    };
    unsigned long nSeed = 10;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszWhy);
        nSeed += 1000;
        HANDLE hHeld = INVALID_HANDLE_VALUE;
        for (unsigned i = 0; i < c.nTaken; ++i) {
            const std::wstring strTaken = strDir + TempCopyName(nSeed + i);
            WriteFileText(strTaken.c_str(), "not this copy");
            if (c.bHeld && i == 0)   // a running program's file is open without write sharing
                hHeld = CreateFileW(strTaken.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        }
        const std::wstring strCopy = MakeTempCopy(strDir, strSource, nSeed);
        if (hHeld != INVALID_HANDLE_VALUE)
            CloseHandle(hHeld);
        if (c.nTaken == TEMP_COPY_TRIES) {
            EXPECT_EQ(L"", strCopy);
        } else {
            EXPECT_EQ(strDir + TempCopyName(nSeed + c.nTaken), strCopy);
            EXPECT_EQ(strBytes, ReadFileBytes(strCopy.c_str()));
        }
        for (unsigned i = 0; i < c.nTaken; ++i)
            EXPECT_EQ("not this copy", ReadFileBytes((strDir + TempCopyName(nSeed + i)).c_str())) << i;
        EXPECT_EQ("(missing)", ReadFileBytes((strDir + TempCopyName(nSeed + TEMP_COPY_TRIES)).c_str()));
    }
}

// The sweep deletes the copies earlier runs left and nothing else: not a name
// merely like ours, not a folder, not a copy that still runs, not the copy
// given to keep.
TEST(TempCopy, OnlyLeftCopiesAreSwept)
{
    const struct { const wchar_t* pszName; bool bOurs; } cases[] = {
        {L"vluninstall-3.exe", true},
        {L"VLUNINSTALL-4294967295.EXE", true},
        {L"vluninstall-.exe", false},
        {L"vluninstall-12.exe.bak", false},
        {L"vluninstall-1a.exe", false},
        {L"vluninstall-7.tmp", false},
        {L"VLU1a2b.exe", false},   // what GetTempFileName names: another program's as well
        {L"VLU1a2b.tmp", false},
        {L"3.exe", false},
    };
    CTempFolder folder(L"left copies");
    const std::wstring strDir = folder.Path().str() + L"\\";
    for (const auto& c : cases) {
        EXPECT_EQ(c.bOurs, IsTempCopyName(c.pszName)) << Printable(c.pszName);
        WriteFileText((strDir + c.pszName).c_str(), "bytes");
    }
    ASSERT_TRUE(CreateDirectoryW((strDir + L"vluninstall-5.exe").c_str(), nullptr));
    const std::wstring strKept = strDir + L"vluninstall-8.exe";
    const std::wstring strRunning = strDir + L"vluninstall-9.exe";
    WriteFileText(strKept.c_str(), "this run's copy");
    WriteFileText(strRunning.c_str(), "a copy that runs");
    HANDLE hRunning = CreateFileW(strRunning.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hRunning);

    EXPECT_EQ(2u, RemoveLeftTempCopies(strDir, strKept));
    CloseHandle(hRunning);
    for (const auto& c : cases)
        EXPECT_EQ(c.bOurs, !FileExists((strDir + c.pszName).c_str())) << Printable(c.pszName);
    EXPECT_TRUE(FolderExists((strDir + L"vluninstall-5.exe").c_str()));
    EXPECT_EQ("this run's copy", ReadFileBytes(strKept.c_str()));
    EXPECT_EQ("a copy that runs", ReadFileBytes(strRunning.c_str()));
}

// Removal after removal, the temporary folder keeps at most the last run's
// copy (it cannot delete itself while it runs; it goes at the next restart):
// what earlier runs left is swept, another program's files there stay, and
// no other file of the uninstaller's is made.
TEST_F(Uninstall, TheTemporaryFolderKeepsAtMostTheLastCopy)
{
    const std::wstring strTemp = TempDir();
    const std::wstring strLeft = strTemp + TempCopyName(7);
    const std::wstring strForeign[] = {strTemp + L"VLU7.exe", strTemp + L"VLU7.tmp", strTemp + L"vluninstall-7.txt"};
    WriteFileText(strLeft.c_str(), "a copy an earlier run left");
    for (const std::wstring& strPath : strForeign)
        WriteFileText(strPath.c_str(), "another program's");
    const std::vector<std::wstring> before = FilesIn(strTemp, L"VLU");

    std::vector<std::wstring> lastCopies;
    for (int nRun = 1; nRun <= 2; ++nRun) {
        SCOPED_TRACE(nRun);
        CreateDirectoryW(m_install.Path(), nullptr);   // the first run removed it
        Install(m_install.Path());
        const CRunResult result = UninstallFrom(m_install.Path());
        ASSERT_TRUE(result.bStarted);
        EXPECT_EQ(EXIT_REMOVED, result.dwExitCode);
        ExpectNothingOfTheProductIn(m_install.Path());

        std::vector<std::wstring> added;
        for (const std::wstring& strName : FilesIn(strTemp, L"VLU")) {
            if (std::find(before.begin(), before.end(), strName) == before.end())
                added.push_back(strName);
        }
        EXPECT_EQ(1u, added.size()) << "files the uninstaller left in the temporary folder";
        for (const std::wstring& strName : added)
            EXPECT_TRUE(IsTempCopyName(strName)) << Printable(strName.c_str());
        for (const std::wstring& strName : lastCopies)
            EXPECT_FALSE(FileExists((strTemp + strName).c_str())) << "the previous run's copy is left";
        lastCopies = added;
    }
    EXPECT_FALSE(FileExists(strLeft.c_str())) << "an earlier run's copy is left";
    for (const std::wstring& strPath : strForeign) {
        EXPECT_EQ("another program's", ReadFileBytes(strPath.c_str())) << Printable(strPath.c_str());
        DeleteFileW(strPath.c_str());
    }
}
