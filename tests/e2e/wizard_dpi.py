"""The wizard at system DPI 96, 120, 144 and 192: each window (first page,
message box, agreement viewer, finish page) has its 96-DPI size scaled, the
clicks land at the scaled places through a quick or a custom installation,
and the screenshots of each scale are kept. The prefix's DPI is put back to
96 afterwards, with a fresh wineserver, for the tests that follow."""
from wizard_common import *

DPIS = (96, 120, 144, 192)
CUSTOM_LINK = (10 + 20, 230 + 7)
PROTOCOL_LINK = (360 + 20, 230 + 7)
VIEWER_BACK = (0 + 30, 225 + 10)
CUSTOM_DIR = "C:\\VLDpi"


def wait_scaled(size96, dpi, title=None, what="window", timeout=30):
    """The one visible installer window of size96 scaled for dpi (±1 px)."""
    want = (scaled(size96[0], dpi), scaled(size96[1], dpi))

    def find():
        found = [w for w in windows() if w["cls"] == DIALOG_CLASS and w["visible"]
                 and abs(w["w"] - want[0]) <= 1 and abs(w["h"] - want[1]) <= 1
                 and (title is None or w["title"] == title)]
        return found[0] if len(found) == 1 else None

    def sizes():
        return [(w["w"], w["h"], w["title"]) for w in windows() if w["cls"] == DIALOG_CLASS and w["visible"]]
    try:
        return wait_until(find, "%s of %dx%d at %d DPI" % (what, want[0], want[1], dpi), timeout=timeout)
    except Failure as e:
        raise Failure("%s; visible dialogs: %r" % (e, sizes()))


def red_at(win, point, what):
    def check(shot):
        got = pixel_in(shot, win, point)
        return None if is_red(got) else "%s: expected red, got %s" % (what, got)
    return check


def strip_behind_corner(win, dpi):
    """立即安装's rounded corner (its top-left pixel) shows the custom
    layout's dark strip, not the other layout's pale background."""
    def check(shot):
        got = pixel_in(shot, win, (scaled(285, dpi), scaled(205, dpi)))
        return None if max(got) < 128 else "立即安装's corner: expected the dark strip, got %s" % (got,)
    return check


# The page's top: a red rule 3 pixels high over a pale line 1 pixel high at
# 96 DPI. Where a picture is drawn for the scale, each row is one of the two
# colours, not a blend: DPI -> (rows of red, rows of red and pale).
TOP_RULE_ROWS = {96: (3, 4), 144: (5, 6), 192: (6, 8)}
RULE_RED, RULE_PALE = (0xaf, 0x09, 0x00), (0xfb, 0xe9, 0xe7)


def sharp_top_rule(win, dpi):
    def check(shot):
        red_rows, all_rows = TOP_RULE_ROWS[dpi]
        got = [pixel_in(shot, win, (scaled(200, dpi), y)) for y in range(all_rows)]
        want = [RULE_RED] * red_rows + [RULE_PALE] * (all_rows - red_rows)
        return None if got == want else "top rule at %d DPI: expected rows %r, got %r" % (dpi, want, got)
    return check


def run_at(dpi, custom):
    reset_installation(CUSTOM_DIR + "\\")
    proc = start_installer()
    try:
        page = wait_scaled(PAGE_SIZE, dpi, FIRST_PAGE_TITLE, "first page")
        checks = [red_at(page, scaled_point(QUICK_INSTALL, dpi), "快速安装")]
        if dpi in TOP_RULE_ROWS:
            checks.append(sharp_top_rule(page, dpi))
        expect_shot("dpi%d_first_page" % dpi, *checks)

        click_in(page, scaled_point(CLOSE_BUTTON, dpi))
        box = wait_scaled(BOX_SIZE, dpi, what="message box")
        expect_shot("dpi%d_message_box" % dpi)
        click_in(box, scaled_point(BOX_SECOND, dpi))
        wait_until(lambda: not [w for w in windows() if w["hwnd"] == box["hwnd"] and w["visible"]],
                   "the message box to go after 取消")

        click_in(page, scaled_point(PROTOCOL_LINK, dpi))
        viewer = wait_scaled(PAGE_SIZE, dpi, "", "agreement viewer")
        # X shows the viewer a moment after Windows does: no 快速安装 of the first page there.
        expect_shot("dpi%d_agreement" % dpi,
                    lambda shot: "the first page still on the screen"
                    if is_red(pixel_in(shot, viewer, scaled_point(QUICK_INSTALL, dpi))) else None)
        click_in(viewer, scaled_point(VIEWER_BACK, dpi))
        page = wait_scaled(PAGE_SIZE, dpi, FIRST_PAGE_TITLE, "first page after 返回")

        if custom:
            click_in(page, scaled_point(CUSTOM_LINK, dpi))
            replace_path(page, CUSTOM_DIR, scaled_point(PATH_BOX, dpi))
            expect_shot("dpi%d_first_page_custom" % dpi, red_at(page, scaled_point(INSTALL_NOW, dpi), "立即安装"),
                        strip_behind_corner(page, dpi))
            click_in(page, scaled_point(INSTALL_NOW, dpi))
        else:
            click_in(page, scaled_point(QUICK_INSTALL, dpi))
        finish = wait_scaled(PAGE_SIZE, dpi, "", "finish page", timeout=90)
        expect_shot("dpi%d_finish_page" % dpi, red_at(finish, scaled_point((148 + 8, 170 + 19), dpi), "开始使用"))
        want_dir = CUSTOM_DIR + "\\" if custom else default_install_dir()
        wait_until(lambda: reg_value(PRODUCT_KEY, "Install") == want_dir, "the installation registered in " + want_dir)
        click_in(finish, scaled_point(CLOSE_BUTTON, dpi))
        expect(wait_exit(proc) == 0, "installer exit code: expected 0, got %r" % proc.returncode)
    finally:
        stop(proc)
        reset_installation(CUSTOM_DIR + "\\")


def make_test(dpi, custom):
    def test():
        set_system_dpi(dpi)
        try:
            run_at(dpi, custom)
        finally:
            set_system_dpi(96)
    test.__name__ = "test_%s_installation_at_%d_dpi" % ("custom" if custom else "quick", dpi)
    return test


# Each scale once; custom and quick alternate so both are driven at a fractional scale and an integral one.
run_tests([make_test(dpi, custom) for dpi, custom in zip(DPIS, (False, True, False, True))])
