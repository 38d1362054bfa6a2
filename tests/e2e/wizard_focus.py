"""Another program's window takes the activation while each installer window
is up (the first page in both layouts, the agreement viewer, the progress
page while a slow payload unpacks, the finish page, the guard's box): the
installer keeps running, and a click on the window afterwards still does its
job (on the progress page: its minimise button, while it unpacks; the
finish page then comes up minimised in its place, and comes back there). The
pages' timers keep posting messages meanwhile, and the pump offers every one
of them to PreTranslateMessage with no active window of its own."""
import tempfile

from wizard_common import *

CLICKME = bin_path("tests", "e2e", "clickme.exe")
# A payload of 10,000 small files (bench/wizard.cmake): seconds of unpacking.
SLOW_INSTALLER = bin_path("bench", "VLSetupMany.exe")
APP_SOURCE = bin_path("payload", "Vellomar.exe")

CUSTOM_LINK = (10 + 20, 230 + 7)
DEFAULT_LINK = (10 + 20, 175 + 7)
PROTOCOL_LINK_QUICK = (360 + 20, 230 + 7)
VIEWER_BACK = (0 + 30, 225 + 10)
MIN_BUTTON = (416 - 48, 16)
START_BUTTON = (148 + 8, 170 + 19)
# The longest the timers of a page may run against a null main window
# without harm being done: the crash came within a second.
EXPOSURE_S = 2.5


def is_minimised(win):
    """Wine parks a minimised window without a window manager at (-32000, -32000)."""
    return (win["x"], win["y"]) == (-32000, -32000)


def another_program_takes_activation(installer, win, what):
    """A window of another program comes up and takes the activation for a
    while; the installer must still run, its window still shown, when it
    goes. (A crashed program's windows vanish at once; its process may stay
    a while under Wine's debugger.)"""
    other = start(CLICKME)
    try:
        win = wait_window(title="VL harness", cls="VLClickMe")
        wait_until(lambda: foreground() == win["hwnd"], "the other program's window to take the activation",
                   timeout=15)
        deadline = time.time() + EXPOSURE_S
        while time.time() < deadline and installer.poll() is None:
            time.sleep(0.1)
        expect(installer.poll() is None, "the installer ended (exit code %r) while another program's window was "
               "active over the %s" % (installer.returncode, what))
        expect([w for w in windows() if w["hwnd"] == win["hwnd"] and w["visible"]],
               "the %s went away while another program's window was active" % what)
    finally:
        stop(other)
    wait_until(lambda: not [w for w in windows() if w["cls"] == "VLClickMe"], "the other program's window to go")


def test_first_page_in_both_layouts_and_the_viewer():
    reset_installation()
    proc = start_installer()
    try:
        page = wait_page(FIRST_PAGE_TITLE, what="first page")
        another_program_takes_activation(proc, page, "first page (quick layout)")
        click_in(page, CUSTOM_LINK)
        expect_shot("focus_first_page_custom", button_state(page, INSTALL_NOW, True, "立即安装 after the click on 自定义"))

        another_program_takes_activation(proc, page, "first page (custom layout)")
        click_in(page, DEFAULT_LINK)
        expect_shot("focus_first_page_quick", button_state(page, QUICK_INSTALL, True, "快速安装 after the click on 默认"))

        click_in(page, PROTOCOL_LINK_QUICK)
        viewer = wait_page("", what="agreement viewer")
        another_program_takes_activation(proc, viewer, "agreement viewer")
        click_in(viewer, VIEWER_BACK)
        expect(wait_page(FIRST_PAGE_TITLE, what="first page after 返回上级")["hwnd"] == page["hwnd"],
               "返回上级 showed another first page")
    finally:
        stop(proc)
        reset_installation()


def test_progress_page_while_unpacking():
    reset_installation()
    proc = start_installer(SLOW_INSTALLER)
    try:
        page = wait_page(FIRST_PAGE_TITLE, what="first page")
        click_in(page, QUICK_INSTALL)
        progress = wait_page("", what="progress page")
        another_program_takes_activation(proc, progress, "progress page")
        expect(reg_value(PRODUCT_KEY, "Install") is None, "the payload was unpacked before the check ended: "
               "the progress page was not tested while unpacking")
        # Still unpacking, with its page shown; a click on its minimise
        # button minimises it before the unpacking ends.
        expect([w for w in installer_windows(PAGE_SIZE) if w["hwnd"] == progress["hwnd"]],
               "the progress page is no longer shown")
        click_in(progress, MIN_BUTTON)
        # The unpacking may end while this looks: the finish page then takes
        # the progress page's place minimised, which it does only when the
        # click was handled while the progress page was up.
        wait_until(lambda: [w for w in windows() if w["pid"] == progress["pid"] and w["cls"] == DIALOG_CLASS
                            and w["visible"] and is_minimised(w)],
                   "the progress page (or the finish page in its place) to be minimised after a click on its "
                   "minimise button", timeout=10)
        finish_restores_where_the_progress_page_stood(proc, progress)
    finally:
        stop(proc)
        reset_installation()


def finish_restores_where_the_progress_page_stood(proc, progress):
    """With the progress page minimised, the finish page comes up minimised in
    its place; brought back as from the taskbar, it stands where the progress
    page stood, on the screen (not at the parking place of minimised windows)."""
    wait_until(lambda: reg_value(PRODUCT_KEY, "Install") is not None, "the registration after unpacking", timeout=60)
    finish = wait_until(lambda: ([w for w in windows() if w["pid"] == progress["pid"] and w["cls"] == DIALOG_CLASS
                                  and w["visible"] and w["hwnd"] != progress["hwnd"]] or [None])[0],
                        "the finish page", timeout=15)
    expect(is_minimised(finish), "the finish page came up at %r over a minimised progress page"
           % ((finish["x"], finish["y"]),))
    wine(bin_path("tests", "e2e", "winprobe.exe"), "restore", str(finish["hwnd"]))
    restored = wait_until(lambda: [w for w in windows() if w["hwnd"] == finish["hwnd"] and w["visible"]
                                   and not is_minimised(w)], "the finish page to come back", timeout=15)[0]
    expect((restored["x"], restored["y"], restored["w"], restored["h"]) ==
           (progress["x"], progress["y"], PAGE_SIZE[0], PAGE_SIZE[1]),
           "the finish page came back at %r, the progress page stood at %r"
           % ((restored["x"], restored["y"], restored["w"], restored["h"]), (progress["x"], progress["y"])))
    expect(proc.poll() is None, "the installer ended after unpacking (exit code %r)" % proc.returncode)


def test_finish_page():
    reset_installation()
    proc = start_installer()
    try:
        page = wait_page(FIRST_PAGE_TITLE, what="first page")
        click_in(page, QUICK_INSTALL)
        finish = wait_finish_after_registration()
        another_program_takes_activation(proc, finish, "finish page")
        click_in(finish, START_BUTTON)
        expect(wait_exit(proc) == 0, "exit code after 开始使用: expected 0, got %r" % proc.returncode)
        wait_until(lambda: "vellomar.exe" in [p.lower() for p in processes()],
                   "Vellomar.exe to run after 开始使用", timeout=30)
    finally:
        stop(proc)
        reset_installation()


def test_guard_box():
    d = tempfile.mkdtemp(prefix="vlfocus")
    shutil.copy(APP_SOURCE, os.path.join(d, "Vellomar.exe"))
    app = start(os.path.join(d, "Vellomar.exe"))
    proc = None
    try:
        wait_until(lambda: "vellomar.exe" in [p.lower() for p in processes()], "Vellomar.exe to run", timeout=30)
        proc = start_installer()
        box = wait_box()
        another_program_takes_activation(proc, box, "guard's box")
        click_in(box, BOX_FIRST)   # 取消
        expect(wait_exit(proc) == 0, "exit code after 取消: expected 0, got %r" % proc.returncode)
    finally:
        stop(proc)
        stop(app)
        stop_app()
        shutil.rmtree(d, ignore_errors=True)


import sys
run_tests([globals()[n] for n in sys.argv[1:]] or
          [test_first_page_in_both_layouts_and_the_viewer, test_progress_page_while_unpacking, test_finish_page,
           test_guard_box])
