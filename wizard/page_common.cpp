#include "wizard/page_common.h"

#include "wizard/third_step_dlg.h"

CFirstStepDlg* g_pFirstStepDlg = nullptr;
CProtocolDlg* g_pProtocolDlg = nullptr;
CThirdStepDlg* g_pThirdStepDlg = nullptr;
CFourthStepDlg* g_pFourthStepDlg = nullptr;

void EndInstaller()
{
    if (CWnd* pMainWnd = AfxGetThread()->GetMainWnd())
        ::PostMessageW(pMainWnd->GetSafeHwnd(), WM_QUIT, 0, 0);
}

void ShowProgressPage()
{
    if (!g_pThirdStepDlg) {
        g_pThirdStepDlg = new CThirdStepDlg;
        g_pThirdStepDlg->Create(IDD_THIRD_STEP_DLG, CWnd::FromHandle(::GetDesktopWindow()));
    }
    g_pThirdStepDlg->ShowWindow(SW_SHOW);
}
