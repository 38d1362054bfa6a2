// http_request_manager.h: owns a window's HTTP requests and tells it about them.
//
// A plain base class: a page (or a test object) derives from it besides its
// own window base and overrides the notifications it needs. The manager keeps
// a hidden message-only window of its own, on which the requests' worker
// threads report and the timers run; so it must be created, used and
// destroyed on one thread that runs a message loop. Notifications come on
// that thread. A request passes active -> retired -> deleted; the manager
// lets go of it only once both of its worker threads have ended. Destroying
// the manager aborts every request and waits for their threads, at most
// its shutdown wait (HTTP_SHUTDOWN_WAIT unless given); a thread still blocked after that (some WinINet
// implementations do not end a blocked call when its handle is closed) keeps
// its request until it ends, and reports to nobody.
#pragma once
#include "net/http_request.h"
#include <deque>
#include <vector>

constexpr wchar_t HTTP_EVENT_WND_CLASS[] = L"uibramble_http_event_wnd";
constexpr UINT_PTR IDT_HTTP_REAPER = 30;
constexpr UINT HTTP_REAPER_PERIOD = 100;
constexpr int HTTP_FIRST_REQUEST_ID = 100;      // request ids double as timer ids: clear of the reaper
constexpr DWORD HTTP_SHUTDOWN_WAIT = 3000;

// Waits for every thread together within dwTotalWait milliseconds overall,
// MAXIMUM_WAIT_OBJECTS at a time. Returns how many still run at the end:
// those are left running, never terminated (a thread killed inside WinINet or
// the loader may hold a lock the rest of the process, its exit included,
// then waits on for ever).
int WaitForThreads(const std::vector<HANDLE>& vecThreads, DWORD dwTotalWait);

class CHttpRequestManager
{
public:
    // dwShutdownWait: how long destruction waits for the aborted requests'
    // threads.
    explicit CHttpRequestManager(DWORD dwShutdownWait = HTTP_SHUTDOWN_WAIT);
    virtual ~CHttpRequestManager();

    // Starts the request at once; the caller may forget the id.
    int AddRequest(const CHttpRequestParam& param);

    // Notifications. The request belongs to the manager: read it, keep it not.
    virtual void OnResponseHeaders(CHttpRequest* pRequest) {}
    virtual void OnRequestComplete(CHttpRequest* pRequest) {}
    virtual void OnRequestTimeout(CHttpRequest* pRequest) {}

    HWND GetEventWnd() const { return m_hEventWnd; }
    size_t GetActiveCount() const { return m_dequeActive.size(); }
    size_t GetRetiredCount() const { return m_dequeRetired.size(); }

private:
    CHttpRequestManager(const CHttpRequestManager&) = delete;
    CHttpRequestManager& operator=(const CHttpRequestManager&) = delete;

    CHttpRequest* FindRequest(int nId) const;
    void RetireRequest(int nId);
    bool ReapOne();
    void OnEventTimer(UINT_PTR nIDEvent);
    void OnHttpEvent(int nId, LPARAM nEvent);
    static LRESULT CALLBACK EventWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);

    std::deque<CHttpRequest*> m_dequeActive;    // in the order added
    std::deque<CHttpRequest*> m_dequeRetired;   // in the order retired
    HWND m_hEventWnd;
    DWORD m_dwShutdownWait;
    int m_nNextId;
};
