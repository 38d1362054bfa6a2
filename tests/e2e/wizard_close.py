"""The close question of the first page: "取消" keeps the page; "确定" ends
the installer with exit code 0 and installs nothing. Enter and Escape do
nothing on the page (also with the path box focused) nor in the box."""
from wizard_common import *

CUSTOM_LINK = (10 + 20, 230 + 7)
PATH_BOX = (70 + 75, 208 + 8)


def test_cancel_keeps_the_page_and_ok_ends_the_installer():
    reset_installation()
    proc = start_installer()
    try:
        page = wait_page(FIRST_PAGE_TITLE, what="first page")
        click_in(page, CLOSE_BUTTON)
        box = wait_box()
        expect_size(box, BOX_SIZE, "question box")
        expect_shot("wizard_close_question",
                           lambda shot: None if pixel_in(shot, box, BOX_FIRST) != WHITE else "确定 missing at x = 268",
                           lambda shot: None if pixel_in(shot, box, BOX_SECOND) != WHITE else "取消 missing at x = 338",
                           # Icon at (20, 60), text from x = 80 (one line lower: a leading line feed).
                           lambda shot: None if is_red(pixel_in(shot, box, (20 + 4, 60 + 18))) else "no icon at (20, 60)",
                           dark_pixels(box, (80, 65, 340, 100), 4, "question text from x = 80", level=160),
                           dark_pixels(box, (20, 20, 70, 40), 5, "title 提示 at (20, 20)"))
        # Centred over the page it belongs to (wizard_place.py moves the page first).
        centre = (box["x"] + box["w"] // 2, box["y"] + box["h"] // 2)
        page_centre = (page["x"] + page["w"] // 2, page["y"] + page["h"] // 2)
        expect(abs(centre[0] - page_centre[0]) <= 1 and abs(centre[1] - page_centre[1]) <= 1,
               "question box not centred over the page: box %r, page %r" % (box, page))

        for k in ("Return", "Escape"):
            key(k)
            time.sleep(0.5)
            expect(installer_windows(BOX_SIZE), k + " closed the question box")

        click_in(box, BOX_SECOND)
        wait_no_box()
        expect(proc.poll() is None, "取消 ended the installer")
        expect(wait_page(FIRST_PAGE_TITLE, what="first page after 取消")["hwnd"] == page["hwnd"], "page changed")

        click_in(page, CLOSE_BUTTON)
        box = wait_box()
        click_in(box, BOX_FIRST)
        expect(wait_exit(proc) == 0, "exit code after 确定: expected 0, got %r" % proc.returncode)
        expect(not win_exists(default_install_dir()), "确定 left an install folder behind")
        expect(reg_value(PRODUCT_KEY, "Install") is None, "确定 left a registry value behind")
    finally:
        stop(proc)


def test_enter_and_escape_do_nothing_on_the_first_page():
    reset_installation()
    proc = start_installer()
    try:
        page = wait_page(FIRST_PAGE_TITLE, what="first page")
        click_in(page, (300, 100))   # the background: focus to the page
        for k in ("Return", "Escape"):
            key(k)
            time.sleep(0.7)
            expect(proc.poll() is None, k + " ended the installer")
            expect(not installer_windows(BOX_SIZE), k + " opened the question")
            expect(wait_page(FIRST_PAGE_TITLE, what="first page")["hwnd"] == page["hwnd"], k + " changed the page")
        click_in(page, CUSTOM_LINK)
        click_in(page, PATH_BOX)
        for k in ("Return", "Escape"):
            key(k)
            time.sleep(0.7)
            expect(proc.poll() is None, k + " in the path box ended the installer")
            expect(wait_page(FIRST_PAGE_TITLE, what="first page")["hwnd"] == page["hwnd"], k + " in the path box")
        expect(not win_exists(default_install_dir()), "Enter started an installation")
    finally:
        stop(proc)
        reset_installation()


run_tests([test_cancel_keeps_the_page_and_ok_ends_the_installer, test_enter_and_escape_do_nothing_on_the_first_page])
