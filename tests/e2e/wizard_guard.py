"""The running-instance guard: with a process whose image name is
Vellomar.exe running (in any letter case) the box comes before any page;
"重试" while it runs shows the box again; "取消" exits with code 0 and no
page; after the process ends, "重试" goes on to the first page. A process
named xVellomar.exe does not count. Started after the first page showed, it
is caught when 快速安装 is pressed, by the same box, before anything is
written."""
import tempfile

from wizard_common import *

APP_SOURCE = bin_path("payload", "Vellomar.exe")


def start_fake_app(name):
    """The payload's Vellomar.exe copied under another image name and started."""
    d = tempfile.mkdtemp(prefix="vlguard")
    exe = os.path.join(d, name)
    shutil.copy(APP_SOURCE, exe)
    proc = start(exe)
    wait_until(lambda: name.lower() in [p.lower() for p in processes()], name + " to run", timeout=30)
    # Its window too: shown after the installer's box, it would lie over it.
    wait_window(cls="VellomarMainWnd")
    return proc


def wait_fake_app_gone(name):
    wait_until(lambda: name.lower() not in [p.lower() for p in processes()], name + " to end", timeout=30)


def test_retry_while_running_then_after_it_ended():
    app = start_fake_app("VELLOMAR.EXE")
    proc = start_installer()
    try:
        box = wait_box()
        expect_size(box, BOX_SIZE, "guard box")
        expect(not installer_windows(PAGE_SIZE), "a page came before the guard's box")
        # The running-instance message has CR LF breaks: text from x = 60.
        expect_shot("wizard_guard_box", dark_pixels(box, (60, 65, 320, 155), 20, "running-instance message"))

        click_in(box, BOX_SECOND)          # 重试 while it runs
        time.sleep(1.0)
        box = wait_box()
        expect(not installer_windows(PAGE_SIZE), "重试 while running showed a page")

        stop(app)
        wait_fake_app_gone("VELLOMAR.EXE")
        click_in(box, BOX_SECOND)          # 重试 after it ended
        wait_page(FIRST_PAGE_TITLE, what="first page after 重试")
        expect(not installer_windows(BOX_SIZE), "the guard's box stayed")
    finally:
        stop(proc)
        stop(app)


def test_cancel_ends_without_a_page():
    app = start_fake_app("Vellomar.exe")
    proc = start_installer()
    try:
        box = wait_box()
        click_in(box, BOX_FIRST)           # 取消
        expect(wait_exit(proc) == 0, "exit code after 取消: expected 0, got %r" % proc.returncode)
        expect(not installer_windows(PAGE_SIZE), "a page was shown after 取消")
    finally:
        stop(proc)
        stop(app)


def test_other_image_names_do_not_count():
    app = start_fake_app("xVellomar.exe")
    proc = start_installer()
    try:
        wait_page(FIRST_PAGE_TITLE, what="first page with xVellomar.exe running")
        expect(not installer_windows(BOX_SIZE), "xVellomar.exe raised the guard")
    finally:
        stop(proc)
        stop(app)


def start_windowless_app():
    """A program without a window running as Vellomar.exe (the probe, waiting
    two minutes): a window of the program would take the activation, and on
    this display without a window manager the page would get no click back."""
    d = tempfile.mkdtemp(prefix="vlguard")
    exe = os.path.join(d, "Vellomar.exe")
    shutil.copy(bin_path("tests", "e2e", "winprobe.exe"), exe)
    proc = start(exe, "ping", "0", "1200", "100")
    wait_until(lambda: "vellomar.exe" in [p.lower() for p in processes()], "Vellomar.exe to run", timeout=30)
    return proc


def test_started_after_the_first_page_is_caught_at_install():
    reset_installation()
    proc = start_installer()
    app = None
    try:
        page = wait_page(FIRST_PAGE_TITLE, what="first page")
        app = start_windowless_app()
        click_in(page, QUICK_INSTALL)
        box = wait_box()
        expect_shot("wizard_guard_at_install", dark_pixels(box, (60, 65, 320, 155), 20, "running-instance message"))
        click_in(box, BOX_SECOND)          # 重试 while it runs
        time.sleep(1.0)
        box = wait_box()
        expect(not win_exists(default_install_dir() + "VLUninstall.exe"), "files written while Vellomar ran")

        stop(app)
        wait_fake_app_gone("Vellomar.exe")
        click_in(box, BOX_SECOND)          # 重试 after it ended
        wait_finish_after_registration()
        for f in installed_files_of(default_install_dir()):
            expect(win_exists(f), "not installed: " + f)
    finally:
        stop(proc)
        stop(app)
        reset_installation()


run_tests([test_retry_while_running_then_after_it_ended, test_cancel_ends_without_a_page,
           test_other_image_names_do_not_count, test_started_after_the_first_page_is_caught_at_install])
