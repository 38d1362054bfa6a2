// The install report: its header line, the version code, the adapter address
// through scripted NetBIOS adapters, and the request as the server sees it.
#include "tests/net/test_http_server.h"   // winsock2.h before windows.h
#include "net/install_report.h"
#include "tests/net/recording_manager.h"
#include "build_config.h"
#include <gtest/gtest.h>
#include <cstring>

namespace {

// An install directory (ending with a backslash) that goes away afterwards.
class CTempInstallDir
{
public:
    CTempInstallDir()
    {
        wchar_t szTemp[MAX_PATH];
        GetTempPathW(MAX_PATH, szTemp);
        m_strDir = std::wstring(szTemp) + L"vl_report_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                   std::to_wstring(s_nNext++) + L"\\";
        CreateDirectoryW(m_strDir.c_str(), NULL);
        CreateDirectoryW((m_strDir + L"config").c_str(), NULL);
    }
    ~CTempInstallDir()
    {
        DeleteFileW((m_strDir + VERSION_INI_FILE).c_str());
        RemoveDirectoryW((m_strDir + L"config").c_str());
        RemoveDirectoryW(m_strDir.c_str());
    }
    void WriteVersionIni(const char* pszText)
    {
        HANDLE hFile = CreateFileW((m_strDir + VERSION_INI_FILE).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, hFile);
        DWORD cbWritten = 0;
        WriteFile(hFile, pszText, static_cast<DWORD>(strlen(pszText)), &cbWritten, NULL);
        CloseHandle(hFile);
    }
    const std::wstring& Dir() const { return m_strDir; }

private:
    std::wstring m_strDir;
    static int s_nNext;
};
int CTempInstallDir::s_nNext = 0;

// Scripted NetBIOS: the LANA list, which resets succeed, and the status
// answer; every call is written down.
struct CFakeNetbios
{
    struct CCall { UCHAR nCommand; UCHAR nLana; WORD cbBuffer; UCHAR abCallName[NCBNAMSZ]; };

    bool m_bEnumOk = true;
    std::vector<UCHAR> m_vecLanas;
    std::vector<UCHAR> m_vecResettable;
    bool m_bStatusOk = true;
    UCHAR m_abAddress[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    std::vector<CCall> m_vecCalls;

    UCHAR operator()(PNCB pNcb)
    {
        CCall call = {pNcb->ncb_command, pNcb->ncb_lana_num, pNcb->ncb_length, {}};
        memcpy(call.abCallName, pNcb->ncb_callname, NCBNAMSZ);
        m_vecCalls.push_back(call);
        switch (pNcb->ncb_command) {
        case NCBENUM: {
            if (!m_bEnumOk)
                return NRC_SYSTEM;
            LANA_ENUM* pEnum = reinterpret_cast<LANA_ENUM*>(pNcb->ncb_buffer);
            pEnum->length = static_cast<UCHAR>(m_vecLanas.size());
            std::copy(m_vecLanas.begin(), m_vecLanas.end(), pEnum->lana);
            return NRC_GOODRET;
        }
        case NCBRESET:
            return std::find(m_vecResettable.begin(), m_vecResettable.end(), pNcb->ncb_lana_num) !=
                           m_vecResettable.end() ? NRC_GOODRET : NRC_BRIDGE;
        case NCBASTAT:
            if (!m_bStatusOk)
                return NRC_BRIDGE;
            memcpy(reinterpret_cast<ADAPTER_STATUS*>(pNcb->ncb_buffer)->adapter_address, m_abAddress, 6);
            return NRC_GOODRET;
        default:
            return NRC_ILLCMD;
        }
    }

    std::string Commands() const
    {
        std::string str;
        for (const CCall& call : m_vecCalls) {
            str += call.nCommand == NCBENUM ? "E" : call.nCommand == NCBRESET ? "R" : call.nCommand == NCBASTAT ? "S" : "?";
            if (call.nCommand != NCBENUM)
                str += std::to_string(call.nLana);
        }
        return str;
    }
};

std::wstring MacFrom(CFakeNetbios& fake)
{
    return GetMacAddress([&fake](PNCB pNcb) { return fake(pNcb); });
}

} // namespace

TEST(InstallReport, CollectDataHeaderLine)
{
    struct { unsigned nVer; const wchar_t* pszMac; const wchar_t* pszLine; } cases[] = {
        {42, L"001A2B3C4D5E", L"Collect-Data: 1.1.42/win-pc///win-pc////pc-001A2B3C4D5E/\r\n"},
        {0, L"", L"Collect-Data: 1.1.0/win-pc///win-pc////pc-/\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.pszLine, FormatCollectDataHeader(c.nVer, c.pszMac));
}

TEST(InstallReport, MacAddressIsTwelveUpperCaseHexDigits)
{
    const UCHAR abFirst[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    const UCHAR abSecond[6] = {0xAB, 0xCD, 0xEF, 0x01, 0x02, 0xFF};
    EXPECT_EQ(L"001A2B3C4D5E", FormatMacAddress(abFirst));
    EXPECT_EQ(L"ABCDEF0102FF", FormatMacAddress(abSecond));
}

TEST(InstallReport, MacAddressFromScriptedAdapters)
{
    struct {
        const char* pszCase; bool bEnumOk; std::vector<UCHAR> vecLanas; std::vector<UCHAR> vecResettable;
        bool bStatusOk; const wchar_t* pszMac; const char* pszCommands;
    } cases[] = {
        {"enumeration fails", false, {}, {}, true, L"", "E"},
        {"first resets", true, {3, 5}, {3, 5}, true, L"001A2B3C4D5E", "ER3S3"},
        {"second resets, status still asks the first", true, {3, 5}, {5}, true, L"001A2B3C4D5E", "ER3R5S3"},
        {"no reset succeeds", true, {3, 5}, {}, true, L"", "ER3R5"},
        {"empty list asks LANA 0", true, {}, {}, true, L"001A2B3C4D5E", "ES0"},
        {"status fails", true, {2}, {2}, false, L"", "ER2S2"},
    };
    for (const auto& c : cases) {
        CFakeNetbios fake;
        fake.m_bEnumOk = c.bEnumOk;
        fake.m_vecLanas = c.vecLanas;
        fake.m_vecResettable = c.vecResettable;
        fake.m_bStatusOk = c.bStatusOk;
        EXPECT_EQ(c.pszMac, MacFrom(fake)) << c.pszCase;
        EXPECT_EQ(c.pszCommands, fake.Commands()) << c.pszCase;
        for (const CFakeNetbios::CCall& call : fake.m_vecCalls) {
            if (call.nCommand != NCBASTAT)
                continue;
            // Room for the adapter status and 30 names; the name "*" asks this machine.
            EXPECT_EQ(sizeof(ADAPTER_STATUS) + 30 * sizeof(NAME_BUFFER), call.cbBuffer) << c.pszCase;
            const UCHAR abStar[NCBNAMSZ] = {'*'};
            EXPECT_EQ(0, memcmp(abStar, call.abCallName, NCBNAMSZ)) << c.pszCase;
        }
    }
}

TEST(InstallReport, VersionCodeFromInstalledVersionIni)
{
    struct { const char* pszIni; unsigned nVer; } cases[] = {
        {"[VERSION]\r\nAppVerCode=42\r\n", 42},
        {"[VERSION]\r\nAppName=Vellomar\r\n", 0},
        {"[OTHER]\r\nAppVerCode=42\r\n", 0},
    };
    for (const auto& c : cases) {
        CTempInstallDir dir;
        dir.WriteVersionIni(c.pszIni);
        EXPECT_EQ(c.nVer, GetAppVerCode(dir.Dir())) << c.pszIni;
    }
    CTempInstallDir empty;
    EXPECT_EQ(0u, GetAppVerCode(empty.Dir()));
}

TEST(InstallReport, NoVersionFileAndNoAdapter)
{
    CTempInstallDir dir;
    CFakeNetbios fake;
    fake.m_bEnumOk = false;
    EXPECT_EQ(L"Collect-Data: 1.1.0/win-pc///win-pc////pc-/\r\n",
              FormatCollectDataHeader(GetAppVerCode(dir.Dir()), MacFrom(fake)));
}

TEST(InstallReport, RequestDescription)
{
    const CHttpRequestParam param = BuildInstallReport(42, L"001A2B3C4D5E");
    const CHttpRequestParam defaults;
    const std::string strUrl = std::string("http://") + VL_COLLECT_HOST + "/vellomar/v1/collect/device";
    EXPECT_EQ(std::wstring(strUrl.begin(), strUrl.end()), param.m_strUrl);
    EXPECT_EQ(strUrl, GetInstallReportUrl());
    EXPECT_EQ(80, param.m_nPort);
    EXPECT_EQ(1, param.m_nMethod);
    EXPECT_EQ(L"Collect-Data: 1.1.42/win-pc///win-pc////pc-001A2B3C4D5E/\r\n", param.m_strHeaders);
    EXPECT_EQ(9u, param.m_strBody.size());
    EXPECT_EQ("{\"opt\":0}", param.m_strBody);
    EXPECT_EQ(defaults.m_strUserAgent, param.m_strUserAgent);
    EXPECT_EQ(HTTP_DEFAULT_FLAGS, param.m_dwFlags);
    EXPECT_EQ(0, param.m_nTimeout);
    EXPECT_EQ(0, param.m_nRangeStart);
    EXPECT_TRUE(param.m_strProxyHost.empty());
}

TEST(InstallReport, ServerReceivesTheReport)
{
    // The report goes where the build says; only a build aimed at this
    // machine may send it.
    const std::string strHost = VL_COLLECT_HOST;
    if (strHost != "127.0.0.1")
        GTEST_SKIP() << "built to report to " << strHost << ", not to this machine";

    CServerScript script;
    script.m_strResponse = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok";
    // Port 80 is shared with the installer's end-to-end test: wait our turn.
    CTestHttpServer server(script, INSTALL_REPORT_PORT, 60000);
    ASSERT_TRUE(server.IsListening()) << "port 80 stayed busy";

    CTempInstallDir dir;
    dir.WriteVersionIni("[VERSION]\r\nAppVerCode=7\r\n");
    CRecordingManager manager;
    const int nId = QueueInstallReport(manager, dir.Dir());
    ASSERT_TRUE(PumpUntil([&] { return manager.KindsOf(nId).find('C') != std::string::npos; }, 15000));

    const std::vector<CRecordedRequest> requests = server.Requests();
    ASSERT_EQ(1u, requests.size());
    const CRecordedRequest& request = requests[0];
    EXPECT_EQ("POST", request.m_strMethod);
    EXPECT_EQ(INSTALL_REPORT_PATH, request.m_strPath);
    const std::wstring strMac = GetMacAddress();
    const std::vector<std::string> vecCollect = request.HeaderValues("Collect-Data");
    ASSERT_EQ(1u, vecCollect.size()) << request.m_strHeaders;
    EXPECT_EQ("1.1.7/win-pc///win-pc////pc-" + std::string(strMac.begin(), strMac.end()) + "/", vecCollect[0]);
    EXPECT_TRUE(request.HeaderValues("Content-Type").empty()) << request.m_strHeaders;
    EXPECT_EQ(9u, request.m_strBody.size());
    EXPECT_EQ("{\"opt\":0}", request.m_strBody);
}
