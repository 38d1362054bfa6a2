// afxmt.h: the one lock of the program: the layer's process-wide maps, the
// unpacking's and the network's shared state are guarded with it.
//
//   CSRWLock s_lock;                  // constant-initialised: safe as a static
//   { CSRWLockGuard hold(s_lock); ... }   // held exclusively until the scope ends
//
// A slim reader/writer lock used exclusively. It needs no initialisation call
// and no clean-up, so a static one has no start-up order, no initialisation
// guard and no destructor at exit, and nothing of the C++ thread library is
// linked. It is not recursive: never take it again while holding it.
#pragma once
#include <windows.h>

class CSRWLock
{
public:
    constexpr CSRWLock() = default;
    CSRWLock(const CSRWLock&) = delete;
    CSRWLock& operator=(const CSRWLock&) = delete;

    void Lock() { ::AcquireSRWLockExclusive(&m_lock); }
    void Unlock() { ::ReleaseSRWLockExclusive(&m_lock); }
    // For SleepConditionVariableSRW, while held.
    SRWLOCK* get() { return &m_lock; }

private:
    SRWLOCK m_lock = SRWLOCK_INIT;
};

// Holds a CSRWLock for the lifetime of the object.
class CSRWLockGuard
{
public:
    explicit CSRWLockGuard(CSRWLock& lock) : m_lock(lock) { m_lock.Lock(); }
    ~CSRWLockGuard() { m_lock.Unlock(); }
    CSRWLockGuard(const CSRWLockGuard&) = delete;
    CSRWLockGuard& operator=(const CSRWLockGuard&) = delete;

private:
    CSRWLock& m_lock;
};
