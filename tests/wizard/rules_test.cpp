// The first page's path rules, the progress page's failure texts, the message
// box's layout, and the agreement text: its buffer, its stream callback and
// the shipped resource streamed into a real rich edit.
#include <gtest/gtest.h>

#include <richedit.h>
#include <set>
#include <string>
#include <vector>

#include "afx/afxmodule.h"
#include "engine/extract.h"
#include "engine/product.h"
#include "res/wizard.h"
#include "wizard/install_rules.h"

namespace {

struct BrowseCase {
    const wchar_t* pszChosen;
    const wchar_t* pszExpected;   // empty: the path box stays as it is
};

const BrowseCase kBrowseCases[] = {
    {L"D:\\", L"D:\\Vellomar\\"},
    {L"D:\\Apps", L"D:\\Apps\\Vellomar\\"},
    {L"D:\\Apps\\", L"D:\\Apps\\Vellomar\\"},
    {L"D:\\Apps\\VELLOMAR", L"D:\\Apps\\VELLOMAR"},
    {L"D:\\Apps\\vellomar\\", L"D:\\Apps\\vellomar"},
    {L"D:\\xVellomar", L"D:\\xVellomar\\Vellomar\\"},
    {L"D:\\Vellomar2", L"D:\\Vellomar2\\Vellomar\\"},
    {L"", L""},                           // cancelled
    {L"\\\\server\\share", L""},          // no drive letter
    {L"D:", L""},                         // too short
};

TEST(BrowsedFolder, ProductFolderAddedOnceAndOnlyForDrivePaths)
{
    for (const BrowseCase& c : kBrowseCases) {
        EXPECT_EQ(std::wstring(c.pszExpected), ComposeBrowsedFolder(c.pszChosen).str())
            << "chosen folder \"" << CStringA(c.pszChosen).GetString() << "\"";
    }
}

TEST(InstallPath, DriveLetterRuleAndTrailingBackslash)
{
    EXPECT_FALSE(HasDriveLetter(L"D:"));
    EXPECT_FALSE(HasDriveLetter(L"DD\\x"));
    EXPECT_FALSE(HasDriveLetter(L"\\\\srv\\x"));
    EXPECT_TRUE(HasDriveLetter(L"D:\\"));
    EXPECT_TRUE(HasDriveLetter(L"D:x"));

    EXPECT_EQ(std::wstring(L"D:\\Tools\\App\\"), WithTrailingBackslash(L"D:\\Tools\\App").str());
    EXPECT_EQ(std::wstring(L"D:\\Tools\\App\\"), WithTrailingBackslash(L"D:\\Tools\\App\\").str());
    EXPECT_EQ(std::wstring(L"\\"), WithTrailingBackslash(L"").str());
}

TEST(InstallPath, SpaceThresholdIsTheRequiredSize)
{
    EXPECT_FALSE(IsEnoughSpace(0));
    EXPECT_FALSE(IsEnoughSpace(26776665));
    EXPECT_TRUE(IsEnoughSpace(26776666));
    EXPECT_TRUE(IsEnoughSpace(1LL << 40));
}

TEST(InstallPath, EachPathProblemSaysWhyOnTheSpaceLine)
{
    const struct { InstallPathProblem problem; const wchar_t* pszPart; const wchar_t* pszStart; } cases[] = {
        {InstallPathProblem::NoDriveLetter, L"", L"路径无效"},
        {InstallPathProblem::DriveMissing, L"D:", L"磁盘不存在"},
        {InstallPathProblem::BadCharacter, L"a?b", L"路径无效"},
        {InstallPathProblem::ReservedName, L"con", L"路径无效"},
        {InstallPathProblem::TrailingDotOrSpace, L"Vm.", L"路径无效"},
        {InstallPathProblem::FileInTheWay, L"win.ini", L"路径无效"},
        {InstallPathProblem::NameTooLong, L"", L"路径无效"},
        {InstallPathProblem::TooLong, L"", L"路径过长"},
    };
    std::set<std::wstring> texts;
    for (const auto& c : cases) {
        InstallPathCheck check;
        check.problem = c.problem;
        check.strPart = c.pszPart;
        const CString strText = GetPathProblemText(check);
        const std::wstring strPrinted = strText.str();
        EXPECT_EQ(0, strText.Find(c.pszStart)) << CStringA(strText).GetString();
        // Device names, missing drives and files in the way are named.
        if (c.problem == InstallPathProblem::DriveMissing || c.problem == InstallPathProblem::ReservedName ||
            c.problem == InstallPathProblem::FileInTheWay) {
            EXPECT_GE(strText.Find(c.pszPart), 0) << CStringA(strText).GetString();
        }
        // The line is 250 pixels of an 11-pixel font.
        EXPECT_LE(strText.GetLength(), 22) << CStringA(strText).GetString();
        texts.insert(strPrinted);
    }
    EXPECT_EQ(8u, texts.size()) << "two problems share a text";
    EXPECT_TRUE(GetPathProblemText(InstallPathCheck()).IsEmpty());
}

TEST(FailureText, EveryFailureCodeHasItsOwnMessage)
{
    std::set<std::wstring> texts;
    std::vector<WPARAM> failures;
    for (WPARAM nCode = INSTALL_ERR_STAGE; nCode <= INSTALL_ERR_DECODE; ++nCode)
        failures.push_back(nCode);
    for (WPARAM nCode = INSTALL_ERR_FOLDER; nCode <= INSTALL_ERR_JOURNAL; ++nCode)
        failures.push_back(nCode);
    for (WPARAM nCode : failures) {
        const CString strText = GetInstallFailureText(nCode, nullptr);
        EXPECT_FALSE(strText.IsEmpty()) << "code " << nCode;
        EXPECT_GE(strText.Find(L"失败"), 0) << "code " << nCode << " does not say the installation failed";
        texts.insert(strText.str());
    }
    EXPECT_EQ(failures.size(), texts.size()) << "two failure codes share a message";
    // A stop is the user's own: the page closes without a word.
    for (WPARAM nCode : {WPARAM(INSTALL_DONE), WPARAM(INSTALL_PROGRESS), WPARAM(INSTALL_STOPPED),
                         WPARAM(INSTALL_ERR_JOURNAL + 1)})
        EXPECT_TRUE(GetInstallFailureText(nCode, nullptr).IsEmpty()) << "code " << nCode << " is no failure";
}

TEST(FailureText, FileFailuresNameTheFileWithinTheBoxWidth)
{
    const std::wstring strLong = L"C:\\Users\\someone\\AppData\\Roaming\\Vellomar\\resource\\skins\\dark\\panel.png";
    for (WPARAM nCode : {WPARAM(INSTALL_ERR_CREATE), WPARAM(INSTALL_ERR_WRITE), WPARAM(INSTALL_ERR_ROLLBACK)}) {
        const CString strShort = GetInstallFailureText(nCode, L"D:\\Vellomar\\Vellomar.exe");
        EXPECT_GE(strShort.Find(L"D:\\Vellomar\\Vellomar.exe"), 0) << "code " << nCode;

        const CString strText = GetInstallFailureText(nCode, strLong.c_str());
        EXPECT_GE(strText.Find(L"panel.png"), 0) << "code " << nCode << ": the file name must survive";
        // The path sits on a line of its own between two CR LFs.
        const int nStart = strText.Find(L"\r\n") + 2;
        const int nEnd = strText.Find(L"\r\n", nStart);
        ASSERT_GT(nEnd, nStart);
        EXPECT_LE(nEnd - nStart, static_cast<int>(FAILURE_PATH_MAX_CHARS)) << "code " << nCode;
    }
}

TEST(FailureText, LongPathsAreShortenedInTheMiddleKeepingTheName)
{
    // (path, as a box shows it: at most 40 narrow widths, the start and the last name whole)
    const struct { CString strPath; CString strShown; } cases[] = {
        {L"D:\\Vellomar\\Vellomar.exe", L"D:\\Vellomar\\Vellomar.exe"},
        {L"C:\\" + CString(L'x', 37), L"C:\\" + CString(L'x', 37)},
        {L"C:\\VellomarLongFolderName00\\VellomarLongFolderName01\\resource\\templates\\todo.txt",
         L"C:\\VellomarLongFolderName00\\...\\todo.txt"},
        {L"C:\\VellomarLongFolderName00\\VellomarLongFolderName01\\", L"C:\\Vellomar...\\VellomarLongFolderName01\\"},
        // Wide glyphs take two widths.
        {L"C:\\我的软件\\笔记应用程序目录\\资源文件\\模板\\说明.txt", L"C:\\我的软件\\笔记应用程序目录...\\说明.txt"},
        // A name too long to keep whole keeps its end, the extension.
        {L"C:\\a\\" + CString(L'n', 50) + L".ini", L"C:\\a\\" + CString(L'n', 13) + L"..." + CString(L'n', 15) + L".ini"},
        {L"", L""},
    };
    for (const auto& c : cases) {
        const CString strShown = CompactPath(c.strPath);
        EXPECT_EQ(c.strShown.str(), strShown.str()) << CStringA(c.strPath).GetString();
        EXPECT_LE(GetPathTextWidth(strShown), static_cast<int>(FAILURE_PATH_MAX_CHARS));
    }
    // Never half of a surrogate pair at the cut.
    const CString strEmoji = L"C:\\" + CString(L"\U0001F4DD\U0001F4DD\U0001F4DD\U0001F4DD\U0001F4DD\U0001F4DD") +
                             CString(L"\U0001F4DD\U0001F4DD\U0001F4DD\U0001F4DD") + L"\\" + CString(L'n', 40) + L".txt";
    const CString strShown = CompactPath(strEmoji);
    for (int i = 0; i < strShown.GetLength(); ++i) {
        if (IS_HIGH_SURROGATE(strShown[i])) {
            EXPECT_TRUE(i + 1 < strShown.GetLength() && IS_LOW_SURROGATE(strShown[i + 1])) << "at " << i;
        } else if (IS_LOW_SURROGATE(strShown[i])) {
            EXPECT_TRUE(i > 0 && IS_HIGH_SURROGATE(strShown[i - 1])) << "at " << i;
        }
    }
}

TEST(FailureText, ForeignFolderQuestionNamesTheFolder)
{
    const CString strText = GetForeignFolderQuestion(L"C:\\Tools\\");
    EXPECT_GE(strText.Find(L"\r\nC:\\Tools\\\r\n"), 0) << CStringA(strText).GetString();
    EXPECT_GE(strText.Find(L"是否继续"), 0);
}

TEST(MessageBoxLayout, CrLfMessagesGetTheWideColumn)
{
    const MessageBoxLayout question = GetMessageBoxLayout(L"\n您确定要停止安装Vellomar吗？");
    EXPECT_EQ(20, question.ptIcon.x);
    EXPECT_EQ(60, question.ptIcon.y);
    EXPECT_EQ(80, question.nTextLeft);

    const MessageBoxLayout guard = GetMessageBoxLayout(L"检测到Vellomar正在运行\r\n\r\n请退出");
    EXPECT_EQ(10, guard.ptIcon.x);
    EXPECT_EQ(60, guard.ptIcon.y);
    EXPECT_EQ(60, guard.nTextLeft);
}

// Drains the callback with requests of nAsk bytes; returns the sizes handed out.
std::vector<LONG> Drain(LONG nAsk, std::string& strOut)
{
    std::vector<LONG> sizes;
    std::vector<BYTE> buf(static_cast<size_t>(nAsk));
    for (int i = 0; i < 100; ++i) {
        LONG nGot = -1;
        EXPECT_EQ(0u, AgreementStreamCallback(0, buf.data(), nAsk, &nGot));
        sizes.push_back(nGot);
        strOut.append(reinterpret_cast<const char*>(buf.data()), static_cast<size_t>(nGot));
        if (nGot == 0)
            break;
    }
    return sizes;
}

TEST(AgreementText, CallbackHandsOutTheRestThenNothing)
{
    const char szText[] = "{\\rtf1 0123456789}";
    ASSERT_TRUE(SetAgreementText(szText, sizeof(szText) - 1));
    std::string strOut;
    EXPECT_EQ((std::vector<LONG>{8, 8, 2, 0}), Drain(8, strOut));
    EXPECT_EQ(std::string(szText), strOut);
}

TEST(AgreementText, TextLargerThanTheBufferIsReadWhole)
{
    std::string strBig(AGREEMENT_BUF_SIZE * 2 + 7, 'x');
    ASSERT_TRUE(SetAgreementText(strBig.data(), static_cast<DWORD>(strBig.size())));
    EXPECT_EQ(strBig.size(), g_nAgreementSize);
    std::string strOut;
    Drain(4096, strOut);
    EXPECT_EQ(strBig, strOut);
}

TEST(AgreementText, ShippedResourceIsGbkRtfThatARichEditReads)
{
    DWORD nSize = 0;
    const char* pData = static_cast<const char*>(LoadResourceBytes(MAKEINTRESOURCEW(IDR_AGREEMENT_RTF), L"RTF", &nSize));
    ASSERT_NE(nullptr, pData);
    EXPECT_LE(nSize, AGREEMENT_BUF_SIZE);
    const std::string strRtf(pData, nSize);
    EXPECT_EQ(0u, strRtf.find("{\\rtf1\\ansi\\ansicpg936"));

    ASSERT_NE(nullptr, ::LoadLibraryW(L"riched20.dll"));
    HWND hRich = ::CreateWindowExW(0, L"RichEdit20W", L"", ES_MULTILINE | ES_READONLY, 0, 0, 380, 120,
                                   nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, hRich);
    ASSERT_TRUE(SetAgreementText(pData, nSize));
    EDITSTREAM es = {};
    es.pfnCallback = AgreementStreamCallback;
    ::SendMessageW(hRich, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&es));
    EXPECT_EQ(0u, es.dwError);

    std::wstring strText(static_cast<size_t>(::GetWindowTextLengthW(hRich)) + 1, L'\0');
    strText.resize(static_cast<size_t>(::GetWindowTextW(hRich, &strText[0], static_cast<int>(strText.size()))));
    EXPECT_EQ(0u, strText.find(L"Vellomar软件许可协议")) << "text begins: " << CStringA(strText.substr(0, 40).c_str()).GetString();
    EXPECT_NE(std::wstring::npos, strText.find(L"九、其他"));
    ::DestroyWindow(hRich);
}

}  // namespace
