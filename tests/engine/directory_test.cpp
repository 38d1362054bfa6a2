// CreateDirectoryPath: which prefixes it tries (a table over the pure rule),
// then what it leaves on disk in a temporary folder.
#include <gtest/gtest.h>
#include <windows.h>
#include <vector>

#include "engine/directory.h"
#include "tests/engine/install_state.h"

namespace {

struct PrefixCase
{
    LPCWSTR pszPath;
    std::vector<LPCWSTR> expected;
};

std::vector<std::wstring> Strings(const std::vector<CString>& values)
{
    std::vector<std::wstring> result;
    for (const CString& str : values)
        result.push_back(str.str());
    return result;
}

TEST(DirectoryPrefixes, TriesEveryPrefixShortestFirst)
{
    const PrefixCase cases[] = {
        // Slashes read as backslashes; the drive is tried (and fails) first.
        {L"C:/Apps/Vellomar", {L"C:", L"C:\\Apps", L"C:\\Apps\\Vellomar"}},
        {L"C:\\Apps\\Vellomar\\", {L"C:", L"C:\\Apps", L"C:\\Apps\\Vellomar"}},
        // A doubled backslash costs one extra attempt on the same directory.
        {L"C:\\Apps\\\\Vellomar", {L"C:", L"C:\\Apps", L"C:\\Apps\\", L"C:\\Apps\\\\Vellomar"}},
        // The empty text before a leading backslash is tried too.
        {L"\\Apps", {L"", L"\\Apps"}},
        {L"Vellomar", {L"Vellomar"}},
        {L"", {}},
    };
    for (const PrefixCase& c : cases) {
        std::vector<std::wstring> expected(c.expected.begin(), c.expected.end());
        EXPECT_EQ(expected, Strings(GetDirectoryPrefixes(c.pszPath))) << "path: " << CStringA(c.pszPath).str();
    }
}

TEST(CreateDirectoryPath, CreatesEveryLevelOfASlashPathWithoutTrailingSeparator)
{
    CTempFolder folder(L"dirpath slashes");
    CString strSlashed = folder.Path() + L"/Apps/Vellomar/data";
    strSlashed.Replace(L'\\', L'/');
    EXPECT_TRUE(CreateDirectoryPath(strSlashed));
    EXPECT_TRUE(FolderExists(folder.Path() + L"\\Apps"));
    EXPECT_TRUE(FolderExists(folder.Path() + L"\\Apps\\Vellomar\\data"));
}

TEST(CreateDirectoryPath, ExistingPathAndDoubledBackslashAreHarmless)
{
    CTempFolder folder(L"dirpath existing");
    const CString strPath = folder.Path() + L"\\a\\\\b\\";
    EXPECT_TRUE(CreateDirectoryPath(strPath));
    EXPECT_TRUE(FolderExists(folder.Path() + L"\\a\\b"));

    // A file inside must survive a second call on the existing path.
    const CString strFile = folder.Path() + L"\\a\\b\\keep.txt";
    HANDLE hFile = CreateFileW(strFile, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hFile);
    CloseHandle(hFile);
    EXPECT_TRUE(CreateDirectoryPath(strPath));
    EXPECT_TRUE(FileExists(strFile));
}

TEST(CreateDirectoryPath, EmptyPathIsRefusedAndCreatesNothing)
{
    CTempFolder folder(L"dirpath empty");
    wchar_t szOldDir[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, szOldDir);
    SetCurrentDirectoryW(folder.Path());

    EXPECT_FALSE(CreateDirectoryPath(L""));
    WIN32_FIND_DATAW data = {};
    int nEntries = 0;
    HANDLE hFind = FindFirstFileW(folder.Path() + L"\\*", &data);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            if (wcscmp(data.cFileName, L".") && wcscmp(data.cFileName, L".."))
                ++nEntries;
        } while (FindNextFileW(hFind, &data));
        FindClose(hFind);
    }
    SetCurrentDirectoryW(szOldDir);
    EXPECT_EQ(0, nEntries);
}

}  // namespace

// The levels a call made, for the installation's record: only those that did
// not exist, shortest first, none on a second call.
TEST(CreateDirectoryPath, ListsTheLevelsItMade)
{
    CTempFolder folder(L"dirpath created");
    ASSERT_TRUE(CreateDirectoryW(folder.Path() + L"\\我的软件", nullptr));
    std::vector<CString> created = {L"stale"};
    EXPECT_TRUE(CreateDirectoryPath(folder.Path() + L"/我的软件/Vellomar/data\\", &created));
    const std::vector<std::wstring> expected = {(folder.Path() + L"\\我的软件\\Vellomar").str(),
                                                (folder.Path() + L"\\我的软件\\Vellomar\\data").str()};
    EXPECT_EQ(expected, Strings(created));
    EXPECT_TRUE(CreateDirectoryPath(folder.Path() + L"\\我的软件\\Vellomar\\data", &created));
    EXPECT_TRUE(created.empty());
    EXPECT_FALSE(CreateDirectoryPath(L"", &created));
}
