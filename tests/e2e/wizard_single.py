"""One installer at a time: a second VLSetup.exe opens no wizard of its own,
brings the running installer's window to the front and exits with code 0,
whether the first one waits on its first page behind another program's
window or is unpacking."""
from wizard_common import *

CLICKME = bin_path("tests", "e2e", "clickme.exe")
# A payload of 10,000 small files (bench/wizard.cmake): seconds of unpacking.
SLOW_INSTALLER = bin_path("bench", "VLSetupMany.exe")


def start_second_and_expect_it_defers(first_hwnd, exe=VLSETUP):
    before = set(w["hwnd"] for w in windows())
    second = start_installer(exe)
    try:
        code = wait_exit(second, timeout=60)
        expect(code == 0, "exit code of the second installer: expected 0, got %r" % code)
    finally:
        stop(second)
    new = [w for w in windows() if w["hwnd"] not in before and w["visible"] and w["cls"] == DIALOG_CLASS]
    expect(not new, "the second installer showed windows of its own: %r" % new)
    wait_until(lambda: foreground() == first_hwnd, "the running installer's window (%d) in front, got %d"
               % (first_hwnd, foreground()), timeout=15)


def test_second_start_brings_the_first_page_to_the_front():
    reset_installation()
    proc = start_installer()
    other = None
    try:
        page = wait_page(FIRST_PAGE_TITLE, what="first page")
        other = start(CLICKME)
        win = wait_window(title="VL harness", cls="VLClickMe")
        wait_until(lambda: foreground() == win["hwnd"], "the other program's window to take the activation")
        time.sleep(1.0)   # the page's timers run meanwhile, with no active window of the installer
        expect([w for w in windows() if w["hwnd"] == page["hwnd"] and w["visible"]],
               "the first page went away while another program's window was active")
        start_second_and_expect_it_defers(page["hwnd"])
        expect(proc.poll() is None, "the first installer ended (exit code %r)" % proc.returncode)
        expect([w["hwnd"] for w in installer_windows(PAGE_SIZE)] == [page["hwnd"]],
               "expected only the first installer's page, got %r" % installer_windows(PAGE_SIZE))
    finally:
        stop(other)
        stop(proc)
        reset_installation()


def test_second_start_while_the_first_unpacks():
    reset_installation()
    proc = start_installer(SLOW_INSTALLER)
    try:
        page = wait_page(FIRST_PAGE_TITLE, what="first page")
        click_in(page, QUICK_INSTALL)
        progress = wait_page("", what="progress page")
        # The first page hides itself once the progress page is up.
        wait_until(lambda: [w["hwnd"] for w in installer_windows(PAGE_SIZE)] == [progress["hwnd"]],
                   "the first page to hide behind the progress page")
        start_second_and_expect_it_defers(progress["hwnd"], SLOW_INSTALLER)
        expect(reg_value(PRODUCT_KEY, "Install") is None, "the payload was unpacked before the second start ended: "
               "the second start was not tested while unpacking")
        expect(proc.poll() is None, "the first installer ended (exit code %r)" % proc.returncode)
        pages = installer_windows(PAGE_SIZE)
        expect([w["hwnd"] for w in pages] == [progress["hwnd"]],
               "expected only the first installer's progress page, got %r" % pages)

    finally:
        stop(proc)
        reset_installation()


import sys
run_tests([globals()[n] for n in sys.argv[1:]] or [test_second_start_brings_the_first_page_to_the_front, test_second_start_while_the_first_unpacks])
