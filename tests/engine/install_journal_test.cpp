// The journal of one installation run: its text, and what an undo leaves
// when a run was killed at any point (played by dropping the journal object
// without committing or undoing, as TerminateProcess would), committed, or
// cannot be undone.
#include <gtest/gtest.h>
#include <windows.h>
#include <map>
#include <string>
#include <vector>

#include "engine/install_journal.h"
#include "engine/install_record.h"
#include "tests/engine/install_state.h"

namespace {

const std::wstring PENDING_KEY = L"Software\\VLSetupJournalTest";

std::wstring Base(const CTempFolder& folder)
{
    return folder.Path().str() + L"\\";
}

void WriteAll(const std::wstring& strPath, const std::string& data)
{
    const HANDLE hFile = CreateFileW(strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hFile);
    DWORD nWritten = 0;
    WriteFile(hFile, data.data(), static_cast<DWORD>(data.size()), &nWritten, nullptr);
    CloseHandle(hFile);
}

void WriteThrough(HANDLE hFile, const std::string& data)
{
    DWORD nWritten = 0;
    ASSERT_NE(INVALID_HANDLE_VALUE, hFile);
    WriteFile(hFile, data.data(), static_cast<DWORD>(data.size()), &nWritten, nullptr);
    CloseHandle(hFile);
}

bool PendingValueSet()
{
    return ReadMachineValue(PENDING_KEY.c_str(), PENDING_JOURNAL_VALUE).bFound;
}

class Journal : public testing::Test
{
protected:
    void SetUp() override { RegDeleteKeyW(HKEY_LOCAL_MACHINE, PENDING_KEY.c_str()); }
    void TearDown() override { RegDeleteKeyW(HKEY_LOCAL_MACHINE, PENDING_KEY.c_str()); }

    // <outer>\inst\ as a previous run left it, beside the user's own file.
    static std::wstring MakePrevious(const CTempFolder& outer)
    {
        const std::wstring strDir = Base(outer) + L"inst\\";
        CreateDirectoryW(strDir.c_str(), nullptr);
        CreateDirectoryW((strDir + L"config").c_str(), nullptr);
        WriteAll(strDir + L"Vellomar.exe", "previous program");
        WriteAll(strDir + L"config\\config.ini", "the user's settings");
        WriteAll(strDir + L"notes.txt", "the user's own file");
        return strDir;
    }

    // A run of nSteps changes, gone without a commit or an undo, as a killed process.
    static void KilledRun(const std::wstring& strDir, int nSteps)
    {
        CInstallJournal journal;
        ASSERT_TRUE(journal.Begin(strDir, PENDING_KEY));
        EXPECT_TRUE(PendingValueSet());
        RunSteps(journal, strDir, nSteps);
    }

    // A run's changes up to a point: each step is one change.
    static void RunSteps(CInstallJournal& journal, const std::wstring& strDir, int nSteps)
    {
        int nStep = 0;
        auto step = [&]() { return nStep++ < nSteps; };
        if (step())
            WriteThrough(journal.CreateOutputFile(strDir + L"Vellomar.exe"), "new program");
        if (step())
            journal.CreateFolder(strDir + L"resource");
        if (step())
            WriteThrough(journal.CreateOutputFile(strDir + L"resource\\readme.txt"), "new readme");
        if (step())
            WriteThrough(journal.CreateOutputFile(strDir + L"Vellomar.exe"), "new program, second copy");
        if (step())
            SetFileAttributesW((strDir + L"resource\\readme.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    }
};

TEST(JournalText, CutLastLineIsIgnoredAndAForeignTextRefused)
{
    const std::string strHead = std::string(INSTALL_JOURNAL_HEADER) + "\r\nI C:\\V\\\r\nA C:\\V.vlsetup-aside\r\n";
    JournalContent content;
    ASSERT_TRUE(ParseInstallJournal(strHead + "D C:\\V\r\nF C:\\V\\a.txt\r\nR C:\\V\\b.txt\tC:\\V.vlsetup-aside\\1\r\nF C:\\V\\c",
                                    &content));
    EXPECT_EQ(L"C:\\V\\", content.strInstallDir);
    EXPECT_EQ(L"C:\\V.vlsetup-aside", content.strAsideDir);
    ASSERT_EQ(3u, content.changes.size()) << "the cut line announced a change not made yet";
    EXPECT_EQ(InstallRecordKind::ReplacedFile, content.changes[2].kind);
    EXPECT_EQ(L"C:\\V\\b.txt", content.changes[2].strPath);
    EXPECT_EQ(L"C:\\V.vlsetup-aside\\1", content.changes[2].strAside);
    EXPECT_FALSE(content.bCommitted);
    ASSERT_TRUE(ParseInstallJournal(strHead + "commit\r\n", &content));
    EXPECT_TRUE(content.bCommitted);

    const char* const refused[] = {
        "",
        "VLSetup install journal 2\r\nI C:\\V\\\r\nA C:\\V.a\r\n",
        "VLSetup install journal 1\r\nI C:\\V\\\r\n",   // cut before its aside line
    };
    for (const char* pszText : refused)
        EXPECT_FALSE(ParseInstallJournal(pszText, &content)) << pszText;
    EXPECT_FALSE(ParseInstallJournal(strHead + "X C:\\V\\a\r\n", &content));
    EXPECT_FALSE(ParseInstallJournal(strHead + "R C:\\V\\a\r\n", &content)) << "a replaced file without its aside";
}

// Killed after each number of changes, the next start finds the folder
// byte for byte as before, the user's files untouched, nothing of the
// journal left.
TEST_F(Journal, KilledRunIsUndoneByTheNextStartAtEveryPoint)
{
    for (int nSteps = 0; nSteps <= 5; ++nSteps) {
        CTempFolder outer(L"journal killed");
        const std::wstring strDir = MakePrevious(outer);
        const auto before = Snapshot(Base(outer));
        ASSERT_NO_FATAL_FAILURE(KilledRun(strDir, nSteps));
        std::wstring strFailed = L"unchanged";
        ASSERT_TRUE(RecoverInterruptedInstall(PENDING_KEY, &strFailed)) << nSteps << ": " << CStringA(strFailed.c_str()).str();
        EXPECT_TRUE(strFailed.empty());
        EXPECT_EQ(before, Snapshot(Base(outer))) << "killed after " << nSteps << " changes";
        EXPECT_FALSE(PendingValueSet()) << nSteps;
        // A second start finds nothing to do.
        EXPECT_TRUE(RecoverInterruptedInstall(PENDING_KEY, &strFailed));
        EXPECT_EQ(before, Snapshot(Base(outer)));
    }
}

// A first installation into a folder whose parents did not exist either:
// undone, none of them is left.
TEST_F(Journal, UndoneFirstInstallationLeavesNoFolder)
{
    CTempFolder outer(L"journal first");
    const std::wstring strDir = Base(outer) + L"a\\b\\inst\\";
    ASSERT_NO_FATAL_FAILURE(KilledRun(strDir, 5));
    std::wstring strFailed;
    ASSERT_TRUE(RecoverInterruptedInstall(PENDING_KEY, &strFailed));
    EXPECT_TRUE(Snapshot(Base(outer)).empty());

    // The same through the run's own undo.
    CInstallJournal journal;
    ASSERT_TRUE(journal.Begin(strDir, PENDING_KEY));
    RunSteps(journal, strDir, 5);
    ASSERT_TRUE(journal.RollBack(&strFailed));
    EXPECT_TRUE(Snapshot(Base(outer)).empty());
    EXPECT_FALSE(PendingValueSet());
}

// Killed while the install folder's parents were being made, before the
// journal held their lines (or existed): the next start removes them, and
// only a parent someone has put a file in since stays, with that file.
TEST_F(Journal, ParentsMadeBeforeTheJournalHeldThemAreRemovedByTheNextStart)
{
    struct Case
    {
        const char* pszWhy;
        bool bHeader;     // the journal holds its header only
        bool bUserFile;   // <outer>\a\todo.txt put there since
    };
    const Case cases[] = {
        {"no journal yet", false, false},
        {"the journal cut before the parents' lines", true, false},
        {"a file of the user's in a parent since", true, true},
    };
    for (const Case& c : cases) {
        CTempFolder outer(L"journal parents");
        const std::wstring strBase = Base(outer);
        const std::wstring strDir = strBase + L"a\\b\\inst\\";
        {
            CInstallJournal journal;
            ASSERT_TRUE(journal.Begin(strDir, PENDING_KEY));
            const std::wstring strNamed = strBase + L"a" + PENDING_FOLDERS_SEPARATOR + strBase + L"a\\b";
            EXPECT_EQ(strNamed, ReadMachineValue(PENDING_KEY.c_str(), PENDING_FOLDERS_VALUE).strData.c_str());
        }
        // Back to the moment of the kill: the parents made, no more.
        ASSERT_TRUE(RemoveDirectoryW(strDir.c_str()));
        const std::wstring strJournal = GetJournalPath(strDir);
        ASSERT_TRUE(DeleteFileW(strJournal.c_str()));
        if (c.bHeader) {
            WriteAll(strJournal, std::string(INSTALL_JOURNAL_HEADER) + "\r\nI " + ToUtf8(strDir) + "\r\nA "
                                     + ToUtf8(GetAsideDir(strDir)) + "\r\n");
        }
        if (c.bUserFile)
            WriteAll(strBase + L"a\\todo.txt", "the user's");
        std::wstring strFailed;
        ASSERT_TRUE(RecoverInterruptedInstall(PENDING_KEY, &strFailed)) << c.pszWhy;
        const auto after = Snapshot(strBase);
        using Tree = std::map<std::wstring, std::string>;
        const Tree kept = {{L"a\\", "<dir>"}, {L"a\\todo.txt", "the user's"}};
        EXPECT_EQ(c.bUserFile ? kept : Tree(), after) << c.pszWhy;
        EXPECT_FALSE(PendingValueSet()) << c.pszWhy;
        EXPECT_FALSE(ReadMachineValue(PENDING_KEY.c_str(), PENDING_FOLDERS_VALUE).bFound) << c.pszWhy;
    }
}

// Committed: the new files stay, the old ones are gone, and the record
// holds the previous record's entries and this run's.
TEST_F(Journal, CommitKeepsTheNewFilesAndRecordsThem)
{
    CTempFolder outer(L"journal commit");
    const std::wstring strDir = MakePrevious(outer);
    const std::vector<InstallRecordEntry> previous = {{InstallRecordKind::CreatedFile, strDir + L"Vellomar.exe"}};
    ASSERT_TRUE(WriteInstallRecord(strDir, previous));

    CInstallJournal journal;
    ASSERT_TRUE(journal.Begin(strDir, PENDING_KEY));
    RunSteps(journal, strDir, 5);
    std::wstring strFailed;
    ASSERT_TRUE(journal.Commit(&strFailed)) << CStringA(strFailed.c_str()).str();

    const auto after = Snapshot(Base(outer));
    EXPECT_EQ("new program, second copy", after.at(L"inst\\Vellomar.exe"));
    EXPECT_EQ("new readme", after.at(L"inst\\resource\\readme.txt"));
    EXPECT_EQ("the user's settings", after.at(L"inst\\config\\config.ini"));
    EXPECT_EQ(0u, after.count(GetAsideDir(strDir).substr(Base(outer).size()) + L"\\")) << "old files kept";
    EXPECT_EQ(0u, after.count(GetJournalPath(strDir).substr(Base(outer).size()))) << "journal kept";
    EXPECT_FALSE(PendingValueSet());

    std::vector<InstallRecordEntry> record;
    ASSERT_TRUE(ReadInstallRecord(strDir, &record));
    const std::vector<InstallRecordEntry> expected = {
        {InstallRecordKind::CreatedFile, strDir + L"Vellomar.exe"},   // the previous record's word stands
        {InstallRecordKind::CreatedFolder, strDir + L"resource"},
        {InstallRecordKind::CreatedFile, strDir + L"resource\\readme.txt"},
        {InstallRecordKind::ReplacedFile, GetInstallRecordPath(strDir)},
    };
    EXPECT_EQ(expected, record);
}

// A kill after the commit mark, while the old files were being deleted: the
// next start finishes the commit instead of undoing it.
TEST_F(Journal, KilledAfterTheCommitMarkKeepsTheNewFiles)
{
    CTempFolder outer(L"journal committed");
    const std::wstring strDir = MakePrevious(outer);
    ASSERT_NO_FATAL_FAILURE(KilledRun(strDir, 3));
    // The mark as a commit writes it, then the kill.
    const HANDLE hJournal = CreateFileW(GetJournalPath(strDir).c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, 0,
                                        nullptr);
    WriteThrough(hJournal, std::string(INSTALL_JOURNAL_COMMIT) + "\r\n");
    std::wstring strFailed;
    ASSERT_TRUE(RecoverInterruptedInstall(PENDING_KEY, &strFailed));
    const auto after = Snapshot(Base(outer));
    EXPECT_EQ("new program", after.at(L"inst\\Vellomar.exe"));
    EXPECT_EQ(0u, after.count(GetAsideDir(strDir).substr(Base(outer).size()) + L"\\"));
    EXPECT_FALSE(PendingValueSet());
}

// More replaced files than one aside subfolder holds: a killed run puts
// every one back byte for byte, a committed one leaves no aside folder.
TEST_F(Journal, ManyReplacedFilesSpanAsideSubfoldersAndAreUndoneOrDropped)
{
    for (const bool bCommit : {false, true}) {
        CTempFolder outer(L"journal many");
        const std::wstring strDir = Base(outer) + L"inst\\";
        ASSERT_TRUE(CreateDirectoryW(strDir.c_str(), nullptr));
        const int nFiles = ASIDE_FILES_PER_FOLDER + 2;
        for (int i = 0; i < nFiles; ++i)
            WriteAll(strDir + DecimalDigits(i), "old " + ToUtf8(DecimalDigits(i)));
        const auto before = Snapshot(Base(outer));
        {
            CInstallJournal journal;
            ASSERT_TRUE(journal.Begin(strDir, PENDING_KEY));
            for (int i = 0; i < nFiles; ++i)
                WriteThrough(journal.CreateOutputFile(strDir + DecimalDigits(i)), "new");
            std::wstring strFailed;
            if (bCommit) {
                ASSERT_TRUE(journal.Commit(&strFailed));
            }
        }
        std::wstring strFailed;
        ASSERT_TRUE(RecoverInterruptedInstall(PENDING_KEY, &strFailed)) << bCommit;
        const auto after = Snapshot(Base(outer));
        if (!bCommit) {
            EXPECT_EQ(before, after);
            continue;
        }
        EXPECT_EQ("new", after.at(L"inst\\" + DecimalDigits(nFiles - 1)));
        for (const auto& item : after)
            EXPECT_EQ(0, item.first.compare(0, 5, L"inst\\")) << "left: " << CStringA(item.first.c_str()).str();
    }
}

// A run whose replacements were prepared: their lines are on disk before
// the first move, a prepared file never reached (or gone since, then created
// anew) is handled like any other, and a kill at every point, or a commit,
// leaves what an unprepared run leaves.
TEST_F(Journal, PreparedRunIsUndoneAtEveryPointAndRecordsOnlyItsChanges)
{
    const int nAllSteps = 4;
    for (int nSteps = 0; nSteps <= nAllSteps + 1; ++nSteps) {
        const bool bCommit = nSteps > nAllSteps;
        CTempFolder outer(L"journal prepared");
        const std::wstring strDir = MakePrevious(outer);
        WriteAll(strDir + L"help.txt", "previous help");
        ASSERT_TRUE(SetFileAttributesW((strDir + L"help.txt").c_str(), FILE_ATTRIBUTE_READONLY));
        WriteAll(strDir + L"gone.txt", "previous, deleted by someone else during the run");
        auto before = Snapshot(Base(outer));
        {
            CInstallJournal journal;
            ASSERT_TRUE(journal.Begin(strDir, PENDING_KEY));
            // Files of a folder not there are not looked for one by one; those after it are.
            const std::vector<std::wstring> targets = {strDir + L"Vellomar.exe", strDir + L"help.txt",
                                                       strDir + L"missing\\a.txt", strDir + L"missing\\b.txt",
                                                       strDir + L"gone.txt", strDir + L"notes.txt",
                                                       strDir + L"new.txt", strDir + L"VELLOMAR.exe"};
            ASSERT_TRUE(journal.PrepareReplacements(targets));

            // Read as a power cut would leave it: every file there, once.
            std::string strText;
            const HANDLE hJournal = CreateFileW(GetJournalPath(strDir).c_str(), GENERIC_READ,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(INVALID_HANDLE_VALUE, hJournal);
            char buffer[4096];
            DWORD nRead = 0;
            while (ReadFile(hJournal, buffer, sizeof(buffer), &nRead, nullptr) && nRead)
                strText.append(buffer, nRead);
            CloseHandle(hJournal);
            JournalContent content;
            ASSERT_TRUE(ParseInstallJournal(strText, &content));
            std::vector<std::wstring> replaced;
            for (const JournalChange& change : content.changes) {
                if (change.kind == InstallRecordKind::ReplacedFile)
                    replaced.push_back(change.strPath);
            }
            EXPECT_EQ((std::vector<std::wstring>{strDir + L"Vellomar.exe", strDir + L"help.txt", strDir + L"gone.txt",
                                                 strDir + L"notes.txt"}),
                      replaced);

            int nStep = 0;
            auto step = [&]() { return nStep++ < nSteps; };
            if (step())
                WriteThrough(journal.CreateOutputFile(strDir + L"Vellomar.exe"), "new program");
            if (step())
                WriteThrough(journal.CreateOutputFile(strDir + L"help.txt"), "new help");
            if (step()) {
                ASSERT_TRUE(DeleteFileW((strDir + L"gone.txt").c_str()));
                before.erase(L"inst\\gone.txt");   // not ours to bring back
                WriteThrough(journal.CreateOutputFile(strDir + L"gone.txt"), "new, in place of the deleted one");
            }
            if (step())
                WriteThrough(journal.CreateOutputFile(strDir + L"new.txt"), "new file");
            std::wstring strFailed;
            if (bCommit) {
                ASSERT_TRUE(journal.Commit(&strFailed)) << CStringA(strFailed.c_str()).str();
                std::vector<InstallRecordEntry> record;
                ASSERT_TRUE(ReadInstallRecord(strDir, &record));
                const std::vector<InstallRecordEntry> expected = {
                    {InstallRecordKind::ReplacedFile, strDir + L"Vellomar.exe"},
                    {InstallRecordKind::ReplacedFile, strDir + L"help.txt"},
                    {InstallRecordKind::CreatedFile, strDir + L"gone.txt"},
                    {InstallRecordKind::CreatedFile, strDir + L"new.txt"},
                    {InstallRecordKind::CreatedFile, GetInstallRecordPath(strDir)},
                };
                EXPECT_EQ(expected, record) << "notes.txt was prepared, never replaced";
            }
        }
        std::wstring strFailed;
        ASSERT_TRUE(RecoverInterruptedInstall(PENDING_KEY, &strFailed)) << nSteps;
        const auto after = Snapshot(Base(outer));
        EXPECT_EQ("the user's own file", after.at(L"inst\\notes.txt")) << nSteps;
        if (!bCommit) {
            EXPECT_EQ(before, after) << "killed after " << nSteps << " changes";
            EXPECT_NE(0u, GetFileAttributesW((strDir + L"help.txt").c_str()) & FILE_ATTRIBUTE_READONLY) << nSteps;
            continue;
        }
        EXPECT_EQ("new help", after.at(L"inst\\help.txt"));
        EXPECT_EQ("new, in place of the deleted one", after.at(L"inst\\gone.txt"));
        for (const auto& item : after)
            EXPECT_EQ(0, item.first.compare(0, 5, L"inst\\")) << "left: " << CStringA(item.first.c_str()).str();
    }
}

// A file the undo cannot remove is named; the journal stays, and a later
// start, once the file is free, finishes the undo.
// A folder stands where a file is to go (the install folder itself, for a
// damaged entry without a name): it is never moved aside with what it holds;
// the file fails, and the undo leaves the folder as it was.
TEST_F(Journal, FolderWhereAFileGoesIsLeftWhole)
{
    CTempFolder outer(L"journal folder for file");
    const std::wstring strDir = MakePrevious(outer);
    const auto before = Snapshot(Base(outer));
    for (const std::wstring& strTarget : {strDir + L"config", strDir}) {
        CInstallJournal journal;
        ASSERT_TRUE(journal.Begin(strDir, PENDING_KEY));
        ASSERT_TRUE(journal.PrepareReplacements({strTarget}));
        EXPECT_EQ(INVALID_HANDLE_VALUE, journal.CreateOutputFile(strTarget)) << CStringA(strTarget.c_str()).str();
        std::wstring strFailed;
        EXPECT_TRUE(journal.RollBack(&strFailed)) << CStringA(strFailed.c_str()).str();
        EXPECT_EQ(before, Snapshot(Base(outer))) << CStringA(strTarget.c_str()).str();
    }
}

// Two lanes may both write one folder down, the second line after the
// first lane's subfolder and file: the undo still removes everything.
TEST_F(Journal, FolderWrittenDownTwiceIsUndoneWhateverTheOrder)
{
    CTempFolder outer(L"journal folder twice");
    const std::wstring strDir = Base(outer) + L"inst\\";
    ASSERT_TRUE(CreateDirectoryW(strDir.c_str(), nullptr));
    const auto before = Snapshot(Base(outer));
    JournalContent content;
    content.strInstallDir = strDir;
    content.strAsideDir = GetAsideDir(strDir);
    content.changes = {{InstallRecordKind::CreatedFolder, strDir + L"a", L""},
                       {InstallRecordKind::CreatedFolder, strDir + L"a\\b", L""},
                       {InstallRecordKind::CreatedFile, strDir + L"a\\b\\x.txt", L""},
                       {InstallRecordKind::CreatedFolder, strDir + L"a", L""}};
    ASSERT_TRUE(CreateDirectoryW((strDir + L"a").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((strDir + L"a\\b").c_str(), nullptr));
    WriteAll(strDir + L"a\\b\\x.txt", "new");
    std::wstring strFailed;
    EXPECT_TRUE(UndoJournalChanges(content, &strFailed)) << CStringA(strFailed.c_str()).str();
    EXPECT_EQ(before, Snapshot(Base(outer)));
}

TEST_F(Journal, UndoThatFailsNamesThePathAndIsTriedAgain)
{
    CTempFolder outer(L"journal stuck");
    const std::wstring strDir = MakePrevious(outer);
    const auto before = Snapshot(Base(outer));
    ASSERT_NO_FATAL_FAILURE(KilledRun(strDir, 3));
    // Held without delete sharing, as a program started from the half-written folder would.
    const std::wstring strHeld = strDir + L"resource\\readme.txt";
    const HANDLE hHeld = CreateFileW(strHeld.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hHeld);
    std::wstring strFailed;
    EXPECT_FALSE(RecoverInterruptedInstall(PENDING_KEY, &strFailed));
    EXPECT_EQ(strHeld, strFailed);
    EXPECT_TRUE(PendingValueSet()) << "the journal was forgotten before its undo was done";
    CloseHandle(hHeld);

    ASSERT_TRUE(RecoverInterruptedInstall(PENDING_KEY, &strFailed));
    EXPECT_EQ(before, Snapshot(Base(outer)));
    EXPECT_FALSE(PendingValueSet());
}

// An aside folder of that name already there (left by a run whose journal
// was lost, or someone else's) is neither used nor touched.
TEST_F(Journal, AsideFolderAlreadyThereIsLeftAlone)
{
    CTempFolder outer(L"journal stale aside");
    const std::wstring strDir = MakePrevious(outer);
    ASSERT_TRUE(CreateDirectoryW(GetAsideDir(strDir).c_str(), nullptr));
    WriteAll(GetAsideDir(strDir) + L"\\1", "not the previous program");
    const auto before = Snapshot(Base(outer));
    ASSERT_NO_FATAL_FAILURE(KilledRun(strDir, 5));
    std::wstring strFailed;
    ASSERT_TRUE(RecoverInterruptedInstall(PENDING_KEY, &strFailed));
    EXPECT_EQ(before, Snapshot(Base(outer)));
}

// A folder that cannot be made (a file stands in its way): nothing is
// started, nothing stays.
TEST_F(Journal, FolderThatCannotBeMadeStartsNothing)
{
    CTempFolder outer(L"journal blocked");
    WriteAll(Base(outer) + L"file", "in the way");
    const auto before = Snapshot(Base(outer));
    CInstallJournal journal;
    EXPECT_FALSE(journal.Begin(Base(outer) + L"file\\inst\\", PENDING_KEY));
    EXPECT_FALSE(PendingValueSet());
    EXPECT_EQ(before, Snapshot(Base(outer)));
}

}  // namespace
