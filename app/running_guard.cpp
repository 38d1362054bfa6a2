#include "app/running_guard.h"

#include "wizard/message_box_dlg.h"

bool PassRunningAppGuard(const GuardIsRunningFn& fnIsRunning, const GuardAskFn& fnAsk)
{
    while (fnIsRunning()) {
        if (fnAsk() != MB_RESULT_SECOND)
            return false;
    }
    return true;
}
