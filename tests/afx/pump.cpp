#include "tests/afx/pump.h"

#include "afx/afxapp.h"

bool PumpUntil(const std::function<bool()>& done, DWORD nMs, bool bPreTranslate)
{
    const DWORD dwStart = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - dwStart > nMs)
            return false;
        MSG msg;
        if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            continue;
        }
        if (bPreTranslate && AfxPreTranslateMessage(&msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return true;
}

void PumpPending()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}
