#include "app/running_guard.h"

#include "app/running_app.h"
#include "wizard/message_box_dlg.h"

namespace {

constexpr wchar_t RUNNING_APP_MESSAGE[] =
    L"检测到Vellomar正在运行，安装无法继续！\r\n\r\n请退出Vellomar后点击「重试」，或\r\n者点击「取消」退出安装。";

}  // namespace

bool PassRunningAppGuard(const GuardIsRunningFn& fnIsRunning, const GuardAskFn& fnAsk)
{
    while (fnIsRunning()) {
        if (fnAsk() != MB_RESULT_SECOND)
            return false;
    }
    return true;
}

bool PassRunningAppGuardAsking(CWnd* pPage)
{
    CMessageBoxDlg box(pPage);
    return PassRunningAppGuard(
        [] { return IsAppRunning() != FALSE; },
        [&box] {
            box.m_strFirstText = L"取消";
            box.m_strSecondText = L"重试";
            box.m_nIconID = IDP_ICON_ALERT;
            box.m_strMessage = RUNNING_APP_MESSAGE;
            // A system close leaves no button result: it must read as "取消".
            box.m_nResult = 0;
            box.DoModal();
            return box.m_nResult;
        });
}
