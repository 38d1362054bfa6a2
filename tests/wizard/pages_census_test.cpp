// The wizard pages and the message box, painted 100 times: no GDI or GDI+
// object and no device context may be left over (counted through the test
// program's import table, tests/skin/gdi_census.h).
#include <windows.h>
#include <gdiplus.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "engine/product.h"
#include "skin/wnd_shadow.h"
#include "tests/support/pump.h"
#include "tests/wizard/pages_process.h"
#include "tests/skin/gdi_census.h"
#include "wizard/first_step_dlg.h"
#include "wizard/fourth_step_dlg.h"
#include "wizard/message_box_dlg.h"
#include "wizard/protocol_dlg.h"
#include "wizard/third_step_dlg.h"
#include "res/wizard.h"

namespace {

// Creates the page, repaints it 100 times and checks what is left alive.
void ExpectNoGrowth(CDialog& page, UINT nIDTemplate)
{
    GdiCensus census;
    ASSERT_GT(census.Patched(), 0) << "no GDI import was redirected";
    ASSERT_TRUE(page.Create(nIDTemplate, nullptr));
    page.ShowWindow(SW_SHOWNOACTIVATE);
    PumpPending();
    const Growth growth = GrowthOver100(census, [&] {
        page.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    });
    EXPECT_EQ(0, growth.nGdi) << "GDI objects left over by 100 repaints";
    EXPECT_EQ(0, growth.nGdip) << "GDI+ objects left over by 100 repaints";
    EXPECT_EQ(0, growth.nDc) << "device contexts not released by 100 repaints";
    page.DestroyWindow();
    PumpPending();
}

TEST(PagesCensus, FirstStepRepaintsFreeWhatTheyCreate)
{
    CFirstStepDlg page;
    ExpectNoGrowth(page, IDD_FIRST_STEP_DLG);
}

TEST(PagesCensus, ProtocolRepaintsFreeWhatTheyCreate)
{
    CProtocolDlg page;
    ExpectNoGrowth(page, IDD_PROTOCOL_DLG);
}

TEST(PagesCensus, ProgressRepaintsFreeWhatTheyCreate)
{
    // The page starts the installation as it initialises: its seam starts
    // nothing here, so it shows 0.
    const CString strSaved = g_strInstallPath;
    g_strInstallPath = L"C:\\not written\\";
    {
        CThirdStepDlg page;
        page.m_pfnStartWorker = [](HWND, const CString&, ExtractJob*) { return true; };
        ExpectNoGrowth(page, IDD_THIRD_STEP_DLG);
    }
    g_strInstallPath = strSaved;
}

TEST(PagesCensus, FinishRepaintsFreeWhatTheyCreate)
{
    CFourthStepDlg page;
    ExpectNoGrowth(page, IDD_FOURTH_STEP_DLG);
}

TEST(PagesCensus, MessageBoxRepaintsFreeWhatTheyCreate)
{
    CMessageBoxDlg box;
    box.m_strMessage = L"安装失败";
    ExpectNoGrowth(box, IDD_MESSAGE_BOX_DLG);
}

}  // namespace
