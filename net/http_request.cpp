// http_request.cpp: one HTTP exchange on two worker threads (see the header).
#include "net/http_request.h"
#include <urlmon.h>
#include <algorithm>
#include <cwchar>
#include <vector>

volatile LONG CHttpRequest::s_nLiveCount = 0;

#ifndef _WIN64
static_assert(sizeof(URL_COMPONENTSW) == 60, "URL_COMPONENTSW of the 32-bit platform");
#endif

namespace {

template <class THandle>
void CloseInternetHandle(THandle& hInternet)
{
    HINTERNET h = hInternet;
    if (h != NULL) {
        hInternet = NULL;
        InternetCloseHandle(h);
    }
}

bool IsThreadRunning(HANDLE hThread)
{
    return hThread != NULL && WaitForSingleObject(hThread, 0) == WAIT_TIMEOUT;
}

} // namespace

std::wstring AnsiToWide(const char* psz)
{
    int cch = MultiByteToWideChar(CP_THREAD_ACP, 0, psz, -1, NULL, 0);
    if (cch <= 1)
        return std::wstring();
    std::wstring str(cch, L'\0');
    MultiByteToWideChar(CP_THREAD_ACP, 0, psz, -1, &str[0], cch);
    str.resize(cch - 1);
    return str;
}

CHttpRequestParam::CHttpRequestParam()
    : m_nMethod(0), m_nRangeStart(0), m_dwFlags(HTTP_DEFAULT_FLAGS), m_nTimeout(0),
      m_nProxyPort(HTTP_DEFAULT_PORT), m_nPort(HTTP_DEFAULT_PORT)
{
    char szAgent[1024] = {};
    DWORD cbAgent = sizeof(szAgent);
    if (SUCCEEDED(ObtainUserAgentString(0, szAgent, &cbAgent))) {
        szAgent[sizeof(szAgent) - 1] = '\0';
        m_strUserAgent = AnsiToWide(szAgent);
    }
}

CHttpResponseInfo::CHttpResponseInfo()
    : m_nStatusCode(0), m_nContentLength(0), m_bReadOk(FALSE), m_hRequest(NULL)
{
}

std::wstring QueryHeader(HINTERNET hRequest, DWORD dwLevel)
{
    DWORD cbSize = 0;
    if (HttpQueryInfoW(hRequest, dwLevel, NULL, &cbSize, NULL) || cbSize == 0)
        return std::wstring();
    // The size comes in bytes; two spare characters keep the terminator safe.
    std::vector<wchar_t> buf(cbSize + 2, L'\0');
    DWORD cbBuf = static_cast<DWORD>(buf.size() * sizeof(wchar_t));
    if (!HttpQueryInfoW(hRequest, dwLevel, buf.data(), &cbBuf, NULL))
        return std::wstring();
    buf.back() = L'\0';
    return std::wstring(buf.data());
}

void CHttpResponseInfo::Parse(HINTERNET hRequest)
{
    m_hRequest = hRequest;
    if (hRequest == NULL)
        return;
    std::wstring strStatus = QueryHeader(hRequest, HTTP_QUERY_STATUS_CODE);
    std::wstring strLength = QueryHeader(hRequest, HTTP_QUERY_CONTENT_LENGTH);
    m_strLastModified = QueryHeader(hRequest, HTTP_QUERY_LAST_MODIFIED);
    m_strServer = QueryHeader(hRequest, HTTP_QUERY_SERVER);
    if (!strStatus.empty())
        m_nStatusCode = _wtol(strStatus.c_str());
    if (!strLength.empty())
        m_nContentLength = _wtol(strLength.c_str());
}

const wchar_t* HttpVerbFromMethod(int nMethod)
{
    switch (nMethod) {
    case 1:
    case 2:
        return L"POST";
    case 3:
        return L"DELETE";
    default:
        return L"GET";
    }
}

INTERNET_PORT HttpConnectPort(int nScheme, INTERNET_PORT wPort)
{
    return nScheme == INTERNET_SCHEME_HTTPS ? HTTPS_PORT : wPort;
}

std::wstring HttpRequestHeaders(const std::wstring& strHeaders, int nRangeStart)
{
    std::wstring str = strHeaders;
    if (nRangeStart != 0)
        str += L"Range: bytes=" + DecimalText(nRangeStart) + L"-\r\n";
    return str;
}

std::wstring DecimalText(int n)
{
    // Digits of the magnitude as unsigned, so that INT_MIN has one too.
    unsigned u = n < 0 ? 0u - static_cast<unsigned>(n) : static_cast<unsigned>(n);
    wchar_t sz[12];
    wchar_t* p = sz + 12;
    do {
        *--p = static_cast<wchar_t>(L'0' + u % 10);
        u /= 10;
    } while (u != 0);
    if (n < 0)
        *--p = L'-';
    return std::wstring(p, sz + 12);
}

namespace inner {

void CReceiveBuffer::Append(const char* pData, DWORD cbData)
{
    CSRWLockGuard hold(m_lock);
    if (m_strData.size() < HTTP_BODY_KEEP_LIMIT)
        m_strData.append(pData, std::min<size_t>(cbData, HTTP_BODY_KEEP_LIMIT - m_strData.size()));
}

std::string CReceiveBuffer::Copy()
{
    CSRWLockGuard hold(m_lock);
    return m_strData;
}

size_t CReceiveBuffer::Size()
{
    CSRWLockGuard hold(m_lock);
    return m_strData.size();
}

} // namespace inner

CHttpRequest::CHttpRequest(int nId, HWND hEventWnd, const CHttpRequestParam& param, INTERNET_PORT wPort)
    : m_nId(nId), m_hEventWnd(hEventWnd), m_param(param), m_nScheme(INTERNET_SCHEME_UNKNOWN),
      m_nReceived(0), m_hSession(NULL), m_hConnect(NULL), m_hRequest(NULL), m_hTransferRequest(NULL), m_bAborted(false),
      m_wPort(wPort)
{
    InterlockedIncrement(&s_nLiveCount);
    CrackUrl();
    OpenSession();
    // Everything the connect thread reads is set by now.
    StartWorker(ConnectThreadProc, m_connectThread);
    if (m_param.m_nTimeout != 0)
        SetTimer(m_hEventWnd, static_cast<UINT_PTR>(m_nId), static_cast<UINT>(m_param.m_nTimeout), NULL);
}

void CHttpRequest::Release()
{
    if (m_nHolds.fetch_sub(1) == 1)
        delete this;
}

bool CHttpRequest::StartWorker(LPTHREAD_START_ROUTINE pfnProc, CThreadHandle& thread)
{
    m_nHolds.fetch_add(1);
    thread.Reset(CreateThread(NULL, 0, pfnProc, this, 0, NULL));
    if (thread != NULL)
        return true;
    Release();
    return false;
}

CHttpRequest::~CHttpRequest()
{
    KillTimer(m_hEventWnd, static_cast<UINT_PTR>(m_nId));
    CloseInternetHandle(m_hRequest);
    CloseInternetHandle(m_hConnect);
    CloseInternetHandle(m_hSession);
    InterlockedDecrement(&s_nLiveCount);
}

void CHttpRequest::CrackUrl()
{
    const DWORD cchUrl = static_cast<DWORD>(m_param.m_strUrl.size());
    std::vector<wchar_t> host(cchUrl + 8, L'\0');
    std::vector<wchar_t> path(cchUrl + 8, L'\0');
    URL_COMPONENTSW uc = {};
    uc.dwStructSize = sizeof(uc);
    uc.lpszHostName = host.data();
    uc.dwHostNameLength = static_cast<DWORD>(host.size());
    uc.lpszUrlPath = path.data();
    uc.dwUrlPathLength = static_cast<DWORD>(path.size());
    if (!InternetCrackUrlW(m_param.m_strUrl.c_str(), cchUrl, 0, &uc))
        return;
    m_nScheme = uc.nScheme;
    m_strHost = host.data();
    m_strPath = path.data();
}

void CHttpRequest::OpenSession()
{
    if (!m_param.m_strProxyHost.empty()) {
        const std::wstring strProxy = m_param.m_strProxyHost + L":" + DecimalText(m_param.m_nProxyPort);
        m_hSession = InternetOpenW(m_param.m_strUserAgent.c_str(), INTERNET_OPEN_TYPE_PROXY, strProxy.c_str(), NULL, 0);
    } else {
        m_hSession = InternetOpenW(m_param.m_strUserAgent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, NULL, NULL, 0);
    }
    if (!m_param.m_strProxyUser.empty())
        InternetSetOptionW(m_hSession, INTERNET_OPTION_PROXY_USERNAME,
                           const_cast<wchar_t*>(m_param.m_strProxyUser.c_str()),
                           static_cast<DWORD>(m_param.m_strProxyUser.size()));
    if (!m_param.m_strProxyPassword.empty())
        InternetSetOptionW(m_hSession, INTERNET_OPTION_PROXY_PASSWORD,
                           const_cast<wchar_t*>(m_param.m_strProxyPassword.c_str()),
                           static_cast<DWORD>(m_param.m_strProxyPassword.size()));
}

DWORD WINAPI CHttpRequest::ConnectThreadProc(LPVOID pParam)
{
    CHttpRequest* pThis = static_cast<CHttpRequest*>(pParam);
    pThis->m_hConnect = InternetConnectW(pThis->m_hSession, pThis->m_strHost.c_str(),
                                         HttpConnectPort(pThis->m_nScheme, pThis->m_wPort),
                                         NULL, NULL, INTERNET_SERVICE_HTTP, 0, 0);
    SendNotifyMessageW(pThis->m_hEventWnd, WM_HTTP_EVENT, static_cast<WPARAM>(pThis->m_nId), HTTP_EVT_CONNECTED);
    pThis->Release();
    return 0;
}

void CHttpRequest::OnConnected()
{
    // The connect thread has sent its last event and touches nothing more.
    m_connectThread.Reset(NULL);
    if (m_nScheme == INTERNET_SCHEME_HTTPS)
        m_param.m_dwFlags |= INTERNET_FLAG_SECURE;
    m_hRequest = HttpOpenRequestW(m_hConnect, HttpVerbFromMethod(m_param.m_nMethod), m_strPath.c_str(),
                                  NULL, NULL, NULL, m_param.m_dwFlags, 0);
    // The thread works on its own copy: Abort nulls m_hRequest under it.
    m_hTransferRequest = m_hRequest;
    StartWorker(TransferThreadProc, m_transferThread);
}

DWORD WINAPI CHttpRequest::TransferThreadProc(LPVOID pParam)
{
    CHttpRequest* pThis = static_cast<CHttpRequest*>(pParam);
    pThis->Transfer();
    pThis->Release();
    return 0;
}

void CHttpRequest::Transfer()
{
    const std::wstring strHeaders = HttpRequestHeaders(m_param.m_strHeaders, m_param.m_nRangeStart);
    LPVOID pBody = m_param.m_strBody.empty() ? NULL : const_cast<char*>(m_param.m_strBody.data());
    const BOOL bSent = HttpSendRequestW(m_hTransferRequest, strHeaders.c_str(), static_cast<DWORD>(strHeaders.size()),
                                        pBody, static_cast<DWORD>(m_param.m_strBody.size()));
    SendNotifyMessageW(m_hEventWnd, WM_HTTP_EVENT, static_cast<WPARAM>(m_nId), HTTP_EVT_RESPONSE);

    // An unsent request has no body to read. Some WinINet implementations
    // answer a read on it with success and zero bytes, which would report a
    // refused connection as a complete body.
    char buf[HTTP_READ_CHUNK];
    BOOL bRead = FALSE;
    while (bSent && !m_bAborted.load()) {
        DWORD cbRead = 0;
        // A close by Abort during the read makes it fail; after it, the loop
        // ends above without touching the closed handle again.
        bRead = InternetReadFile(m_hTransferRequest, buf, sizeof(buf), &cbRead);
        if (!bRead || cbRead == 0)
            break;
        InterlockedExchangeAdd(&m_nReceived, static_cast<LONG>(cbRead));
        m_buffer.Append(buf, cbRead);
    }
    m_response.m_bReadOk = bRead;
    KillTimer(m_hEventWnd, static_cast<UINT_PTR>(m_nId));
    SendNotifyMessageW(m_hEventWnd, WM_HTTP_EVENT, static_cast<WPARAM>(m_nId), HTTP_EVT_FINISHED);
}

void CHttpRequest::ParseResponse()
{
    m_response.Parse(m_hRequest);
}

HANDLE CHttpRequest::Abort()
{
    // Closing the handle a worker is blocked on makes its call fail.
    if (IsThreadRunning(m_transferThread)) {
        m_bAborted.store(true);
        CloseInternetHandle(m_hRequest);
        return m_transferThread;
    }
    if (IsThreadRunning(m_connectThread)) {
        CloseInternetHandle(m_hSession);
        return m_connectThread;
    }
    return NULL;
}

bool CHttpRequest::HasRunningThread() const
{
    return IsThreadRunning(m_connectThread) || IsThreadRunning(m_transferThread);
}
