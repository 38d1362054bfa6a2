// afximpl.h: private helpers shared by the layer's sources. Not for users.
#pragma once
#include <windows.h>

#include "afx/afxmt.h"

#include <map>

class CWinThread;
class CWnd;

// What the layer keeps per thread: the message being sent, the window
// creation hook, and the plain thread object of a thread other than the
// application's. Made on a thread's first use and freed when the thread ends.
struct AFX_THREAD_STATE
{
    MSG lastSentMsg = {};
    CWnd* pWndInit = nullptr;       // not owned: attach to the next window created
    HHOOK hHookCbt = nullptr;
    int nHookDepth = 0;
    CWinThread* pThread = nullptr;  // owned; made by AfxGetThread on first use
};

// The calling thread's state; never null (the process ends when there is no
// memory for it, as it would for any allocation the layer cannot do without).
AFX_THREAD_STATE* AfxGetThreadState();

// The message the current thread's pump took last: the thread object's
// m_msgCur, or the thread's own when there is no thread object.
MSG& AfxPumpedMessage();

// Temporary wrappers for handles nobody in the program owns. The map owns the
// objects; release(obj) makes an object forget its handle before it is
// deleted, so the handle itself is never destroyed. Once the map grows, the
// wrappers of handles that died are dropped.
template <class H, class T>
class CTempHandleMap
{
public:
    typedef T* (*MakeFn)(H);
    typedef bool (*AliveFn)(H);
    typedef void (*ReleaseFn)(T*);

    CTempHandleMap(MakeFn make, AliveFn alive, ReleaseFn release)
        : m_make(make), m_alive(alive), m_release(release) {}

    T* Get(H h)
    {
        CSRWLockGuard hold(m_lock);
        auto it = m_map.find(h);
        if (it != m_map.end())
            return it->second;
        if (m_map.size() >= kPruneAt)
            Prune(true);
        T* p = m_make(h);
        m_map.emplace(h, p);
        return p;
    }

    void DeleteAll()
    {
        CSRWLockGuard hold(m_lock);
        Prune(false);
    }

private:
    static constexpr size_t kPruneAt = 64;

    void Prune(bool bDeadOnly)
    {
        for (auto it = m_map.begin(); it != m_map.end();) {
            if (bDeadOnly && m_alive(it->first)) {
                ++it;
                continue;
            }
            m_release(it->second);
            delete it->second;
            it = m_map.erase(it);
        }
    }

    MakeFn m_make;
    AliveFn m_alive;
    ReleaseFn m_release;
    CSRWLock m_lock;
    std::map<H, T*> m_map;
};

// The temporary maps' clean-up, one per kind of handle.
void AfxDeleteTempWndMap();
void AfxDeleteTempGdiMaps();
