// first_step_dlg.h: CFirstStepDlg, the first wizard page: the agreement box,
// the quick and the custom layout (folder, free space), the way to the
// agreement viewer and the start of the installation.
#pragma once
#include <functional>
#include "wizard/page_common.h"
#include "skin/redraw_button.h"
#include "skin/redraw_check_box.h"
#include "skin/redraw_static.h"
#include "skin/png_static.h"
#include "skin/poll_draw_static.h"

// Answered by the page (hides the busy animation); nothing sends it today.
constexpr UINT WM_STOP_BUSY_ANIMATION = WM_APP + 0x20;

class CFirstStepDlg : public CBaseDlg
{
    DECLARE_DYNAMIC(CFirstStepDlg)
public:
    CFirstStepDlg();
    ~CFirstStepDlg() override;

    // Asked last before an installation starts, with the page as the owner
    // of any box; false ends the installer. The application sets it (its
    // running-instance guard); unset, nothing is asked.
    std::function<bool(CWnd* pPage)> m_fnMayInstall;

    // The last questions before installing into strFolder (stored form),
    // in boxes over pPage: someone else's files there, then m_fnMayInstall.
    // TRUE to go on; FALSE leaves the page as it is (or, from
    // m_fnMayInstall, ends the installer). The agreement viewer's
    // "快速安装" asks them too.
    BOOL ConfirmInstall(const CString& strFolder, CWnd* pPage);

protected:
    // Overrides
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    void CaptureChildBackgrounds(CDC* pMemDC, HWND hWnd) override;

    // Handlers
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg void OnBnClickedClose();
    afx_msg void OnBnClickedAgree();
    afx_msg void OnBnClickedQuickInstall();
    afx_msg void OnBnClickedInstallNow();
    afx_msg void OnBnClickedCustom();
    afx_msg void OnBnClickedDefault();
    afx_msg void OnEnChangePath();
    afx_msg void OnBnClickedBrowse();
    afx_msg void OnBnClickedProtocol();
    afx_msg LRESULT OnStopBusyAnimation(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    void ShowQuickLayout();
    void ShowCustomLayout();
    void ShowLayout(bool bCustom);
    // The focus goes to the layout's install button, or where the user can
    // go on when it is disabled.
    void FocusMainAction(bool bCustom);
    // Checks the typed folder; on a problem says why on the space line and
    // disables "立即安装". TRUE when the folder can take the installation.
    BOOL CheckTypedPath(const CString& strPath);
    void StartInstall(const CString& strFolder);

    BOOL m_bPathUsable = TRUE;   // the typed folder passed its last check

    // Controls
    CRedrawButton m_btnQuickInstall;
    CRedrawButton m_btnInstallNow;
    CRedrawCheckBox m_chkAgree;
    CRedrawButton m_btnProtocol;
    CRedrawButton m_btnCustom;
    CRedrawButton m_btnDefault;
    CRedrawStatic m_stcPathLabel;
    CEdit m_editPath;
    CRedrawButton m_btnBrowse;
    CRedrawStatic m_stcSpace;
    CPngStatic m_pngLogo;
    CPollDrawStatic m_gifBusy;
};
