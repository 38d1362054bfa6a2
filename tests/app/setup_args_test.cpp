// The installer's command line, the exit codes of the extraction's failures,
// and the log's line format.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <vector>

#include "app/setup_args.h"
#include "app/silent_setup.h"
#include "engine/extract.h"
#include "engine/setup_log.h"

TEST(SetupArgs, Table)
{
    const struct {
        const wchar_t* pszLine;
        bool bSilent;
        const wchar_t* pszLog;
        const wchar_t* pszDir;
        bool bError;
    } cases[] = {
        { L"", false, L"", L"", false },
        { L"   ", false, L"", L"", false },
        { L"/S", true, L"", L"", false },
        { L"/s", true, L"", L"", false },
        { L"/S /D=C:\\Program Files\\Vel Notes", true, L"", L"C:\\Program Files\\Vel Notes", false },
        // /D= takes the rest as it is: quotes and switches included, trailing blanks dropped.
        { L"/S /D=C:\\a \"b\" /LOG=x  ", true, L"", L"C:\\a \"b\" /LOG=x", false },
        { L"/LOG=C:\\log.txt /S /D=D:\\V", true, L"C:\\log.txt", L"D:\\V", false },
        { L"/S \"/LOG=C:\\my logs\\a.txt\"", true, L"C:\\my logs\\a.txt", L"", false },
        { L"/S /LOG=\"C:\\my logs\\a.txt\"", true, L"C:\\my logs\\a.txt", L"", false },
        { L"/log=a.txt", false, L"a.txt", L"", false },
        { L"/S \"/D=C:\\a b\" /LOG=l", true, L"l", L"C:\\a b", false },
        // Faults.
        { L"/X", false, L"", L"", true },
        { L"/S /SILENT", true, L"", L"", true },
        { L"/S /D=", true, L"", L"", true },
        { L"/S /D=   ", true, L"", L"", true },
        { L"/S /LOG=", true, L"", L"", true },
        { L"/S /LOG=a /LOG=b", true, L"a", L"", true },
        { L"/S /LOG=\"C:\\a b", true, L"", L"", true },
        { L"/D=C:\\V", false, L"", L"C:\\V", true },   // a folder only for a silent run
        { L"S", false, L"", L"", true },
        { L"/S \"/D=C:\\a\" /D=C:\\b", true, L"", L"", true },
    };
    for (const auto& c : cases) {
        const SetupArgs args = ParseSetupArgs(c.pszLine);
        EXPECT_EQ(c.bError, !args.strError.IsEmpty()) << c.pszLine << " -> " << args.strError.str();
        if (c.bError)
            continue;
        EXPECT_EQ(c.bSilent, args.bSilent) << c.pszLine;
        EXPECT_EQ(std::wstring(c.pszLog), args.strLogFile.str()) << c.pszLine;
        EXPECT_EQ(std::wstring(c.pszDir), args.strInstallDir.str()) << c.pszLine;
    }
    // The box and the log name the argument at fault.
    EXPECT_NE(-1, ParseSetupArgs(L"/S /Q").strError.Find(L"/Q"));
}

TEST(SetupExitCodes, EveryExtractionFailureHasItsOwnCode)
{
    EXPECT_EQ(SETUP_EXIT_OK, ExitCodeForInstallCode(INSTALL_DONE));
    std::vector<int> seen;
    for (WPARAM nCode = INSTALL_ERR_STAGE; nCode <= INSTALL_ERR_JOURNAL; ++nCode) {
        const int nExit = ExitCodeForInstallCode(nCode);
        // The folder that could not be made keeps the code it had before the worker made it.
        EXPECT_EQ(nCode == INSTALL_ERR_FOLDER ? int(SETUP_EXIT_FOLDER_NOT_MADE) : static_cast<int>(10 + nCode), nExit)
            << nCode;
        EXPECT_EQ(seen.end(), std::find(seen.begin(), seen.end(), nExit)) << nCode;
        seen.push_back(nExit);
    }
    EXPECT_EQ(SETUP_EXIT_INSTALL_FAILED, ExitCodeForInstallCode(77));
}

TEST(SetupLog, OneUtf8LinePerStep)
{
    SYSTEMTIME st = {};
    st.wYear = 2026;
    st.wMonth = 12;
    st.wDay = 1;
    st.wHour = 9;
    st.wMinute = 5;
    st.wSecond = 7;
    st.wMilliseconds = 42;
    EXPECT_EQ("2026-12-01 09:05:07.042 folder: C:\\\xE5\x8D\xB8\\\r\n", FormatLogLine(st, L"folder: C:\\\u5378\\"));
    // A message with line breaks stays one line.
    EXPECT_EQ("2026-12-01 09:05:07.042 a  b c\r\n", FormatLogLine(st, L"a\r\nb\nc"));
}
