// page_common.h: what the wizard's windows share: the skinned toolkit, the
// pages' one owner and the pointers that name them (each page is created
// once, on first use, and lives until the wizard ends). Every window ends the
// installer with the skin's PostQuitToMainWnd.
#pragma once
#include "afx/afxwin.h"
#include <gdiplus.h>
#include <functional>
#include <memory>
#include <vector>
#include "skin/base_dlg.h"
#include "res/pictures.h"
#include "res/wizard.h"

class CFirstStepDlg;
class CProtocolDlg;
class CThirdStepDlg;
class CFourthStepDlg;

// Not owners: each points at its page while the page lives, null before
// and after.
extern CFirstStepDlg* g_pFirstStepDlg;
extern CProtocolDlg* g_pProtocolDlg;
extern CThirdStepDlg* g_pThirdStepDlg;
extern CFourthStepDlg* g_pFourthStepDlg;

// Owns the pages and ends them in order: the last adopted first, each one's
// pointer cleared, then its window destroyed, without the hide destruction
// would start with (a page stops its own work there: the progress page its
// worker), then the page deleted (the finish page's request manager ends its
// transfer then). A page is gone before the
// ones opened ahead of it, so none is left pointing at a page that went.
class CWizardPages
{
public:
    CWizardPages() = default;
    ~CWizardPages();
    CWizardPages(const CWizardPages&) = delete;
    CWizardPages& operator=(const CWizardPages&) = delete;

    // Owns pPage from now on and points rpPage at it until it ends; the
    // caller creates the window.
    template <class TPage>
    TPage& Adopt(std::unique_ptr<TPage> pPage, TPage*& rpPage)
    {
        TPage& page = *pPage;
        rpPage = &page;
        TPage** ppPage = &rpPage;
        m_vecPages.push_back({std::move(pPage), [ppPage] { *ppPage = nullptr; }});
        return page;
    }

    // Ends every page (see above); again it does nothing.
    void End();
    size_t Count() const { return m_vecPages.size(); }

private:
    struct CPageEntry
    {
        std::unique_ptr<CWnd> pPage;
        std::function<void()> fnForget;   // clears the page's pointer
    };
    std::vector<CPageEntry> m_vecPages;   // in the order adopted
};

// The wizard's pages. The application ends them as it exits, before COM and
// GDI+ are released.
CWizardPages& GetWizardPages();

// Centres a window on the work area of the monitor the mouse is on (the
// primary monitor when the mouse is on none): where the wizard opens.
void PlaceOnMouseMonitor(CWnd& wnd);

// Shows next where current stands, so the wizard never jumps as one window
// takes over from another; minimised when current is. The caller hides
// current afterwards.
void ShowInPlaceOf(CWnd& next, const CWnd& current);

// Shows the progress page where current stands, creating it on first use;
// the installation starts as it initialises. The caller hides itself
// afterwards.
void ShowProgressPage(const CWnd& current);

// A pixel-sized regular GDI+ font for text a page draws itself. GDI+ does not
// follow the system's font substitutes (the Chinese face names are mapped to
// installed fonts that way), so a family GDI+ does not know is looked up
// there first; otherwise the skin's font with its own fallback.
std::unique_ptr<Gdiplus::Font> CreatePageFont(LPCWSTR pszFamily, Gdiplus::REAL emSize);
