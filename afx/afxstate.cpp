// Per-thread state of the layer in a fiber-local slot, whose clean-up call
// frees it when the thread ends. Compiler-made thread-local variables would do
// the same, but with MinGW they bring the C++ runtime's emulated TLS and its
// POSIX thread library into every program.
#include "afx/afxapp.h"
#include "afx/afximpl.h"

#include <cstdlib>

namespace {

INIT_ONCE s_slotOnce = INIT_ONCE_STATIC_INIT;
DWORD s_dwSlot = FLS_OUT_OF_INDEXES;

VOID WINAPI FreeThreadState(PVOID pData)
{
    AFX_THREAD_STATE* pState = static_cast<AFX_THREAD_STATE*>(pData);
    if (!pState)
        return;
    delete pState->pThread;
    pState->pThread = nullptr;
    delete pState;
}

BOOL CALLBACK AllocSlot(PINIT_ONCE, PVOID, PVOID*)
{
    s_dwSlot = ::FlsAlloc(FreeThreadState);
    return s_dwSlot != FLS_OUT_OF_INDEXES;
}

}  // namespace

AFX_THREAD_STATE* AfxGetThreadState()
{
    // Without a slot or the memory for the state the layer cannot work at all.
    if (!::InitOnceExecuteOnce(&s_slotOnce, AllocSlot, nullptr, nullptr))
        std::abort();
    if (auto* pState = static_cast<AFX_THREAD_STATE*>(::FlsGetValue(s_dwSlot)))
        return pState;
    auto* pState = new AFX_THREAD_STATE;
    if (!::FlsSetValue(s_dwSlot, pState)) {
        delete pState;
        std::abort();
    }
    return pState;
}
