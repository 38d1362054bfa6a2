"""The agreement: unticking the first page's box disables both install
buttons and ticking enables both; the viewer opens with its own box unticked
and its "快速安装" disabled, ticking enables it, and "返回上级" shows the
first page as it was. Enter and Escape do nothing on either window."""
from wizard_common import *

AGREE_BOX_QUICK = (200 + 5, 230 + 6)
AGREE_BOX_CUSTOM = (200 + 5, 175 + 6)
CUSTOM_LINK = (10 + 20, 230 + 7)
DEFAULT_LINK = (10 + 20, 175 + 7)
PROTOCOL_LINK_QUICK = (360 + 20, 230 + 7)
VIEWER_AGREE = (250 + 5, 190 + 6)
VIEWER_BACK = (0 + 30, 225 + 10)


def test_agreement_box_drives_both_install_buttons():
    reset_installation()
    proc = start_installer()
    try:
        page = wait_page(FIRST_PAGE_TITLE, what="first page")
        click_in(page, AGREE_BOX_QUICK)
        expect_shot("wizard_first_page_unticked", button_state(page, QUICK_INSTALL, False, "快速安装 after unticking"))
        click_in(page, CUSTOM_LINK)
        expect_shot("wizard_first_page_custom_unticked", button_state(page, INSTALL_NOW, False, "立即安装 after unticking"))
        click_in(page, AGREE_BOX_CUSTOM)
        expect_shot("wizard_first_page_custom_ticked", button_state(page, INSTALL_NOW, True, "立即安装 after ticking"))
        click_in(page, DEFAULT_LINK)
        expect_shot("wizard_first_page_ticked", button_state(page, QUICK_INSTALL, True, "快速安装 after ticking"))

        # A disabled 快速安装 installs nothing.
        click_in(page, AGREE_BOX_QUICK)
        expect_shot("wizard_first_page_unticked_again", button_state(page, QUICK_INSTALL, False, "快速安装 unticked again"))
        click_in(page, QUICK_INSTALL)
        time.sleep(1.0)
        expect(wait_page(FIRST_PAGE_TITLE, what="first page")["hwnd"] == page["hwnd"], "the first page went away")
        expect(not win_exists(default_install_dir() + "Vellomar.exe"), "a disabled 快速安装 installed")
    finally:
        stop(proc)
        reset_installation()


def test_viewer_has_its_own_box_and_goes_back():
    reset_installation()
    proc = start_installer()
    try:
        page = wait_page(FIRST_PAGE_TITLE, what="first page")
        # The page's pictures paint after its frame: wait for the logo's dark
        # text line too, or "as it was" below compares against a half-drawn page.
        before = expect_shot("wizard_first_page_before_viewer", button_state(page, QUICK_INSTALL, True, "快速安装"),
                             dark_pixels(page, (160, 64, 230, 70), 10, "the logo's dark line at (162, 66)"))
        click_in(page, PROTOCOL_LINK_QUICK)
        viewer = wait_page("", what="agreement viewer")
        expect_size(viewer, PAGE_SIZE, "agreement viewer")
        expect_shot("wizard_agreement_viewer",
                    button_state(viewer, INSTALL_NOW, False, "viewer's 快速安装 at (285, 205) on opening"),
                    # The agreement text: dark glyphs in the rich edit at (20, 60, 380 x 120).
                    dark_pixels(viewer, (20, 60, 380, 180), 50, "agreement text in the viewer"),
                    # The title "许可协议" at (25, 25).
                    dark_pixels(viewer, (25, 25, 85, 45), 5, "title 许可协议"))

        for k in ("Return", "Escape"):
            key(k)
            time.sleep(0.5)
            expect(wait_page("", what="viewer after " + k)["hwnd"] == viewer["hwnd"], k + " left the viewer")

        click_in(viewer, VIEWER_AGREE)
        expect_shot("wizard_agreement_viewer_ticked", button_state(viewer, INSTALL_NOW, True, "viewer's 快速安装 after ticking"))

        click_in(viewer, VIEWER_BACK)
        again = wait_page(FIRST_PAGE_TITLE, what="first page after 返回上级")
        expect(again["hwnd"] == page["hwnd"], "返回上级 showed another window")
        # As it was: the quick layout, 快速安装 enabled, the box ticked, the logo in place
        # (hover and focus may have changed the button's shade).
        def same_as_before(pt):
            def check(shot):
                a, b = pixel_in(before, page, pt), pixel_in(shot, again, pt)
                if all(abs(x - y) <= 40 for x, y in zip(a, b)):
                    return None
                return "first page changed at %r: %s before, %s after" % (pt, a, b)
            return check
        expect_shot("wizard_first_page_after_viewer", button_state(again, QUICK_INSTALL, True, "快速安装"),
                    *[same_as_before(pt) for pt in (AGREE_BOX_QUICK, (108 + 100, 17 + 75), (300, 100))])
    finally:
        stop(proc)


run_tests([test_agreement_box_drives_both_install_buttons, test_viewer_has_its_own_box_and_goes_back])
