#include "tests/support/pump.h"

#include "afx/afxapp.h"

bool PumpUntil(const std::function<bool()>& done, DWORD nMs, bool bPreTranslate, const MessageTaker& take)
{
    const DWORD dwStart = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - dwStart >= nMs)
            return done();
        MSG msg;
        if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            continue;
        }
        if (take && take(msg))
            continue;
        if (msg.message == WM_QUIT)
            continue;
        if (bPreTranslate && AfxPreTranslateMessage(&msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return true;
}

void PumpFor(DWORD nMs)
{
    PumpUntil([] { return false; }, nMs);
}

void PumpPending()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}
