// Where the registration steps put their links, and what happens where a
// folder is missing. The whole installation is checked in install_test.cpp.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
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
    const CString strSaved = g_strInstallPath;
    g_strInstallPath = L"D:\\My Apps\\Vellomar\\";
    EXPECT_EQ(L"D:\\My Apps\\Vellomar\\Vellomar.exe", Printable(GetAppExePath()));
    EXPECT_EQ(L"D:\\My Apps\\Vellomar\\VLUninstall.exe", Printable(GetUninstallExePath()));
    g_strInstallPath = strSaved;
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

    const CString strSaved = g_strInstallPath;
    g_strInstallPath = L"D:\\My Apps\\Vellomar\\";
    EXPECT_EQ(L"\"D:\\My Apps\\Vellomar\\VLUninstall.exe\"", Printable(GetUninstallCommand()));
    g_strInstallPath = strSaved;
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
        g_strInstallPath = m_install.Path() + L"\\";
        // The targets exist, as they do after extraction.
        for (const CString& strExe : { GetAppExePath(), GetUninstallExePath() })
            CloseHandle(CreateFileW(strExe, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
};

TEST_F(RegistrationSteps, QuickLaunchLinkOnlyWhereTheFolderExists)
{
    const CString strLink = GetQuickLaunchLinkPath();
    const CString strFolder = strLink.Left(strLink.ReverseFind(L'\\'));
    if (FolderExists(strFolder))
        GTEST_SKIP() << "the prefix has a Quick Launch folder of its own";
    EXPECT_TRUE(CreateQuickLaunchShortcut());
    EXPECT_FALSE(FileExists(strLink));
    EXPECT_FALSE(FolderExists(strFolder)) << "the step must not create the Quick Launch folder";
}

TEST_F(RegistrationSteps, DesktopLinkGoesToTheRedirectedDesktop)
{
    ASSERT_EQ(Printable(m_desktop.Path()), Printable(GetShellFolderPath(CSIDL_DESKTOPDIRECTORY)));
    EXPECT_TRUE(CreateDesktopShortcut());
    EXPECT_TRUE(FileExists(m_desktop.Path() + L"\\Vellomar.lnk"));
}

TEST_F(RegistrationSteps, OlderWindowsGetsTheChineseProgramsFolder)
{
    CScopedOSVersion xp(5, 1);
    const CString strStartMenu = GetShellFolderPath(CSIDL_STARTMENU);
    const CString strPrograms = strStartMenu + L"\\程序";

    EXPECT_TRUE(CreateStartMenuShortcuts());
    CreateHomePageLink();

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

    EXPECT_FALSE(CreateDesktopShortcut());
    EXPECT_FALSE(CreateStartMenuShortcuts());
    CreateHomePageLink();
    EXPECT_FALSE(FolderExists(strMissing));
    EXPECT_FALSE(FileExists(L"\\Vellomar.lnk")) << "a link must never land in the root of the current drive";
    EXPECT_FALSE(FileExists(L"\\Vellomar主页.url"));
}
