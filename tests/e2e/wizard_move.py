"""An installation moved through the wizard: Vellomar installed in one
folder (unattended), the user's notes written there, then the wizard's
custom layout installing into another folder. When the installer has ended,
the first folder holds the notes and nothing else, the new one is whole and
registered, and its uninstaller leaves the notes alone."""
from wizard_common import *

CUSTOM_LINK = (10 + 20, 230 + 7)
MOVE_ROOT = "C:\\vl wizard move\\"
OLD_DIR = MOVE_ROOT + "old\\"
NEW_DIR = MOVE_ROOT + "new"


def test_custom_folder_moves_the_installation():
    reset_installation(MOVE_ROOT)
    try:
        rc, _ = wine(VLSETUP, "/S", *("/D=" + OLD_DIR.rstrip("\\")).split(" "), timeout=120)
        expect(rc == 0, "the first installation: exit %r" % rc)
        notes = b"\xef\xbb\xbfmy notes"
        with open(unix_path(OLD_DIR + "notes.txt"), "wb") as f:
            f.write(notes)

        proc = start_installer()
        try:
            page = wait_page(FIRST_PAGE_TITLE, what="first page")
            click_in(page, CUSTOM_LINK)
            replace_path(page, NEW_DIR)
            click_in(page, INSTALL_NOW)
            finish = wait_finish_after_registration()
            click_in(finish, CLOSE_BUTTON)
            expect(wait_exit(proc) == 0, "installer exit code: expected 0, got %r" % proc.returncode)
        finally:
            stop(proc)

        expect(reg_value(PRODUCT_KEY, "Install") == NEW_DIR + "\\", "remembered: %r" % reg_value(PRODUCT_KEY, "Install"))
        for f in installed_files_of(NEW_DIR + "\\"):
            expect(win_exists(f), "not installed: " + f)
        left = sorted(os.listdir(unix_path(OLD_DIR)))
        expect(left == ["notes.txt"], "left of the previous copy: %r" % left)
        with open(unix_path(OLD_DIR + "notes.txt"), "rb") as f:
            expect(f.read() == notes, "the user's notes changed")
    finally:
        reset_installation(MOVE_ROOT)


run_tests([test_custom_folder_moves_the_installation])
