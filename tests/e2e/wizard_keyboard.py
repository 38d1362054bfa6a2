"""An installation with the keyboard alone: Tab starts at each window's main
action and follows the page, the focus is marked only once the keyboard is in
use (the screenshots show it), Space presses buttons, ticks the agreement box
and switches the layout, the close question answers to Tab and Space, and a
typed folder installs."""
from wizard_common import *

# Control ids of the first page, the finish page and the message box.
QUICK_ID, INSTALL_NOW_ID, CUSTOM_ID, DEFAULT_ID, AGREE_ID, PROTOCOL_ID, PATH_ID, BROWSE_ID, MIN_ID, CLOSE_ID = (
    1043, 1017, 1037, 1038, 1036, 1039, 1007, 1013, 1029, 1030)
START_ID, BOX_FIRST_ID, BOX_SECOND_ID = 1025, 1027, 1028
KEYS_DIR = "C:\\VLKeys\\Notes"

MARK_ON_RED = (255, 255, 255)   # inside the red action buttons
MARK_DARK = (0x33, 0x33, 0x33)  # on the white page and the light box buttons


def focus_mark(win, x0, x1, y, rgb, shown, what):
    """The mark's top edge: a dot every other pixel from x0 in colour rgb."""
    def check(shot):
        xs = range(x0, x1, 2)
        n = sum(1 for x in xs if all(abs(a - b) <= 60 for a, b in zip(pixel_in(shot, win, (x, y)), rgb)))
        ok = n >= 0.6 * len(xs) if shown else n <= 0.2 * len(xs)
        return None if ok else "%s: expected the focus mark %s, got %d of %d dots in %s at y %d" % (
            what, "shown" if shown else "hidden", n, len(xs), rgb, y)
    return check


def action_mark(win, left, top, shown, what, rgb=MARK_ON_RED, width=130):
    # FOCUS_CUE_INSET (4) inside the picture.
    return focus_mark(win, left + 4, left + width - 6, top + 4, rgb, shown, what)


def press(name, win, expected_id, what):
    key(name)
    wait_until(lambda: focus_id(win["hwnd"]) == expected_id,
               "%s: the focus on control %d after %s (now on %d)" % (what, expected_id, name, focus_id(win["hwnd"])),
               timeout=10)


def test_keyboard_only_installation():
    reset_installation("C:\\VLKeys\\")
    proc = start_installer()
    try:
        page = wait_page(FIRST_PAGE_TITLE, what="first page")
        # Xvfb has no window manager: X sends keys to the window under the
        # pointer, where Windows sends them to the foreground page. The
        # pointer rests over the page (no click) wherever an earlier test left it.
        move_pointer(page["x"] + page["w"] // 2, page["y"] + 8)
        wait_until(lambda: focus_id(page["hwnd"]) == QUICK_ID, "the focus on 快速安装 as the page opens", timeout=10)
        expect_shot("keyboard_first_page_opened",
                    button_state(page, QUICK_INSTALL, True, "快速安装"),
                    action_mark(page, 148, 170, False, "快速安装 before any key"))

        # Tab: the page in reading order, the title buttons last.
        press("Tab", page, CUSTOM_ID, "first Tab")
        expect_shot("keyboard_custom_link_focused",
                    focus_mark(page, 10, 74, 230, MARK_DARK, True, "自定义安装 link"),
                    action_mark(page, 148, 170, False, "快速安装 after the focus left it"))
        press("Tab", page, AGREE_ID, "second Tab")
        press("Tab", page, PROTOCOL_ID, "third Tab")
        press("Tab", page, MIN_ID, "fourth Tab")
        press("Tab", page, CLOSE_ID, "fifth Tab")

        # The close question, by keyboard: its first button holds the focus.
        key("space")
        box = wait_box()
        centre = (box["x"] + box["w"] // 2, box["y"] + box["h"] // 2)
        page_centre = (page["x"] + page["w"] // 2, page["y"] + page["h"] // 2)
        expect(abs(centre[0] - page_centre[0]) <= 1 and abs(centre[1] - page_centre[1]) <= 1,
               "question box centred over the page: box centre %r, page centre %r" % (centre, page_centre))
        wait_until(lambda: focus_id(box["hwnd"]) == BOX_FIRST_ID, "the focus on 确定 as the box opens", timeout=10)
        expect_shot("keyboard_box_first_focused",
                    action_mark(box, 268, 163, True, "确定", MARK_DARK, width=64),
                    action_mark(box, 338, 163, False, "取消", MARK_DARK, width=64))
        press("Tab", box, BOX_SECOND_ID, "Tab in the box")
        expect_shot("keyboard_box_second_focused", action_mark(box, 338, 163, True, "取消", MARK_DARK, width=64))
        key("space")
        wait_no_box()
        expect(proc.poll() is None, "取消 by Space ended the installer")

        # Round to the main action again; Space on the box unticks and ticks.
        press("Tab", page, QUICK_ID, "Tab from the close button")
        expect_shot("keyboard_quick_install_focused", action_mark(page, 148, 170, True, "快速安装"))
        press("Tab", page, CUSTOM_ID, "Tab to the link")
        press("Tab", page, AGREE_ID, "Tab to the agreement box")
        key("space")
        expect_shot("keyboard_agreement_unticked", button_state(page, QUICK_INSTALL, False, "快速安装 after Space on the box"),
                    focus_mark(page, 214, 300, 230, MARK_DARK, True, "agreement box"))
        key("space")
        expect_shot("keyboard_agreement_ticked", button_state(page, QUICK_INSTALL, True, "快速安装 after Space again"))

        # Space on the link: the custom layout, the focus on its install button.
        press("shift+Tab", page, CUSTOM_ID, "Shift+Tab back to the link")
        key("space")
        wait_until(lambda: focus_id(page["hwnd"]) == INSTALL_NOW_ID, "the focus on 立即安装 in the custom layout", timeout=10)
        expect_shot("keyboard_custom_layout", button_state(page, INSTALL_NOW, True, "立即安装"),
                    action_mark(page, 285, 205, True, "立即安装"))
        for expected in (DEFAULT_ID, AGREE_ID, PROTOCOL_ID, PATH_ID):
            press("Tab", page, expected, "Tab through the custom layout")
        # Tab into the path box selects its text: typing replaces it.
        type_text(KEYS_DIR)
        wait_until(lambda: control_text(page["hwnd"], PATH_ID) == KEYS_DIR, "the typed folder in the path box", timeout=10)
        press("Tab", page, BROWSE_ID, "Tab to 浏览")
        for expected in (PATH_ID, PROTOCOL_ID, AGREE_ID, DEFAULT_ID, INSTALL_NOW_ID):
            press("shift+Tab", page, expected, "Shift+Tab back to 立即安装")
        expect_shot("keyboard_install_now_focused", action_mark(page, 285, 205, True, "立即安装 before Space"))
        key("space")

        finish = wait_finish_page()
        expect((finish["x"], finish["y"]) == (page["x"], page["y"]),
               "finish page at %r, the first page stood at %r" % ((finish["x"], finish["y"]), (page["x"], page["y"])))
        wait_until(lambda: focus_id(finish["hwnd"]) == START_ID, "the focus on 开始使用", timeout=10)
        # Reached by the keyboard: the mark shows at once.
        expect_shot("keyboard_finish_page", action_mark(finish, 148, 170, True, "开始使用"))
        expect(reg_value(PRODUCT_KEY, "Install") == KEYS_DIR + "\\",
               "Install value: expected %r, got %r" % (KEYS_DIR + "\\", reg_value(PRODUCT_KEY, "Install")))
        for f in installed_files_of(KEYS_DIR + "\\"):
            expect(win_exists(f), "installed file missing: " + f)

        key("space")
        expect(wait_exit(proc) == 0, "installer exit code after Space on 开始使用: expected 0, got %r" % proc.returncode)
        wait_until(lambda: "vellomar.exe" in [p.lower() for p in processes()], "Vellomar.exe to run", timeout=30)
    finally:
        stop(proc)
        reset_installation("C:\\VLKeys\\")


run_tests([test_keyboard_only_installation])
