// The uninstaller's plan on plain lists: which folders it tries to remove and
// in what order, which files it deletes, whose links and keys they are, and
// its command line.
#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <vector>

#include "payload/uninstall/removal.h"

using Strings = std::vector<std::wstring>;

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
