#include "afx/afxdlg.h"

#include "afx/afxapp.h"
#include "afx/afximpl.h"
#include "afx/afxmodule.h"

// ---- Data exchange ---------------------------------------------------------------

HWND CDataExchange::PrepareCtrl(int nIDC)
{
    HWND hWndCtrl = ::GetDlgItem(SafeHwnd(m_pDlgWnd), nIDC);
    if (!hWndCtrl)
        Fail();
    return hWndCtrl;
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd)
        return;   // bound by an earlier exchange
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (hWndCtrl && !rControl.SubclassWindow(hWndCtrl))
        pDX->Fail();
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value)
{
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (!hWndCtrl)
        return;
    if (pDX->m_bSaveAndValidate) {
        const int nLength = ::GetWindowTextLengthW(hWndCtrl);
        const int nCopied = ::GetWindowTextW(hWndCtrl, value.GetBuffer(nLength), nLength + 1);
        value.ReleaseBuffer(nCopied);
    } else {
        ::SetWindowTextW(hWndCtrl, value);
    }
}

// ---- Owner of a modal box --------------------------------------------------------

HWND AfxGetSafeOwner(HWND hParent, HWND* phWndTop)
{
    HWND hWnd = hParent;
    if (!hWnd)
        hWnd = SafeHwnd(AfxGetMainWnd());
    // A popup cannot be owned by a child window.
    while (hWnd && (::GetWindowLongPtrW(hWnd, GWL_STYLE) & WS_CHILD))
        hWnd = ::GetParent(hWnd);

    // The top of the owner chain is disabled as well.
    HWND hWndTop = hWnd;
    for (HWND hWndUp = hWnd; hWndUp; hWndUp = ::GetParent(hWndUp))
        hWndTop = hWndUp;

    if (!hParent && hWnd)
        hWnd = ::GetLastActivePopup(hWnd);

    if (phWndTop) {
        *phWndTop = nullptr;
        if (hWndTop && hWndTop != hWnd && ::IsWindowEnabled(hWndTop)) {
            *phWndTop = hWndTop;
            ::EnableWindow(hWndTop, FALSE);
        }
    }
    return hWnd;
}

// ---- CDialog -------------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, &CDialog::OnOK)
    ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return FALSE;   // everything else went through the window procedure
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (!pWnd || !pWnd->IsKindOf(RUNTIME_CLASS(CDialog)))
        return TRUE;
    return static_cast<CDialog*>(pWnd)->OnInitDialog();
}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_lpszTemplateName(MAKEINTRESOURCEW(nIDTemplate)), m_nIDHelp(nIDTemplate), m_pParentWnd(pParentWnd)
{
}

CDialog::CDialog(LPCWSTR lpszTemplateName, CWnd* pParentWnd)
    : m_lpszTemplateName(lpszTemplateName), m_pParentWnd(pParentWnd)
{
    if (IS_INTRESOURCE(lpszTemplateName))
        m_nIDHelp = LOWORD(reinterpret_cast<ULONG_PTR>(lpszTemplateName));
}

LPCDLGTEMPLATEW CDialog::LoadTemplate(LPCWSTR lpszTemplateName, HINSTANCE* phInst) const
{
    *phInst = AfxGetResourceHandle();
    return static_cast<LPCDLGTEMPLATEW>(LoadResourceBytes(lpszTemplateName, MAKEINTRESOURCEW(5)));   // RT_DIALOG
}

BOOL CDialog::CreateDlgIndirect(LPCDLGTEMPLATEW lpDialogTemplate, HWND hWndParent, HINSTANCE hInst)
{
    if (m_hWnd || !lpDialogTemplate)
        return FALSE;
    AfxHookWindowCreate(this);
    HWND hWnd = ::CreateDialogIndirectParamW(hInst ? hInst : AfxGetResourceHandle(), lpDialogTemplate,
                                             hWndParent, AfxDlgProc, 0);
    AfxUnhookWindowCreate();
    return hWnd && hWnd == m_hWnd;
}

BOOL CDialog::Create(LPCWSTR lpszTemplateName, CWnd* pParentWnd)
{
    m_lpszTemplateName = lpszTemplateName;
    if (IS_INTRESOURCE(lpszTemplateName) && m_nIDHelp == 0)
        m_nIDHelp = LOWORD(reinterpret_cast<ULONG_PTR>(lpszTemplateName));
    HINSTANCE hInst = nullptr;
    LPCDLGTEMPLATEW lpTemplate = LoadTemplate(lpszTemplateName, &hInst);
    return lpTemplate ? CreateIndirect(lpTemplate, pParentWnd, hInst) : FALSE;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd)
{
    return Create(MAKEINTRESOURCEW(nIDTemplate), pParentWnd);
}

BOOL CDialog::CreateIndirect(LPCDLGTEMPLATEW lpDialogTemplate, CWnd* pParentWnd, HINSTANCE hInst)
{
    // No parent given: the main window, as the framework has always done.
    if (!pParentWnd)
        pParentWnd = AfxGetMainWnd();
    return CreateDlgIndirect(lpDialogTemplate, SafeHwnd(pParentWnd), hInst);
}

INT_PTR CDialog::DoModal()
{
    if (m_hWnd)
        return -1;   // already running
    HINSTANCE hInst = nullptr;
    LPCDLGTEMPLATEW lpTemplate = LoadTemplate(m_lpszTemplateName, &hInst);
    if (!lpTemplate)
        return -1;

    HWND hWndTop = nullptr;
    HWND hWndParent = AfxGetSafeOwner(SafeHwnd(m_pParentWnd), &hWndTop);
    bool bEnableParent = false;
    if (hWndParent && hWndParent != ::GetDesktopWindow() && ::IsWindowEnabled(hWndParent)) {
        ::EnableWindow(hWndParent, FALSE);
        bEnableParent = true;
    }

    m_nModalResult = -1;
    m_bContinueModal = true;
    if (CreateDlgIndirect(lpTemplate, hWndParent, hInst)) {
        if (m_bContinueModal)
            RunModalLoop();
        // Hide before the owner comes back, so activation goes to the owner.
        if (m_hWnd)
            ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                           SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    }
    m_bContinueModal = false;

    if (bEnableParent)
        ::EnableWindow(hWndParent, TRUE);
    if (hWndParent && m_hWnd && ::GetActiveWindow() == m_hWnd)
        ::SetActiveWindow(hWndParent);
    DestroyWindow();
    if (hWndTop && ::IsWindow(hWndTop))
        ::EnableWindow(hWndTop, TRUE);
    return m_nModalResult;
}

int CDialog::RunModalLoop()
{
    m_bInModalLoop = true;
    // Shown once the queue first runs dry, after the initial paint messages.
    bool bShowIdle = !(GetStyle() & WS_VISIBLE);
    while (m_bContinueModal) {
        MSG peek;
        if (bShowIdle && !::PeekMessageW(&peek, nullptr, 0, 0, PM_NOREMOVE)) {
            ShowWindow(SW_SHOWNORMAL);
            UpdateWindow();
            bShowIdle = false;
            continue;
        }
        if (!AfxPumpMessage()) {
            // WM_QUIT ends this loop and, posted again, the outer one too.
            ::PostQuitMessage(static_cast<int>(AfxPumpedMessage().wParam));
            m_bContinueModal = false;
            m_nModalResult = -1;
            break;
        }
    }
    m_bInModalLoop = false;
    return m_nModalResult;
}

void CDialog::EndDialog(int nResult)
{
    m_nModalResult = nResult;
    if (m_bContinueModal) {
        m_bContinueModal = false;
        PostMessage(WM_NULL);   // wakes the modal loop's GetMessage
    }
    if (m_hWnd)
        ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg)
{
    if (CWnd::PreTranslateMessage(pMsg))
        return TRUE;
    // Only keyboard and mouse input goes to the dialog manager.
    const UINT message = pMsg->message;
    const bool bKey = message >= WM_KEYFIRST && message <= WM_KEYLAST;
    const bool bMouse = message >= WM_MOUSEFIRST && message <= WM_MOUSELAST;
    if (!bKey && !bMouse)
        return FALSE;
    return IsDialogMessage(pMsg);
}

void CDialog::GotoDlgCtrl(CWnd* pWndCtrl)
{
    ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(SafeHwnd(pWndCtrl)), 1);
}
