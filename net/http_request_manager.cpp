// http_request_manager.cpp: request ids, the event window, timeouts, reaping, shutdown.
#include "net/http_request_manager.h"
#include <algorithm>

#ifndef _WIN64
static_assert(sizeof(WNDCLASSEXW) == 48, "WNDCLASSEXW of the 32-bit platform");
#endif

int WaitForThreads(const std::vector<HANDLE>& vecThreads, DWORD dwTotalWait)
{
    // WaitForMultipleObjects takes at most MAXIMUM_WAIT_OBJECTS handles and
    // fails at once with more; so wait group by group against one deadline.
    const DWORD dwStart = GetTickCount();
    for (size_t nFirst = 0; nFirst < vecThreads.size(); nFirst += MAXIMUM_WAIT_OBJECTS) {
        const DWORD dwElapsed = GetTickCount() - dwStart;
        const DWORD dwLeft = dwElapsed < dwTotalWait ? dwTotalWait - dwElapsed : 0;
        const DWORD nCount = static_cast<DWORD>(
            std::min<size_t>(MAXIMUM_WAIT_OBJECTS, vecThreads.size() - nFirst));
        WaitForMultipleObjects(nCount, &vecThreads[nFirst], TRUE, dwLeft);
    }
    int nRunning = 0;
    for (HANDLE hThread : vecThreads) {
        if (WaitForSingleObject(hThread, 0) == WAIT_TIMEOUT)
            ++nRunning;
    }
    return nRunning;
}

CHttpRequestManager::CHttpRequestManager(DWORD dwShutdownWait)
    : m_hEventWnd(NULL), m_dwShutdownWait(dwShutdownWait), m_nNextId(HTTP_FIRST_REQUEST_ID)
{
    HINSTANCE hInstance = GetModuleHandleW(NULL);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = EventWndProc;
    wc.hInstance = hInstance;
    wc.lpszClassName = HTTP_EVENT_WND_CLASS;
    // A second manager finds the class registered already; that is fine.
    RegisterClassExW(&wc);
    m_hEventWnd = CreateWindowExW(0, HTTP_EVENT_WND_CLASS, NULL, 0, 0, 0, 0, 0,
                                  HWND_MESSAGE, NULL, hInstance, NULL);
    SetWindowLongPtrW(m_hEventWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

CHttpRequestManager::~CHttpRequestManager()
{
    // From here on no event, timer or notification is handled.
    if (m_hEventWnd != NULL) {
        DestroyWindow(m_hEventWnd);
        m_hEventWnd = NULL;
    }
    std::vector<HANDLE> vecThreads;
    auto collect = [&vecThreads](CHttpRequest* pRequest) {
        HANDLE hThread = pRequest->Abort();
        if (hThread != NULL && std::find(vecThreads.begin(), vecThreads.end(), hThread) == vecThreads.end())
            vecThreads.push_back(hThread);
    };
    std::for_each(m_dequeActive.begin(), m_dequeActive.end(), collect);
    std::for_each(m_dequeRetired.begin(), m_dequeRetired.end(), collect);
    if (!vecThreads.empty())
        WaitForThreads(vecThreads, m_dwShutdownWait);
    // A worker still running holds its request: the request goes with it.
    for (CHttpRequest* pRequest : m_dequeActive)
        pRequest->Release();
    for (CHttpRequest* pRequest : m_dequeRetired)
        pRequest->Release();
    m_dequeActive.clear();
    m_dequeRetired.clear();
}

int CHttpRequestManager::AddRequest(const CHttpRequestParam& param)
{
    SetTimer(m_hEventWnd, IDT_HTTP_REAPER, HTTP_REAPER_PERIOD, NULL);
    const int nId = m_nNextId++;
    // The first event cannot arrive before the request is listed: events are
    // handled only when this thread next takes messages.
    m_dequeActive.push_back(new CHttpRequest(nId, m_hEventWnd, param, static_cast<INTERNET_PORT>(param.m_nPort)));
    return nId;
}

CHttpRequest* CHttpRequestManager::FindRequest(int nId) const
{
    for (CHttpRequest* pRequest : m_dequeActive) {
        if (pRequest->GetId() == nId)
            return pRequest;
    }
    return NULL;
}

void CHttpRequestManager::RetireRequest(int nId)
{
    auto it = std::find_if(m_dequeActive.begin(), m_dequeActive.end(),
                           [nId](CHttpRequest* pRequest) { return pRequest->GetId() == nId; });
    if (it == m_dequeActive.end())
        return;
    CHttpRequest* pRequest = *it;
    pRequest->Abort();
    m_dequeActive.erase(it);
    m_dequeRetired.push_back(pRequest);
}

bool CHttpRequestManager::ReapOne()
{
    for (auto it = m_dequeRetired.begin(); it != m_dequeRetired.end(); ++it) {
        CHttpRequest* pRequest = *it;
        if (pRequest->HasRunningThread())
            continue;
        m_dequeRetired.erase(it);
        pRequest->Release();
        return true;
    }
    return false;
}

void CHttpRequestManager::OnEventTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent == IDT_HTTP_REAPER) {
        if (m_dequeActive.empty() && m_dequeRetired.empty())
            KillTimer(m_hEventWnd, IDT_HTTP_REAPER);
        else
            while (ReapOne()) {
            }
        return;
    }
    // A request's timeout. One that fires after completion finds nothing.
    KillTimer(m_hEventWnd, nIDEvent);
    const int nId = static_cast<int>(nIDEvent);
    if (CHttpRequest* pRequest = FindRequest(nId)) {
        OnRequestTimeout(pRequest);
        RetireRequest(nId);
    }
}

void CHttpRequestManager::OnHttpEvent(int nId, LPARAM nEvent)
{
    // Late events of a retired request are ignored.
    CHttpRequest* pRequest = FindRequest(nId);
    if (pRequest == NULL)
        return;
    switch (nEvent) {
    case HTTP_EVT_CONNECTED:
        pRequest->OnConnected();
        break;
    case HTTP_EVT_RESPONSE:
        pRequest->ParseResponse();
        OnResponseHeaders(pRequest);
        break;
    case HTTP_EVT_FINISHED:
        OnRequestComplete(pRequest);
        RetireRequest(nId);
        break;
    default:
        break;
    }
}

LRESULT CALLBACK CHttpRequestManager::EventWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    CHttpRequestManager* pThis = reinterpret_cast<CHttpRequestManager*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (pThis == NULL || (nMsg != WM_TIMER && nMsg != WM_HTTP_EVENT))
        return DefWindowProcW(hWnd, nMsg, wParam, lParam);
    if (nMsg == WM_TIMER)
        pThis->OnEventTimer(wParam);
    else
        pThis->OnHttpEvent(static_cast<int>(wParam), lParam);
    return 0;
}
