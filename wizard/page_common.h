// page_common.h: what the wizard's windows share: the skinned toolkit, the
// page pointers (each page is created once, on first use, and lives until
// the process ends). Every window ends the installer with the skin's
// PostQuitToMainWnd.
#pragma once
#include "afx/afxwin.h"
#include <gdiplus.h>
#include <memory>
#include "skin/base_dlg.h"
#include "res/pictures.h"
#include "res/wizard.h"

class CFirstStepDlg;
class CProtocolDlg;
class CThirdStepDlg;
class CFourthStepDlg;

extern CFirstStepDlg* g_pFirstStepDlg;
extern CProtocolDlg* g_pProtocolDlg;
extern CThirdStepDlg* g_pThirdStepDlg;
extern CFourthStepDlg* g_pFourthStepDlg;

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
