// message_box_dlg.h: CMessageBoxDlg, the installer's skinned question box.
//
//   CMessageBoxDlg box(this);       // the page it belongs to, if any
//   box.m_strFirstText = L"确定";  box.m_strSecondText = L"取消";
//   box.m_nIconID = IDP_ICON_ALERT;  box.m_strMessage = L"...";
//   box.DoModal();
//   if (box.m_nResult == MB_RESULT_SECOND) ...
// m_nResult tells which way the box was left; it is set only by the three
// buttons, so a caller that runs the box again resets it first when it must
// tell a system close apart. The box opens centred over its page (the owner
// while it runs), or where the wizard opens when it belongs to none.
#pragma once
#include "wizard/page_common.h"
#include "skin/redraw_button.h"
#include "skin/redraw_static.h"

constexpr int MB_RESULT_FIRST = 1;    // button 1027
constexpr int MB_RESULT_SECOND = 2;   // button 1028
constexpr int MB_RESULT_CLOSED = 3;   // the box's close button
// Sent to the box's owner when a button ends it; nothing answers it.
constexpr UINT WM_MSGBOX_RESULT = 7480;

class CMessageBoxDlg : public CBaseDlg
{
    DECLARE_DYNAMIC(CMessageBoxDlg)
public:
    explicit CMessageBoxDlg(CWnd* pPage = nullptr);
    ~CMessageBoxDlg() override;

    CString m_strFirstText;
    CString m_strSecondText;
    CString m_strMessage;
    int m_nIconID = 0;
    int m_nResult = 0;

protected:
    // Overrides
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void DrawPageContent(CDC& dcMem) override;
    void OnDpiScaleChanged() override;   // the page's fonts
    void CaptureChildBackgrounds(CDC* pMemDC, HWND hWnd) override;

    // Handlers
    afx_msg void OnBnClickedFirst();
    afx_msg void OnBnClickedSecond();
    afx_msg void OnBnClickedClose();
    afx_msg void OnBnClickedMinNone();
    DECLARE_MESSAGE_MAP()

private:
    void EndWithResult(int nResult);

    // Controls
    CRedrawButton m_btnFirst;
    CRedrawButton m_btnSecond;
    CRedrawStatic m_stcTitle;
    CFont m_fontMessage;
};
