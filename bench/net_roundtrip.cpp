// Message round-trip of a request manager's thread: how long another thread
// waits for SendMessage to the manager's window to be answered, with no
// requests and while 20 or 60 requests connect, send and wait on a server
// that answers only after 1.5 s. Prints milliseconds.
#include "tests/net/test_http_server.h"   // winsock2.h before windows.h
#include "net/http_request_manager.h"
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

class CCountingManager : public CHttpRequestManager
{
public:
    void OnRequestComplete(CHttpRequest*) override { ++m_nDone; }
    void OnRequestTimeout(CHttpRequest*) override { ++m_nDone; }
    int m_nDone = 0;
};

double Millis(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(freq.QuadPart);
}

void Measure(int nRequests)
{
    CServerScript script;
    script.m_strResponse = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok";
    script.m_dwDelay = 1500;
    CTestHttpServer server(script);
    CCountingManager manager;
    const std::string strUrl = server.Url("/slow");
    for (int i = 0; i < nRequests; ++i) {
        CHttpRequestParam param;
        param.m_strUrl.assign(strUrl.begin(), strUrl.end());
        param.m_nPort = server.GetPort();
        manager.AddRequest(param);
    }
    const HWND hWnd = manager.GetEventWnd();
    std::atomic<bool> bProbeDone(false);
    std::vector<double> vecMs;
    std::thread probe([&] {
        const DWORD dwStart = GetTickCount();
        while (GetTickCount() - dwStart < 1400) {
            LARGE_INTEGER t0, t1;
            QueryPerformanceCounter(&t0);
            DWORD_PTR dwResult = 0;
            SendMessageTimeoutW(hWnd, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &dwResult);
            QueryPerformanceCounter(&t1);
            vecMs.push_back(Millis(t0, t1));
            Sleep(5);
        }
        bProbeDone = true;
    });
    PumpUntil([&] { return bProbeDone && manager.m_nDone == nRequests; }, 60000);
    probe.join();
    std::sort(vecMs.begin(), vecMs.end());
    const size_t n = vecMs.size();
    printf("%2d requests: %zu probes, round-trip median %.3f ms, p95 %.3f ms, max %.3f ms; %d/%d completed\n",
           nRequests, n, vecMs[n / 2], vecMs[n * 95 / 100], vecMs[n - 1], manager.m_nDone, nRequests);
}

} // namespace

int main()
{
    Measure(0);
    Measure(20);
    Measure(60);
    return 0;
}
