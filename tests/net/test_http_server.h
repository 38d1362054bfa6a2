// test_http_server.h: a small HTTP server on 127.0.0.1, run inside a test.
//
// Each case scripts what the server does with every connection it accepts:
// answer with fixed bytes, answer after a delay, answer part and then reset
// the connection, or never answer. The server records what each request
// carried so that tests can check the wire.
#pragma once
#include <winsock2.h>
#include <windows.h>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/pump.h"   // the tests wait for the manager with PumpUntil

struct CServerScript
{
    std::string m_strResponse;        // bytes sent once the request is in
    DWORD m_dwDelay = 0;              // wait this long before answering
    bool m_bNeverAnswer = false;      // hold the connection until Release or the end
    bool m_bResetAfter = false;       // after the answer, hold m_dwHold ms, then reset
    DWORD m_dwHold = 0;
    bool m_bHoldAfter = false;        // after the answer, hold until Release or the end
};

struct CRecordedRequest
{
    std::string m_strMethod;
    std::string m_strPath;
    std::string m_strHeaders;         // the header lines as sent, after the request line
    std::string m_strBody;

    // Every value of the named header (case-insensitive name).
    std::vector<std::string> HeaderValues(const std::string& strName) const;
};

class CTestHttpServer
{
public:
    // nPort 0 = an ephemeral port. A fixed port that is busy is retried
    // until dwBindPatience ms have passed.
    explicit CTestHttpServer(const CServerScript& script, int nPort = 0, DWORD dwBindPatience = 0);
    ~CTestHttpServer();

    bool IsListening() const { return m_sockListen != INVALID_SOCKET; }
    int GetPort() const { return m_nPort; }
    std::string Url(const std::string& strPath) const;

    std::vector<CRecordedRequest> Requests();
    size_t AcceptedCount();
    // Ends every held connection (never-answer or hold-after).
    void Release();

private:
    void AcceptLoop();
    void Serve(SOCKET sock);
    bool WaitStop(DWORD dwMs) const;   // true when the connection should end now

    CServerScript m_script;
    SOCKET m_sockListen;
    int m_nPort;
    HANDLE m_hStop;                   // set at the end
    HANDLE m_hRelease;                // set by Release
    std::thread m_threadAccept;
    std::mutex m_mutex;
    std::vector<std::thread> m_vecThreads;
    std::vector<CRecordedRequest> m_vecRequests;
    size_t m_nAccepted;
};

// A port on 127.0.0.1 that nothing listens on (bound once, then let go).
int FindClosedPort();

