// test_http_server.cpp: the scripted HTTP server and the message pump of the net tests.
#include "tests/net/test_http_server.h"
#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace {

std::string Lower(std::string str)
{
    std::transform(str.begin(), str.end(), str.begin(), [](unsigned char ch) { return static_cast<char>(tolower(ch)); });
    return str;
}

// Reads one request: the header block, then as many body bytes as
// Content-Length says. False when the peer went away first.
bool ReadRequest(SOCKET sock, CRecordedRequest& request)
{
    std::string strData;
    size_t nHeaderEnd;
    char buf[4096];
    while ((nHeaderEnd = strData.find("\r\n\r\n")) == std::string::npos) {
        int cb = recv(sock, buf, sizeof(buf), 0);
        if (cb <= 0)
            return false;
        strData.append(buf, cb);
    }
    const std::string strHead = strData.substr(0, nHeaderEnd + 2);
    const size_t nLineEnd = strHead.find("\r\n");
    const std::string strLine = strHead.substr(0, nLineEnd);
    const size_t nSpace1 = strLine.find(' ');
    const size_t nSpace2 = strLine.find(' ', nSpace1 + 1);
    request.m_strMethod = strLine.substr(0, nSpace1);
    request.m_strPath = strLine.substr(nSpace1 + 1, nSpace2 - nSpace1 - 1);
    request.m_strHeaders = strHead.substr(nLineEnd + 2);
    request.m_strBody = strData.substr(nHeaderEnd + 4);
    std::vector<std::string> vecLength = request.HeaderValues("Content-Length");
    const size_t cbBody = vecLength.empty() ? 0 : strtoul(vecLength[0].c_str(), NULL, 10);
    while (request.m_strBody.size() < cbBody) {
        int cb = recv(sock, buf, sizeof(buf), 0);
        if (cb <= 0)
            return false;
        request.m_strBody.append(buf, cb);
    }
    return true;
}

bool SendAll(SOCKET sock, const std::string& str)
{
    size_t nSent = 0;
    while (nSent < str.size()) {
        int cb = send(sock, str.data() + nSent, static_cast<int>(str.size() - nSent), 0);
        if (cb <= 0)
            return false;
        nSent += cb;
    }
    return true;
}

// A reset instead of a FIN: the client's read fails, and no TIME_WAIT stays
// behind on our side of a fixed port.
void ResetConnection(SOCKET sock)
{
    linger lin = {1, 0};
    setsockopt(sock, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&lin), sizeof(lin));
    closesocket(sock);
}

} // namespace

std::vector<std::string> CRecordedRequest::HeaderValues(const std::string& strName) const
{
    std::vector<std::string> vecValues;
    const std::string strKey = Lower(strName) + ":";
    size_t nPos = 0;
    while (nPos < m_strHeaders.size()) {
        size_t nEnd = m_strHeaders.find("\r\n", nPos);
        if (nEnd == std::string::npos)
            nEnd = m_strHeaders.size();
        const std::string strLine = m_strHeaders.substr(nPos, nEnd - nPos);
        if (Lower(strLine.substr(0, strKey.size())) == strKey) {
            size_t nValue = strKey.size();
            while (nValue < strLine.size() && strLine[nValue] == ' ')
                ++nValue;
            vecValues.push_back(strLine.substr(nValue));
        }
        nPos = nEnd + 2;
    }
    return vecValues;
}

CTestHttpServer::CTestHttpServer(const CServerScript& script, int nPort, DWORD dwBindPatience)
    : m_script(script), m_sockListen(INVALID_SOCKET), m_nPort(0),
      m_hStop(CreateEventW(NULL, TRUE, FALSE, NULL)), m_hRelease(CreateEventW(NULL, TRUE, FALSE, NULL)),
      m_nAccepted(0)
{
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    const DWORD dwStart = GetTickCount();
    for (;;) {
        SOCKET sock = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in addr = {};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(static_cast<u_short>(nPort));
        if (bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0 && listen(sock, SOMAXCONN) == 0) {
            int cbAddr = sizeof(addr);
            getsockname(sock, reinterpret_cast<sockaddr*>(&addr), &cbAddr);
            m_nPort = ntohs(addr.sin_port);
            m_sockListen = sock;
            break;
        }
        closesocket(sock);
        // Another test on this machine may hold a fixed port for a moment.
        if (GetTickCount() - dwStart >= dwBindPatience)
            return;
        Sleep(250);
    }
    m_threadAccept = std::thread(&CTestHttpServer::AcceptLoop, this);
}

CTestHttpServer::~CTestHttpServer()
{
    SetEvent(m_hStop);
    if (m_threadAccept.joinable())
        m_threadAccept.join();
    if (m_sockListen != INVALID_SOCKET) {
        closesocket(m_sockListen);
        m_sockListen = INVALID_SOCKET;
    }
    for (std::thread& thread : m_vecThreads)
        thread.join();
    CloseHandle(m_hRelease);
    CloseHandle(m_hStop);
    WSACleanup();
}

std::string CTestHttpServer::Url(const std::string& strPath) const
{
    return "http://127.0.0.1:" + std::to_string(m_nPort) + strPath;
}

std::vector<CRecordedRequest> CTestHttpServer::Requests()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_vecRequests;
}

size_t CTestHttpServer::AcceptedCount()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nAccepted;
}

void CTestHttpServer::Release()
{
    SetEvent(m_hRelease);
}

bool CTestHttpServer::WaitStop(DWORD dwMs) const
{
    return WaitForSingleObject(m_hStop, dwMs) == WAIT_OBJECT_0;
}

void CTestHttpServer::AcceptLoop()
{
    // Polls instead of blocking in accept, so that the end never depends on
    // closing a socket under a blocked call.
    while (!WaitStop(0)) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(m_sockListen, &set);
        timeval tv = {0, 20 * 1000};
        if (select(0, &set, NULL, NULL, &tv) <= 0)
            continue;
        SOCKET sock = accept(m_sockListen, NULL, NULL);
        if (sock == INVALID_SOCKET)
            continue;
        // A client that never sends must not keep a server thread forever.
        DWORD dwTimeout = 10000;
        setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&dwTimeout), sizeof(dwTimeout));
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_nAccepted;
        m_vecThreads.emplace_back(&CTestHttpServer::Serve, this, sock);
    }
}

void CTestHttpServer::Serve(SOCKET sock)
{
    CRecordedRequest request;
    if (!ReadRequest(sock, request)) {
        closesocket(sock);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_vecRequests.push_back(request);
    }
    const HANDLE ahEnd[] = {m_hStop, m_hRelease};
    if (m_script.m_bNeverAnswer) {
        WaitForMultipleObjects(2, ahEnd, FALSE, INFINITE);
        ResetConnection(sock);
        return;
    }
    if (m_script.m_dwDelay != 0 && WaitStop(m_script.m_dwDelay)) {
        ResetConnection(sock);
        return;
    }
    SendAll(sock, m_script.m_strResponse);
    if (m_script.m_bResetAfter) {
        WaitStop(m_script.m_dwHold);
        ResetConnection(sock);
        return;
    }
    if (m_script.m_bHoldAfter) {
        WaitForMultipleObjects(2, ahEnd, FALSE, INFINITE);
        ResetConnection(sock);
        return;
    }
    // Let the client close first (the answers say Connection: close); a
    // client that keeps the connection gets a reset after two seconds.
    const DWORD dwStart = GetTickCount();
    char buf[512];
    while (GetTickCount() - dwStart < 2000) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(sock, &set);
        timeval tv = {0, 100 * 1000};
        int n = select(0, &set, NULL, NULL, &tv);
        if (n > 0 && recv(sock, buf, sizeof(buf), 0) <= 0) {
            closesocket(sock);
            return;
        }
        if (n < 0 || WaitStop(0))
            break;
    }
    ResetConnection(sock);
}

int FindClosedPort()
{
    CTestHttpServer server(CServerScript{});
    return server.GetPort();
}

