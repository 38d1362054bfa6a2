"""A full disk through the wizard: the custom layout's folder on a small
tmpfs mapped as a Wine drive letter. The first page lets 立即安装 go only
while the drive has the space it asks for, so the drive fills up (another
program, say) between the choice of the folder and the click, leaving 48 KB
(the default payload needs some 90 KB). The progress page shows the write failure's box, naming the file that did
not fit; the run is undone whole (the folder it created gone, drive C:
unchanged, the temporary archive gone, nothing but the filler on the small
drive); and the installer
still answers: 确定 closes the box, the page repaints and answers, and its
close button ends the installer with code 0."""
import os

from tmpfs_drive import TmpfsDrive, listing
from wizard_common import *

CUSTOM_LINK = (10 + 20, 230 + 7)
WORK = bin_path("wizard-full-disk")
TMPFS_KB = 27 << 10     # above the 25.5 MB the first page asks for
LEFT_KB = 48            # free once the drive has filled up
DRIVE_C = os.path.join(os.environ["WINEPREFIX"], "drive_c")
# The box's message, from x = 60 (the icon stands left of it).
MESSAGE_AREA = (60, 40, 400, 160)


def text_lines(shot, win, area, level=140):
    """(first row, last row, leftmost dark x, rightmost dark x) of each band of rows holding dark pixels."""
    x0, y0, x1, y1 = area
    bands = []
    for y in range(y0, y1):
        xs = [x for x in range(x0, x1) if max(pixel_in(shot, win, (x, y))) < level]
        if not xs:
            continue
        if bands and bands[-1][1] >= y - 2:     # the strokes of one line may leave a row blank
            top, _, left, right = bands[-1]
            bands[-1] = (top, y, min(left, xs[0]), max(right, xs[-1]))
        else:
            bands.append((y, y, xs[0], xs[-1]))
    return bands


def write_failure_message(win):
    """The write failure's message: three lines, "写入文件失败，安装失败：", the
    path, "请检查磁盘的剩余空间。", with no blank line between them. The
    messages without a path have a blank line after the first; the creation
    failure's last line is half as long again as its first."""
    def check(shot):
        lines = text_lines(shot, win, MESSAGE_AREA)
        if len(lines) != 3:
            return "failure message: expected 3 lines of text (code 6: text, path, advice), got %r" % (lines,)
        height = lines[0][1] - lines[0][0] + 1
        if lines[1][0] - lines[0][1] > height:
            return "failure message: a blank line after the first (a message without a path): %r" % (lines,)
        first, last = lines[0][3] - lines[0][2], lines[2][3] - lines[2][2]
        if last > first * 1.2:
            return "failure message: its last line is longer than its first (not code 6's advice): %r" % (lines,)
        return None
    return check


def fill(mnt, left_kb):
    """Fills the drive at mnt up to left_kb free with a file of its own."""
    st = os.statvfs(mnt)
    with open(os.path.join(mnt, "filler"), "wb") as f:
        f.truncate(0)
        f.write(b"\0" * (st.f_bavail * st.f_frsize - (left_kb << 10)))
    st = os.statvfs(mnt)
    expect(st.f_bavail * st.f_frsize <= (left_kb + 4) << 10, "the drive did not fill up")


def test_install_folder_on_a_full_disk():
    reset_installation()
    with TmpfsDrive(WORK, TMPFS_KB) as drive:
        folder = drive.letter + ":\\Vellomar\\"
        before = listing(DRIVE_C)
        proc = start_installer()
        try:
            page = wait_page(FIRST_PAGE_TITLE, what="first page")
            click_in(page, CUSTOM_LINK)
            replace_path(page, folder)
            expect_shot("full_disk_folder_chosen", button_state(page, INSTALL_NOW, True, "立即安装 with room on the drive"))
            fill(drive.mnt, LEFT_KB)
            click_in(page, INSTALL_NOW)
            box = wait_box(timeout=60)
            progress = wait_page("", what="progress page behind the failure box")
            expect_shot("full_disk_box", write_failure_message(box))

            # Undone whole: the folder the run created is gone, and nothing else of it stays.
            expect(sorted(os.listdir(drive.mnt)) == ["filler"],
                   "left on the small drive after the failure: %r" % os.listdir(drive.mnt))
            after = listing(DRIVE_C)
            changed = sorted(p for p in set(before) | set(after) if before.get(p) != after.get(p))
            expect(not changed, "drive C: changed (the temporary archive left?): %r" % changed[:5])

            # The installer still answers: the box goes, the page repaints and can be closed.
            click_in(box, BOX_SECOND)   # 确定
            wait_no_box()
            rc, out = wine(bin_path("tests", "e2e", "winprobe.exe"), "ping", str(progress["hwnd"]), "5", "50")
            expect("answers=5" in out, "the progress page does not answer after the box: %r" % out)
            expect_shot("full_disk_page_after_box",
                        dark_pixels(progress, (30, 25, 150, 41), 10, "title 正在安装Vellomar", level=160))
            close_failed_installation(proc, progress)
        finally:
            stop(proc)
    reset_installation()


run_tests([test_install_folder_on_a_full_disk])
