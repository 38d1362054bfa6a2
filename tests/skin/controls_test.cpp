// The skinned controls on the demo dialog: image loading, the base dialog's
// window, the button's looks, the check box, the progress bar, the
// animation's frame timing and GDI objects over repeated paints.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "skin/dpi_scale.h"
#include "skin/focus_cue.h"
#include "skin/picture_cache.h"
#include "skin/poll_draw_static.h"
#include "skin/png_resource.h"
#include "tests/skin/gdi_census.h"
#include "tests/skin/demo/demo_ids.h"
#include "tests/skin/skin_test_env.h"

namespace {

COLORREF ScreenPixel(HWND hWnd, int x, int y)
{
    HDC hdc = ::GetDC(hWnd);
    const COLORREF clr = ::GetPixel(hdc, x, y);
    ::ReleaseDC(hWnd, hdc);
    return clr;
}

TEST(LoadPngResource, LoadsAPictureAtItsSize)
{
    const std::unique_ptr<Gdiplus::Image> pImage = LoadPngResource(IDP_ACTION_NORMAL);
    ASSERT_NE(nullptr, pImage);
    EXPECT_EQ(130u, pImage->GetWidth());
    EXPECT_EQ(38u, pImage->GetHeight());
}

TEST(LoadPngResource, MissingIdGivesNoImage)
{
    EXPECT_EQ(nullptr, LoadPngResource(4242));
    EXPECT_EQ(nullptr, LoadPngResource(IDG_BUSY));   // a GIF, not a "PNG" resource
}

TEST(SkinPicture, DecodedOnceAndShared)
{
    Gdiplus::Image* pImage = GetSkinPicture(IDP_ACTION_NORMAL);
    ASSERT_NE(nullptr, pImage);
    EXPECT_EQ(130u, pImage->GetWidth());
    EXPECT_EQ(pImage, GetSkinPicture(IDP_ACTION_NORMAL)) << "decoded again";
    EXPECT_NE(pImage, GetSkinPicture(IDP_ACTION_HOVER));
    EXPECT_EQ(nullptr, GetSkinPicture(4242));
    EXPECT_EQ(nullptr, GetSkinPicture(4242)) << "a missing id stays missing";
}

TEST(SkinPicture, EachDpiTakesTheDrawingAtOrAboveItsScale)
{
    // DPI -> width of the action button's drawing (130 at 100 %).
    const struct { int nDpi; UINT cx; } cases[] = {
        {96, 130}, {120, 195}, {144, 195}, {168, 260}, {192, 260}, {288, 260},
    };
    Gdiplus::Image* pNormal = GetSkinPicture(IDP_ACTION_NORMAL);
    ASSERT_NE(nullptr, pNormal);
    for (const auto& c : cases) {
        Gdiplus::Image* pDrawn = GetSkinPictureForDpi(pNormal, c.nDpi);
        ASSERT_NE(nullptr, pDrawn) << c.nDpi;
        EXPECT_EQ(c.cx, pDrawn->GetWidth()) << c.nDpi;
        EXPECT_EQ(pDrawn, GetSkinPictureForDpi(pNormal, c.nDpi)) << c.nDpi << ": decoded again";
    }
    EXPECT_EQ(pNormal, GetSkinPictureForDpi(pNormal, 96));
    // Another state's drawings are its own; an image from elsewhere is drawn as it is.
    EXPECT_NE(GetSkinPictureForDpi(pNormal, 192), GetSkinPictureForDpi(GetSkinPicture(IDP_ACTION_HOVER), 192));
    CPollDrawStatic busy;
    EXPECT_EQ(busy.m_pAnimation->m_pImage, GetSkinPictureForDpi(busy.m_pAnimation->m_pImage, 192));
    EXPECT_EQ(nullptr, GetSkinPictureForDpi(nullptr, 192));
}

TEST(SkinPicture, ThinLinesStaySharpAtEachScale)
{
    // The page's top: a red rule 3 pixels high, then a pale line 1 pixel
    // high, at 100 %. Drawn for 144 and 192 DPI each row is one colour, not
    // a blend of its neighbours: the 1-pixel line is 2 pixels at 192.
    const COLORREF RED = RGB(0xaf, 0x09, 0x00), PALE = RGB(0xfb, 0xe9, 0xe7);
    const struct { int nDpi; std::vector<COLORREF> rows; } cases[] = {
        {96, {RED, RED, RED, PALE}},
        {144, {RED, RED, RED, RED, RED, PALE}},   // 4.5 rounds up, the line keeps what is left of its 1.5
        {192, {RED, RED, RED, RED, RED, RED, PALE, PALE}},
    };
    Gdiplus::Image* pPage = GetSkinPicture(IDP_PAGE_BK);
    ASSERT_NE(nullptr, pPage);
    for (const auto& c : cases) {
        const CDpiScale scale(c.nDpi);
        Gdiplus::Bitmap target(scale.Scale(416), scale.Scale(250), PixelFormat32bppARGB);
        {
            Gdiplus::Graphics graphics(&target);
            DrawScaledImage(graphics, pPage, 0, 0, scale);
        }
        for (size_t y = 0; y < c.rows.size(); ++y) {
            for (int x : {0, scale.Scale(200), scale.Scale(416) - 1}) {
                Gdiplus::Color pixel;
                target.GetPixel(x, static_cast<INT>(y), &pixel);
                EXPECT_EQ(c.rows[y], RGB(pixel.GetR(), pixel.GetG(), pixel.GetB())) << c.nDpi << " DPI, " << x << "," << y;
            }
        }
    }
}

TEST(SkinFont, ChineseFamilyWithoutItsNameInGdiplusStillRenders)
{
    // "黑体" may be known to GDI only as a substitute: the font must still work.
    const std::unique_ptr<Gdiplus::Font> pFont = CreateSkinFont(L"黑体", 11);
    ASSERT_NE(nullptr, pFont);
    EXPECT_TRUE(pFont->IsAvailable());
    EXPECT_EQ(Gdiplus::UnitPixel, pFont->GetUnit());
}

TEST(BaseDlg, TemplateWithCaptionComesUpBorderlessAtTheBackgroundSize)
{
    CSkinDemoDlg dlg;
    ShowDemo(dlg);
    CRect rc;
    dlg.GetWindowRect(&rc);
    EXPECT_EQ(416, rc.Width());
    EXPECT_EQ(250, rc.Height());
    EXPECT_EQ(0u, dlg.GetStyle() & (WS_BORDER | WS_DLGFRAME));

    // Title buttons flush against the right edge, 32 x 32 each.
    const struct { CWnd* pButton; int x; } buttons[] = {{&dlg.m_btnMin, 416 - 64}, {&dlg.m_btnClose, 416 - 32}};
    for (const auto& b : buttons) {
        CRect rcButton;
        b.pButton->GetWindowRect(&rcButton);
        dlg.ScreenToClient(&rcButton);
        EXPECT_EQ(b.x, rcButton.left);
        EXPECT_EQ(32, rcButton.Width());
        EXPECT_EQ(32, rcButton.Height());
    }

    MSG msg = {dlg.m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0};
    EXPECT_TRUE(dlg.PreTranslateMessage(&msg)) << "Escape is swallowed";
    dlg.DestroyWindow();
}

TEST(BaseDlg, EnterDoesNothingCancelAndCloseEndTheLoop)
{
    CSkinDemoDlg dlg;
    ShowDemo(dlg);
    if (::GetActiveWindow() != dlg.m_hWnd)
        GTEST_SKIP() << "the dialog did not become the active window on this display";
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_FALSE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "Enter quit";
    EXPECT_TRUE(dlg.IsWindowVisible());

    for (int nId : {IDCANCEL, IDC_TITLE_CLOSE}) {
        dlg.SendMessage(WM_COMMAND, MAKEWPARAM(nId, BN_CLICKED), 0);
        ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "no WM_QUIT from " << nId;
        EXPECT_EQ(0u, msg.wParam);
    }
    dlg.DestroyWindow();
}

// Another program has the activation: no window of the thread is active, so
// there is no main window, and Cancel and close must still end the loop. A
// thread of its own has no active window at all.
DWORD WINAPI QuitWithoutActiveWindow(LPVOID)
{
    if (::GetActiveWindow())
        return 2;
    PostQuitToMainWnd();
    MSG msg;
    return ::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) ? 0 : 1;
}

TEST(BaseDlg, CancelAndCloseEndTheLoopWithoutAnActiveWindow)
{
    HANDLE hThread = ::CreateThread(nullptr, 0, QuitWithoutActiveWindow, nullptr, 0, nullptr);
    ASSERT_NE(nullptr, hThread);
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(hThread, 10000));
    DWORD dwExit = 3;
    ::GetExitCodeThread(hThread, &dwExit);
    ::CloseHandle(hThread);
    EXPECT_EQ(0u, dwExit) << "expected WM_QUIT in the thread's queue (0), got " << dwExit
                          << " (1: no WM_QUIT, 2: a window was active)";
}

TEST(BaseDlg, SwappedBackgroundReachesTheChildrenBehindTheirCorners)
{
    CSkinDemoDlg dlg;
    ShowDemo(dlg);
    // The browse button's rounded corner shows the dark band of the custom
    // background; after a swap to the plain page it shows the light page.
    const POINT ptCorner = {DEMO_BROWSE_RECT.left, DEMO_BROWSE_RECT.top};
    EXPECT_LT(GetRValue(ScreenPixel(dlg.m_hWnd, ptCorner.x, ptCorner.y)), 100);

    dlg.m_pBkImage = GetSkinPicture(IDP_PAGE_BK);
    ASSERT_NE(nullptr, dlg.m_pBkImage);
    dlg.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    EXPECT_GT(GetRValue(ScreenPixel(dlg.m_hWnd, ptCorner.x, ptCorner.y)), 200);
    EXPECT_GT(GetRValue(ScreenPixel(dlg.m_hWnd, 100, 230)), 200) << "page background where the band was";
    dlg.DestroyWindow();
}

TEST(RedrawButton, LookTable)
{
    // disabled, hover, pressed, focus -> look; the first matching rule wins.
    const struct { BOOL d, h, p, f; ButtonLook look; } cases[] = {
        {FALSE, FALSE, FALSE, FALSE, ButtonLook::Normal},
        {FALSE, FALSE, FALSE, TRUE, ButtonLook::Focus},
        {FALSE, TRUE, FALSE, TRUE, ButtonLook::Hover},
        {FALSE, TRUE, TRUE, TRUE, ButtonLook::Pressed},
        {FALSE, FALSE, TRUE, FALSE, ButtonLook::Normal},   // pressed shows only while hovering
        {FALSE, FALSE, TRUE, TRUE, ButtonLook::Focus},
        {TRUE, TRUE, TRUE, TRUE, ButtonLook::Disabled},    // disabled wins under the mouse
        {TRUE, FALSE, FALSE, FALSE, ButtonLook::Disabled},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.look, ChooseButtonLook(c.d, c.h, c.p, c.f)) << c.d << c.h << c.p << c.f;

    CRedrawButton button(true, true);
    const struct { ButtonLook look; UINT nImage; COLORREF clr; } defaults[] = {
        {ButtonLook::Normal, 138, 0xFFFFFF}, {ButtonLook::Hover, 140, 0xFFFFFF},
        {ButtonLook::Pressed, 137, 0xFFFFFF}, {ButtonLook::Focus, 138, 0xFFFFFF},
        {ButtonLook::Disabled, 139, 0x808080},
    };
    for (const auto& d : defaults) {
        EXPECT_EQ(d.nImage, button.GetLookImage(d.look));
        EXPECT_EQ(d.clr, button.GetLookColor(d.look));
    }
}

TEST(RedrawButton, DrawsItsStateImageOverTheSnapshot)
{
    CSkinDemoDlg dlg;
    ShowDemo(dlg);
    const int cx = (DEMO_ACTION_RECT.left + DEMO_ACTION_RECT.right) / 2;
    const int yTop = DEMO_ACTION_RECT.top + 6;
    const COLORREF clrAction = ScreenPixel(dlg.m_hWnd, cx - 40, yTop);
    EXPECT_GT(GetRValue(clrAction), 150) << std::hex << clrAction;
    EXPECT_LT(GetGValue(clrAction), 90) << std::hex << clrAction;

    // The disabled one is grey, and so it stays under the mouse.
    dlg.m_btnDisabled.m_bHover = TRUE;
    dlg.m_btnDisabled.m_bPressed = TRUE;
    dlg.m_btnDisabled.Invalidate();
    dlg.m_btnDisabled.UpdateWindow();
    const COLORREF clrDisabled = ScreenPixel(dlg.m_hWnd, cx - 40, DEMO_DISABLED_RECT.top + 6);
    EXPECT_LT(abs(GetRValue(clrDisabled) - GetBValue(clrDisabled)), 20) << std::hex << clrDisabled;

    // The rounded corner shows the page behind it, not black.
    const COLORREF clrCorner = ScreenPixel(dlg.m_hWnd, DEMO_ACTION_RECT.left, DEMO_ACTION_RECT.top);
    EXPECT_GT(GetGValue(clrCorner), 200) << std::hex << clrCorner;
    dlg.DestroyWindow();
}

TEST(RedrawButton, SizeToImageAtTheBottom)
{
    CSkinDemoDlg dlg;
    ShowDemo(dlg);
    dlg.m_btnBox.SizeToImage(FALSE);
    CRect rc;
    dlg.m_btnBox.GetWindowRect(&rc);
    dlg.ScreenToClient(&rc);
    EXPECT_EQ(CRect(0, 250 - 37, 64, 250 - 37 + 26), rc);
    dlg.DestroyWindow();
}

TEST(RedrawCheckBox, PressFlipsOnceBeforeClickedAndDraggedOffStillFlips)
{
    CSkinDemoDlg dlg;
    ShowDemo(dlg);
    CRedrawCheckBox& box = dlg.m_chkAgree;
    ASSERT_TRUE(box.m_bChecked);
    EXPECT_EQ(BS_OWNERDRAW, box.GetStyle() & BS_TYPEMASK);

    box.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_FALSE(box.m_bChecked) << "flipped on the press";
    EXPECT_EQ(0, dlg.m_nClicks);
    box.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    PumpFor(50);
    EXPECT_EQ(1, dlg.m_nClicks);
    EXPECT_FALSE(dlg.m_bCheckedAtClick) << "the handler sees the new state";
    EXPECT_FALSE(box.m_bChecked) << "the release does not flip again";

    // Pressed, dragged off, released elsewhere: flipped, but no BN_CLICKED.
    box.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    box.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(-300, -300));
    PumpFor(50);
    EXPECT_TRUE(box.m_bChecked);
    EXPECT_EQ(1, dlg.m_nClicks);
    dlg.DestroyWindow();
}

TEST(RedrawCheckBox, SpaceBarFlipsOnceBeforeClicked)
{
    CSkinDemoDlg dlg;
    ShowDemo(dlg);
    CRedrawCheckBox& box = dlg.m_chkAgree;
    box.SetFocus();
    ASSERT_TRUE(box.m_bChecked);
    // Down, held (the repeats do not count), up: one flip, one BN_CLICKED.
    box.SendMessage(WM_KEYDOWN, VK_SPACE, 1);
    box.SendMessage(WM_KEYDOWN, VK_SPACE, 1 | (1L << 30));
    EXPECT_TRUE(box.m_bChecked) << "the press alone does not flip";
    box.SendMessage(WM_KEYUP, VK_SPACE, 1 | (3L << 30));
    PumpFor(50);
    EXPECT_FALSE(box.m_bChecked);
    EXPECT_EQ(1, dlg.m_nClicks);
    EXPECT_FALSE(dlg.m_bCheckedAtClick) << "the handler sees the new state";

    // The focus leaves with the key down: no flip and no click.
    box.SendMessage(WM_KEYDOWN, VK_SPACE, 1);
    dlg.m_btnAction.SetFocus();
    box.SendMessage(WM_KEYUP, VK_SPACE, 1 | (3L << 30));
    PumpFor(50);
    EXPECT_FALSE(box.m_bChecked);
    EXPECT_EQ(1, dlg.m_nClicks);
    dlg.DestroyWindow();
}

TEST(FocusCue, ShownOnlyForFocusNotHiddenByTheSystemOrTheUiState)
{
    const struct { UINT itemState; LRESULT uiState; bool bShown; } cases[] = {
        {ODS_FOCUS, 0, true},
        {ODS_FOCUS | ODS_SELECTED, UISF_HIDEACCEL, true},
        {ODS_FOCUS, UISF_HIDEFOCUS, false},
        {ODS_FOCUS | ODS_NOFOCUSRECT, 0, false},
        {ODS_SELECTED, 0, false},
        {ODS_DEFAULT, 0, false},
        {0, 0, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.bShown, ShowsFocusCue(c.itemState, c.uiState))
            << "itemState " << c.itemState << ", UI state " << c.uiState;
    }
    EXPECT_EQ(UIS_SET, ResolveUiStateAction(UIS_INITIALIZE, false));
    EXPECT_EQ(UIS_CLEAR, ResolveUiStateAction(UIS_INITIALIZE, true));
    EXPECT_EQ(UIS_SET, ResolveUiStateAction(UIS_SET, true));
    EXPECT_EQ(UIS_CLEAR, ResolveUiStateAction(UIS_CLEAR, false));
    for (WPARAM vk : {VK_TAB, VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN})
        EXPECT_TRUE(IsFocusNavigationKey(vk)) << vk;
    for (int vk : {VK_SPACE, VK_RETURN, VK_ESCAPE, int('A'), VK_SHIFT})
        EXPECT_FALSE(IsFocusNavigationKey(vk)) << vk;
}

TEST(FocusCue, RectInsideACaptionedPictureRoundAPictureOrACaption)
{
    const struct { SIZE client, image, text; RECT expected; } cases[] = {
        {{130, 38}, {130, 38}, {60, 15}, {4, 4, 126, 34}},     // action button: inside the picture
        {{100, 15}, {66, 14}, {0, 0}, {0, 0, 66, 14}},         // a link wider than its picture
        {{30, 10}, {66, 14}, {0, 0}, {0, 0, 30, 10}},          // a picture cut by the window
        {{80, 20}, {0, 0}, {48, 12}, {14, 2, 66, 18}},         // caption only, centred
        {{40, 10}, {0, 0}, {48, 12}, {0, 0, 40, 10}},          // a caption wider than the button
    };
    for (const auto& c : cases) {
        const RECT rc = GetButtonFocusRect(c.client, c.image, c.text);
        EXPECT_TRUE(::EqualRect(&rc, &c.expected))
            << "expected (" << c.expected.left << "," << c.expected.top << "," << c.expected.right << ","
            << c.expected.bottom << "), got (" << rc.left << "," << rc.top << "," << rc.right << "," << rc.bottom
            << ")";
    }
}

TEST(BaseDlg, FocusMarksOnlyOnceTheKeyboardMovesTheFocus)
{
    NoteInputMessage(WM_LBUTTONDOWN);   // opened by the mouse
    CSkinDemoDlg dlg;
    ShowDemo(dlg);
    dlg.m_btnAction.SetFocus();
    dlg.m_btnAction.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    PumpFor(50);
    EXPECT_TRUE(QueryFocusUiState(dlg.m_btnAction.m_hWnd) & UISF_HIDEFOCUS);
    // The mark's first dot, white on the red picture, FOCUS_CUE_INSET inside.
    const POINT ptDot = {DEMO_ACTION_RECT.left + FOCUS_CUE_INSET, DEMO_ACTION_RECT.top + FOCUS_CUE_INSET + 10};
    EXPECT_LT(GetGValue(ScreenPixel(dlg.m_hWnd, ptDot.x, ptDot.y)), 150) << "no mark before the keyboard is used";

    // Tab goes through the page's filter, as from the message loop.
    MSG msg = {dlg.m_btnAction.m_hWnd, WM_KEYDOWN, VK_TAB, 0};
    dlg.PreTranslateMessage(&msg);
    EXPECT_FALSE(QueryFocusUiState(dlg.m_btnAction.m_hWnd) & UISF_HIDEFOCUS);
    dlg.m_btnAction.SetFocus();
    PumpFor(100);
    EXPECT_GT(GetGValue(ScreenPixel(dlg.m_hWnd, ptDot.x, ptDot.y)), 200) << "the white mark inside the button";
    dlg.DestroyWindow();

    // Opened after a key press: the marks show at once.
    NoteInputMessage(WM_KEYDOWN);
    CSkinDemoDlg dlgByKeyboard;
    ShowDemo(dlgByKeyboard);
    EXPECT_FALSE(QueryFocusUiState(dlgByKeyboard.m_btnAction.m_hWnd) & UISF_HIDEFOCUS);
    dlgByKeyboard.DestroyWindow();
    NoteInputMessage(WM_LBUTTONDOWN);
}

TEST(RedrawCheckBox, TextStartsAfterTheBoxImage)
{
    CSkinDemoDlg dlg;
    ShowDemo(dlg);
    CRedrawCheckBox& box = dlg.m_chkAgree;
    CRect rc;
    box.GetClientRect(&rc);

    // On screen, also after the shadow and the animation had their time: the
    // red tick of the checked box, and dark text after it.
    PumpFor(1500);
    int nTick = 0, nText = 0;
    for (int y = 0; y < rc.Height(); ++y) {
        for (int x = 0; x < rc.Width(); ++x) {
            const COLORREF clr = ScreenPixel(box.m_hWnd, x, y);
            nTick += x < 14 && GetRValue(clr) > 140 && GetGValue(clr) < 80;
            nText += x >= 14 && GetRValue(clr) < 120;
        }
    }
    EXPECT_GT(nTick, 0) << "red tick pixels";
    EXPECT_GT(nText, 10) << "text pixels";

    // Drawn into a white memory bitmap, without a snapshot in the way.
    HDC hScreen = ::GetDC(nullptr);
    HDC hdc = ::CreateCompatibleDC(hScreen);
    HBITMAP hbm = ::CreateCompatibleBitmap(hScreen, rc.Width(), rc.Height());
    ::ReleaseDC(nullptr, hScreen);
    HGDIOBJ hOld = ::SelectObject(hdc, hbm);
    ::PatBlt(hdc, 0, 0, rc.Width(), rc.Height(), WHITENESS);
    ReleaseSnapshot(box.m_dcBk, box.m_bmpBk);
    DRAWITEMSTRUCT dis = {};
    dis.CtlType = ODT_BUTTON;
    dis.hwndItem = box.m_hWnd;
    dis.hDC = hdc;
    dis.rcItem = rc;
    box.DrawItem(&dis);

    int xFirstText = -1;
    for (int x = 10; x < rc.Width() && xFirstText < 0; ++x) {
        for (int y = 0; y < rc.Height(); ++y) {
            if (GetRValue(::GetPixel(hdc, x, y)) < 160) {
                xFirstText = x;
                break;
            }
        }
    }
    EXPECT_GE(xFirstText, 14) << "text drawn over the box image's width";
    EXPECT_LE(xFirstText, 22) << "text starts right after the box image (with GDI+ padding)";
    ::SelectObject(hdc, hOld);
    ::DeleteObject(hbm);
    ::DeleteDC(hdc);
    dlg.DestroyWindow();
}

TEST(SkinProgressCtrl, FillWidthIsTruncated)
{
    const struct { int w, pos, fill; } cases[] = {{201, 50, 100}, {340, 0, 0}, {340, 100, 340}, {160, 60, 96}, {3, 99, 2}};
    for (const auto& c : cases)
        EXPECT_EQ(c.fill, ProgressFillWidth(c.w, c.pos)) << c.w << " x " << c.pos;
}

TEST(SkinProgressCtrl, PaintsTrackAndFillOnlyEvenWithABorder)
{
    CSkinDemoDlg dlg;
    ShowDemo(dlg);
    CSkinProgressCtrl& bar = dlg.m_progress;
    CRect rc;
    bar.GetClientRect(&rc);
    const int fw = ProgressFillWidth(rc.Width(), DEMO_PROGRESS_POS);
    const COLORREF clrFill = RGB(175, 9, 0), clrTrack = RGB(211, 211, 211);

    const struct { int pos; int fill; } positions[] = {{DEMO_PROGRESS_POS, fw}, {0, 0}, {100, rc.Width()}};
    for (const auto& p : positions) {
        bar.SetPos(p.pos);
        bar.UpdateWindow();
        int nWrong = 0;
        for (int y = 0; y < rc.Height(); ++y)
            for (int x = 0; x < rc.Width(); ++x)
                nWrong += ScreenPixel(bar.m_hWnd, x, y) != (x < p.fill ? clrFill : clrTrack);
        EXPECT_EQ(0, nWrong) << "pixels neither fill nor track at position " << p.pos;
    }
    dlg.DestroyWindow();
}

// Frames selected by an animation of 8 frames, ticked every 100 ms from dwStart.
std::vector<int> TickAnimation(PollAnimation anim, DWORD dwStart, int nTicks)
{
    std::vector<int> frames;
    for (int i = 0; i < nTicks; ++i) {
        UINT nFrame = 0;
        frames.push_back(AdvancePollAnimation(anim, dwStart + static_cast<DWORD>(i) * 100, &nFrame)
                             ? static_cast<int>(nFrame) : -1);
    }
    return frames;
}

TEST(PollDrawStatic, FramesAdvanceAcrossTickBoundaries)
{
    // The busy GIF: 8 frames of 90 ms, one frame per 100 ms tick.
    std::vector<UINT> delays(8, 9);
    Gdiplus::PropertyItem item = {PropertyTagFrameDelay, static_cast<ULONG>(delays.size() * sizeof(UINT)),
                                  PropertyTagTypeLong, delays.data()};
    PollAnimation anim;
    anim.m_nFrameCount = 8;
    anim.m_bPaused = false;
    anim.m_pFrameDelays = &item;
    const std::vector<int> expected = {0, 1, 2, 3, 4, 5, 6, 7, 0, 1};
    const DWORD starts[] = {1000, 0x80000000u - 250, 0xFFFFFFFFu - 250};
    for (DWORD dwStart : starts)
        EXPECT_EQ(expected, TickAnimation(anim, dwStart, 10)) << "from tick " << dwStart;

    // Slow frames: 250 ms each waits for the third tick after its own.
    std::fill(delays.begin(), delays.end(), 25);
    const std::vector<int> slow = {0, 1, -1, -1, 2, -1, -1, 3};
    EXPECT_EQ(slow, TickAnimation(anim, 0xFFFFFFFFu - 350, 8));
    anim.m_pFrameDelays = nullptr;
}

TEST(PollDrawStatic, WithoutDelaysEveryTickAdvancesAndPausedNever)
{
    PollAnimation anim;
    anim.m_nFrameCount = 3;
    anim.m_bPaused = false;
    anim.m_nDelayMs = 0;
    std::vector<int> frames;
    for (int i = 0; i < 5; ++i) {
        UINT nFrame = 0;
        frames.push_back(AdvancePollAnimation(anim, 5, &nFrame) ? static_cast<int>(nFrame) : -1);
    }
    EXPECT_EQ((std::vector<int>{0, 1, 2, 0, 1}), frames);
    anim.m_bPaused = true;
    UINT nFrame = 0;
    EXPECT_FALSE(AdvancePollAnimation(anim, 5000, &nFrame));
}

TEST(PollDrawStatic, LoadsTheBusyGif)
{
    CPollDrawStatic busy;
    const PollAnimation& anim = *busy.m_pAnimation;
    ASSERT_NE(nullptr, anim.m_pImage);
    EXPECT_FALSE(anim.m_bPaused);
    EXPECT_EQ(8u, anim.m_nFrameCount);
    ASSERT_NE(nullptr, anim.m_pFrameDelays);
    ASSERT_GE(anim.m_pFrameDelays->length, 8 * sizeof(UINT));
    EXPECT_EQ(9u, static_cast<const UINT*>(anim.m_pFrameDelays->value)[0]);
    EXPECT_EQ(24u, anim.m_pImage->GetWidth());
}

void Repaint(CWnd& wnd)
{
    wnd.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

TEST(BaseDlg, RepaintsDoNotAccumulateGdiObjects)
{
    CSkinDemoDlg dlg;
    ShowDemo(dlg);
    for (int i = 0; i < 5; ++i)
        Repaint(dlg);
    const DWORD nBefore = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    if (nBefore == 0) {
        dlg.DestroyWindow();
        GTEST_SKIP() << "GetGuiResources counts nothing here (error " << ::GetLastError()
                     << "); RepaintsCreateNoObjectTheyDoNotFree counts the calls instead";
    }
    for (int i = 0; i < 100; ++i)
        Repaint(dlg);
    const DWORD nAfter = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    EXPECT_LE(nAfter, nBefore + 2) << "GDI objects before " << nBefore << ", after " << nAfter;
    dlg.DestroyWindow();
}

TEST(BaseDlg, EachControlHoldsOneSnapshotSelectedIntoItsDc)
{
    CSkinDemoDlg dlg;
    ShowDemo(dlg);
    Repaint(dlg);
    for (CRedrawButton* pButton : {&dlg.m_btnMin, &dlg.m_btnClose, &dlg.m_btnAction}) {
        ASSERT_NE(nullptr, pButton->m_dcBk.GetSafeHdc());
        EXPECT_EQ(pButton->m_bmpBk.GetSafeHandle(), ::GetCurrentObject(pButton->m_dcBk, OBJ_BITMAP));
    }
    dlg.DestroyWindow();
}

TEST(GdiCensus, SeesADeliberateLeakOfEachKind)
{
    GdiCensus census;
    ASSERT_GT(census.Patched(), 0) << "no GDI import was redirected";
    std::vector<HBRUSH> brushes;
    std::vector<std::unique_ptr<Gdiplus::SolidBrush>> gdipBrushes;
    std::vector<HDC> dcs;
    const Growth growth = GrowthOver100(census, [&] {
        brushes.push_back(::CreateSolidBrush(RGB(1, 2, 3)));
        gdipBrushes.push_back(std::make_unique<Gdiplus::SolidBrush>(Gdiplus::Color(1, 2, 3)));
        gdipBrushes.pop_back();                      // freed: must not count
        gdipBrushes.push_back(std::make_unique<Gdiplus::SolidBrush>(Gdiplus::Color(4, 5, 6)));
        dcs.push_back(::GetDC(nullptr));
    });
    EXPECT_EQ(100, growth.nGdi);
    EXPECT_EQ(100, growth.nGdip);
    EXPECT_EQ(100, growth.nDc);
    for (HBRUSH hBrush : brushes)
        ::DeleteObject(hBrush);
    for (HDC hdc : dcs)
        ::ReleaseDC(nullptr, hdc);
}

TEST(BaseDlg, RepaintsCreateNoObjectTheyDoNotFree)
{
    GdiCensus census;
    CSkinDemoDlg dlg;
    ShowDemo(dlg);
    const Growth growth = GrowthOver100(census, [&] { Repaint(dlg); });
    EXPECT_EQ(0, growth.nGdi) << "GDI objects left over by 100 repaints";
    EXPECT_EQ(0, growth.nGdip) << "GDI+ objects left over by 100 repaints";
    EXPECT_EQ(0, growth.nDc) << "device contexts not released by 100 repaints";
    dlg.DestroyWindow();
}

}  // namespace
