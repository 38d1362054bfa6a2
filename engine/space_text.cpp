#include "engine/space_text.h"

#include "engine/install_location.h"

bool QueryDriveFreeBytes(const CString& strPath, LONGLONG& nFreeBytes)
{
    // An empty path names no drive; it must not fall back to the current one.
    if (strPath.IsEmpty())
        return false;
    CString strRoot;
    strRoot.Format(L"%c:\\", strPath[0]);
    // The volume's total free bytes, not the caller's quota share.
    ULARGE_INTEGER totalFree = {};
    if (!GetDiskFreeSpaceExW(strRoot, nullptr, nullptr, &totalFree))
        return false;
    nFreeBytes = static_cast<LONGLONG>(totalFree.QuadPart);
    return true;
}

void UpdateSpaceText(const CString& strPath, LONGLONG& nFreeBytes, CWnd* pPage)
{
    CString strText;
    if (QueryDriveFreeBytes(strPath, nFreeBytes)) {
        strText = FormatSpaceText(FormatRequiredSize(), nFreeBytes);
    } else {
        strText = FormatSpaceText(FormatRequiredSize(), 0);
    }
    ShowSpaceLine(pPage, strText);
}

void ShowSpaceLine(CWnd* pPage, const CString& strText)
{
    CWnd* pLabel = pPage ? pPage->GetDlgItem(SPACE_TEXT_CTRL_ID) : nullptr;
    if (!pLabel)
        return;
    CString strCurrent;
    pLabel->GetWindowText(strCurrent);
    // Repainting an unchanged line would only make it flicker.
    if (strCurrent == strText)
        return;
    pLabel->SetWindowText(strText);
    CRect rcLabel;
    pLabel->GetWindowRect(&rcLabel);
    pPage->ScreenToClient(&rcLabel);
    pPage->InvalidateRect(&rcLabel, TRUE);
}
