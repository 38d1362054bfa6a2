// The install-folder rules: a played disk for the table, the real disk for
// the edge that asks Windows, and the stored form of a folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <vector>
#include <string>

#include "engine/extract_rules.h"
#include "engine/install_path.h"

namespace {

// A small disk: drive C with a Windows folder and a file in it, and a file
// at the top of the drive. Drive D does not exist.
DWORD PlayedAttributes(const CString& strPath)
{
    static const std::map<std::wstring, DWORD> s_disk = {
        {L"C:\\", FILE_ATTRIBUTE_DIRECTORY},
        {L"C:\\windows", FILE_ATTRIBUTE_DIRECTORY},
        {L"C:\\windows\\win.ini", FILE_ATTRIBUTE_ARCHIVE},
        {L"C:\\notes.txt", FILE_ATTRIBUTE_NORMAL},
        {L"C:\\Program Files", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY},
    };
    std::wstring strKey = strPath.str();
    for (wchar_t& ch : strKey)
        ch = ch == L'/' ? L'\\' : ch;
    // The played disk, like a real one, ignores the letter case.
    for (const auto& entry : s_disk) {
        if (CString(entry.first.c_str()).CompareNoCase(strKey.c_str()) == 0)
            return entry.second;
    }
    return INVALID_FILE_ATTRIBUTES;
}

const char* ProblemName(InstallPathProblem problem)
{
    switch (problem) {
    case InstallPathProblem::None: return "None";
    case InstallPathProblem::NoDriveLetter: return "NoDriveLetter";
    case InstallPathProblem::DriveMissing: return "DriveMissing";
    case InstallPathProblem::BadCharacter: return "BadCharacter";
    case InstallPathProblem::ReservedName: return "ReservedName";
    case InstallPathProblem::TrailingDotOrSpace: return "TrailingDotOrSpace";
    case InstallPathProblem::NameTooLong: return "NameTooLong";
    case InstallPathProblem::TooLong: return "TooLong";
    case InstallPathProblem::FileInTheWay: return "FileInTheWay";
    }
    return "?";
}

struct PathCase {
    const wchar_t* pszPath;
    InstallPathProblem problem;
    const wchar_t* pszPart;   // the drive or component named with the problem
};

const PathCase kPathCases[] = {
    // Usable folders, existing or not.
    {L"C:\\Program Files\\Vellomar\\", InstallPathProblem::None, L""},
    {L"C:\\Program Files\\Vellomar", InstallPathProblem::None, L""},
    {L"c:/VLCustom//Notes", InstallPathProblem::None, L""},
    {L"C:\\windows", InstallPathProblem::None, L""},
    {L"C:\\", InstallPathProblem::None, L""},
    {L"C:\\Apps\\v1.2\\Vellomar", InstallPathProblem::None, L""},
    {L"C:\\Apps\\con-tools\\COM10\\LPT0\\nullable", InstallPathProblem::None, L""},
    {L"C:\\应用\\Vellomar", InstallPathProblem::None, L""},
    // No drive letter to ask for space.
    {L"", InstallPathProblem::NoDriveLetter, L""},
    {L"\\\\server\\share\\Vellomar", InstallPathProblem::NoDriveLetter, L""},
    {L"Vellomar", InstallPathProblem::NoDriveLetter, L""},
    {L" C:\\Vellomar", InstallPathProblem::NoDriveLetter, L""},
    {L"1:\\Vellomar", InstallPathProblem::NoDriveLetter, L""},
    {L"C:", InstallPathProblem::NoDriveLetter, L""},
    {L"C:Vellomar", InstallPathProblem::NoDriveLetter, L""},
    // A drive that is not there: said so before anything else.
    {L"D:", InstallPathProblem::DriveMissing, L"D:"},
    {L"d:\\Vellomar\\", InstallPathProblem::DriveMissing, L"d:"},
    {L"D:\\con\\x.", InstallPathProblem::DriveMissing, L"D:"},
    // Characters no file name may hold.
    {L"C:\\Apps\\a:b", InstallPathProblem::BadCharacter, L"a:b"},
    {L"C:\\Apps\\what?", InstallPathProblem::BadCharacter, L"what?"},
    {L"C:\\<Vellomar>", InstallPathProblem::BadCharacter, L"<Vellomar>"},
    {L"C:\\Apps\\a|b\\c", InstallPathProblem::BadCharacter, L"a|b"},
    {L"C:\\Apps\\tab\there", InstallPathProblem::BadCharacter, L"tab\there"},
    // Device names, in any component, any case, with or without an extension.
    {L"C:\\con\\x", InstallPathProblem::ReservedName, L"con"},
    {L"C:\\Apps\\NUL", InstallPathProblem::ReservedName, L"NUL"},
    {L"C:\\Apps\\prn.txt\\Vellomar", InstallPathProblem::ReservedName, L"prn.txt"},
    {L"C:\\Aux\\Vellomar", InstallPathProblem::ReservedName, L"Aux"},
    {L"C:\\Apps\\com1", InstallPathProblem::ReservedName, L"com1"},
    {L"C:\\Apps\\LPT9\\", InstallPathProblem::ReservedName, L"LPT9"},
    {L"C:\\Apps\\con .log", InstallPathProblem::ReservedName, L"con .log"},
    {L"C:\\Apps\\CONOUT$", InstallPathProblem::ReservedName, L"CONOUT$"},
    // Names Windows would silently shorten.
    {L"C:\\Program Files\\Vellomar ", InstallPathProblem::TrailingDotOrSpace, L"Vellomar "},
    {L"C:\\Vm.", InstallPathProblem::TrailingDotOrSpace, L"Vm."},
    {L"C:\\Vm.\\", InstallPathProblem::TrailingDotOrSpace, L"Vm."},
    {L"C:\\Apps .\\Vellomar", InstallPathProblem::TrailingDotOrSpace, L"Apps ."},
    {L"C:\\Apps\\..\\Vellomar", InstallPathProblem::TrailingDotOrSpace, L".."},
    {L"C:\\.\\Vellomar", InstallPathProblem::TrailingDotOrSpace, L"."},
    // A file where a folder has to be, at the end or on the way.
    {L"C:\\windows\\win.ini", InstallPathProblem::FileInTheWay, L"win.ini"},
    {L"C:\\WINDOWS\\WIN.INI\\Vellomar", InstallPathProblem::FileInTheWay, L"WIN.INI"},
    {L"C:\\notes.txt\\a\\b", InstallPathProblem::FileInTheWay, L"notes.txt"},
};

}  // namespace

TEST(InstallPath, EachRuleOnAPlayedDisk)
{
    for (const PathCase& c : kPathCases) {
        const InstallPathCheck check = CheckInstallPath(c.pszPath, PlayedAttributes);
        EXPECT_EQ(ProblemName(c.problem), std::string(ProblemName(check.problem)))
            << "path \"" << CStringA(c.pszPath).GetString() << "\"";
        EXPECT_EQ(std::wstring(c.pszPart), check.strPart.str())
            << "part named for \"" << CStringA(c.pszPath).GetString() << "\"";
    }
}

TEST(InstallPath, NothingBelowAMissingFolderIsAsked)
{
    int nLookups = 0;
    const auto counting = [&nLookups](const CString& strPath) {
        ++nLookups;
        return PlayedAttributes(strPath);
    };
    // The root, C:\windows, then C:\windows\new: absent, so "deeper" is not asked.
    EXPECT_EQ(InstallPathProblem::None, CheckInstallPath(L"C:\\windows\\new\\deeper", counting).problem);
    EXPECT_EQ(3, nLookups);
}

TEST(InstallPath, RealDiskOfThisPrefix)
{
    wchar_t szWindows[MAX_PATH] = {};
    ASSERT_NE(0u, GetWindowsDirectoryW(szWindows, MAX_PATH));
    const CString strWindows = szWindows;
    EXPECT_EQ(InstallPathProblem::None, CheckInstallPathOnDisk(strWindows + L"\\VLNotThere\\Vellomar").problem);
    EXPECT_EQ(InstallPathProblem::FileInTheWay, CheckInstallPathOnDisk(strWindows + L"\\win.ini\\Vellomar").problem);

    // The first letter from the end that names no drive.
    const DWORD dwDrives = GetLogicalDrives();
    wchar_t chMissing = 0;
    for (wchar_t ch = L'Y'; ch >= L'D' && !chMissing; --ch) {
        if (!(dwDrives & (1u << (ch - L'A'))))
            chMissing = ch;
    }
    ASSERT_NE(0, chMissing) << "every drive letter is taken";
    CString strMissing;
    strMissing.Format(L"%c:\\Vellomar", chMissing);
    EXPECT_EQ(InstallPathProblem::DriveMissing, CheckInstallPathOnDisk(strMissing).problem);
}

TEST(InstallPath, DeviceNamesAndTheirLookAlikes)
{
    for (const wchar_t* pszName : {L"CON", L"con", L"Prn", L"AUX", L"nul", L"COM1", L"com9", L"LPT1", L"lpt5",
                                   L"NUL.txt", L"con.tar.gz", L"AUX  ", L"COM\u00B9", L"CONIN$"}) {
        EXPECT_TRUE(IsReservedDeviceName(pszName)) << CStringA(pszName).GetString();
    }
    for (const wchar_t* pszName : {L"CONSOLE", L"COM0", L"COM10", L"LPT", L"xnul", L".con", L"NULL", L"COMA",
                                   L"Vellomar", L""}) {
        EXPECT_FALSE(IsReservedDeviceName(pszName)) << CStringA(pszName).GetString();
    }
}

TEST(InstallPath, StoredFormHasNoTrailingDotsOrSpacesAndOneBackslash)
{
    const struct { const wchar_t* pszPath; const wchar_t* pszStored; } cases[] = {
        {L"C:\\Vm.", L"C:\\Vm\\"},
        {L"C:\\Vm.\\", L"C:\\Vm\\"},
        {L"C:\\Program Files\\Vellomar ", L"C:\\Program Files\\Vellomar\\"},
        {L"C:\\Apps. .\\Vellomar...", L"C:\\Apps\\Vellomar\\"},
        {L"C:/VLCustom//Notes", L"C:\\VLCustom\\Notes\\"},
        {L"C:\\VLCustom\\Notes\\", L"C:\\VLCustom\\Notes\\"},
        {L"C:\\a\\..\\b", L"C:\\a\\..\\b\\"},
        {L"C:\\", L"C:\\"},
        {L"C:\\v1.2\\Vellomar", L"C:\\v1.2\\Vellomar\\"},
        {L"\\\\server\\share\\Vm.", L"\\\\server\\share\\Vm\\"},
        {L"", L"\\"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(std::wstring(c.pszStored), NormalizeInstallPath(c.pszPath).str())
            << "path \"" << CStringA(c.pszPath).GetString() << "\"";
        // Stored once, stored the same again.
        EXPECT_EQ(std::wstring(c.pszStored), NormalizeInstallPath(c.pszStored).str());
    }
}

TEST(InstallPath, LengthLeavesRoomForTheLongestEntry)
{
    // Components of 200 and 50 characters: "C:\" + 200 + "\" + 50 + "\" is 255 stored.
    const CString strLong = L"C:\\" + CString(L'a', 200) + L"\\" + CString(L'b', 50);
    const CString strName255 = L"C:\\" + CString(L'n', MAX_PATH_COMPONENT_CHARS);
    const struct { CString strPath; int nLongest; InstallPathProblem problem; } cases[] = {
        {strLong, 4, InstallPathProblem::None},              // 255 + 4 = 259: the last that fits
        {strLong, 5, InstallPathProblem::TooLong},           // 260 reaches MAX_PATH
        {strLong + L"\\", 4, InstallPathProblem::None},      // measured in the stored form
        {strLong + L"//", 5, InstallPathProblem::TooLong},
        {L"C:\\Vellomar", 250, InstallPathProblem::TooLong}, // 12 + 250 with a short folder
        {strName255, 0, InstallPathProblem::None},
        {strName255 + L"n", 0, InstallPathProblem::NameTooLong},
        {L"C:\\" + CString(L'n', 300) + L"\\x", 0, InstallPathProblem::NameTooLong},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(std::string(ProblemName(c.problem)),
                  ProblemName(CheckInstallPath(c.strPath, PlayedAttributes, c.nLongest).problem))
            << c.strPath.GetLength() << " characters, longest entry " << c.nLongest;
    }
    // The extraction refuses the same joins.
    EXPECT_EQ(static_cast<size_t>(MAX_PATH), MAX_TARGET_PATH_CHARS);
}

TEST(InstallPath, TypedDriveRootMeansTheProductFolderOnIt)
{
    const struct { const wchar_t* pszTyped; const wchar_t* pszFolder; } cases[] = {
        {L"C:\\", L"C:\\Vellomar\\"},
        {L"C:", L"C:\\Vellomar\\"},
        {L"c:/", L"c:\\Vellomar\\"},
        {L"D:\\\\", L"D:\\Vellomar\\"},
        {L"C:\\Tools", L"C:\\Tools"},
        {L"C:\\Tools\\", L"C:\\Tools\\"},
        {L"C:x", L"C:x"},
        {L"\\\\server\\share\\", L"\\\\server\\share\\"},
        {L"", L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(std::wstring(c.pszFolder), ComposeTypedFolder(c.pszTyped).str())
            << "typed \"" << CStringA(c.pszTyped).GetString() << "\"";
    }
    // The composed root passes the checks the bare "C:" fails.
    EXPECT_EQ(InstallPathProblem::None, CheckInstallPath(ComposeTypedFolder(L"C:"), PlayedAttributes).problem);
}

TEST(InstallPath, FolderHoldingOtherFilesIsToldFromAnInstallation)
{
    const struct { std::vector<CString> names; FolderOccupant occupant; } cases[] = {
        {{}, FolderOccupant::Nothing},
        {{L"config", L"resource", L"todo-list.txt"}, FolderOccupant::Foreign},
        {{L"Vellomar.exe.bak"}, FolderOccupant::Foreign},
        {{L"config", L"Vellomar.exe"}, FolderOccupant::Installation},
        {{L"vluninstall.EXE", L"notes"}, FolderOccupant::Installation},
    };
    for (const auto& c : cases) {
        CString strAsked;
        const FolderOccupant occupant = ClassifyInstallFolder(L"C:\\Tools\\", [&](const CString& strFolder) {
            strAsked = strFolder;
            return c.names;
        });
        EXPECT_EQ(static_cast<int>(c.occupant), static_cast<int>(occupant)) << c.names.size() << " names";
        EXPECT_EQ(std::wstring(L"C:\\Tools\\"), strAsked.str());
    }
}

TEST(InstallPath, FolderOnTheRealDisk)
{
    wchar_t szTemp[MAX_PATH] = {};
    ASSERT_NE(0u, GetTempPathW(MAX_PATH, szTemp));
    const CString strDir = CString(szTemp) + L"vl_occupant_test";
    ASSERT_TRUE(CreateDirectoryW(strDir, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    EXPECT_EQ(static_cast<int>(FolderOccupant::Nothing), static_cast<int>(ClassifyInstallFolderOnDisk(strDir)));
    EXPECT_EQ(static_cast<int>(FolderOccupant::Nothing),
              static_cast<int>(ClassifyInstallFolderOnDisk(strDir + L"\\missing\\")));
    const CString strFile = strDir + L"\\todo-list.txt";
    HANDLE hFile = CreateFileW(strFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hFile);
    CloseHandle(hFile);
    EXPECT_EQ(static_cast<int>(FolderOccupant::Foreign), static_cast<int>(ClassifyInstallFolderOnDisk(strDir + L"\\")));
    DeleteFileW(strFile);
    RemoveDirectoryW(strDir);
}
