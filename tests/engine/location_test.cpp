// The proposed install folder, the Windows version codes and the texts of the
// disk-space line.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

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

// --- Windows version codes -------------------------------------------------

TEST(OSVersionCode, MapsEachKnownVersionAndNothingElse)
{
    const struct { DWORD dwMajor; DWORD dwMinor; int nCode; } cases[] = {
        { 5, 0, 6 }, { 5, 1, 7 }, { 5, 2, 8 }, { 6, 0, 10 }, { 6, 1, 13 }, { 6, 2, 14 },
        { 4, 0, 0 }, { 5, 3, 0 }, { 6, 3, 0 }, { 10, 0, 0 }, { 0, 0, 0 },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.nCode, MapOSVersionCode(c.dwMajor, c.dwMinor)) << "version " << c.dwMajor << "." << c.dwMinor;
        CScopedOSVersion version(c.dwMajor, c.dwMinor);
        if (c.dwMajor != 0) {
            EXPECT_EQ(c.nCode, GetOSVersionCode()) << "through the query, version " << c.dwMajor << "." << c.dwMinor;
        }
    }
}

TEST(OSVersionCode, FailingQueryCountsAsOlderThanVista)
{
    CScopedOSVersion failing(0, 0);
    EXPECT_EQ(OS_CODE_UNKNOWN, GetOSVersionCode());
    EXPECT_TRUE(GetAppDataInstallDir().empty());
}

TEST(OSVersionCode, RealQueryIsBackAfterAPlayedVersion)
{
    {
        CScopedOSVersion xp(5, 1);
    }
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    ASSERT_TRUE(GetVersionExW(&info));
    EXPECT_EQ(MapOSVersionCode(info.dwMajorVersion, info.dwMinorVersion), GetOSVersionCode());
    // The test bed plays Windows 7 or later.
    EXPECT_GE(GetOSVersionCode(), OS_CODE_VISTA);
}

// --- Size texts ------------------------------------------------------------

TEST(SpaceText, RequiredSizeReadsTwentyFiveAndAHalfMegabytes)
{
    EXPECT_EQ(L"25.5MB", Printable(FormatRequiredSize()));
}

TEST(SpaceText, UnitBoundariesAndRounding)
{
    const struct { LONGLONG nFree; const wchar_t* pszFree; } cases[] = {
        { 1073741825LL, L"1.0GB" },        // one byte above 2^30
        { 1073741824LL, L"1024.0MB" },     // exactly 2^30 stays in MB
        { 1048577LL, L"1.0MB" },
        { 1048576LL, L"1024.0KB" },        // exactly 2^20 stays in KB
        { 1025LL, L"1.0KB" },
        { 1024LL, L"1024.0B" },            // exactly 2^10 stays in bytes
        { 500LL, L"500.0B" },
        { 0LL, L"0.0B" },
        { -5LL, L"-5.0B" },
        // The single-precision value decides the decimal: the exact quotients
        // are 100.04999923... MB and 2.05000000075 GB.
        { 104910028LL, L"100.1MB" },
        { 2201170740LL, L"2.0GB" },
        { 5LL * 1073741824LL * 1024LL, L"5120.0GB" },
    };
    for (const auto& c : cases) {
        const std::wstring strExpected = std::wstring(L"所需空间: 25.5MB 可用空间: ") + c.pszFree;
        EXPECT_EQ(strExpected, Printable(FormatSpaceText(FormatRequiredSize(), c.nFree))) << "free bytes " << c.nFree;
    }
}

// --- The proposed folder ---------------------------------------------------

class DefaultInstallDir : public ::testing::Test
{
protected:
    void SetUp() override { DeleteProductKeys(); }
    void TearDown() override { DeleteProductKeys(); }

    static void SetValue(LPCWSTR pszName, const std::wstring& strData)
    {
        WriteMachineValue(GetProductKeyName(), pszName, REG_SZ, strData.c_str(),
                          static_cast<DWORD>((strData.size() + 1) * sizeof(wchar_t)));
    }

    static CString AppDataDefault()
    {
        wchar_t szAppData[MAX_PATH] = {};
        SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, szAppData);
        return CString(szAppData) + L"\\Vellomar\\";
    }

    static CString ProgramFilesDefault()
    {
        wchar_t szWindows[MAX_PATH] = {};
        GetWindowsDirectoryW(szWindows, MAX_PATH);
        CString strDir;
        strDir.Format(L"%c:\\Program Files\\Vellomar\\", szWindows[0]);
        return strDir;
    }
};

TEST_F(DefaultInstallDir, RemembersStoredFolderAsStored)
{
    const struct { const wchar_t* pszInstallDir; const wchar_t* pszInstall; const wchar_t* pszExpected; } cases[] = {
        { L"D:\\Legacy\\Vellomar\\", L"E:\\Apps\\Vellomar\\", L"D:\\Legacy\\Vellomar\\" },  // Install_Dir first
        { L"", L"E:\\Apps\\Vellomar", L"E:\\Apps\\Vellomar" },                              // empty: Install, no backslash added
        { nullptr, L"E:\\My Apps\\Vellomar\\", L"E:\\My Apps\\Vellomar\\" },
        { L"D:\\Legacy", nullptr, L"D:\\Legacy" },
    };
    for (const auto& c : cases) {
        DeleteProductKeys();
        if (c.pszInstallDir)
            SetValue(INSTALL_DIR_VALUE_LEGACY, c.pszInstallDir);
        if (c.pszInstall)
            SetValue(INSTALL_DIR_VALUE, c.pszInstall);
        EXPECT_EQ(std::wstring(c.pszExpected), Printable(GetDefaultInstallDir()))
            << "Install_Dir=" << (c.pszInstallDir ? c.pszInstallDir : L"(none)")
            << " Install=" << (c.pszInstall ? c.pszInstall : L"(none)");
    }
}

TEST_F(DefaultInstallDir, ValueFillingTheWholeBufferIsNotReadPastIt)
{
    // 260 characters stored without a terminator fill the 520-byte buffer
    // exactly; the text must end there, not run on into the stack.
    const std::wstring strFull(MAX_PATH, L'x');
    WriteMachineValue(GetProductKeyName(), INSTALL_DIR_VALUE_LEGACY, REG_SZ, strFull.c_str(),
                      static_cast<DWORD>(strFull.size() * sizeof(wchar_t)));
    SetValue(INSTALL_DIR_VALUE, L"E:\\Apps\\Vellomar\\");
    EXPECT_EQ(L"E:\\Apps\\Vellomar\\", Printable(GetDefaultInstallDir()));

    // Alone, it is not taken either: the defaults follow.
    DeleteProductKeys();
    WriteMachineValue(GetProductKeyName(), INSTALL_DIR_VALUE, REG_SZ, strFull.c_str(),
                      static_cast<DWORD>(strFull.size() * sizeof(wchar_t)));
    CScopedOSVersion xp(5, 1);
    EXPECT_EQ(Printable(ProgramFilesDefault()), Printable(GetDefaultInstallDir()));
}

TEST_F(DefaultInstallDir, LongestPathThatFitsIsReadWhole)
{
    const std::wstring strLongest = L"C:\\" + std::wstring(MAX_PATH - 1 - 3, L'y');   // 259 characters + NUL = 520 bytes
    SetValue(INSTALL_DIR_VALUE, strLongest);
    EXPECT_EQ(strLongest, Printable(GetDefaultInstallDir()));

    const std::wstring strTooLong = strLongest + L"z";   // 522 bytes: not read
    SetValue(INSTALL_DIR_VALUE_LEGACY, strTooLong);
    EXPECT_EQ(strLongest, Printable(GetDefaultInstallDir()));
}

TEST_F(DefaultInstallDir, DefaultsFollowTheWindowsVersion)
{
    const struct { DWORD dwMajor; DWORD dwMinor; bool bAppData; } cases[] = {
        { 6, 2, true }, { 6, 1, true }, { 6, 0, true },
        { 5, 2, false }, { 5, 1, false }, { 5, 0, false }, { 0, 0, false },   // last: failing query
    };
    for (const auto& c : cases) {
        CScopedOSVersion version(c.dwMajor, c.dwMinor);
        const CString strExpected = c.bAppData ? AppDataDefault() : ProgramFilesDefault();
        EXPECT_EQ(Printable(strExpected), Printable(GetDefaultInstallDir())) << "version " << c.dwMajor << "." << c.dwMinor;
        EXPECT_EQ(c.bAppData ? Printable(strExpected) : std::wstring(), GetAppDataInstallDir());
    }
}

TEST(ProgramFilesDir, TakesTheDriveOfTheWindowsFolder)
{
    EXPECT_EQ(L"D:\\Program Files\\Vellomar\\", Printable(FormatProgramFilesDir(L"D:\\WINDOWS")));
    EXPECT_EQ(L"C:\\Program Files\\Vellomar\\", Printable(FormatProgramFilesDir(L"C:\\Windows")));
}
