// slot_queue.h: a hand-over of at most N items, in order, from one thread
// that fills slots to one that empties them. The filler waits for a free
// slot, the emptier for a filled one; an item stays in its slot until the
// emptier releases it, so the slot's memory can be read in place meanwhile.
//
//   size_t n = queue.WaitForRoom();      // filler; NO_SLOT once cancelled
//   queue[n] = item; queue.Publish();
//   queue.End();                         // nothing more will come
//
//   size_t n = queue.WaitForItem();      // emptier; NO_SLOT once ended and empty
//   use(queue[n]); queue.Release();
//   queue.Cancel();                      // the filler stops waiting for room
//
// Free of GUI headers.
#pragma once
#include <windows.h>
#include <cstddef>

#include "afx/afxmt.h"

template <class T, size_t N>
class CSlotQueue
{
public:
    static constexpr size_t NO_SLOT = static_cast<size_t>(-1);

    CSlotQueue()
    {
        ::InitializeConditionVariable(&m_filled);
        ::InitializeConditionVariable(&m_freed);
    }
    CSlotQueue(const CSlotQueue&) = delete;
    CSlotQueue& operator=(const CSlotQueue&) = delete;

    T& operator[](size_t nSlot) { return m_slots[nSlot]; }

    // The filler's side. The slot to fill next once one is free, or NO_SLOT
    // once Cancel was called or bStop() holds; bStop is asked every nPollMs
    // while waiting (its cause has no way to wake the filler).
    template <class Stop>
    size_t WaitForRoom(Stop bStop, DWORD nPollMs)
    {
        CSRWLockGuard hold(m_lock);
        while (m_nPublished - m_nReleased >= N && !m_bCancelled && !bStop())
            ::SleepConditionVariableSRW(&m_freed, m_lock.get(), nPollMs, 0);
        if (m_bCancelled || bStop())
            return NO_SLOT;
        return static_cast<size_t>(m_nPublished % N);
    }
    size_t WaitForRoom()
    {
        return WaitForRoom([] { return false; }, INFINITE);
    }
    // The slot WaitForRoom gave is filled.
    void Publish()
    {
        Change([this] { ++m_nPublished; });
    }
    // Nothing more will be published.
    void End()
    {
        Change([this] { m_bEnded = true; });
    }

    // The emptier's side. The oldest published slot not yet released, or
    // NO_SLOT once End was called and every slot is released.
    size_t WaitForItem()
    {
        CSRWLockGuard hold(m_lock);
        while (m_nPublished == m_nReleased && !m_bEnded)
            ::SleepConditionVariableSRW(&m_filled, m_lock.get(), INFINITE, 0);
        return m_nPublished > m_nReleased ? static_cast<size_t>(m_nReleased % N) : NO_SLOT;
    }
    // The slot WaitForItem gave is done with.
    void Release()
    {
        Change([this] { ++m_nReleased; });
    }
    // The filler stops waiting for room, now and from now on.
    void Cancel()
    {
        Change([this] { m_bCancelled = true; });
    }
    bool Cancelled()
    {
        CSRWLockGuard hold(m_lock);
        return m_bCancelled;
    }

    // Either side: waits until every slot published is released.
    void WaitUntilEmpty()
    {
        CSRWLockGuard hold(m_lock);
        while (m_nPublished != m_nReleased)
            ::SleepConditionVariableSRW(&m_freed, m_lock.get(), INFINITE, 0);
    }
    // Waits until End was called.
    void WaitForEnd()
    {
        CSRWLockGuard hold(m_lock);
        while (!m_bEnded)
            ::SleepConditionVariableSRW(&m_filled, m_lock.get(), INFINITE, 0);
    }

private:
    // One change under the lock; both sides wake to look again.
    template <class Step>
    void Change(Step step)
    {
        m_lock.Lock();
        step();
        m_lock.Unlock();
        ::WakeAllConditionVariable(&m_filled);
        ::WakeAllConditionVariable(&m_freed);
    }

    CSRWLock m_lock;
    CONDITION_VARIABLE m_filled;
    CONDITION_VARIABLE m_freed;
    T m_slots[N] = {};
    UINT64 m_nPublished = 0;   // slots filled so far
    UINT64 m_nReleased = 0;    // slots emptied so far
    bool m_bEnded = false;
    bool m_bCancelled = false;
};
