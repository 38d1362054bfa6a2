// The uninstaller's plan on plain lists: which folders it tries to remove and
// in what order, which files it deletes, whose links and keys they are, and
// its command line.
#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <vector>

#include "payload/uninstall/removal.h"

using Strings = std::vector<std::wstring>;
using Steps = std::vector<RemovalStep>;
using Kind = InstallRecordKind;

namespace {

RemovalStep File(const wchar_t* pszPath)
{
    return { false, pszPath };
}

RemovalStep Folder(const wchar_t* pszPath)
{
    return { true, pszPath };
}

} // namespace

TEST(UninstallPlan, FoldersComeBeforeTheirParentsAndOnlyOnce)
{
    const Strings files = { L"Vellomar.exe", L"a\\x.txt", L"a\\b\\c\\y.txt", L"a\\b\\z.txt", L"d\\empty\\" };
    const Strings folders = PayloadFolders(files);
    const Strings expected = { L"a\\b\\c", L"a\\b", L"d\\empty", L"a", L"d" };
    EXPECT_EQ(expected, folders);
    EXPECT_TRUE(PayloadFolders({ L"Vellomar.exe", L"VLUninstall.exe" }).empty())
        << "the install folder itself is never in the list";
}

TEST(UninstallPlan, DeletesOnlyExistingFilesInsideTheFolder)
{
    const Strings files = { L"Vellomar.exe", L"config\\version.ini", L"gone.txt", L"resource\\images\\",
                            L"..\\outside.txt", L"a\\..\\..\\outside.txt", L"a\\..", L"\\root.txt",
                            L"C:\\root.txt", L"" };
    const std::vector<bool> exists(files.size(), true);
    std::vector<bool> existsButGone = exists;
    existsButGone[2] = false;
    const Strings expected = { L"C:\\in st\\Vellomar.exe", L"C:\\in st\\config\\version.ini" };
    EXPECT_EQ(expected, FilesToDelete(L"C:\\in st", files, existsButGone));
    EXPECT_EQ(expected, FilesToDelete(L"C:\\in st\\", files, existsButGone)) << "with the trailing backslash";
}

// With a record, exactly its files go, then the folders it created from the
// leaves up, the install folder and the parents the installer made last; what
// was there before (a foreign config.ini and its folder) is never a step.
TEST(UninstallPlan, RecordRemovesWhatItListsAndTheRecordLast)
{
    const std::wstring strDir = L"C:\\我的软件\\Vellomar\\";
    const std::wstring strRecord = strDir + INSTALL_RECORD_FILE_NAME;
    const struct { const char* pszWhy; std::vector<InstallRecordEntry> record; Steps expected; } cases[] = {
        { "folder and its parent created",
          { { Kind::CreatedFolder, L"C:\\我的软件" },
            { Kind::CreatedFolder, L"C:\\我的软件\\Vellomar" },
            { Kind::CreatedFile, L"C:\\我的软件\\Vellomar\\Vellomar.exe" },
            { Kind::CreatedFolder, L"C:\\我的软件\\Vellomar\\resource" },
            { Kind::CreatedFolder, L"C:\\我的软件\\Vellomar\\resource\\lang" },
            { Kind::CreatedFile, L"C:\\我的软件\\Vellomar\\resource\\lang\\en-US.ini" } },
          { File(L"C:\\我的软件\\Vellomar\\Vellomar.exe"), File(L"C:\\我的软件\\Vellomar\\resource\\lang\\en-US.ini"),
            Folder(L"C:\\我的软件\\Vellomar\\resource\\lang"), Folder(L"C:\\我的软件\\Vellomar\\resource"),
            File(strRecord.c_str()), Folder(L"C:\\我的软件\\Vellomar"), Folder(L"C:\\我的软件") } },
        { "an occupied folder: config\\ and config.ini were there, readme.txt was replaced",
          { { Kind::CreatedFile, L"C:\\我的软件\\Vellomar\\Vellomar.exe" },
            { Kind::CreatedFile, L"C:\\我的软件\\Vellomar\\config\\version.ini" },
            { Kind::ReplacedFile, L"C:\\我的软件\\Vellomar\\resource\\readme.txt" } },
          { File(L"C:\\我的软件\\Vellomar\\Vellomar.exe"), File(L"C:\\我的软件\\Vellomar\\config\\version.ini"),
            File(L"C:\\我的软件\\Vellomar\\resource\\readme.txt"), File(strRecord.c_str()) } },
        { "an empty record", {}, { File(strRecord.c_str()) } },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, PlanRecordRemoval(strDir, c.record)) << c.pszWhy;
        EXPECT_EQ(c.expected, PlanRecordRemoval(L"C:\\我的软件\\Vellomar", c.record)) << c.pszWhy << ", no backslash";
    }
}

TEST(UninstallPlan, ListRemovalWithoutRecordIsTodays)
{
    const Strings files = { L"Vellomar.exe", L"config\\config.ini", L"resource\\lang\\en-US.ini", L"gone.txt" };
    const std::vector<bool> exists = { true, true, true, false };
    const Steps expected = { File(L"C:\\V\\Vellomar.exe"), File(L"C:\\V\\config\\config.ini"),
                             File(L"C:\\V\\resource\\lang\\en-US.ini"), File(L"C:\\V\\VLInstall.rec"),
                             Folder(L"C:\\V\\resource\\lang"), Folder(L"C:\\V\\config"), Folder(L"C:\\V\\resource"),
                             Folder(L"C:\\V") };
    EXPECT_EQ(expected, PlanListRemoval(L"C:\\V\\", files, exists));
}

// A move into a folder inside the previous one, or around it, never takes
// the new installation's files or folders.
TEST(UninstallPlan, WithoutFolderKeepsTheNewInstallation)
{
    const Steps steps = { File(L"C:\\Old\\Vellomar.exe"), File(L"C:\\Old\\resource\\a.txt"),
                          File(L"C:\\Old\\resourceX\\b.txt"), Folder(L"C:\\Old\\resource"),
                          File(L"C:\\Old\\VLInstall.rec"), Folder(L"C:\\Old"), Folder(L"C:\\") };
    const struct { const wchar_t* pszKeep; Steps expected; } cases[] = {
        { L"C:\\Elsewhere\\", steps },
        { L"c:\\old\\RESOURCE\\",
          { steps[0], steps[2], steps[4], steps[5], steps[6] } },
        { L"C:\\Old\\resource", { steps[0], steps[2], steps[4], steps[5], steps[6] } },
        { L"C:\\Old\\", { steps[6] } },
        { L"C:\\", {} },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, WithoutFolder(steps, c.pszKeep)) << c.pszKeep;
}

TEST(UninstallPlan, TheBuiltListHoldsBothProgramsAndTheVersionFile)
{
    const Strings files(g_rgPayloadFiles, g_rgPayloadFiles + g_nPayloadFiles);
    for (const wchar_t* pszName : { L"Vellomar.exe", L"VLUninstall.exe", L"config\\version.ini", L"config\\config.ini" })
        EXPECT_NE(files.end(), std::find(files.begin(), files.end(), pszName)) << pszName;
    for (const std::wstring& strFile : files)
        EXPECT_EQ(std::wstring::npos, strFile.find(L'/')) << "backslashes only: " << strFile;
}

TEST(UninstallPlan, SameFolderIgnoresCaseAndTrailingBackslash)
{
    const struct { const wchar_t* a; const wchar_t* b; bool bSame; } cases[] = {
        { L"C:\\Users\\u\\Vellomar\\", L"c:\\users\\U\\VELLOMAR", true },
        { L"C:\\A b", L"C:\\A b\\\\", true },
        { L"C:\\Vellomar", L"C:\\Vellomar2", false },
        { L"C:\\Vellomar\\sub", L"C:\\Vellomar", false },
        { L"", L"", false },
        { L"C:\\Vellomar", L"", false },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.bSame, IsSameFolder(c.a, c.b)) << c.a << L" vs " << c.b;
}

TEST(UninstallPlan, CommandLine)
{
    const struct { Strings args; bool bSilent; std::wstring strDir; unsigned long dwPid; } cases[] = {
        { {}, false, L"", 0 },
        { { L"/S" }, true, L"", 0 },
        { { L"/s", L"/D=C:\\a b" }, true, L"C:\\a b\\", 0 },
        { { L"\"/D=C:\\a b\\\"", L"/W=1234" }, false, L"C:\\a b\\", 1234 },
        { { L"/D=" }, false, L"", 0 },
        { { L"/Silent", L"D=C:\\x" }, false, L"", 0 },
    };
    for (const auto& c : cases) {
        const CUninstallArgs args = ParseUninstallArgs(c.args);
        const std::wstring strWhat = c.args.empty() ? L"(none)" : c.args[0];
        EXPECT_EQ(c.bSilent, args.bSilent) << strWhat;
        EXPECT_EQ(c.strDir, args.strInstallDir) << strWhat;
        EXPECT_EQ(c.dwPid, args.dwWaitPid) << strWhat;
    }
}
