// The disk-space line written into a page: the count, the text, and a repaint
// of the line's area only when the text changed.
#include <gtest/gtest.h>
#include <windows.h>
#include <cmath>

#include "engine/install_location.h"
#include "engine/space_text.h"

namespace {

const RECT LABEL_RECT = { 10, 230, 260, 250 };   // where the first page puts the line

// A drive letter no volume answers to.
wchar_t UnusedDriveLetter()
{
    const DWORD dwDrives = GetLogicalDrives();
    for (wchar_t ch = L'Y'; ch > L'C'; --ch) {
        if (!(dwDrives & (1u << (ch - L'A'))))
            return ch;
    }
    return L'\0';
}

std::wstring LabelText(HWND hLabel)
{
    wchar_t szText[256] = {};
    GetWindowTextW(hLabel, szText, ARRAYSIZE(szText));
    return szText;
}

} // namespace

class SpaceTextLine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_hPage = CreateWindowExW(0, L"STATIC", L"page", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, m_hPage);
        m_hLabel = CreateWindowExW(0, L"STATIC", L"静态", WS_CHILD | WS_VISIBLE, LABEL_RECT.left, LABEL_RECT.top,
                                   LABEL_RECT.right - LABEL_RECT.left, LABEL_RECT.bottom - LABEL_RECT.top, m_hPage,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(SPACE_TEXT_CTRL_ID)), nullptr, nullptr);
        ASSERT_NE(nullptr, m_hLabel);
        ShowWindow(m_hPage, SW_SHOWNOACTIVATE);
        ValidateRect(m_hPage, nullptr);
        m_pPage = CWnd::FromHandle(m_hPage);
    }

    void TearDown() override
    {
        if (m_hPage) {
            DestroyWindow(m_hPage);
            m_hPage = nullptr;
        }
    }

    // The part of the page waiting to be repainted; empty when none.
    RECT PendingRepaint() const
    {
        RECT rc = {};
        if (!GetUpdateRect(m_hPage, &rc, FALSE))
            SetRectEmpty(&rc);
        return rc;
    }

    HWND m_hPage = nullptr;
    HWND m_hLabel = nullptr;
    CWnd* m_pPage = nullptr;   // not owned
};

TEST_F(SpaceTextLine, ShowsTheFreeSpaceOfTheNamedDrive)
{
    wchar_t szWindows[MAX_PATH] = {};
    GetWindowsDirectoryW(szWindows, MAX_PATH);
    CString strPath;
    strPath.Format(L"%c:\\Program Files\\Vellomar\\", szWindows[0]);

    LONGLONG nFree = 0;
    UpdateSpaceText(strPath, nFree, m_pPage);

    ULARGE_INTEGER available = {}, total = {}, totalFree = {};
    ASSERT_TRUE(GetDiskFreeSpaceExW(strPath.Left(3), &available, &total, &totalFree));
    EXPECT_GT(nFree, 0);
    // The volume's free bytes, which may have moved a little since the call.
    EXPECT_LT(std::abs(static_cast<double>(nFree) - static_cast<double>(totalFree.QuadPart)), 64.0 * 1048576.0);
    EXPECT_EQ(FormatSpaceText(L"25.5MB", nFree).str(), LabelText(m_hLabel));
    const RECT rcPending = PendingRepaint();
    EXPECT_TRUE(EqualRect(&rcPending, &LABEL_RECT))
        << "expected the label's area repainted, got " << rcPending.left << "," << rcPending.top << ","
        << rcPending.right << "," << rcPending.bottom;
}

TEST_F(SpaceTextLine, UnqueryableDriveShowsZeroAndKeepsTheCount)
{
    const wchar_t chDrive = UnusedDriveLetter();
    ASSERT_NE(L'\0', chDrive);
    CString strUnused;
    strUnused.Format(L"%c:\\Vellomar\\", chDrive);
    for (const CString& strPath : { strUnused, CString(L"\\\\server\\share\\Vellomar"), CString() }) {
        SetWindowTextW(m_hLabel, L"静态");
        LONGLONG nFree = 0;
        UpdateSpaceText(strPath, nFree, m_pPage);
        EXPECT_EQ(0, nFree) << "path " << strPath.str();
        EXPECT_EQ(L"所需空间: 25.5MB 可用空间: 0.0B", LabelText(m_hLabel)) << "path " << strPath.str();
    }
}

TEST_F(SpaceTextLine, UnchangedTextCausesNoRepaint)
{
    CString strPath;
    strPath.Format(L"%c:\\Vellomar\\", UnusedDriveLetter());
    LONGLONG nFree = 0;
    UpdateSpaceText(strPath, nFree, m_pPage);
    const RECT rcFirst = PendingRepaint();
    EXPECT_FALSE(IsRectEmpty(&rcFirst)) << "the first text is new";

    ValidateRect(m_hPage, nullptr);
    UpdateSpaceText(strPath, nFree, m_pPage);
    const RECT rcPending = PendingRepaint();
    EXPECT_TRUE(IsRectEmpty(&rcPending)) << "the same text again must not repaint, got " << rcPending.left << ","
                                         << rcPending.top << "," << rcPending.right << "," << rcPending.bottom;
}
