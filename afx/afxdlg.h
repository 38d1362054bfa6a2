// afxdlg.h: CDialog and dialog data exchange.
//
// A dialog class names its template and binds the template's controls to
// members in DoDataExchange:
//   void CMyDlg::DoDataExchange(CDataExchange* pDX)
//   {
//       CDialog::DoDataExchange(pDX);
//       DDX_Control(pDX, IDC_START, m_btnStart);   // subclasses control IDC_START
//   }
// OnInitDialog (through UpdateData(FALSE)) runs DoDataExchange once the
// controls exist. The object is attached to its window before WM_CREATE, so
// OnCreate handlers run for dialogs too.
//   Modeless: pDlg->Create(IDD_PAGE, pParent); pDlg->ShowWindow(SW_SHOW);
//     A null parent means the main window (AfxGetMainWnd), as in MFC.
//   Modal:    CMyDlg dlg; if (dlg.DoModal() == IDOK) ...
//     DoModal picks the owner (the parent given, else the main window, else
//     the active window), disables it while its own message loop runs,
//     enables it again afterwards, and destroys the window; the object can be
//     run again.
// PreTranslateMessage sees keyboard messages before IsDialogMessage does, so
// an override can swallow Escape or Enter.
#pragma once
#include "afx/afxwnd.h"

class CDataExchange
{
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    BOOL m_bSaveAndValidate;   // TRUE: controls to members; FALSE: members to controls
    CWnd* m_pDlgWnd;           // not owned
    BOOL m_bFailed = FALSE;    // set when an exchange could not be done

    // The control's window; null (and m_bFailed set) when there is none.
    HWND PrepareCtrl(int nIDC);
    void Fail() { m_bFailed = TRUE; }
};

// Subclasses control nIDC of the dialog into rControl the first time; later
// exchanges leave an already bound control alone.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);

class CDialog : public CWnd
{
    DECLARE_DYNAMIC(CDialog)
public:
    CDialog() = default;
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    explicit CDialog(LPCWSTR lpszTemplateName, CWnd* pParentWnd = nullptr);

    virtual BOOL Create(LPCWSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
    virtual BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    virtual BOOL CreateIndirect(LPCDLGTEMPLATEW lpDialogTemplate, CWnd* pParentWnd = nullptr,
                                HINSTANCE hInst = nullptr);
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    BOOL PreTranslateMessage(MSG* pMsg) override;

    void NextDlgCtrl() const { ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, 0, 0); }
    void PrevDlgCtrl() const { ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, 1, 0); }
    void GotoDlgCtrl(CWnd* pWndCtrl);
    void SetDefID(UINT nID) { ::SendMessageW(m_hWnd, DM_SETDEFID, nID, 0); }
    DWORD GetDefID() const { return static_cast<DWORD>(::SendMessageW(m_hWnd, DM_GETDEFID, 0, 0)); }
    void MapDialogRect(LPRECT lpRect) const { ::MapDialogRect(m_hWnd, lpRect); }

    // Template and parent given to the constructor; used by DoModal.
    LPCWSTR m_lpszTemplateName = nullptr;
    UINT m_nIDHelp = 0;
    CWnd* m_pParentWnd = nullptr;   // not owned

protected:
    // The framework's modal loop; ends when EndDialog runs or WM_QUIT arrives.
    int RunModalLoop();
    BOOL ContinueModal() const { return m_bContinueModal; }

    DECLARE_MESSAGE_MAP()

private:
    friend INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM);
    BOOL CreateDlgIndirect(LPCDLGTEMPLATEW lpDialogTemplate, HWND hWndParent, HINSTANCE hInst);
    LPCDLGTEMPLATEW LoadTemplate(LPCWSTR lpszTemplateName, HINSTANCE* phInst) const;
    bool m_bContinueModal = false;
    bool m_bInModalLoop = false;
    int m_nModalResult = -1;
};

// The dialog procedure of every CDialog: calls OnInitDialog on WM_INITDIALOG;
// everything else reaches the object through its window procedure.
INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// The owner a modal box gets when it names parent hParent (may be null): the
// first non-child window from hParent up, else the main window's last active
// popup. *phWndTop receives a top-level window that had to be disabled as
// well (null when none); enable it again when the box ends.
HWND AfxGetSafeOwner(HWND hParent, HWND* phWndTop);
