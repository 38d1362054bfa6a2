// base_dlg.h: CBaseDlg, the borderless, image-backed dialog every page of
// the installer derives from.
//
// The caption and frame go at creation and the window takes the size of the
// PNG background m_nBkImageID scaled for the window's DPI (m_dpi), and is laid
// out again when that changes (WM_DPICHANGED), with the soft shadow round it; it is
// painted double-buffered (background, the page's own drawing, the children's
// snapshots, one copy to the screen); a press on the background drags the
// window; minimise (1029) and close (1030) sit in the top-right corner;
// Escape and Enter do nothing; Cancel, close and Alt+F4 end the message loop.
// The focus marks of the skinned controls show once the keyboard is in use
// (skin/focus_cue.h). A page:
//   - sets m_nBkImageID in its constructor,
//   - binds its controls in DoDataExchange after CBaseDlg::DoDataExchange,
//   - calls CBaseDlg::OnInitDialog first,
//   - draws its own text and pictures in DrawPageContent,
//   - overrides CaptureChildBackgrounds for its own skinned buttons and boxes,
//   - sets its Tab order with SetTabOrder, main action first.
#pragma once
#include <initializer_list>
#include <memory>
#include "afx/afxwin.h"
#include "skin/dpi_scale.h"
#include "skin/png_resource.h"
#include "skin/redraw_button.h"

#include <gdiplus.h>

constexpr int IDC_TITLE_MIN = 1029;
constexpr int IDC_TITLE_CLOSE = 1030;
constexpr int TITLE_BUTTON_SIZE = 32;     // the glyphs are 32 x 32
constexpr WPARAM SC_DRAGMOVE = 0xF012;    // SC_MOVE with the caption hit-test code

class CWndShadow;

class CBaseDlg : public CDialog
{
    DECLARE_DYNAMIC(CBaseDlg)
public:
    CBaseDlg(UINT nIDTemplate, CWnd* pParent);
    ~CBaseDlg() override;

    // Overrides
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnInitDialog() override;

    // Called by OnPaint with the memory DC once the background is in it; the
    // page draws what it shows besides its controls. Nothing by default.
    virtual void DrawPageContent(CDC& dcMem);

    // Called by OnPaint with the memory DC once the background and the
    // page's content are in it and before it goes to the screen; pages
    // capture their skinned children here.
    virtual void CaptureChildBackgrounds(CDC* pMemDC, HWND hWnd);

    CRedrawButton m_btnMin;
    CRedrawButton m_btnClose;
    Gdiplus::Image* m_pBkImage = nullptr;   // not owned: the skin's picture cache
    UINT m_nBkImageID = 0;                  // set by each page's constructor
    CDpiScale m_dpi;                        // the DPI the window is laid out for

protected:
    // Moves a control to a rectangle given in 96-DPI units, scaled for the window.
    void PlaceControl(CWnd& ctrl, int x, int y, int cx, int cy);
    // Called after the window moved to a DPI; the page remakes what it made
    // for the old one (its own fonts). The controls follow by themselves.
    virtual void OnDpiScaleChanged();

    // Makes the controls tab stops in this order, ahead of every other
    // control; hidden and disabled ones are skipped by Tab as usual.
    void SetTabOrder(std::initializer_list<int> ids);

    // Handlers
    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg void OnClose();
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnBnClickedCancel();
    afx_msg void OnBnClickedOk();
    afx_msg void OnPaint();
    afx_msg void OnShowWindow(BOOL bShow, UINT nStatus);
    afx_msg void OnBnClickedMin();
    afx_msg void OnBnClickedClose();
    afx_msg LRESULT OnChangeUIState(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnUpdateUIState(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnQueryUIState(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnDpiChanged(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    void PlaceTitleButton(CRedrawButton& button, int xFromRight);

    std::unique_ptr<CWndShadow> m_pShadow;   // attached in OnCreate

    // The focus marks are hidden; kept here because not every system keeps
    // the UI state it is told (Wine answers every query with 0).
    BOOL m_bHideFocus = TRUE;
    void SizeToBackground();
    SIZE m_sizeWindow96 = {};   // the background's size at 96 DPI
};

// Posts WM_QUIT to the thread's main window (or, with none set, the active
// window); to the thread itself when there is neither. Either ends the
// start-up's message loop: this is how every window ends the program.
void PostQuitToMainWnd();
