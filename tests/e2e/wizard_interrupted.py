"""An installation ended halfway and started again. While VLSetupMany.exe
(10,000 small files) unpacks, Alt+F4 on the progress page ends the installer
there, nothing registered; the installer started again installs into the
same, half-written folder: every file of the payload is there and whole, and
the installation is registered."""
import os

from wizard_common import *

MANY = bin_path("bench", "VLSetupMany.exe")
# The tree the payload was packed from (bench/wizard_payload/make_many.py).
MANY_STAGE = bin_path("bench", "many", "stage")
FIRST_FILES = 300       # written before the Alt+F4


def files_below(root):
    """Relative paths of the files below root."""
    return [os.path.relpath(os.path.join(d, f), root) for d, _, names in os.walk(root) for f in names]


def test_alt_f4_mid_extraction_then_a_whole_installation():
    reset_installation()
    folder = unix_path(default_install_dir())
    payload = files_below(MANY_STAGE)
    expect(len(payload) > 10000, "the payload's stage holds %d files" % len(payload))

    proc = start_installer(MANY)
    try:
        page = wait_page(FIRST_PAGE_TITLE, what="first page")
        click_in(page, QUICK_INSTALL)
        progress = wait_page("", what="progress page")
        wait_until(lambda: os.path.isdir(folder) and len(files_below(folder)) >= FIRST_FILES,
                   "the first %d files" % FIRST_FILES, timeout=60, step=0.05)
        # Keys go to the window under the pointer (Xvfb has no window manager).
        move_pointer(progress["x"] + progress["w"] // 2, progress["y"] + 8)
        pressed = time.time()
        key("alt+F4")
        code = wait_exit(proc, timeout=30)
        took = time.time() - pressed
        written = len(files_below(folder))
        print("Alt+F4: the installer ended in %.2f s with %d of %d files written" % (took, written, len(payload)),
              flush=True)
        expect(code == 0, "exit code after Alt+F4: expected 0, got %r" % code)
        expect(written < len(payload), "every file was written before the installer ended: Alt+F4 came too late")
        expect(reg_value(PRODUCT_KEY, "Install") is None, "an installation ended halfway was registered")
    finally:
        stop(proc)

    try:
        quick_install(MANY, timeout=300)
        installed = set(files_below(folder))
        missing = [f for f in payload if f not in installed]
        expect(not missing, "%d payload files missing after the second run, e.g. %r" % (len(missing), missing[:3]))
        differ = [f for f in payload
                  if open(os.path.join(MANY_STAGE, f), "rb").read() != open(os.path.join(folder, f), "rb").read()]
        expect(not differ, "%d files differ from the payload after the second run, e.g. %r" % (len(differ), differ[:3]))
        expect(reg_value(PRODUCT_KEY, "Install") is not None, "the second run did not register the installation")
    finally:
        reset_installation()


run_tests([test_alt_f4_mid_extraction_then_a_whole_installation])
