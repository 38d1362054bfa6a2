// Where the registration steps put their links, and what happens where a
// folder is missing. The whole installation is checked in install_test.cpp.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <cstring>
#include <vector>

#include "engine/install_location.h"
#include "engine/product.h"
#include "engine/registration.h"
#include "tests/engine/install_state.h"

namespace {

std::wstring Printable(const CString& str)
{
    return str.str();
}

} // namespace

TEST(RegistrationPaths, KeyNames)
{
    EXPECT_EQ(L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vellomar", Printable(GetUninstallKeyName()));
    EXPECT_EQ(L"Software\\Vellomar", Printable(GetProductKeyName()));
}

TEST(RegistrationPaths, ProgramsJoinTheInstallFolderAsIs)
{
    const CString strDir = L"D:\\My Apps\\Vellomar\\";
    EXPECT_EQ(L"D:\\My Apps\\Vellomar\\Vellomar.exe", Printable(GetAppExePath(strDir)));
    EXPECT_EQ(L"D:\\My Apps\\Vellomar\\VLUninstall.exe", Printable(GetUninstallExePath(strDir)));
}

// UninstallString is run as a command line: unquoted, a space lets Windows
// try "C:\Program.exe" first.
TEST(RegistrationPaths, UninstallCommandIsQuotedWhenThePathHoldsASpace)
{
    const struct { const wchar_t* pszPath; const wchar_t* pszCommand; } cases[] = {
        { L"C:\\Program Files\\Vel Notes\\VLUninstall.exe", L"\"C:\\Program Files\\Vel Notes\\VLUninstall.exe\"" },
        { L"C:\\Vellomar\\VLUninstall.exe", L"C:\\Vellomar\\VLUninstall.exe" },
        { L"\"C:\\a b\\VLUninstall.exe\"", L"\"C:\\a b\\VLUninstall.exe\"" },
        { L"", L"" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.pszCommand, Printable(QuoteCommandPath(c.pszPath))) << Printable(c.pszPath);

    const CString strDir = L"D:\\My Apps\\Vellomar\\";
    EXPECT_EQ(L"\"D:\\My Apps\\Vellomar\\VLUninstall.exe\"", Printable(GetUninstallCommand(strDir)));
    // The quiet command is quoted even without a space: the switch stays apart.
    EXPECT_EQ(L"\"D:\\My Apps\\Vellomar\\VLUninstall.exe\" /S", Printable(GetQuietUninstallCommand(strDir)));
    EXPECT_EQ(L"\"C:\\V\\VLUninstall.exe\" /S", Printable(GetQuietUninstallCommand(L"C:\\V\\")));
}

TEST(RegistrationPaths, ProgramGroupByWindowsVersion)
{
    const struct { int nCode; const wchar_t* pszGroup; } cases[] = {
        { OS_CODE_WIN8, L"C:\\SM\\Programs\\Vellomar" },
        { OS_CODE_WIN7, L"C:\\SM\\Programs\\Vellomar" },
        { OS_CODE_VISTA, L"C:\\SM\\Programs\\Vellomar" },
        { OS_CODE_XP64, L"C:\\SM\\程序\\Vellomar" },
        { OS_CODE_XP, L"C:\\SM\\程序\\Vellomar" },
        { OS_CODE_WIN2000, L"C:\\SM\\程序\\Vellomar" },
        { OS_CODE_UNKNOWN, L"C:\\SM\\程序\\Vellomar" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::wstring(c.pszGroup), Printable(FormatProgramGroupPath(L"C:\\SM", c.nCode))) << "code " << c.nCode;
    EXPECT_TRUE(FormatProgramGroupPath(L"", OS_CODE_WIN7).IsEmpty()) << "no start menu, no group";

    // The longest folder the shell hands out still gives the whole path; no
    // fixed-size buffer cuts it or runs over.
    const std::wstring strLongStartMenu = L"C:\\" + std::wstring(MAX_PATH - 4, L's');
    EXPECT_EQ(strLongStartMenu + L"\\Programs\\Vellomar",
              Printable(FormatProgramGroupPath(strLongStartMenu.c_str(), OS_CODE_WIN7)));
}

TEST(RegistrationPaths, LinksOfTheGroupLieInItOnEveryVersion)
{
    const CString strStartMenu = GetShellFolderPath(CSIDL_STARTMENU);
    ASSERT_FALSE(strStartMenu.IsEmpty());
    const struct { DWORD dwMajor; DWORD dwMinor; const wchar_t* pszGroupName; } cases[] = {
        { 6, 1, L"\\Programs\\Vellomar" },
        { 5, 1, L"\\程序\\Vellomar" },
    };
    for (const auto& c : cases) {
        CScopedOSVersion version(c.dwMajor, c.dwMinor);
        const CString strGroup = strStartMenu + c.pszGroupName;
        EXPECT_EQ(Printable(strGroup), Printable(GetProgramGroupPath()));
        EXPECT_EQ(Printable(strGroup + L"\\Vellomar.lnk"), Printable(GetProgramLinkPath()));
        EXPECT_EQ(Printable(strGroup + L"\\卸载Vellomar.lnk"), Printable(GetUninstallLinkPath()));
        EXPECT_EQ(Printable(strGroup + L"\\Vellomar主页.url"), Printable(GetHomePageLinkPath()));
    }
}

TEST(RegistrationPaths, DesktopAndQuickLaunchLinks)
{
    EXPECT_EQ(Printable(GetShellFolderPath(CSIDL_DESKTOPDIRECTORY) + L"\\Vellomar.lnk"), Printable(GetDesktopLinkPath()));
    EXPECT_EQ(Printable(GetShellFolderPath(CSIDL_APPDATA) + L"\\Microsoft\\Internet Explorer\\Quick Launch\\Vellomar.lnk"),
              Printable(GetQuickLaunchLinkPath()));
}

// Steps run in the install sandbox: desktop and start menu in temporary
// folders, everything the steps create removed afterwards.
class RegistrationSteps : public CInstallSandbox
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(CInstallSandbox::SetUp());
        m_strDir = m_install.Path() + L"\\";
        // The targets exist, as they do after extraction.
        for (const CString& strExe : { GetAppExePath(m_strDir), GetUninstallExePath(m_strDir) })
            CloseHandle(CreateFileW(strExe, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }

    CString m_strDir;   // the install folder, with its trailing backslash
};

TEST_F(RegistrationSteps, QuickLaunchLinkOnlyWhereTheFolderExists)
{
    const CString strLink = GetQuickLaunchLinkPath();
    const CString strFolder = strLink.Left(strLink.ReverseFind(L'\\'));
    if (FolderExists(strFolder))
        GTEST_SKIP() << "the prefix has a Quick Launch folder of its own";
    EXPECT_TRUE(CreateQuickLaunchShortcut(m_strDir));
    EXPECT_FALSE(FileExists(strLink));
    EXPECT_FALSE(FolderExists(strFolder)) << "the step must not create the Quick Launch folder";
}

TEST_F(RegistrationSteps, DesktopLinkGoesToTheRedirectedDesktop)
{
    ASSERT_EQ(Printable(m_desktop.Path()), Printable(GetShellFolderPath(CSIDL_DESKTOPDIRECTORY)));
    EXPECT_TRUE(CreateDesktopShortcut(m_strDir));
    EXPECT_TRUE(FileExists(m_desktop.Path() + L"\\Vellomar.lnk"));
}

TEST_F(RegistrationSteps, OlderWindowsGetsTheChineseProgramsFolder)
{
    CScopedOSVersion xp(5, 1);
    const CString strStartMenu = GetShellFolderPath(CSIDL_STARTMENU);
    const CString strPrograms = strStartMenu + L"\\程序";

    EXPECT_TRUE(CreateStartMenuShortcuts(m_strDir));
    CreateHomePageLink(m_strDir);

    EXPECT_TRUE(FileExists(strPrograms + L"\\Vellomar\\Vellomar.lnk"));
    EXPECT_TRUE(FileExists(strPrograms + L"\\Vellomar\\卸载Vellomar.lnk"));
    EXPECT_TRUE(FileExists(strPrograms + L"\\Vellomar\\Vellomar主页.url"));
    EXPECT_FALSE(FileExists(strStartMenu + L"\\Programs\\Vellomar\\Vellomar主页.url"));
}

TEST_F(RegistrationSteps, StepsReportAndSkipUnknownShellFolders)
{
    // A shell folder that does not exist is unknown to the shell: no path,
    // nothing created, FALSE from the steps that report it.
    const CString strMissing = m_install.Path() + L"\\missing";
    CScopedShellFolder desktop(SHELL_FOLDER_DESKTOP, strMissing);
    CScopedShellFolder startMenu(SHELL_FOLDER_START_MENU, strMissing);
    EXPECT_TRUE(GetDesktopLinkPath().IsEmpty());
    EXPECT_TRUE(GetProgramGroupPath().IsEmpty());
    EXPECT_TRUE(GetHomePageLinkPath().IsEmpty());

    EXPECT_FALSE(CreateDesktopShortcut(m_strDir));
    EXPECT_FALSE(CreateStartMenuShortcuts(m_strDir));
    CreateHomePageLink(m_strDir);
    EXPECT_FALSE(FolderExists(strMissing));
    EXPECT_FALSE(FileExists(L"\\Vellomar.lnk")) << "a link must never land in the root of the current drive";
    EXPECT_FALSE(FileExists(L"\\Vellomar主页.url"));
}

TEST(RegistrationValues, SizeInKilobytesAndDate)
{
    const struct { ULONGLONG nBytes; DWORD dwKilobytes; } sizes[] = {
        { 0, 0 }, { 1, 1 }, { 1024, 1 }, { 1025, 2 }, { 0xFFFFFFFFull * 1024 + 1, MAXDWORD },
    };
    for (const auto& c : sizes)
        EXPECT_EQ(c.dwKilobytes, ToKilobytes(c.nBytes)) << c.nBytes;

    SYSTEMTIME st = {};
    st.wYear = 2026;
    st.wMonth = 3;
    st.wDay = 7;
    EXPECT_EQ(L"20260307", Printable(FormatInstallDate(st)));
}

// The list of programs shows the version, size and date, hides Modify and
// Repair, and deployment tools find the quiet command.
TEST_F(RegistrationSteps, UninstallEntryDescribesTheInstallation)
{
    ASSERT_TRUE(CreateDirectoryW(m_strDir + L"config", nullptr));
    ASSERT_TRUE(WritePrivateProfileStringW(L"VERSION", L"AppVerCode", L"4107", m_strDir + L"config\\version.ini"));
    // 3000 bytes beside the ini: the size counts the subfolder too.
    HANDLE hFile = CreateFileW(m_strDir + L"data.bin", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hFile);
    const std::vector<char> bytes(3000, 'x');
    DWORD dwWritten = 0;
    WriteFile(hFile, bytes.data(), 3000, &dwWritten, nullptr);
    CloseHandle(hFile);

    WriteUninstallEntry(m_strDir);
    const CString strKey = GetUninstallKeyName();
    auto text = [&](LPCWSTR pszName) {
        std::wstring str = ReadMachineValue(strKey, pszName).strData;
        return str.empty() ? str : str.substr(0, str.size() - 1);   // the stored NUL
    };
    auto dword = [&](LPCWSTR pszName) {
        const CRegValue value = ReadMachineValue(strKey, pszName);
        EXPECT_EQ(static_cast<DWORD>(REG_DWORD), value.dwType) << pszName;
        DWORD dw = 0;
        if (value.strData.size() == 2)
            memcpy(&dw, value.strData.data(), sizeof(dw));
        return dw;
    };
    EXPECT_EQ(L"4107", text(UNINSTALL_VALUE_DISPLAY_VERSION));
    EXPECT_EQ(m_strDir.str(), text(UNINSTALL_VALUE_INSTALL_LOCATION));
    EXPECT_EQ(L"\"" + GetUninstallExePath(m_strDir).str() + L"\" /S", text(UNINSTALL_VALUE_QUIET_UNINSTALL_STRING));
    SYSTEMTIME st = {};
    GetLocalTime(&st);
    EXPECT_EQ(FormatInstallDate(st).str(), text(UNINSTALL_VALUE_INSTALL_DATE));
    EXPECT_EQ(1u, dword(UNINSTALL_VALUE_NO_MODIFY));
    EXPECT_EQ(1u, dword(UNINSTALL_VALUE_NO_REPAIR));
    // 3000 bytes, the ini's few and the two empty programs: 3 or 4 KB.
    const DWORD dwSize = dword(UNINSTALL_VALUE_ESTIMATED_SIZE);
    EXPECT_GE(dwSize, 3u);
    EXPECT_LE(dwSize, 4u);
}
