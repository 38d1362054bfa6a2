// A whole installation without a page: the default payload unpacked by the
// extraction worker into a folder whose path has a space, then the six
// registration steps in their order, then every effect read back: the links
// through the shell, the home-page link's file, the registry values. A second
// installation into another folder must repoint all of it, and the next run
// must propose that folder.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <set>
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

// Every file below strFolder, with its full path.
void CollectFiles(const CString& strFolder, std::set<std::wstring>& files)
{
    WIN32_FIND_DATAW data = {};
    HANDLE hFind = FindFirstFileW(strFolder + L"\\*", &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return;
    do {
        const CString strName(data.cFileName);
        if (strName == L"." || strName == L"..")
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CollectFiles(strFolder + L"\\" + strName, files);
        else
            files.insert((strFolder + L"\\" + strName).str());
    } while (FindNextFileW(hFind, &data));
    FindClose(hFind);
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

class WholeInstallation : public CInstallSandbox
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(CInstallSandbox::SetUp());
        ProvideQuickLaunchFolder();
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
        // The five the shell needs, and seven that describe the installation.
        EXPECT_EQ(12u, CountValues(strUninstallKey));
        ExpectStringValue(strUninstallKey, L"InstallLocation", strInstallPath.str().c_str());
        ExpectStringValue(strUninstallKey, L"DisplayIcon", strAppExe.c_str());
        ExpectStringValue(strUninstallKey, L"DisplayName", L"Vellomar");
        ExpectStringValue(strUninstallKey, L"Publisher", L"Tessaly");
        // The folders hold spaces: the command is quoted, the icon's path is not.
        ExpectStringValue(strUninstallKey, L"UninstallString", (L"\"" + strUninstallExe + L"\"").c_str());
        ExpectStringValue(strUninstallKey, L"URLInfoAbout", PRODUCT_HOME_PAGE_URL);

        ExpectStringValue(GetProductKeyName(), L"Install", strInstallPath);
        EXPECT_FALSE(ReadMachineValue(GetProductKeyName(), L"Install_Dir").bFound) << "Install_Dir is never written";
    }

    CTempFolder m_second{ L"install two" };
};

TEST_F(WholeInstallation, RegistersTheInstallationAndRepointsItOnReinstall)
{
    ASSERT_NE(-1, m_install.Path().Find(L' ')) << "the folder's path must hold a space";
    Install(m_install.Path());
    ExpectInstallationIn(m_install.Path());
    EXPECT_EQ(Printable(m_install.Path() + L"\\"), Printable(GetDefaultInstallDir()));

    Install(m_second.Path());
    ExpectInstallationIn(m_second.Path());
    EXPECT_EQ(Printable(m_second.Path() + L"\\"), Printable(GetDefaultInstallDir()))
        << "the next run proposes the folder of the last installation";
}

TEST_F(WholeInstallation, ReinstallIntoTheSameFolderKeepsEverythingInPlace)
{
    Install(m_install.Path());
    Install(m_install.Path());
    ExpectInstallationIn(m_install.Path());
}

// The uninstaller removes GetInstalledLinkPaths(): a link the installation
// makes beyond that list would outlive it.
TEST_F(WholeInstallation, LeavesExactlyTheListedLinks)
{
    Install(m_install.Path());
    std::set<std::wstring> listed;
    for (const CString& strLink : GetInstalledLinkPaths())
        listed.insert(strLink.str());
    std::set<std::wstring> found;
    CollectFiles(m_desktop.Path(), found);
    CollectFiles(m_startMenu.Path(), found);
    const std::wstring strQuickLaunch = GetQuickLaunchLinkPath().str();
    ASSERT_TRUE(FileExists(strQuickLaunch.c_str()));
    found.insert(strQuickLaunch);   // the prefix's own folder may hold other links
    EXPECT_EQ(listed, found);
}
