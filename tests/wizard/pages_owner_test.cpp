// The wizard's one owner of its pages: the order in which it ends them, and
// the progress page stopping its worker as its window goes.
#include <windows.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <atomic>
#include <process.h>
#include <string>
#include <vector>

#include "engine/extract.h"
#include "engine/product.h"
#include "skin/wnd_shadow.h"
#include "tests/support/pump.h"
#include "tests/wizard/pages_process.h"
#include "wizard/page_common.h"
#include "wizard/third_step_dlg.h"
#include "res/wizard.h"

namespace {

class CFakePage;
CFakePage* s_pA = nullptr;
CFakePage* s_pB = nullptr;
CFakePage* s_pC = nullptr;

// Notes, as it is deleted, whether its window is gone and which pages'
// pointers are still set.
class CFakePage : public CWnd
{
public:
    CFakePage(char chName, std::vector<std::string>& log) : m_chName(chName), m_log(log) {}
    ~CFakePage() override
    {
        std::string str(1, m_chName);
        str += m_hCreated && ::IsWindow(m_hCreated) ? " window alive;" : " window gone;";
        for (const auto& [chName, pPage] : {std::pair{'A', s_pA}, {'B', s_pB}, {'C', s_pC}})
            if (pPage)
                str += std::string(" ") + chName;
        m_log.push_back(str);
    }
    void MakeWindow()
    {
        ASSERT_TRUE(CreateEx(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
        m_hCreated = m_hWnd;
    }

private:
    char m_chName;
    std::vector<std::string>& m_log;
    HWND m_hCreated = nullptr;
};

// The last page opened ends first; each one's window is destroyed before it
// is deleted, and its pointer cleared before that, so no page outlives one it
// could reach. A page without a window is simply deleted.
TEST(WizardPages, EndsTheLastOpenedFirstWindowBeforeObject)
{
    const struct
    {
        const char* pszOpened;   // in this order; lower case: no window made
        std::vector<std::string> expected;
    } cases[] = {
        {"ABC", {"C window gone; A B", "B window gone; A", "A window gone;"}},
        {"AC", {"C window gone; A", "A window gone;"}},
        {"AbC", {"C window gone; A B", "B window gone; A", "A window gone;"}},
        {"", {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> log;
        {
            CWizardPages pages;
            for (const char* p = c.pszOpened; *p; ++p) {
                const char chName = static_cast<char>(*p & ~0x20);
                CFakePage*& rpPage = chName == 'A' ? s_pA : chName == 'B' ? s_pB : s_pC;
                CFakePage& page = pages.Adopt(std::make_unique<CFakePage>(chName, log), rpPage);
                EXPECT_EQ(&page, rpPage);
                if (*p == chName)
                    page.MakeWindow();
            }
            pages.End();
            EXPECT_EQ(c.expected, log) << c.pszOpened;
            EXPECT_EQ(0u, pages.Count());
            EXPECT_TRUE(!s_pA && !s_pB && !s_pC) << c.pszOpened << ": a pointer outlived its page";
            pages.End();   // again: nothing left to end
            EXPECT_EQ(c.expected.size(), log.size());
        }
        EXPECT_EQ(c.expected.size(), log.size()) << "the owner's own end ended a page twice";
    }
}

// What the stand-in worker saw.
std::atomic<HWND> s_hNotify{nullptr};
std::atomic<bool> s_bStopSeen{false};
std::atomic<bool> s_bWindowAtStop{false};
HANDLE s_hWorker = nullptr;   // a second handle of the worker, for the test

// Runs until a stop is asked for, then ends the way a stopped run does.
unsigned __stdcall RunUntilStopped(void* pParam)
{
    auto* pJob = static_cast<ExtractJob*>(pParam);
    while (pJob->bStop.load() != STOP_ASKED)
        ::Sleep(5);
    s_bStopSeen = true;
    s_bWindowAtStop = ::IsWindow(s_hNotify.load()) != FALSE;
    pJob->nFinalCode.store(INSTALL_STOPPED);
    ::PostMessageW(s_hNotify.load(), WM_INSTALL_NOTIFY, INSTALL_STOPPED, 0);
    return 0;
}

bool StartRunUntilStopped(HWND hWnd, const CString&, ExtractJob* pJob)
{
    s_hNotify = hWnd;
    pJob->hNotifyWnd = hWnd;
    pJob->hThread.Reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, RunUntilStopped, pJob, 0, nullptr)));
    ::DuplicateHandle(::GetCurrentProcess(), pJob->hThread, ::GetCurrentProcess(), &s_hWorker, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    return pJob->hThread != nullptr;
}

// The installer ending while the progress page unpacks (not through the
// page's own close): the worker is stopped while the window can still take
// its final code, and has ended once the pages are.
TEST(WizardPages, TheProgressPageStopsItsWorkerBeforeItsWindowGoes)
{
    const CString strSaved = g_strInstallPath;
    g_strInstallPath = L"C:\\not written\\";
    {
        CWizardPages pages;
        CThirdStepDlg& page = pages.Adopt(std::make_unique<CThirdStepDlg>(), g_pThirdStepDlg);
        page.m_pfnStartWorker = StartRunUntilStopped;
        ASSERT_TRUE(page.Create(IDD_THIRD_STEP_DLG, nullptr));
        ASSERT_TRUE(PumpUntil([] { return s_hWorker != nullptr; }, 10000)) << "the worker never started";
        PumpFor(100);
        EXPECT_FALSE(s_bStopSeen) << "stopped before the installer ended";

        pages.End();
        EXPECT_EQ(nullptr, g_pThirdStepDlg);
        EXPECT_TRUE(s_bStopSeen) << "the worker was never asked to stop";
        EXPECT_TRUE(s_bWindowAtStop) << "the window went before the worker was stopped";
        EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), ::WaitForSingleObject(s_hWorker, 0))
            << "the worker still runs after the pages ended";
    }
    if (s_hWorker) {
        ::WaitForSingleObject(s_hWorker, 10000);
        ::CloseHandle(s_hWorker);
    }
    g_strInstallPath = strSaved;
}

}  // namespace
