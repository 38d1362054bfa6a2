// The installation's record: its text both ways, what a damaged or foreign
// record is refused for, the upgrade's merge, the removal order, and the
// write that never leaves a half record in place.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>

#include "engine/install_record.h"
#include "tests/engine/install_state.h"

namespace {

using Kind = InstallRecordKind;

const std::wstring DIR = L"C:\\Apps\\Vellomar\\";

std::vector<InstallRecordEntry> Sample()
{
    return {
        {Kind::CreatedFolder, L"C:\\Apps"},
        {Kind::CreatedFolder, L"C:\\Apps\\Vellomar"},
        {Kind::CreatedFile, L"C:\\Apps\\Vellomar\\Vellomar.exe"},
        {Kind::CreatedFolder, L"C:\\Apps\\Vellomar\\resource"},
        {Kind::ReplacedFile, L"C:\\Apps\\Vellomar\\resource\\读我.txt"},
        {Kind::CreatedFolder, L"C:\\Apps\\Vellomar\\resource\\img"},
        {Kind::CreatedFile, L"C:\\Apps\\Vellomar\\resource\\img\\a b.png"},
    };
}

std::string Record(const std::vector<std::string>& lines)
{
    std::string strText;
    for (const std::string& strLine : lines)
        strText += strLine + "\r\n";
    return strText;
}

}  // namespace

TEST(InstallRecord, TextRoundTripsWithVersionAndCount)
{
    const std::string strText = FormatInstallRecord(Sample());
    EXPECT_EQ(0u, strText.find(std::string(INSTALL_RECORD_HEADER) + "\r\n"));
    EXPECT_NE(std::string::npos, strText.find("\r\nend 7\r\n"));
    std::vector<InstallRecordEntry> read;
    ASSERT_TRUE(ParseInstallRecord(strText, DIR, &read));
    EXPECT_EQ(Sample(), read);

    ASSERT_TRUE(ParseInstallRecord(FormatInstallRecord({}), DIR, &read));
    EXPECT_TRUE(read.empty());
}

// Whatever is refused, nothing of it is handed out: an uninstaller acting on
// half a record, or on paths outside the installation, would remove what is
// not ours.
TEST(InstallRecord, RefusesCutForeignOrStrayText)
{
    const std::string strHeader = INSTALL_RECORD_HEADER;
    const std::string strWhole = FormatInstallRecord(Sample());
    const struct { const char* pszWhy; std::string strText; } cases[] = {
        {"empty", ""},
        {"cut before the end line", strWhole.substr(0, strWhole.find("end"))},
        {"cut inside the end line", strWhole.substr(0, strWhole.size() - 2)},
        {"cut inside an entry", strWhole.substr(0, 60)},
        {"another version", Record({"VLSetup install record 2", "end 0"})},
        {"count does not match", Record({strHeader, "F C:\\Apps\\Vellomar\\a", "end 2"})},
        {"unknown kind", Record({strHeader, "X C:\\Apps\\Vellomar\\a", "end 1"})},
        {"no space after kind", Record({strHeader, "FC:\\Apps\\Vellomar\\a", "end 1"})},
        {"bare LF line ends", "VLSetup install record 1\nend 0\n"},
        {"not UTF-8", Record({strHeader, "F C:\\Apps\\Vellomar\\\xff", "end 1"})},
        {"relative path", Record({strHeader, "F Vellomar.exe", "end 1"})},
        {"climbs out", Record({strHeader, "F C:\\Apps\\Vellomar\\..\\other.txt", "end 1"})},
        {"file outside the folder", Record({strHeader, "F C:\\Windows\\win.ini", "end 1"})},
        {"file is a parent", Record({strHeader, "F C:\\Apps", "end 1"})},
        {"folder beside it", Record({strHeader, "D C:\\Apps\\Vellomar2", "end 1"})},
        {"sibling with the folder's prefix", Record({strHeader, "F C:\\Apps\\Vellomar2\\a", "end 1"})},
        {"stream", Record({strHeader, "F C:\\Apps\\Vellomar\\a:b", "end 1"})},
        {"trailing backslash", Record({strHeader, "D C:\\Apps\\Vellomar\\sub\\", "end 1"})},
    };
    for (const auto& c : cases) {
        std::vector<InstallRecordEntry> read = Sample();
        EXPECT_FALSE(ParseInstallRecord(c.strText, DIR, &read)) << c.pszWhy;
        EXPECT_TRUE(read.empty()) << c.pszWhy;
    }
    // The folder is matched in any letter case, as Windows does.
    std::vector<InstallRecordEntry> read;
    EXPECT_TRUE(ParseInstallRecord(Record({strHeader, "F c:\\apps\\VELLOMAR\\a", "D C:\\APPS", "end 2"}), DIR, &read));
}

TEST(InstallRecord, UpgradeKeepsThePreviousEntriesAndAddsNewPathsOnce)
{
    const std::vector<InstallRecordEntry> previous = {
        {Kind::CreatedFolder, L"C:\\V"},
        {Kind::CreatedFile, L"C:\\V\\Vellomar.exe"},
        {Kind::ReplacedFile, L"C:\\V\\readme.txt"},
    };
    const std::vector<InstallRecordEntry> thisRun = {
        {Kind::ReplacedFile, L"C:\\V\\vellomar.EXE"},   // ours since the first installation
        {Kind::ReplacedFile, L"C:\\V\\readme.txt"},
        {Kind::CreatedFolder, L"C:\\V\\new"},
        {Kind::CreatedFile, L"C:\\V\\new\\b.dll"},
    };
    const std::vector<InstallRecordEntry> expected = {
        {Kind::CreatedFolder, L"C:\\V"},
        {Kind::CreatedFile, L"C:\\V\\Vellomar.exe"},
        {Kind::ReplacedFile, L"C:\\V\\readme.txt"},
        {Kind::CreatedFolder, L"C:\\V\\new"},
        {Kind::CreatedFile, L"C:\\V\\new\\b.dll"},
    };
    EXPECT_EQ(expected, MergeInstallRecord(previous, thisRun));
    EXPECT_EQ(thisRun, MergeInstallRecord({}, thisRun)) << "a first installation's record is its run";
}

TEST(InstallRecord, RemovalTakesFilesFirstThenFoldersDeepestFirst)
{
    const std::vector<InstallRecordEntry> expected = {
        {Kind::CreatedFile, L"C:\\Apps\\Vellomar\\Vellomar.exe"},
        {Kind::ReplacedFile, L"C:\\Apps\\Vellomar\\resource\\读我.txt"},
        {Kind::CreatedFile, L"C:\\Apps\\Vellomar\\resource\\img\\a b.png"},
        {Kind::CreatedFolder, L"C:\\Apps\\Vellomar\\resource\\img"},
        {Kind::CreatedFolder, L"C:\\Apps\\Vellomar\\resource"},
        {Kind::CreatedFolder, L"C:\\Apps\\Vellomar"},
        {Kind::CreatedFolder, L"C:\\Apps"},
    };
    EXPECT_EQ(expected, GetRemovalOrder(Sample()));
}

TEST(InstallRecord, WrittenBesideTheUninstallerAndReadBack)
{
    CTempFolder folder(L"install record");
    const std::wstring strDir = folder.Path().str() + L"\\";
    std::vector<InstallRecordEntry> read = {{Kind::CreatedFile, L"stale"}};
    EXPECT_FALSE(ReadInstallRecord(strDir, &read)) << "no record yet";
    EXPECT_TRUE(read.empty());

    const std::vector<InstallRecordEntry> entries = {
        {Kind::CreatedFile, strDir + L"Vellomar.exe"},
        {Kind::CreatedFolder, strDir + L"config"},
    };
    ASSERT_TRUE(WriteInstallRecord(strDir, entries));
    ASSERT_TRUE(ReadInstallRecord(strDir, &read));
    EXPECT_EQ(entries, read);

    // A second write replaces the first whole and leaves no temporary file.
    ASSERT_TRUE(WriteInstallRecord(strDir, {entries[0]}));
    ASSERT_TRUE(ReadInstallRecord(strDir, &read));
    EXPECT_EQ(std::vector<InstallRecordEntry>{entries[0]}, read);
    EXPECT_FALSE(FileExists((GetInstallRecordPath(strDir) + INSTALL_RECORD_TEMP_SUFFIX).c_str()));

    // A folder that cannot take the record keeps what was there.
    EXPECT_FALSE(WriteInstallRecord(strDir + L"missing\\", entries));
}
