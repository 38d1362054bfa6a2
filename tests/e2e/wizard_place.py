"""Where the wizard's windows open: the first page centred on the work area
of the screen the mouse is on; a dragged page is followed by the agreement
viewer, the page again, the progress and the finish page at the same place;
the close question centred over the page it belongs to."""
from wizard_common import *

PROTOCOL_LINK = (360 + 20, 230 + 7)
VIEWER_BACK = (0 + 30, 225 + 10)
PAGE_BACKGROUND = (380, 120)      # right of the picture, below the title buttons
VIEWER_BACKGROUND = (200, 40)     # between the title and the agreement text


def drag(win, point, dx, dy):
    """Presses on the window's background and moves the mouse by (dx, dy) in steps."""
    x, y = win["x"] + point[0], win["y"] + point[1]
    move_pointer(x, y)
    xdotool("mousedown", 1)
    for i in range(1, 11):
        xdotool("mousemove", "--sync", x + dx * i // 10, y + dy * i // 10)
        time.sleep(0.05)
    xdotool("mouseup", 1)


def wait_at(title, pos, what, timeout=15):
    """The visible page with this title, once it stands at pos."""
    def find():
        pages = [w for w in installer_windows(PAGE_SIZE) if w["title"] == title]
        return pages[0] if len(pages) == 1 and (pages[0]["x"], pages[0]["y"]) == pos else None
    try:
        return wait_until(find, "%s at %r" % (what, pos), timeout=timeout)
    except Failure:
        raise Failure("%s: expected at %r, got %r" % (
            what, pos, [(w["x"], w["y"]) for w in installer_windows(PAGE_SIZE) if w["title"] == title]))


def centre(win):
    return (win["x"] + win["w"] // 2, win["y"] + win["h"] // 2)


def test_first_page_centred_on_the_work_area():
    reset_installation()
    move_pointer(40, 40)
    proc = start_installer()
    try:
        page = wait_page(FIRST_PAGE_TITLE, what="first page")
        shot = screenshot("place_first_page")
        expected = ((shot.width - PAGE_SIZE[0]) // 2, (shot.height - PAGE_SIZE[1]) // 2)
        expect((page["x"], page["y"]) == expected,
               "first page on a %dx%d screen: expected at %r, got %r" % (shot.width, shot.height, expected,
                                                                          (page["x"], page["y"])))
    finally:
        stop(proc)


def test_pages_follow_a_dragged_page():
    reset_installation()
    proc = start_installer()
    try:
        page = wait_page(FIRST_PAGE_TITLE, what="first page")
        moved = (page["x"] - 300, page["y"] - 200)
        drag(page, PAGE_BACKGROUND, -300, -200)
        page = wait_at(FIRST_PAGE_TITLE, moved, "dragged first page")

        # The question box over the page it belongs to, wherever that is.
        click_in(page, CLOSE_BUTTON)
        box = wait_box()
        expect(abs(centre(box)[0] - centre(page)[0]) <= 1 and abs(centre(box)[1] - centre(page)[1]) <= 1,
               "question box centred over the dragged page: box centre %r, page centre %r"
               % (centre(box), centre(page)))
        click_in(box, BOX_SECOND)
        wait_no_box()

        # The viewer opens where the page stands; the page comes back where the viewer stands.
        click_in(page, PROTOCOL_LINK)
        viewer = wait_at("", moved, "agreement viewer")
        # Its disabled 快速安装 waits for the box, which holds the focus.
        wait_until(lambda: focus_id(viewer["hwnd"]) == 1036, "the focus on the viewer's agreement box", timeout=10)
        expect_shot("place_viewer_over_dragged_page",
                    dark_pixels(viewer, (20, 60, 380, 180), 50, "agreement text in the viewer"))
        moved_again = (viewer["x"] + 400, viewer["y"] + 250)
        drag(viewer, VIEWER_BACKGROUND, 400, 250)
        viewer = wait_at("", moved_again, "dragged viewer")
        click_in(viewer, VIEWER_BACK)
        page = wait_at(FIRST_PAGE_TITLE, moved_again, "first page after 返回上级")

        # The installation's pages take the page's place too.
        click_in(page, QUICK_INSTALL)
        finish = wait_finish_after_registration()
        expect((finish["x"], finish["y"]) == moved_again,
               "finish page: expected at %r, got %r" % (moved_again, (finish["x"], finish["y"])))
        expect_shot("place_finish_page", button_state(finish, (148 + 8, 170 + 19), True, "开始使用"))
        click_in(finish, CLOSE_BUTTON)
        expect(wait_exit(proc) == 0, "installer exit code: expected 0, got %r" % proc.returncode)
    finally:
        stop(proc)
        reset_installation()


run_tests([test_first_page_centred_on_the_work_area, test_pages_follow_a_dragged_page])
