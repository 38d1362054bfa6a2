// A whole installation without a page: the default payload unpacked by the
// extraction worker into a folder whose path has a space, then the six
// registration steps in their order, then every effect read back: the links
// through the shell, the home-page link's file, the registry values. A second
// installation into another folder must repoint all of it, and the next run
// must propose that folder.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <vector>

#include "engine/extract.h"
#include "engine/install_location.h"
#include "engine/product.h"
#include "engine/registration.h"
#include "tests/engine/install_state.h"

namespace {

std::wstring Printable(const CString& str)
{
    return str.str();
}

struct CLinkInfo
{
    bool bLoaded = false;
    std::wstring strTarget;
    std::wstring strWorkingDir;
    int nShowCmd = 0;
};

// What the shell makes of a .lnk file.
CLinkInfo ResolveShellLink(const CString& strPath)
{
    CLinkInfo info;
    IShellLinkW* pLink = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&pLink))))
        return info;
    IPersistFile* pFile = nullptr;
    if (SUCCEEDED(pLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pFile)))) {
        if (SUCCEEDED(pFile->Load(strPath, STGM_READ))) {
            wchar_t szBuffer[MAX_PATH] = {};
            pLink->GetPath(szBuffer, MAX_PATH, nullptr, SLGP_RAWPATH);
            info.strTarget = szBuffer;
            szBuffer[0] = L'\0';
            pLink->GetWorkingDirectory(szBuffer, MAX_PATH);
            info.strWorkingDir = szBuffer;
            pLink->GetShowCmd(&info.nShowCmd);
            info.bLoaded = true;
        }
        pFile->Release();
    }
    pLink->Release();
    return info;
}

std::wstring ReadUrlFileValue(const CString& strPath, LPCWSTR pszKey)
{
    wchar_t szValue[1024] = {};
    GetPrivateProfileStringW(L"InternetShortcut", pszKey, L"(missing)", szValue, ARRAYSIZE(szValue), strPath);
    return szValue;
}

DWORD CountValues(const CString& strKey)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, strKey, 0, KEY_QUERY_VALUE, &hKey) != ERROR_SUCCESS)
        return 0;
    DWORD dwValues = 0;
    RegQueryInfoKeyW(hKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &dwValues, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(hKey);
    return dwValues;
}

// Exactly the string with its terminating NUL, as REG_SZ.
void ExpectStringValue(const CString& strKey, LPCWSTR pszName, const CString& strExpected)
{
    const CRegValue value = ReadMachineValue(strKey, pszName);
    ASSERT_TRUE(value.bFound) << Printable(strKey) << " has no value " << pszName;
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), value.dwType) << pszName;
    EXPECT_EQ(strExpected.str() + L'\0', value.strData) << pszName << " (stored with its NUL, unquoted)";
}

} // namespace

class WholeInstallation : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ShellLinksStayInPrefix()) << "run through CTest: Wine's menu builder must be disabled";
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        m_bComInitialised = true;
        m_strSavedInstallPath = g_strInstallPath;
        ASSERT_EQ(Printable(m_desktop.Path()), Printable(GetShellFolderPath(CSIDL_DESKTOPDIRECTORY)))
            << "the desktop must be redirected away from the prefix's own";
        RemoveInstallation();

        // Quick Launch exists on the systems that show it; make it so here.
        const CString strQuickLaunch = GetQuickLaunchLinkPath();
        const CString strFolder = strQuickLaunch.Left(strQuickLaunch.ReverseFind(L'\\'));
        const CString strParent = strFolder.Left(strFolder.ReverseFind(L'\\'));
        for (const CString& strPath : { strParent, strFolder }) {
            if (!FolderExists(strPath) && CreateDirectoryW(strPath, nullptr))
                m_createdFolders.insert(m_createdFolders.begin(), strPath);
        }
    }

    void TearDown() override
    {
        RemoveInstallation();
        for (const CString& strPath : m_createdFolders)
            RemoveDirectoryW(strPath);
        g_strInstallPath = m_strSavedInstallPath;
        if (m_bComInitialised)
            CoUninitialize();
    }

    // Removes exactly what the steps create, as the uninstaller will.
    static void RemoveInstallation()
    {
        for (const CString& strLink : { GetQuickLaunchLinkPath(), GetDesktopLinkPath(), GetProgramLinkPath(),
                                        GetUninstallLinkPath(), GetHomePageLinkPath() })
            DeleteFileW(strLink);
        RemoveDirectoryW(GetProgramGroupPath());
        DeleteProductKeys();
    }

    // Installs into strDir the way the progress page does.
    void Install(const CString& strDir)
    {
        g_strInstallPath = strDir + L"\\";
        ASSERT_EQ(INSTALL_DONE, ExtractPayload(g_strInstallPath)) << "extracting into " << Printable(strDir);
        ASSERT_TRUE(FileExists(GetAppExePath()));
        ASSERT_TRUE(FileExists(GetUninstallExePath()));
        RegisterInstallation();
    }

    // Every effect of the six steps, pointing into strDir.
    void ExpectInstallationIn(const CString& strDir)
    {
        const CString strInstallPath = strDir + L"\\";
        const std::wstring strAppExe = (strInstallPath + L"Vellomar.exe").str();
        const std::wstring strUninstallExe = (strInstallPath + L"VLUninstall.exe").str();
        const struct { CString strLink; std::wstring strTarget; } links[] = {
            { GetQuickLaunchLinkPath(), strAppExe },
            { GetDesktopLinkPath(), strAppExe },
            { GetProgramLinkPath(), strAppExe },
            { GetUninstallLinkPath(), strUninstallExe },
        };
        for (const auto& link : links) {
            const CLinkInfo info = ResolveShellLink(link.strLink);
            ASSERT_TRUE(info.bLoaded) << "no shell link at " << Printable(link.strLink);
            EXPECT_EQ(link.strTarget, info.strTarget) << Printable(link.strLink);
            EXPECT_EQ(strInstallPath.str(), info.strWorkingDir) << Printable(link.strLink);
            EXPECT_EQ(SW_SHOWNORMAL, info.nShowCmd) << Printable(link.strLink);
        }
        EXPECT_EQ(Printable(m_desktop.Path() + L"\\Vellomar.lnk"), Printable(GetDesktopLinkPath()));

        const CString strUrl = GetHomePageLinkPath();
        ASSERT_TRUE(FileExists(strUrl));
        EXPECT_EQ(Printable(GetProgramGroupPath()), Printable(strUrl.Left(strUrl.ReverseFind(L'\\'))));
        EXPECT_EQ(std::wstring(PRODUCT_HOME_PAGE_URL), ReadUrlFileValue(strUrl, L"URL"));
        EXPECT_EQ(strAppExe, ReadUrlFileValue(strUrl, L"IconFile"));
        EXPECT_EQ(L"0", ReadUrlFileValue(strUrl, L"IconIndex"));

        const CString strUninstallKey = GetUninstallKeyName();
        EXPECT_EQ(5u, CountValues(strUninstallKey));
        ExpectStringValue(strUninstallKey, L"DisplayIcon", strAppExe.c_str());
        ExpectStringValue(strUninstallKey, L"DisplayName", L"Vellomar");
        ExpectStringValue(strUninstallKey, L"Publisher", L"Tessaly");
        // The folders hold spaces: the command is quoted, the icon's path is not.
        ExpectStringValue(strUninstallKey, L"UninstallString", (L"\"" + strUninstallExe + L"\"").c_str());
        ExpectStringValue(strUninstallKey, L"URLInfoAbout", PRODUCT_HOME_PAGE_URL);

        ExpectStringValue(GetProductKeyName(), L"Install", strInstallPath);
        EXPECT_FALSE(ReadMachineValue(GetProductKeyName(), L"Install_Dir").bFound) << "Install_Dir is never written";
    }

    CTempFolder m_desktop{ L"desktop" };
    CScopedShellFolder m_redirect{ SHELL_FOLDER_DESKTOP, m_desktop.Path() };
    CTempFolder m_first{ L"install one" };
    CTempFolder m_second{ L"install two" };
    CString m_strSavedInstallPath;
    std::vector<CString> m_createdFolders;   // innermost first
    bool m_bComInitialised = false;
};

TEST_F(WholeInstallation, RegistersTheInstallationAndRepointsItOnReinstall)
{
    ASSERT_NE(-1, m_first.Path().Find(L' ')) << "the folder's path must hold a space";
    Install(m_first.Path());
    ExpectInstallationIn(m_first.Path());
    EXPECT_EQ(Printable(m_first.Path() + L"\\"), Printable(GetDefaultInstallDir()));

    Install(m_second.Path());
    ExpectInstallationIn(m_second.Path());
    EXPECT_EQ(Printable(m_second.Path() + L"\\"), Printable(GetDefaultInstallDir()))
        << "the next run proposes the folder of the last installation";
}

TEST_F(WholeInstallation, ReinstallIntoTheSameFolderKeepsEverythingInPlace)
{
    Install(m_first.Path());
    Install(m_first.Path());
    ExpectInstallationIn(m_first.Path());
}
