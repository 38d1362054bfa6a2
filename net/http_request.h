// http_request.h: one HTTP exchange over WinINet, off the UI thread.
//
// CHttpRequestParam is what a caller fills in; CHttpRequest is created, driven
// and deleted by CHttpRequestManager (http_request_manager.h), never by the
// caller. The request runs WinINet in blocking mode on two short-lived worker
// threads of its own (connect, then send and read) and reports each step to
// the manager's event window with WM_HTTP_EVENT. A listener reads the results
// through the accessors below from inside the manager's notifications.
#pragma once
#include <windows.h>
#include <wininet.h>
#include <atomic>
#include <string>

#include "afx/afxmt.h"
#include "engine/owners.h"

// Sent with SendNotifyMessageW: wParam = request id, lParam = HTTP_EVT_*.
constexpr UINT WM_HTTP_EVENT = WM_APP + 0x30;

constexpr LPARAM HTTP_EVT_CONNECTED = 0;   // InternetConnectW returned (either way)
constexpr LPARAM HTTP_EVT_RESPONSE = 1;    // HttpSendRequestW returned (either way)
constexpr LPARAM HTTP_EVT_FINISHED = 2;    // the body read loop ended

// The request's default open flags: always from the network, never cached.
constexpr DWORD HTTP_DEFAULT_FLAGS = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
constexpr int HTTP_DEFAULT_PORT = 80;
constexpr INTERNET_PORT HTTPS_PORT = 443;
constexpr DWORD HTTP_READ_CHUNK = 8192;
// Body bytes a request keeps; the rest is read to its end (counted in
// GetReceived) and dropped, so a server cannot make the client's memory grow
// with whatever it sends. The install report needs only the status.
constexpr size_t HTTP_BODY_KEEP_LIMIT = 1 << 20;

// The caller's description of one request; the request keeps a copy.
class CHttpRequestParam
{
public:
    CHttpRequestParam();   // takes the system user-agent string

    std::string m_strBody;            // raw bytes; empty = no optional data
    int m_nMethod;                    // 0 GET, 1 POST, 2 POST, 3 DELETE, else GET
    std::wstring m_strUrl;            // absolute URL; its port is never used
    int m_nRangeStart;                // non-zero: ask for the bytes from here on
    std::wstring m_strUserAgent;
    std::wstring m_strHeaders;        // extra lines, each ending in CR LF
    DWORD m_dwFlags;                  // HttpOpenRequestW flags
    int m_nTimeout;                   // milliseconds; 0 = none
    std::wstring m_strProxyHost;      // empty = the system's proxy settings
    int m_nProxyPort;
    std::wstring m_strProxyUser;
    std::wstring m_strProxyPassword;
    int m_nPort;                      // server port (443 is forced for https)
};

// What the request learned about the response. Filled on the UI thread when
// the request was sent, except m_bReadOk, which the transfer thread sets.
class CHttpResponseInfo
{
public:
    CHttpResponseInfo();
    void Parse(HINTERNET hRequest);

    int m_nStatusCode;
    int m_nContentLength;             // 0 when absent (a chunked body, say)
    std::wstring m_strLastModified;
    std::wstring m_strServer;
    BOOL m_bReadOk;                   // TRUE: the body ended with a zero-byte read
    HINTERNET m_hRequest;             // not owned: the request's handle at parse time
};

// Narrow text of the client (user agent, the report's URL) to wide, with the
// thread's ANSI code page.
std::wstring AnsiToWide(const char* psz);

// The text of one response header; empty when absent.
std::wstring QueryHeader(HINTERNET hRequest, DWORD dwLevel);

// The verb for CHttpRequestParam::m_nMethod.
const wchar_t* HttpVerbFromMethod(int nMethod);

// The port the connect thread uses: https always goes to 443; a port written
// in the URL is never used.
INTERNET_PORT HttpConnectPort(int nScheme, INTERNET_PORT wPort);

// The transfer thread's header block: the caller's lines, then the Range line.
std::wstring HttpRequestHeaders(const std::wstring& strHeaders, int nRangeStart);

// The decimal text of n ("-12"), for numbers in request lines. Written out
// here because the runtime's C99 printf would add about 20 KB to the installer.
std::wstring DecimalText(int n);

namespace inner {

// The received body: appended to by the transfer thread, read by the UI
// thread, both under the lock. Keeps the first HTTP_BODY_KEEP_LIMIT bytes.
class CReceiveBuffer
{
public:
    void Append(const char* pData, DWORD cbData);
    std::string Copy();
    size_t Size();

private:
    CSRWLock m_lock;
    std::string m_strData;
};

} // namespace inner

// Held by the manager and by each of its worker threads while it runs: the
// last of them to let go deletes it, so that a worker still blocked in
// WinINet when the manager ends never reads freed memory and is never
// killed.
class CHttpRequest
{
public:
    CHttpRequest(int nId, HWND hEventWnd, const CHttpRequestParam& param, INTERNET_PORT wPort);
    // Public for a request a test keeps itself, until its workers ended; the
    // manager's requests go through Release.
    virtual ~CHttpRequest();

    // Gives up one hold: the manager's, once, or a worker's as it ends. The
    // request may be gone after it.
    void Release();

    // Driven by the manager on its own thread.
    void OnConnected();
    void ParseResponse();
    HANDLE Abort();                   // the running worker's handle (still owned here), or NULL
    bool HasRunningThread() const;

    // Read by listeners from inside the manager's notifications.
    int GetId() const { return m_nId; }
    const CHttpRequestParam& GetParam() const { return m_param; }
    int GetScheme() const { return m_nScheme; }
    const std::wstring& GetHost() const { return m_strHost; }
    const std::wstring& GetPath() const { return m_strPath; }
    INTERNET_PORT GetConnectPort() const { return HttpConnectPort(m_nScheme, m_wPort); }
    const CHttpResponseInfo& GetResponse() const { return m_response; }
    LONG GetReceived() const { return m_nReceived; }
    std::string GetBody() { return m_buffer.Copy(); }
    size_t GetBodySize() { return m_buffer.Size(); }

    // Requests alive in this process; lets tests see that the manager deleted them.
    static LONG GetLiveCount() { return s_nLiveCount; }

private:
    CHttpRequest(const CHttpRequest&) = delete;
    CHttpRequest& operator=(const CHttpRequest&) = delete;

    // Starts a worker holding the request; false when it could not start.
    bool StartWorker(LPTHREAD_START_ROUTINE pfnProc, CThreadHandle& thread);

    static DWORD WINAPI ConnectThreadProc(LPVOID pParam);
    static DWORD WINAPI TransferThreadProc(LPVOID pParam);
    void CrackUrl();
    void OpenSession();
    void Transfer();

    int m_nId;
    HWND m_hEventWnd;                 // not owned: the manager's window
    CHttpRequestParam m_param;
    int m_nScheme;
    std::wstring m_strHost;
    std::wstring m_strPath;
    CHttpResponseInfo m_response;
    inner::CReceiveBuffer m_buffer;
    volatile LONG m_nReceived;
    HINTERNET volatile m_hSession;    // volatile: Abort nulls them under a blocked worker
    HINTERNET m_hConnect;
    HINTERNET m_hRequest;             // the manager's thread only: Abort closes and nulls it
    HINTERNET m_hTransferRequest;     // the transfer thread's copy, set before it starts, never changed
    std::atomic<bool> m_bAborted;     // Abort has closed the request: no further read on it
    CThreadHandle m_connectThread;
    CThreadHandle m_transferThread;
    INTERNET_PORT m_wPort;
    std::atomic<LONG> m_nHolds{1};    // the manager's and each running worker's

    static volatile LONG s_nLiveCount;
};
