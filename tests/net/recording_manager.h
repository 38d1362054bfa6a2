// recording_manager.h: a request manager that writes down every notification.
#pragma once
#include "net/http_request_manager.h"
#include <string>
#include <vector>

// One notification as the test saw it, with what the request held at the time.
struct CNotification
{
    char m_chKind;                    // 'H' headers, 'C' complete, 'T' timeout
    int m_nId;
    CHttpResponseInfo m_response;
    LONG m_nReceived;
    std::string m_strBody;
    DWORD m_dwFlags;                  // the request's own copy of the open flags
};

class CRecordingManager : public CHttpRequestManager
{
public:
    void OnResponseHeaders(CHttpRequest* pRequest) override { Record('H', pRequest); }
    void OnRequestComplete(CHttpRequest* pRequest) override { Record('C', pRequest); }
    void OnRequestTimeout(CHttpRequest* pRequest) override { Record('T', pRequest); }

    // The notifications of one request, in order, as letters ("HC", "T", ...).
    std::string KindsOf(int nId) const
    {
        std::string str;
        for (const CNotification& n : m_vecNotes)
            if (n.m_nId == nId)
                str += n.m_chKind;
        return str;
    }
    const CNotification* Find(int nId, char chKind) const
    {
        for (const CNotification& n : m_vecNotes)
            if (n.m_nId == nId && n.m_chKind == chKind)
                return &n;
        return nullptr;
    }
    bool AllDeleted() const { return GetActiveCount() == 0 && GetRetiredCount() == 0; }

    std::vector<CNotification> m_vecNotes;
    CHttpRequest* m_pLastHeaders = nullptr;   // valid only while that request is active

private:
    void Record(char chKind, CHttpRequest* pRequest)
    {
        if (chKind == 'H')
            m_pLastHeaders = pRequest;
        m_vecNotes.push_back({chKind, pRequest->GetId(), pRequest->GetResponse(), pRequest->GetReceived(),
                              pRequest->GetBody(), pRequest->GetParam().m_dwFlags});
    }
};
