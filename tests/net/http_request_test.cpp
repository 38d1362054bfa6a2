// One request on the wire: what the server receives, and what the request
// makes of the answer. Every case runs against the test's own server on
// 127.0.0.1.
#include "tests/net/test_http_server.h"   // winsock2.h before windows.h
#include "net/http_request_manager.h"
#include "tests/net/recording_manager.h"
#include <gtest/gtest.h>

namespace {

constexpr DWORD WAIT_LIMIT = 15000;

std::string Answer(const std::string& strBody, const std::string& strExtra = "")
{
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(strBody.size()) +
           "\r\nConnection: close\r\n" + strExtra + "\r\n" + strBody;
}

std::wstring Wide(const std::string& str)
{
    return std::wstring(str.begin(), str.end());
}

CHttpRequestParam Param(const CTestHttpServer& server, const std::string& strPath)
{
    CHttpRequestParam param;
    param.m_strUrl = Wide(server.Url(strPath));
    param.m_nPort = server.GetPort();
    return param;
}

// Adds the request and runs the message loop until it completed or timed out.
int RunToEnd(CRecordingManager& manager, const CHttpRequestParam& param)
{
    const int nId = manager.AddRequest(param);
    const bool bEnded = PumpUntil([&] {
        const std::string strKinds = manager.KindsOf(nId);
        return strKinds.find_first_of("CT") != std::string::npos;
    }, WAIT_LIMIT);
    EXPECT_TRUE(bEnded) << "request " << nId << " never ended";
    return nId;
}

std::string Pattern(size_t cb)
{
    std::string str(cb, '\0');
    for (size_t i = 0; i < cb; ++i)
        str[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return str;
}

} // namespace

TEST(HttpRequest, VerbFollowsMethod)
{
    struct { int nMethod; const char* pszVerb; } cases[] = {
        {0, "GET"}, {1, "POST"}, {2, "POST"}, {3, "DELETE"}, {4, "GET"}, {-1, "GET"},
    };
    CTestHttpServer server({Answer("")});
    ASSERT_TRUE(server.IsListening());
    CRecordingManager manager;
    for (const auto& c : cases) {
        CHttpRequestParam param = Param(server, "/verb" + std::to_string(c.nMethod));
        param.m_nMethod = c.nMethod;
        RunToEnd(manager, param);
    }
    const std::vector<CRecordedRequest> requests = server.Requests();
    ASSERT_EQ(sizeof(cases) / sizeof(cases[0]), requests.size());
    for (const auto& c : cases) {
        const std::string strPath = "/verb" + std::to_string(c.nMethod);
        auto it = std::find_if(requests.begin(), requests.end(),
                               [&](const CRecordedRequest& r) { return r.m_strPath == strPath; });
        ASSERT_NE(requests.end(), it) << "no request for method " << c.nMethod;
        EXPECT_EQ(c.pszVerb, it->m_strMethod) << "method " << c.nMethod;
    }
}

TEST(HttpRequest, BodyArrivesByteForByteAndEmptyBodyAsNone)
{
    CTestHttpServer server({Answer("")});
    ASSERT_TRUE(server.IsListening());
    CRecordingManager manager;

    // Zero bytes, high bytes and more than one read chunk: no conversion.
    CHttpRequestParam full = Param(server, "/full");
    full.m_nMethod = 1;
    full.m_strBody = Pattern(20000);
    RunToEnd(manager, full);

    CHttpRequestParam empty = Param(server, "/empty");
    empty.m_nMethod = 1;
    RunToEnd(manager, empty);

    const std::vector<CRecordedRequest> requests = server.Requests();
    ASSERT_EQ(2u, requests.size());
    EXPECT_EQ("/full", requests[0].m_strPath);
    EXPECT_TRUE(requests[0].m_strBody == full.m_strBody) << "body differs; got " << requests[0].m_strBody.size() << " bytes";
    EXPECT_EQ("/empty", requests[1].m_strPath);
    EXPECT_EQ("", requests[1].m_strBody);
    for (const std::string& strLength : requests[1].HeaderValues("Content-Length"))
        EXPECT_EQ("0", strLength);
}

TEST(HttpRequest, RangeLineFollowsCallersHeaders)
{
    CTestHttpServer server({Answer("")});
    ASSERT_TRUE(server.IsListening());
    CRecordingManager manager;
    CHttpRequestParam ranged = Param(server, "/ranged");
    ranged.m_strHeaders = L"X-First: one\r\nX-Second: two\r\n";
    ranged.m_nRangeStart = 1000;
    RunToEnd(manager, ranged);
    CHttpRequestParam plain = Param(server, "/plain");
    plain.m_strHeaders = L"X-First: one\r\n";
    RunToEnd(manager, plain);

    const std::vector<CRecordedRequest> requests = server.Requests();
    ASSERT_EQ(2u, requests.size());
    const std::string& strHeaders = requests[0].m_strHeaders;
    const size_t nSecond = strHeaders.find("X-Second: two\r\n");
    const size_t nRange = strHeaders.find("Range: bytes=1000-\r\n");
    ASSERT_NE(std::string::npos, nSecond) << strHeaders;
    ASSERT_NE(std::string::npos, nRange) << strHeaders;
    EXPECT_LT(nSecond, nRange) << "the Range line must come after the caller's headers:\n" << strHeaders;
    EXPECT_EQ(1u, requests[1].HeaderValues("X-First").size());
    EXPECT_TRUE(requests[1].HeaderValues("Range").empty()) << "range 0 sent a Range line";
}

TEST(HttpRequest, DecimalTextOfEveryRange)
{
    const struct { int n; const wchar_t* pszText; } cases[] = {
        {0, L"0"}, {7, L"7"}, {1000, L"1000"}, {-12, L"-12"},
        {2147483647, L"2147483647"}, {-2147483647 - 1, L"-2147483648"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.pszText, DecimalText(c.n)) << "for " << c.n;
}

TEST(HttpRequest, PortComesFromParamNotFromUrl)
{
    CTestHttpServer server({Answer("ok")});
    ASSERT_TRUE(server.IsListening());
    CRecordingManager manager;
    CHttpRequestParam param;
    param.m_strUrl = L"http://127.0.0.1:1/explicit";   // nothing would answer on 1
    param.m_nPort = server.GetPort();
    const int nId = RunToEnd(manager, param);
    ASSERT_EQ(1u, server.Requests().size());
    EXPECT_EQ("/explicit", server.Requests()[0].m_strPath);
    ASSERT_NE(nullptr, manager.Find(nId, 'C'));
    EXPECT_EQ(200, manager.Find(nId, 'C')->m_response.m_nStatusCode);
}

TEST(HttpRequest, HttpsSelectsPort443AndSecureFlag)
{
    // No TLS server: 127.0.0.1:443 refuses, which is enough to see the choices.
    CRecordingManager manager;
    CHttpRequestParam param;
    param.m_strUrl = L"https://127.0.0.1:8443/secure";
    const int nId = manager.AddRequest(param);
    ASSERT_TRUE(PumpUntil([&] { return manager.KindsOf(nId).find('C') != std::string::npos; }, WAIT_LIMIT));
    const CNotification* pDone = manager.Find(nId, 'C');
    ASSERT_NE(nullptr, pDone);
    EXPECT_EQ(HTTP_DEFAULT_FLAGS | INTERNET_FLAG_SECURE, pDone->m_dwFlags);
    EXPECT_EQ(0, pDone->m_response.m_nStatusCode);

    // The choices themselves, on requests that nobody drives further.
    CHttpRequest request(1, NULL, param, 80);
    EXPECT_EQ(INTERNET_SCHEME_HTTPS, request.GetScheme());
    EXPECT_EQ(L"127.0.0.1", request.GetHost());
    EXPECT_EQ(L"/secure", request.GetPath());
    EXPECT_EQ(HTTPS_PORT, request.GetConnectPort());
    param.m_strUrl = L"http://127.0.0.1:8443/plain";
    CHttpRequest plain(2, NULL, param, 8080);
    EXPECT_EQ(8080, plain.GetConnectPort());
    PumpUntil([&] { return !request.HasRunningThread() && !plain.HasRunningThread(); }, WAIT_LIMIT);
}

TEST(HttpRequest, ResponseHeadersAreParsed)
{
    const std::string strPlain = "HTTP/1.1 203 Non-Authoritative Information\r\nContent-Length: 5\r\n"
                                 "Last-Modified: Wed, 21 Oct 2015 07:28:00 GMT\r\nServer: TestSrv/1.0\r\n"
                                 "Connection: close\r\n\r\nhello";
    const std::string strChunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
                                   "5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n";
    struct { const std::string* pAnswer; int nStatus; int nLength; const wchar_t* pszModified;
             const wchar_t* pszServer; const char* pszBody; } cases[] = {
        {&strPlain, 203, 5, L"Wed, 21 Oct 2015 07:28:00 GMT", L"TestSrv/1.0", "hello"},
        {&strChunked, 200, 0, L"", L"", "hello world"},
    };
    for (const auto& c : cases) {
        CTestHttpServer server({*c.pAnswer});
        ASSERT_TRUE(server.IsListening());
        CRecordingManager manager;
        const int nId = RunToEnd(manager, Param(server, "/headers"));
        EXPECT_EQ("HC", manager.KindsOf(nId));
        const CNotification* pHeaders = manager.Find(nId, 'H');
        const CNotification* pDone = manager.Find(nId, 'C');
        ASSERT_TRUE(pHeaders != nullptr && pDone != nullptr);
        EXPECT_EQ(c.nStatus, pHeaders->m_response.m_nStatusCode);
        EXPECT_EQ(c.nLength, pHeaders->m_response.m_nContentLength);
        EXPECT_EQ(c.pszModified, pHeaders->m_response.m_strLastModified);
        EXPECT_EQ(c.pszServer, pHeaders->m_response.m_strServer);
        EXPECT_NE(nullptr, pHeaders->m_response.m_hRequest);
        EXPECT_EQ(c.pszBody, pDone->m_strBody);
        EXPECT_TRUE(pDone->m_response.m_bReadOk);
    }
}

// A body read to its end, and one whose connection is reset part way: what
// arrived stays, and m_bReadOk tells the two apart.
TEST(HttpRequest, BodyEndsReadOkOrCutShort)
{
    const std::string strFull = Pattern(100000);
    // Whole read chunks before the reset: a read cut short by it fails and
    // returns nothing of what it had gathered.
    const std::string strPart = Pattern(2 * HTTP_READ_CHUNK);
    CServerScript full;
    full.m_strResponse = Answer(strFull);
    CServerScript cut;
    cut.m_strResponse = "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\nConnection: close\r\n\r\n" + strPart;
    cut.m_bResetAfter = true;
    cut.m_dwHold = 500;   // the client takes in what came before the reset
    struct { const char* pszCase; const CServerScript* pScript; BOOL bReadOk; const std::string* pBody; } cases[] = {
        {"read to its end", &full, TRUE, &strFull},
        {"reset mid-body", &cut, FALSE, &strPart},
    };
    for (const auto& c : cases) {
        CTestHttpServer server(*c.pScript);
        ASSERT_TRUE(server.IsListening());
        CRecordingManager manager;
        const int nId = RunToEnd(manager, Param(server, "/body"));
        const CNotification* pDone = manager.Find(nId, 'C');
        ASSERT_NE(nullptr, pDone) << c.pszCase;
        EXPECT_EQ(c.bReadOk, pDone->m_response.m_bReadOk) << c.pszCase;
        EXPECT_EQ(100000, pDone->m_response.m_nContentLength) << c.pszCase;
        EXPECT_EQ(static_cast<LONG>(c.pBody->size()), pDone->m_nReceived) << c.pszCase;
        EXPECT_TRUE(pDone->m_strBody == *c.pBody) << c.pszCase << ": got " << pDone->m_strBody.size() << " bytes";
    }
}

// A server that sends far more than anyone asked for: the body is read to its
// end, counted whole, and kept only up to the limit.
TEST(HttpRequest, BodyBeyondTheKeepLimitIsReadToItsEndAndKeptOnlyToTheLimit)
{
    const std::string strHuge = Pattern(4 * HTTP_BODY_KEEP_LIMIT + 123);
    CTestHttpServer server({Answer(strHuge)});
    ASSERT_TRUE(server.IsListening());
    CRecordingManager manager;
    const int nId = RunToEnd(manager, Param(server, "/huge"));
    const CNotification* pDone = manager.Find(nId, 'C');
    ASSERT_NE(nullptr, pDone);
    EXPECT_TRUE(pDone->m_response.m_bReadOk);
    EXPECT_EQ(static_cast<LONG>(strHuge.size()), pDone->m_nReceived);
    ASSERT_EQ(HTTP_BODY_KEEP_LIMIT, pDone->m_strBody.size());
    EXPECT_TRUE(pDone->m_strBody == strHuge.substr(0, HTTP_BODY_KEEP_LIMIT)) << "the kept bytes are not the first ones";
}

TEST(HttpRequest, NothingListeningStillRunsEveryEvent)
{
    CHttpRequestParam param;
    const int nPort = FindClosedPort();
    param.m_strUrl = L"http://127.0.0.1/closed";
    param.m_nPort = nPort;
    CRecordingManager manager;
    const int nId = RunToEnd(manager, param);
    EXPECT_EQ("HC", manager.KindsOf(nId));
    const CNotification* pDone = manager.Find(nId, 'C');
    ASSERT_NE(nullptr, pDone);
    EXPECT_EQ(0, pDone->m_response.m_nStatusCode);
    EXPECT_FALSE(pDone->m_response.m_bReadOk);
    EXPECT_EQ(0, pDone->m_nReceived);
}
