// The extraction worker under Wine: fixture archives are staged from
// resource-only DLLs (extract_fixtures/, made by make_extract_fixtures.py),
// notifications are collected by a message-only window with a time-limited
// pump. The rules without files come first, as tables.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <atomic>
#include <thread>
#include <string>
#include <vector>

#include "afx/afxmodule.h"
#include "engine/extract.h"
#include "engine/extract_lanes.h"
#include "engine/extract_result.h"
#include "engine/extract_rules.h"
#include "engine/extract_stage.h"
#include "engine/install_journal.h"
#include "engine/install_record.h"
#include "tests/engine/install_state.h"
#include "tests/support/pump.h"

namespace {


std::string Narrow(const std::wstring& str)
{
    return AfxWideToAnsi(str.c_str());
}

// ---- Rules ------------------------------------------------------------------------

TEST(ExtractRules, DataEntriesAreExactlyConfigAndResourceTrees)
{
    const struct { LPCWSTR pszName; bool bData; } cases[] = {
        {L"config", true}, {L"config/version.ini", true}, {L"config/a/b/c.txt", true},
        {L"resource", true}, {L"resource/images/logo.png", true},
        {L"Config/version.ini", false}, {L"RESOURCE/x", false}, {L"configs/x", false},
        {L"resources/x", false}, {L"configuration.txt", false}, {L"conf/config/x", false},
        {L"Vellomar.exe", false}, {L"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.bData, IsDataEntryName(c.pszName)) << Narrow(c.pszName);
}

TEST(ExtractRules, NamesThatCouldLeaveTheFolderOrNameADeviceAreUnsafe)
{
    const struct { LPCWSTR pszName; bool bUnsafe; } cases[] = {
        {L"../evil.txt", true}, {L"a/../../evil.txt", true}, {L"a/..", true}, {L"..", true},
        {L"a\\..\\..\\evil.txt", true}, {L"a/.../b", true}, {L"a/.. /b", true},
        {L"C:/Windows/evil.txt", true}, {L"C:evil.txt", true}, {L"file.txt:stream", true},
        {L"NUL", true}, {L"nul.txt", true}, {L"logs/Con", true}, {L"a/AUX .log", true}, {L"COM1", true},
        {L"lpt9.txt", true}, {L"CONOUT$", true}, {L"NUL/a.txt", true},
        {L"NULL.txt", false}, {L"console.txt", false}, {L"COM0", false}, {L"COM10", false}, {L"LPT", false},
        {L"a.nul", false}, {L"auxiliary/x", false},
        {L"a/b.txt", false}, {L"..a/b", false}, {L"a../b", false}, {L"a/.b", false}, {L"./a", false},
        {L"a/b..txt", false}, {L"Vellomar.exe", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.bUnsafe, IsUnsafeEntryName(c.pszName)) << Narrow(c.pszName);
}

// The entry's own file name decides, as Windows compares names; the folders
// it lies in (the install folder's path among them) do not.
TEST(ExtractRules, PreservedFileIsConfigIniByItsOwnNameInAnyCase)
{
    const struct { LPCWSTR pszName; bool bPreserved; } cases[] = {
        {L"config.ini", true}, {L"Config.ini", true}, {L"CONFIG.INI", true}, {L"config/config.ini", true},
        {L"config\\Config.INI", true}, {L"a/b/config.ini", true}, {L"config.ini.", true}, {L"config.ini ", true},
        {L"xconfig.ini", false}, {L"config.ini.bak", false}, {L"config.ini/readme.txt", false},
        {L"my config.ini/a.txt", false}, {L"config.in", false}, {L"config", false}, {L"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.bPreserved, IsPreservedEntryName(c.pszName)) << Narrow(c.pszName);
}

// Names in archive order: a name met again supersedes the earlier copy
// (case, separators and trailing dots ignored, as Windows finds files); a
// file against a folder of its name, either way round, is the clash, and the
// pass ends there.
TEST(ExtractRules, NamePassSupersedesEarlierCopiesAndStopsAtAFileAgainstAFolder)
{
    const std::wstring app = L"C:\\App\\";
    const std::wstring data = L"C:\\Data\\";
    const struct
    {
        const char* pszCase;
        std::vector<CPlannedName> names;
        std::vector<bool> superseded;
        UINT32 nClash;
    } cases[] = {
        {"distinct", {{app, L"a.txt", false}, {app, L"b/a.txt", false}, {data, L"a.txt", false}},
         {false, false, false}, NO_ENTRY},
        {"later copy wins", {{app, L"a.txt", false}, {app, L"b.txt", false}, {app, L"a.txt", false}},
         {true, false, false}, NO_ENTRY},
        {"three copies, case and separators",
         {{app, L"d/a.txt", false}, {app, L"D\\A.TXT", false}, {app, L"d/A.txt.", false}},
         {true, true, false}, NO_ENTRY},
        {"folders met twice", {{app, L"d", true}, {app, L"d/a", false}, {app, L"D", true}, {app, L"d/b", false}},
         {false, false, false, false}, NO_ENTRY},
        {"file, then a file inside it", {{app, L"a", false}, {app, L"x", false}, {app, L"A/b.txt", false},
                                         {app, L"x", false}},
         {false, false, false, false}, 2},
        {"file inside, then the file", {{app, L"a/b.txt", false}, {app, L"a", false}}, {false, false}, 1},
        {"folder entry, then the file", {{app, L"a", true}, {app, L"a", false}}, {false, false}, 1},
        {"file, then the folder entry", {{app, L"a.txt", false}, {app, L"A.txt", true}}, {false, false}, 1},
    };
    for (const auto& c : cases) {
        const CNamePlan plan = PlanEntryNames(c.names);
        EXPECT_EQ(c.superseded, plan.superseded) << c.pszCase;
        EXPECT_EQ(c.nClash, plan.nClash) << c.pszCase;
    }
}

TEST(ExtractRules, UnixModeWordsKeepOnlyTheirWindowsBits)
{
    const struct { DWORD dwStored, dwApplied; } cases[] = {
        {FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_ARCHIVE},
        {FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY},
        {(0100644u << 16) | 0x8000 | FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_ARCHIVE},
        {(0100444u << 16) | 0x8000 | FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_READONLY},
        {(040755u << 16) | 0x8000 | FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.dwApplied, GetAttributesToApply(c.dwStored)) << std::hex << c.dwStored;
}

TEST(ExtractRules, ProgressIsTruncatedPercentOfAllEntries)
{
    const struct { UINT32 nIndex, nCount; UINT nPercent; } cases[] = {
        {0, 1, 100}, {0, 3, 33}, {1, 3, 66}, {2, 3, 100}, {6, 14, 50}, {7, 8, 100},
        {0, 20, 5}, {10, 20, 55}, {0, 1000000, 0}, {999998, 1000000, 99},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.nPercent, GetProgressPercent(c.nIndex, c.nCount)) << c.nIndex << " of " << c.nCount;
}

TEST(ExtractRules, LanesFollowTheBlocksAndTakeEntriesWithoutDataAlong)
{
    const UINT32 N = NO_BLOCK;
    const struct
    {
        std::vector<UINT32> blocks;   // each entry's block, in archive order
        std::vector<CExtractLane> lanes;
    } cases[] = {
        {{}, {}},
        {{N, N}, {{N, {0, 1}}}},
        {{0, 0, N, 0, N}, {{0, {0, 1, 2, 3, 4}}}},
        {{N, N, 0, 0, 1, N, 1, 2}, {{0, {0, 1, 2, 3}}, {1, {4, 5, 6}}, {2, {7}}}},
        {{0, N, N, 1, N}, {{0, {0, 1, 2}}, {1, {3, 4}}}},
    };
    for (const auto& c : cases) {
        const std::vector<CExtractLane> lanes = PlanLanes(c.blocks.data(), static_cast<UINT32>(c.blocks.size()));
        ASSERT_EQ(c.lanes.size(), lanes.size()) << "case with " << c.blocks.size() << " entries";
        for (size_t i = 0; i < lanes.size(); ++i) {
            EXPECT_EQ(c.lanes[i].nFolder, lanes[i].nFolder) << "lane " << i;
            EXPECT_EQ(c.lanes[i].entries, lanes[i].entries) << "lane " << i;
        }
    }
}

TEST(ExtractRules, TemporaryArchiveKeepsTheTemporaryFolderWithoutALongForm)
{
    EXPECT_EQ(L"C:\\Users\\LONGNA~1\\Temp\\\\\\vlsetup-stage-42.7z",
              ComposeTempArchivePath(L"C:\\Users\\LONGNA~1\\Temp\\\\", L"C:\\Users\\LONGNA~1\\Temp\\\\", 42));
    EXPECT_EQ(L"C:\\Users\\Long Name\\Temp\\\\vlsetup-stage-4294967295.7z",
              ComposeTempArchivePath(L"C:\\Users\\LONGNA~1\\Temp\\", L"C:\\Users\\Long Name\\Temp\\", 4294967295u));
    EXPECT_EQ(L"C:\\no such folder\\\\vlsetup-stage-7.7z", ComposeTempArchivePath(L"C:\\no such folder\\", L"", 7));
}

TEST(ExtractRules, PathBufferIsZeroFilledAndCutTo259Characters)
{
    const std::wstring strShort = L"C:\\Vellomar\\config\\config.ini";
    const std::wstring strLong = L"C:\\" + std::wstring(300, L'x');
    for (const std::wstring& strPath : {strShort, strLong}) {
        wchar_t* pBuffer = NewNotifyPath(strPath);
        ASSERT_NE(nullptr, pBuffer);
        const size_t nKept = std::min<size_t>(strPath.size(), NOTIFY_PATH_CHARS - 1);
        EXPECT_EQ(strPath.substr(0, nKept), std::wstring(pBuffer, nKept));
        for (size_t i = nKept; i < NOTIFY_PATH_CHARS; ++i)
            ASSERT_EQ(L'\0', pBuffer[i]) << "at " << i;
        delete[] pBuffer;
    }
}

// ---- Temporary archive path ---------------------------------------------------------

// Points TMP and TEMP elsewhere while in scope.
class CScopedTempVariables
{
public:
    explicit CScopedTempVariables(LPCWSTR pszFolder)
    {
        for (int i = 0; i < 2; ++i) {
            wchar_t szOld[MAX_PATH] = {};
            m_bHad[i] = GetEnvironmentVariableW(NAMES[i], szOld, MAX_PATH) > 0;
            m_strOld[i] = szOld;
            SetEnvironmentVariableW(NAMES[i], pszFolder);
        }
    }
    ~CScopedTempVariables()
    {
        for (int i = 0; i < 2; ++i)
            SetEnvironmentVariableW(NAMES[i], m_bHad[i] ? m_strOld[i].c_str() : nullptr);
    }

private:
    static constexpr LPCWSTR NAMES[2] = {L"TMP", L"TEMP"};
    bool m_bHad[2] = {};
    std::wstring m_strOld[2];
};

TEST(TempArchivePath, NumberedArchiveOfOursInTheTemporaryFolder)
{
    wchar_t szTemp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, szTemp);
    wchar_t szLong[1024] = {};
    ASSERT_NE(0u, GetLongPathNameW(szTemp, szLong, ARRAYSIZE(szLong)));

    const std::wstring strPath = GetTempArchivePath(123);
    EXPECT_EQ(std::wstring(szLong) + L"\\vlsetup-stage-123.7z", strPath);
}

TEST(TempArchivePath, MissingTemporaryFolderIsKeptNotDroppedToTheDriveRoot)
{
    // GetTempPathW hands out the variable's folder; GetLongPathNameW fails on it.
    CScopedTempVariables vars(L"C:\\vl-no-such-temp-folder");
    const std::wstring strPath = GetTempArchivePath(5);
    EXPECT_EQ(L"C:\\vl-no-such-temp-folder\\\\vlsetup-stage-5.7z", strPath);
    // Nothing can be created there: no name is handed out.
    HANDLE hFile = nullptr;
    EXPECT_EQ(L"", ReserveTempArchive(5, &hFile));
    EXPECT_EQ(INVALID_HANDLE_VALUE, hFile);
}

TEST(TempArchivePath, ReservationSkipsTakenNamesAndLeavesThemAlone)
{
    CTempFolder folder(L"staging names");
    CScopedTempVariables vars(folder.Path().str().c_str());
    // Two names are another program's already, with content of their own.
    for (DWORD n : {7u, 8u}) {
        HANDLE hFile = CreateFileW(GetTempArchivePath(n).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, hFile);
        DWORD nWritten = 0;
        ASSERT_TRUE(WriteFile(hFile, "theirs", 6, &nWritten, nullptr));
        CloseHandle(hFile);
    }
    HANDLE hReserved = INVALID_HANDLE_VALUE;
    const std::wstring strPath = ReserveTempArchive(7, &hReserved);
    EXPECT_EQ(GetTempArchivePath(9), strPath);
    ASSERT_NE(INVALID_HANDLE_VALUE, hReserved);
    CloseHandle(hReserved);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(strPath.c_str()));
    for (DWORD n : {7u, 8u}) {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        ASSERT_TRUE(GetFileAttributesExW(GetTempArchivePath(n).c_str(), GetFileExInfoStandard, &data));
        EXPECT_EQ(6u, data.nFileSizeLow) << n;
    }
    DeleteFileW(strPath.c_str());
}

TEST(TempArchivePath, OnlyOurStagedArchivesAreRemovedAtStart)
{
    struct
    {
        LPCWSTR pszName;
        bool bOurs;
    } cases[] = {
        {L"vlsetup-stage-3.7z", true},
        {L"VLSETUP-STAGE-4294967295.7Z", true},
        {L"vlsetup-stage-.7z", false},
        {L"vlsetup-stage-12.7z.bak", false},
        {L"vlsetup-stage-1a.7z", false},
        {L"vlsetup-stage-notes.txt", false},
        {L"3.7z", false},
    };
    CTempFolder folder(L"left staged");
    const std::wstring strDir = folder.Path().str() + L"\\";
    for (const auto& c : cases) {
        EXPECT_EQ(c.bOurs, IsStagedArchiveName(c.pszName)) << Narrow(c.pszName);
        HANDLE hFile = CreateFileW((strDir + c.pszName).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, hFile) << Narrow(c.pszName);
        CloseHandle(hFile);
    }
    ASSERT_TRUE(CreateDirectoryW((strDir + L"vlsetup-stage-5.7z").c_str(), nullptr));   // a folder: not ours
    // One in use by a running worker, which holds it without delete sharing.
    const std::wstring strHeld = strDir + L"vlsetup-stage-6.7z";
    HANDLE hHeld = CreateFileW(strHeld.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hHeld);

    EXPECT_EQ(2u, RemoveLeftStagedArchives(strDir));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(strHeld.c_str())) << "an archive in use was deleted";
    CloseHandle(hHeld);
    for (const auto& c : cases) {
        EXPECT_EQ(!c.bOurs, GetFileAttributesW((strDir + c.pszName).c_str()) != INVALID_FILE_ATTRIBUTES)
            << Narrow(c.pszName);
    }
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((strDir + L"vlsetup-stage-5.7z").c_str()));
}

// ---- The worker ---------------------------------------------------------------------

std::wstring FixturePath(LPCWSTR pszName)
{
    wchar_t szExe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, szExe, MAX_PATH);
    std::wstring strPath = szExe;
    strPath.resize(strPath.rfind(L'\\') + 1);
    return strPath + L"extract_fixtures\\" + pszName;
}

// Makes a fixture DLL (or, with null, this test, which holds no payload) the
// resource module while in scope.
class CScopedResourceModule
{
public:
    explicit CScopedResourceModule(LPCWSTR pszDll)
        : m_hModule(pszDll ? LoadLibraryW(FixturePath(pszDll).c_str()) : nullptr),
          m_hOld(AfxGetResourceHandle())
    {
        AfxSetResourceHandle(pszDll ? m_hModule : GetModuleHandleW(nullptr));
    }
    ~CScopedResourceModule()
    {
        AfxSetResourceHandle(m_hOld);
        if (m_hModule) {
            FreeLibrary(m_hModule);
            m_hModule = nullptr;
        }
    }
    bool Loaded() const { return m_hModule != nullptr; }
    CScopedResourceModule(const CScopedResourceModule&) = delete;
    CScopedResourceModule& operator=(const CScopedResourceModule&) = delete;

private:
    HMODULE m_hModule;
    HINSTANCE m_hOld;
};

std::string ReadAll(const std::wstring& strPath)
{
    std::string data;
    HANDLE hFile = CreateFileW(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return "<missing>";
    char buffer[65536];
    DWORD nRead = 0;
    while (ReadFile(hFile, buffer, sizeof(buffer), &nRead, nullptr) && nRead)
        data.append(buffer, nRead);
    CloseHandle(hFile);
    return data;
}

void WriteAll(const std::wstring& strPath, const std::string& data, DWORD dwAttributes = FILE_ATTRIBUTE_NORMAL)
{
    HANDLE hFile = CreateFileW(strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hFile) << Narrow(strPath);
    DWORD nWritten = 0;
    WriteFile(hFile, data.data(), static_cast<DWORD>(data.size()), &nWritten, nullptr);
    CloseHandle(hFile);
    SetFileAttributesW(strPath.c_str(), dwAttributes);
}

// Relative paths below strRoot (a trailing backslash marks a directory), sorted.
std::vector<std::wstring> ListTree(const std::wstring& strRoot, const std::wstring& strRelative = L"")
{
    std::vector<std::wstring> entries;
    WIN32_FIND_DATAW data = {};
    HANDLE hFind = FindFirstFileW((strRoot + strRelative + L"*").c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return entries;
    do {
        const std::wstring strName = data.cFileName;
        if (strName == L"." || strName == L"..")
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            entries.push_back(strRelative + strName + L"\\");
            const std::vector<std::wstring> inner = ListTree(strRoot, strRelative + strName + L"\\");
            entries.insert(entries.end(), inner.begin(), inner.end());
        } else {
            entries.push_back(strRelative + strName);
        }
    } while (FindNextFileW(hFind, &data));
    FindClose(hFind);
    std::sort(entries.begin(), entries.end());
    return entries;
}

// One entry of payload_entries.txt: the default payload in archive order.
struct CListedEntry
{
    bool bDir;
    std::wstring strName;
};

// <name>_entries.txt: an archive's entries in archive order.
std::vector<CListedEntry> ReadListedEntries(const std::wstring& strName)
{
    std::vector<CListedEntry> entries;
    const std::string text = ReadAll(FixturePath((strName + L"_entries.txt").c_str()));
    size_t nPos = 0;
    while (nPos < text.size()) {
        size_t nEnd = text.find('\n', nPos);
        if (nEnd == std::string::npos)
            nEnd = text.size();
        const std::string line = text.substr(nPos, nEnd - nPos);
        if (line.size() > 2)
            entries.push_back({line[0] == 'D', AfxAnsiToWide(line.c_str() + 2)});
        nPos = nEnd + 1;
    }
    return entries;
}

// A successful run's tree: the entries and the record beside them.
std::vector<std::wstring> WithRecord(std::vector<std::wstring> tree)
{
    tree.push_back(INSTALL_RECORD_FILE_NAME);
    std::sort(tree.begin(), tree.end());
    return tree;
}

class Extraction : public testing::Test
{
protected:
    // Base directories as the page passes them: with a trailing backslash.
    std::wstring Base(const CTempFolder& folder) const { return folder.Path().str() + L"\\"; }
};

// Archives of several blocks: the default payload (two blocks, BCJ + LZMA) and
// blocks.7z (BCJ + LZMA over more than one chunk, LZMA2, PPMd, Copy; an empty
// file, an empty directory).
TEST_F(Extraction, MultiBlockArchivesAreWhat7ZipItselfExtracts)
{
    for (const wchar_t* pszName : {L"payload", L"blocks"}) {
        const std::string strCase = Narrow(pszName);
        CScopedResourceModule module((std::wstring(L"extract_") + pszName + L".dll").c_str());
        ASSERT_TRUE(module.Loaded()) << strCase;
        CTempFolder folder(L"extract blocks");
        const CExtractRun run = RunExtraction(Base(folder), Base(folder));

        ASSERT_EQ(INSTALL_DONE, run.nFinal) << strCase;
        EXPECT_EQ(0, run.nAfterFinal) << strCase;
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(run.strArchivePath.c_str())) << "temporary archive left";
        // Blocks unpack at once, but each file's progress waits for every
        // entry before it: the percentages of an entry-by-entry run, each
        // posted once.
        const std::vector<CListedEntry> entries = ReadListedEntries(pszName);
        ASSERT_FALSE(entries.empty()) << strCase;
        std::vector<LPARAM> expected;
        for (size_t i = 0; i < entries.size(); ++i) {
            const LPARAM nPercent = static_cast<LPARAM>((i + 1) * 100 / entries.size());
            if (!entries[i].bDir && (expected.empty() || expected.back() != nPercent))
                expected.push_back(nPercent);
        }
        EXPECT_EQ(expected, run.progress) << strCase;

        const std::wstring strRef = FixturePath((std::wstring(pszName) + L"_ref\\").c_str());
        const std::vector<std::wstring> refTree = ListTree(strRef);
        ASSERT_FALSE(refTree.empty()) << strCase;
        EXPECT_EQ(WithRecord(refTree), ListTree(Base(folder))) << strCase;
        // The record owns every entry: a first installation created them all.
        std::vector<InstallRecordEntry> record;
        ASSERT_TRUE(ReadInstallRecord(Base(folder), &record)) << strCase;
        for (const std::wstring& strName : WithRecord(refTree)) {
            const bool bDir = strName.back() == L'\\';
            const InstallRecordEntry owned = {bDir ? InstallRecordKind::CreatedFolder : InstallRecordKind::CreatedFile,
                                              Base(folder) + (bDir ? strName.substr(0, strName.size() - 1) : strName)};
            EXPECT_EQ(1, std::count(record.begin(), record.end(), owned)) << strCase << ": " << Narrow(strName);
        }
        EXPECT_EQ(WithRecord(refTree).size(), record.size()) << strCase;
        EXPECT_FALSE(FileExists(GetJournalPath(Base(folder)).c_str())) << strCase << ": journal left";
        EXPECT_FALSE(FolderExists(GetAsideDir(Base(folder)).c_str())) << strCase << ": aside folder left";
        for (const std::wstring& strName : refTree) {
            if (strName.back() != L'\\') {
                EXPECT_TRUE(ReadAll(strRef + strName) == ReadAll(Base(folder) + strName))
                    << strCase << ": " << Narrow(strName) << " differs";
            }
        }
    }
}

// crc_second.7z: Vellomar.exe, a1.txt | b1.txt, b2.txt (wrong CRC), b3.txt.
// The files written before the damaged one are undone with it.
TEST_F(Extraction, CrcErrorInTheSecondBlockUndoesTheWholeRun)
{
    CScopedResourceModule module(L"extract_crc_second.dll");
    ASSERT_TRUE(module.Loaded());
    CTempFolder folder(L"extract crc");
    const CExtractRun run = RunExtraction(Base(folder), Base(folder));

    EXPECT_EQ(INSTALL_ERR_DECODE, run.nFinal);
    EXPECT_EQ(0, run.nAfterFinal);
    EXPECT_EQ((std::vector<LPARAM>{20, 40, 60}), run.progress);
    EXPECT_EQ(std::vector<std::wstring>(), ListTree(Base(folder)));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(run.strArchivePath.c_str())) << "temporary archive left";
}

// twice.7z: Vellomar.exe, then a.txt 20 times, "copy 1" to "copy 20": each
// copy overwrites the one before, as if it were the only one.
TEST_F(Extraction, NameMetAgainOverwritesTheEarlierCopy)
{
    CScopedResourceModule module(L"extract_twice.dll");
    ASSERT_TRUE(module.Loaded());
    CTempFolder folder(L"extract twice");
    const CExtractRun run = RunExtraction(Base(folder), Base(folder));

    EXPECT_EQ(INSTALL_DONE, run.nFinal);
    EXPECT_EQ(21u, run.progress.size());
    EXPECT_EQ(WithRecord({L"Vellomar.exe", L"a.txt"}), ListTree(Base(folder)));
    EXPECT_EQ("copy 20\n", ReadAll(Base(folder) + L"a.txt"));
    // Journaled once, at its first write: the later ones overwrite our own file.
    std::vector<InstallRecordEntry> record;
    ASSERT_TRUE(ReadInstallRecord(Base(folder), &record));
    EXPECT_EQ(1, std::count_if(record.begin(), record.end(),
                               [&](const InstallRecordEntry& e) { return e.strPath == Base(folder) + L"a.txt"; }));
}

// Blocks unpack at once, so these run many times: the outcome is an
// entry-by-entry run's whichever block gets ahead.
constexpr int RACE_ROUNDS = 12;

// twice_blocks.7z: a.txt in six blocks, six spellings, "copy 1" to "copy 6",
// the odd copies large: the last copy is what stays.
TEST_F(Extraction, NameMetAgainInLaterBlocksEndsAsTheLastCopy)
{
    CScopedResourceModule module(L"extract_twice_blocks.dll");
    ASSERT_TRUE(module.Loaded());
    for (int nRound = 0; nRound < RACE_ROUNDS; ++nRound) {
        CTempFolder folder(L"extract twice blocks");
        const CExtractRun run = RunExtraction(Base(folder), Base(folder));
        ASSERT_EQ(INSTALL_DONE, run.nFinal) << "round " << nRound << ": " << Narrow(run.strPath);
        EXPECT_EQ(7u, run.progress.size()) << "round " << nRound;
        // The last copy's spelling too.
        EXPECT_EQ(WithRecord({L"Vellomar.exe", L"A.tXT"}), ListTree(Base(folder))) << "round " << nRound;
        EXPECT_EQ("copy 6\n", ReadAll(Base(folder) + L"a.txt")) << "round " << nRound;
    }
}

// A file and a folder of one name in two blocks: code 5 at the later entry,
// whichever block is written first, and the run undone whole (nothing of it
// left, the earlier entry included).
TEST_F(Extraction, FileAgainstFolderOfTheSameNameEndsWithCode5AtTheLaterEntry)
{
    const struct
    {
        LPCWSTR pszDll;
        LPCWSTR pszFailed;                   // below the base
    } cases[] = {
        // Vellomar.exe, big.bin, a | a/b.txt | after.txt
        {L"extract_clash_file.dll", L"a\\b.txt"},
        // Vellomar.exe (large), a/big.bin | a | after.txt
        {L"extract_clash_folder.dll", L"a"},
    };
    for (const auto& c : cases) {
        CScopedResourceModule module(c.pszDll);
        ASSERT_TRUE(module.Loaded()) << Narrow(c.pszDll);
        for (int nRound = 0; nRound < RACE_ROUNDS; ++nRound) {
            CTempFolder folder(L"extract clash");
            const CExtractRun run = RunExtraction(Base(folder), Base(folder));
            const std::string strCase = Narrow(c.pszDll) + ", round " + std::to_string(nRound);
            EXPECT_EQ(INSTALL_ERR_CREATE, run.nFinal) << strCase;
            EXPECT_EQ(Base(folder) + c.pszFailed, run.strPath) << strCase;
            EXPECT_EQ(std::vector<std::wstring>(), ListTree(Base(folder))) << strCase;
        }
    }
}

TEST_F(Extraction, ReinstallOverwritesEverythingButAnExistingConfigIni)
{
    CScopedResourceModule module(L"extract_payload.dll");
    CTempFolder folder(L"extract reinstall config.ini");   // the folder's name preserves nothing
    ASSERT_EQ(INSTALL_DONE, RunExtraction(Base(folder), Base(folder)).nFinal);

    const std::wstring strConfig = Base(folder) + L"config\\config.ini";
    const std::wstring strReadme = Base(folder) + L"resource\\readme.txt";
    const std::wstring strExe = Base(folder) + L"Vellomar.exe";
    const std::string shippedReadme = ReadAll(strReadme);
    const std::string shippedExe = ReadAll(strExe);
    WriteAll(strConfig, "[user]\r\nkept=1\r\n");
    WriteAll(strReadme, "changed");
    WriteAll(strExe, "changed");

    ASSERT_EQ(INSTALL_DONE, RunExtraction(Base(folder), Base(folder)).nFinal);
    EXPECT_EQ("[user]\r\nkept=1\r\n", ReadAll(strConfig));
    EXPECT_TRUE(shippedReadme == ReadAll(strReadme));
    EXPECT_TRUE(shippedExe == ReadAll(strExe));
}

// What ending the installer during extraction leaves: the entries before the
// one being written, that one cut short, nothing after it. Starting again
// must install completely over it.
TEST_F(Extraction, InstallationEndedPartwayIsCompletedByTheNextRun)
{
    CScopedResourceModule module(L"extract_payload.dll");
    ASSERT_TRUE(module.Loaded());
    const std::wstring strRef = FixturePath(L"payload_ref\\");
    const std::vector<std::wstring> refTree = ListTree(strRef);
    std::vector<std::wstring> refFiles;
    for (const std::wstring& strName : refTree) {
        if (strName.back() != L'\\')
            refFiles.push_back(strName);
    }
    ASSERT_GE(refFiles.size(), 3u);

    for (size_t nCut = 0; nCut < refFiles.size(); nCut += refFiles.size() / 3) {
        CTempFolder folder(L"extract resumed");
        const std::wstring strBase = Base(folder);
        ASSERT_EQ(INSTALL_DONE, RunExtraction(strBase, strBase).nFinal);
        const std::string whole = ReadAll(strBase + refFiles[nCut]);
        WriteAll(strBase + refFiles[nCut], whole.substr(0, whole.size() / 2));
        for (size_t i = nCut + 1; i < refFiles.size(); ++i)
            DeleteFileW((strBase + refFiles[i]).c_str());

        const CExtractRun run = RunExtraction(strBase, strBase);
        ASSERT_EQ(INSTALL_DONE, run.nFinal) << "cut at " << Narrow(refFiles[nCut]);
        EXPECT_EQ(WithRecord(refTree), ListTree(strBase)) << "cut at " << Narrow(refFiles[nCut]);
        for (const std::wstring& strName : refFiles) {
            // An interrupted config.ini is kept as found, as any existing one is.
            if (IsPreservedEntryName(strName.c_str()) && strName == refFiles[nCut])
                continue;
            EXPECT_TRUE(ReadAll(strRef + strName) == ReadAll(strBase + strName))
                << Narrow(strName) << " differs after a cut at " << Narrow(refFiles[nCut]);
        }
    }
}

// An upgrade over a previous installation (its own program and readme, the
// user's settings and notes) stopped at its first file, halfway, after its
// last file, or failing on damaged data: the folder is as it was, byte for
// byte, and nothing of the run is left (journal, old copies, staged
// archive, pending value).
TEST_F(Extraction, UpgradeStoppedOrFailedLeavesThePreviousFolderByteForByte)
{
    const std::wstring strKey = L"Software\\VLSetupExtractTest";
    const std::vector<CListedEntry> entries = ReadListedEntries(L"payload");
    const UINT32 nFiles = static_cast<UINT32>(
        std::count_if(entries.begin(), entries.end(), [](const CListedEntry& e) { return !e.bDir; }));
    ASSERT_GE(nFiles, 3u);
    const struct
    {
        const char* pszWhy;
        LPCWSTR pszDll;
        UINT32 nStopAfterFiles;
        WPARAM nCode;
    } cases[] = {
        {"stopped at the first file", L"extract_payload.dll", 1, INSTALL_STOPPED},
        {"stopped halfway", L"extract_payload.dll", nFiles / 2, INSTALL_STOPPED},
        {"stopped after the last file", L"extract_payload.dll", nFiles, INSTALL_STOPPED},
        {"damaged data", L"extract_damaged.dll", NO_STOP_AFTER_FILES, INSTALL_ERR_DECODE},
    };
    for (const auto& c : cases) {
        CTempFolder outer(L"extract upgrade");
        const std::wstring strDir = Base(outer) + L"inst\\";
        {
            CScopedResourceModule previous(L"extract_payload.dll");
            ASSERT_EQ(INSTALL_DONE, RunExtraction(strDir, strDir).nFinal) << c.pszWhy;
        }
        WriteAll(strDir + L"Vellomar.exe", "the previous build");
        WriteAll(strDir + L"resource\\readme.txt", "the previous readme");
        WriteAll(strDir + L"config\\config.ini", "the user's settings");
        WriteAll(strDir + L"notes.txt", "the user's own file");
        const auto before = Snapshot(Base(outer));

        CScopedResourceModule module(c.pszDll);
        ASSERT_TRUE(module.Loaded()) << c.pszWhy;
        CExtractOptions options;
        options.nStopAfterFiles = c.nStopAfterFiles;
        options.strPendingKey = strKey;
        const CExtractRun run = RunExtraction(strDir, strDir, options);
        EXPECT_EQ(c.nCode, run.nFinal) << c.pszWhy;
        EXPECT_EQ(before, Snapshot(Base(outer))) << c.pszWhy;
        EXPECT_FALSE(ReadMachineValue(strKey.c_str(), PENDING_JOURNAL_VALUE).bFound) << c.pszWhy;
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(run.strArchivePath.c_str())) << c.pszWhy;
    }
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, strKey.c_str());
}

// A final code whose post never gets through (the page's queue full) is
// still the run's outcome: kept in the job for the holder once the worker
// ended, with its path.
BOOL WINAPI RefusePost(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

TEST_F(Extraction, FinalCodeThatCannotBePostedIsTakenFromTheJob)
{
    CScopedResourceModule module(L"extract_escape_stream.dll");
    ASSERT_TRUE(module.Loaded());
    CTempFolder folder(L"extract no post");
    CExtractOptions options;
    options.pfnPostFinal = RefusePost;
    const CExtractRun run = RunExtraction(Base(folder), Base(folder), options);
    EXPECT_TRUE(run.bFinalFromJob);
    EXPECT_EQ(INSTALL_ERR_CREATE, run.nFinal);
    EXPECT_EQ(Base(folder) + L"inside.txt:evil", run.strPath);
}

// layout.7z (make_extract_fixtures.py): eleven files, then nine directories.
TEST_F(Extraction, ConfigAndResourceTreesGoBelowTheDataDirectoryAndDirectoriesLastStopProgressEarly)
{
    CScopedResourceModule module(L"extract_layout.dll");
    CTempFolder appFolder(L"extract app");
    CTempFolder dataFolder(L"extract data");
    const std::wstring strApp = Base(appFolder);
    const std::wstring strData = Base(dataFolder);
    const CExtractRun run = RunExtraction(strApp, strData);

    ASSERT_EQ(INSTALL_DONE, run.nFinal);
    EXPECT_EQ((std::vector<LPARAM>{5, 10, 15, 20, 25, 30, 35, 40, 45, 50, 55}), run.progress);

    const std::vector<std::wstring> appTree = {
        L"Config\\", L"Config\\upper.txt", L"Vellomar.exe", L"configs\\", L"configs\\plural.txt",
        L"configuration.txt", L"empty.txt", L"emptydir\\", L"hidden.txt", L"resources\\",
        L"resources\\plural.txt", L"unix.txt"};
    const std::vector<std::wstring> dataTree = {
        L"config\\", L"config\\sub\\", L"config\\sub\\deep\\", L"config\\sub\\deep\\a.txt",
        L"config\\version.ini", L"resource\\", L"resource\\images\\", L"resource\\images\\logo.bin"};
    EXPECT_EQ(WithRecord(appTree), ListTree(strApp));
    EXPECT_EQ(dataTree, ListTree(strData));
    EXPECT_EQ("config/sub/deep/a.txt\n", ReadAll(strData + L"config\\sub\\deep\\a.txt"));
    EXPECT_EQ("Config/upper.txt\n", ReadAll(strApp + L"Config\\upper.txt"));
    EXPECT_EQ("", ReadAll(strApp + L"empty.txt"));

    // Windows words as stored; a Unix word (mode 0444) only by its Windows bits.
    const DWORD dwMask = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN), GetFileAttributesW((strApp + L"hidden.txt").c_str()) & dwMask);
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_READONLY), GetFileAttributesW((strApp + L"unix.txt").c_str()) & dwMask);
    EXPECT_EQ(0u, GetFileAttributesW((strApp + L"Vellomar.exe").c_str()) & dwMask);
}

// True where a read-only file cannot be opened for writing. Wine keeps the
// attribute as Unix mode bits, which a root user's writes pass through.
bool ReadOnlyFilesRefuseWrites(const std::wstring& strFolder)
{
    const std::wstring strProbe = strFolder + L"read-only probe";
    WriteAll(strProbe, "probe", FILE_ATTRIBUTE_READONLY);
    HANDLE hFile = CreateFileW(strProbe.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const bool bRefused = hFile == INVALID_HANDLE_VALUE;
    if (!bRefused)
        CloseHandle(hFile);
    SetFileAttributesW(strProbe.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(strProbe.c_str());
    return bRefused;
}

// layout.7z with its second entry, config/version.ini, not creatable: the
// worker must stop there with that path, after the first file's progress,
// and undo the first file.
void ExpectStopAtLockedTarget(const std::wstring& strApp, const std::wstring& strData)
{
    const std::wstring strLocked = strData + L"config\\version.ini";
    const CExtractRun run = RunExtraction(strApp, strData);
    ASSERT_EQ(INSTALL_ERR_CREATE, run.nFinal);
    EXPECT_TRUE(run.bPathBuffer);
    EXPECT_EQ(strLocked, run.strPath);
    EXPECT_EQ(0, run.nAfterFinal);
    EXPECT_EQ((std::vector<LPARAM>{5}), run.progress);   // the locked file was not completed
    EXPECT_EQ("locked", ReadAll(strLocked));
    EXPECT_FALSE(FileExists((strApp + L"Vellomar.exe").c_str())) << "the run was not undone";
    EXPECT_FALSE(FolderExists((strData + L"config\\sub").c_str())) << "a later entry was processed";
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(run.strArchivePath.c_str())) << "temporary archive left";
}

TEST_F(Extraction, ReadOnlyTargetStopsWithItsPathAndNoLaterEntry)
{
    CScopedResourceModule module(L"extract_layout.dll");
    CTempFolder appFolder(L"extract ro app");
    CTempFolder dataFolder(L"extract ro data");
    if (!ReadOnlyFilesRefuseWrites(Base(dataFolder)))
        GTEST_SKIP() << "read-only files accept writes here (Wine as root); the file in use below covers code 5";
    CreateDirectoryW((Base(dataFolder) + L"config").c_str(), nullptr);
    WriteAll(Base(dataFolder) + L"config\\version.ini", "locked", FILE_ATTRIBUTE_READONLY);
    ExpectStopAtLockedTarget(Base(appFolder), Base(dataFolder));
}

TEST_F(Extraction, TargetInUseStopsWithItsPathAndNoLaterEntry)
{
    CScopedResourceModule module(L"extract_layout.dll");
    CTempFolder appFolder(L"extract busy app");
    CTempFolder dataFolder(L"extract busy data");
    CreateDirectoryW((Base(dataFolder) + L"config").c_str(), nullptr);
    const std::wstring strLocked = Base(dataFolder) + L"config\\version.ini";
    WriteAll(strLocked, "locked");
    // Opened without write sharing, as a running program holds its files.
    HANDLE hHeld = CreateFileW(strLocked.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hHeld);
    ExpectStopAtLockedTarget(Base(appFolder), Base(dataFolder));
    CloseHandle(hHeld);
}

TEST_F(Extraction, FinalCodeForEachKindOfArchive)
{
    const struct
    {
        LPCWSTR pszDll;    // null: no payload resource at all
        bool bStop;
        WPARAM nCode;
    } cases[] = {
        {L"extract_damaged.dll", false, INSTALL_ERR_DECODE},
        {L"extract_not7z.dll", false, INSTALL_ERR_ARCHIVE},
        {L"extract_truncated.dll", false, INSTALL_ERR_ARCHIVE},
        // Without Vellomar.exe at the top nothing could be started: damaged.
        {L"extract_empty.dll", false, INSTALL_ERR_ARCHIVE},
        {L"extract_nomain.dll", false, INSTALL_ERR_ARCHIVE},
        {L"extract_nameless.dll", false, INSTALL_ERR_ARCHIVE},   // entries without names: no crash
        {nullptr, false, INSTALL_ERR_STAGE},
        {L"extract_layout.dll", true, INSTALL_STOPPED},   // stop requested before the first entry
    };
    for (const auto& c : cases) {
        const std::string strCase = c.pszDll ? Narrow(c.pszDll) : std::string("no payload");
        CScopedResourceModule module(c.pszDll);
        ASSERT_TRUE(!c.pszDll || module.Loaded()) << strCase;
        CTempFolder folder(L"extract codes");
        CExtractOptions options;
        options.bStop = c.bStop;
        const CExtractRun run = RunExtraction(Base(folder), Base(folder), options);
        EXPECT_EQ(c.nCode, run.nFinal) << strCase;
        EXPECT_FALSE(run.bPathBuffer) << strCase;
        EXPECT_EQ(0, run.nAfterFinal) << strCase;
        // For the damaged payload: its other block may have been unpacked
        // beside the first, but nothing is reported past the failure.
        EXPECT_TRUE(run.progress.empty()) << strCase;
        if (c.nCode == INSTALL_ERR_DECODE) {
            // The flipped byte lies in the data block, whose first file is
            // config.ini; the program block may or may not have been written
            // beside it, so Vellomar.exe says nothing either way.
            EXPECT_FALSE(FileExists((Base(folder) + L"config\\config.ini").c_str())) << strCase << ": damaged file left";
        }
        // Every failure and a stop undo the run whole.
        EXPECT_TRUE(ListTree(Base(folder)).empty()) << strCase << ": something was left";
        EXPECT_FALSE(FileExists(GetJournalPath(Base(folder)).c_str())) << strCase << ": journal left";
        // Staged by us, so removed on every path, a failed staging included.
        EXPECT_FALSE(run.strArchivePath.empty()) << strCase;
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(run.strArchivePath.c_str())) << strCase;
    }
}

TEST_F(Extraction, TheJobClosesItsWorkersThreadHandle)
{
    CScopedResourceModule module(L"extract_layout.dll");
    ASSERT_TRUE(module.Loaded());
    CTempFolder folder(L"extract handle");
    HANDLE hThread = nullptr;
    DWORD dwFlags = 0;
    {
        ExtractJob job = {};
        job.bStop = STOP_ASKED;   // nothing to unpack: only the worker's start and end matter
        StartExtraction(nullptr, Base(folder), Base(folder), &job);
        hThread = job.hThread;
        ASSERT_NE(nullptr, hThread);
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hThread, EXTRACTION_TIME_LIMIT_MS));
        EXPECT_TRUE(GetHandleInformation(hThread, &dwFlags));
    }
    EXPECT_FALSE(GetHandleInformation(hThread, &dwFlags)) << "the worker's handle outlived its job";
}

TEST_F(Extraction, NamesLeavingTheFolderAreRefusedBeforeAnythingIsCreated)
{
    const struct
    {
        LPCWSTR pszDll;
        LPCWSTR pszRefused;   // relative to the install folder, as reported
    } cases[] = {
        {L"extract_escape_parent.dll", L"sub\\..\\..\\outside\\evil.txt"},
        {L"extract_escape_stream.dll", L"inside.txt:evil"},
        // A device would take the bytes and report success with no file written.
        {L"extract_escape_device.dll", L"logs\\nul.txt"},
    };
    for (const auto& c : cases) {
        CScopedResourceModule module(c.pszDll);
        ASSERT_TRUE(module.Loaded());
        // The install folder sits alone inside an outer folder, so anything
        // written beside it shows up there.
        CTempFolder outer(L"extract escape");
        const std::wstring strInstall = Base(outer) + L"inst\\";
        CreateDirectoryW(strInstall.c_str(), nullptr);

        const CExtractRun run = RunExtraction(strInstall, strInstall);
        EXPECT_EQ(INSTALL_ERR_CREATE, run.nFinal) << Narrow(c.pszDll);
        EXPECT_EQ(strInstall + c.pszRefused, run.strPath);
        // The entries before it are undone; nothing was written outside.
        EXPECT_EQ(std::vector<std::wstring>{L"inst\\"}, ListTree(Base(outer)));
        EXPECT_EQ("<missing>", ReadAll(strInstall + L"inside.txt:evil"));
    }
}

TEST_F(Extraction, TargetPathOfMaxPathCharactersStopsWithItsPathAndNothingIsWrittenElsewhere)
{
    CScopedResourceModule module(L"extract_payload.dll");
    ASSERT_TRUE(module.Loaded());
    // An install folder of 240 characters inside an outer folder: the
    // payload's shorter names fit below MAX_PATH, its longer ones do not.
    CTempFolder outer(L"extract long");
    const size_t nInstallChars = 240;
    ASSERT_LT(Base(outer).size() + 2, nInstallChars);
    const std::wstring strPadding(nInstallChars - Base(outer).size() - 1, L'p');
    const std::wstring strInstall = Base(outer) + strPadding + L"\\";
    ASSERT_EQ(nInstallChars, strInstall.size());
    ASSERT_TRUE(CreateDirectoryW(strInstall.c_str(), nullptr));

    const std::vector<CListedEntry> entries = ReadListedEntries(L"payload");
    size_t nFirstLong = 0;
    while (nFirstLong < entries.size() && strInstall.size() + entries[nFirstLong].strName.size() < MAX_PATH)
        ++nFirstLong;
    ASSERT_GT(nFirstLong, 0u) << "every entry is too long: the folder does not test the limit";
    ASSERT_LT(nFirstLong, entries.size()) << "no entry is too long: the folder does not test the limit";
    std::wstring strLong = strInstall + entries[nFirstLong].strName;
    std::replace(strLong.begin(), strLong.end(), L'/', L'\\');

    const CExtractRun run = RunExtraction(strInstall, strInstall);
    ASSERT_EQ(INSTALL_ERR_CREATE, run.nFinal);
    EXPECT_EQ(strLong.substr(0, NOTIFY_PATH_CHARS - 1), run.strPath);
    EXPECT_EQ(0, run.nAfterFinal);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(strLong.c_str())) << "written past MAX_PATH";
    // The entries that fit were written, then undone with the failure.
    EXPECT_EQ(std::vector<std::wstring>{strPadding + L"\\"}, ListTree(Base(outer)));
}

// A message box of this process (tests of other programs may share the desktop).
HWND FindOwnMessageBox(LPCWSTR pszCaption)
{
    HWND hWnd = nullptr;
    while ((hWnd = FindWindowExW(nullptr, hWnd, L"#32770", pszCaption)) != nullptr) {
        DWORD dwProcessId = 0;
        GetWindowThreadProcessId(hWnd, &dwProcessId);
        if (dwProcessId == GetCurrentProcessId())
            return hWnd;
    }
    return nullptr;
}

// Answers the worker's message box from another thread, as a user would,
// noting what it showed and whether the next file was already written.
struct CBoxAnswer
{
    std::wstring strText;
    bool bNextFileWritten = false;
};

TEST_F(Extraction, ThumbnailCacheEntryWaitsForTheMessageBoxThenIsWritten)
{
    CScopedResourceModule module(L"extract_thumbs.dll");
    ASSERT_TRUE(module.Loaded());
    CTempFolder folder(L"extract thumbs");
    const std::wstring strBase = Base(folder);

    CBoxAnswer answer;
    std::atomic<bool> bStopWaiting(false);
    std::thread answerer([&] {
        const DWORD dwStart = GetTickCount();
        while (!bStopWaiting && GetTickCount() - dwStart < EXTRACTION_TIME_LIMIT_MS) {
            HWND hBox = FindOwnMessageBox(L"Vellomar");
            if (!hBox) {
                Sleep(20);
                continue;
            }
            Sleep(200);   // the worker must still be waiting after a while
            wchar_t szText[MAX_PATH] = {};
            GetDlgItemTextW(hBox, 0xFFFF, szText, MAX_PATH);   // the box's text control
            answer.strText = szText;
            answer.bNextFileWritten = FileExists((strBase + L"b.txt").c_str());
            PostMessageW(hBox, WM_COMMAND, IDOK, 0);
            return;
        }
    });
    const CExtractRun run = RunExtraction(strBase, strBase);
    bStopWaiting = true;
    answerer.join();

    EXPECT_EQ(INSTALL_DONE, run.nFinal);
    EXPECT_EQ(L"img\\Thumbs.db", answer.strText);
    EXPECT_FALSE(answer.bNextFileWritten) << "the worker went on before the box was dismissed";
    EXPECT_EQ("img/Thumbs.db\n", ReadAll(strBase + L"img\\Thumbs.db"));
    EXPECT_EQ("b.txt\n", ReadAll(strBase + L"b.txt"));
}

}  // namespace
