"""A damaged payload (VLSetupDamaged.exe: the same installer built with a
corrupted archive): the progress page, where the first page stood, shows the
failure box centred over itself, and once it is
dismissed the page's close button ends the installer with exit code 0.
Enter and Escape do nothing on the progress page."""
from wizard_common import *

DAMAGED = bin_path("tests", "e2e", "VLSetupDamaged.exe")


def test_failure_box_and_closable_page():
    reset_installation()
    proc = start_installer(DAMAGED)
    try:
        page = wait_page(FIRST_PAGE_TITLE, what="first page")
        click_in(page, QUICK_INSTALL)
        box = wait_box(timeout=60)
        progress = wait_page("", what="progress page behind the failure box")
        expect_size(progress, PAGE_SIZE, "progress page")
        # The progress page took the first page's place; the box centres over it.
        expect((progress["x"], progress["y"]) == (page["x"], page["y"]),
               "progress page at %r, the first page stood at %r" % ((progress["x"], progress["y"]), (page["x"], page["y"])))
        box_centre = (box["x"] + box["w"] // 2, box["y"] + box["h"] // 2)
        page_centre = (progress["x"] + progress["w"] // 2, progress["y"] + progress["h"] // 2)
        expect(abs(box_centre[0] - page_centre[0]) <= 1 and abs(box_centre[1] - page_centre[1]) <= 1,
               "failure box not centred over the progress page: box centre %r, page centre %r" % (box_centre, page_centre))
        # The message (it has CR LF breaks) from x = 60, the icon at (10, 60).
        expect_shot("wizard_failure_box", dark_pixels(box, (60, 65, 320, 155), 20, "failure message"))

        click_in(box, BOX_SECOND)   # 确定: stay on the page
        wait_no_box()
        expect_shot("wizard_progress_page_failed",
                    # Title "正在安装Vellomar" at (30, 25); the bar's empty track at (38, 180, 340 x 6).
                    dark_pixels(progress, (30, 25, 150, 41), 10, "title 正在安装Vellomar", level=160),
                    # A lone "%" at (260, 110): no progress came before the failure.
                    dark_pixels(progress, (260, 110, 290, 142), 5, "percent sign", level=230),
                    lambda shot: None if max(pixel_in(shot, progress, (240, 140))) > 235 else "a number before the % sign",
                    color_near(progress, (38 + 300, 180 + 3), (211, 211, 211), "progress track", tolerance=20))

        for k in ("Return", "Escape"):
            key(k)
            time.sleep(0.7)
            expect(proc.poll() is None, k + " ended the installer")

        close_failed_installation(proc, progress)
    finally:
        stop(proc)
        reset_installation()


run_tests([test_failure_box_and_closable_page])
