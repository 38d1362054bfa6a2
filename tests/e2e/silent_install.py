"""The installer without a window: VLSetup.exe /S [/LOG=FILE] [/D=PATH].
No window shows while it runs; the exit code says how it ended; the
uninstall entry describes the installation and its quiet command removes it.
A damaged payload, a running Vellomar and a bad argument end with their own
codes and register nothing."""
import datetime
import re
import tempfile

from wizard_common import *

DAMAGED = bin_path("tests", "e2e", "VLSetupDamaged.exe")
APP_SOURCE = bin_path("payload", "Vellomar.exe")
LOG = "C:\\vlsilent\\setup log.txt"
SPACED_DIR = "C:\\vl silent\\Vel Notes\\"
LONG_DIR = "C:\\" + "\\".join("VellomarLongFolderName%02d" % i for i in range(10))
MOVE_ROOT = "C:\\vl move\\"


def read_log():
    with open(unix_path(LOG), encoding="utf-8") as f:
        return f.read()


def fresh_log_folder():
    folder = unix_path("C:\\vlsilent")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)


def run_silent(exe, *args, timeout=120):
    """Runs the installer to its end, checking all the while that it shows
    no window; returns its exit code."""
    before = {w["hwnd"] for w in windows()}
    proc = start(exe, *args)
    try:
        deadline = time.time() + timeout
        while proc.poll() is None:
            expect(time.time() < deadline, "the silent installer did not end within %ss" % timeout)
            shown = [w for w in windows() if w["hwnd"] not in before and (w["visible"] or w["cls"] == DIALOG_CLASS)]
            expect(not shown, "a window appeared during a silent run: %r" % shown)
        return proc.returncode
    finally:
        stop(proc)


def expect_nothing_registered():
    expect(reg_value(PRODUCT_KEY, "Install") is None, "the folder was remembered")
    expect(reg_value(UNINSTALL_KEY, "DisplayName") is None, "an uninstall entry was written")


def expect_log_lines(*patterns):
    log = read_log()
    for line in log.splitlines():
        expect(re.match(r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} ", line), "log line without a time stamp: %r" % line)
    for pattern in patterns:
        expect(re.search(pattern, log, re.M), "no log line matching %r in:\n%s" % (pattern, log))


def test_default_folder_entry_and_quiet_uninstall():
    reset_installation()
    fresh_log_folder()
    server = CaptureServer()
    try:
        rc = run_silent(VLSETUP, "/S", "/LOG=" + LOG)
    finally:
        server.close()
    expect(rc == 0, "exit code: expected 0, got %r" % rc)
    install_dir = default_install_dir()
    for f in installed_files_of(install_dir):
        expect(win_exists(f), "not installed: " + f)
    expect(not any(p.lower() == "vellomar.exe" for p in processes()), "a silent run started Vellomar")
    expect(len(server.requests) == 1, "reports sent: %d" % len(server.requests))

    with open(unix_path(install_dir + "config\\version.ini"), encoding="utf-8", errors="replace") as f:
        version = re.search(r"AppVerCode\s*=\s*(\d+)", f.read()).group(1)
    values = {
        "InstallLocation": install_dir,
        "DisplayVersion": version,
        "NoModify": "0x1",
        "NoRepair": "0x1",
        "QuietUninstallString": '"%sVLUninstall.exe" /S' % install_dir,
        "InstallDate": datetime.date.today().strftime("%Y%m%d"),
    }
    for name, want in values.items():
        got = reg_value(UNINSTALL_KEY, name)
        expect(got == want, "%s: expected %r, got %r" % (name, want, got))
    size_kb = int(reg_value(UNINSTALL_KEY, "EstimatedSize"), 16)
    files_kb = sum(os.path.getsize(unix_path(f)) for f in installed_files_of(install_dir)) / 1024
    expect(files_kb <= size_kb <= files_kb + 64, "EstimatedSize %d KB for %.0f KB of files" % (size_kb, files_kb))
    expect_log_lines(r" mode: silent$", r" folder: .*\\Vellomar\\$", r" space: \d+ bytes free", r" staging",
                     r" block 1: \d+ entries", r" block 1: written", r" registration: done",
                     r" report: answered with HTTP status \d+$", r" finished: exit code 0$")

    # The quiet command as a deployment tool runs it: no question, all gone.
    quiet = re.match(r'^"([^"]+)" (/S)$', values["QuietUninstallString"])
    rc, _ = wine(quiet.group(1), quiet.group(2), timeout=120)
    expect(rc == 0, "quiet uninstall: exit %r" % rc)
    wait_until(lambda: reg_value(UNINSTALL_KEY, "DisplayName") is None and reg_value(PRODUCT_KEY, "Install") is None,
               "the uninstall entry and the remembered folder to go", timeout=60)
    wait_until(lambda: not any(win_exists(f) for f in installed_files_of(install_dir)),
               "the installed files to go", timeout=60)
    for link in [desktop_link()] + start_menu_links():
        expect(not win_exists(link), "left behind: " + link)


def test_folder_with_spaces_without_quotes():
    reset_installation(SPACED_DIR)
    try:
        # The line reads "/S /D=C:\vl silent\Vel Notes": the folder unquoted, last.
        rc = run_silent(VLSETUP, "/S", *("/D=" + SPACED_DIR.rstrip("\\")).split(" "))
        expect(rc == 0, "exit code: expected 0, got %r" % rc)
        for f in installed_files_of(SPACED_DIR):
            expect(win_exists(f), "not installed: " + f)
        expect(reg_value(PRODUCT_KEY, "Install") == SPACED_DIR, "remembered folder: %r" % reg_value(PRODUCT_KEY, "Install"))
        expect(reg_value(UNINSTALL_KEY, "InstallLocation") == SPACED_DIR, "InstallLocation")
        expect(not win_exists(default_install_dir() + "Vellomar.exe"), "installed into the default folder too")
    finally:
        reset_installation(SPACED_DIR)


def test_failures_have_their_codes_and_register_nothing():
    reset_installation()
    fresh_log_folder()
    rc = run_silent(DAMAGED, "/S", "/LOG=" + LOG)
    expect(12 <= rc <= 19, "damaged payload: expected an extraction code 12-19, got %r" % rc)
    expect_nothing_registered()
    expect_log_lines(r" failed with exit code %d: extraction code %d, .*Vellomar" % (rc, rc - 10))

    for args, want, what in ((("/S", "/X"), 1, "unknown argument"),
                             (("/S", "/D=C:\\a|b"), 4, "a folder the first page refuses"),
                             (("/S", "/D=" + LONG_DIR), 4, "a folder too long for the payload's longest entry")):
        rc = run_silent(VLSETUP, *args)
        expect(rc == want, "%s: expected %d, got %r" % (what, want, rc))
    expect_nothing_registered()

    # The damaged run left what it unpacked before the bad block.
    reset_installation()
    d = tempfile.mkdtemp(prefix="vlsilent")
    exe = os.path.join(d, "Vellomar.exe")
    shutil.copy(APP_SOURCE, exe)
    app = start(exe)
    try:
        wait_until(lambda: "vellomar.exe" in [p.lower() for p in processes()], "Vellomar.exe to run", timeout=30)
        # Its window too: one showing up during the run would pass for the installer's.
        wait_window(cls="VellomarMainWnd")
        rc = run_silent(VLSETUP, "/S", "/LOG=" + LOG)
        expect(rc == 3, "Vellomar running: expected 3, got %r" % rc)
        expect_log_lines(r" failed with exit code 3: Vellomar\.exe$")
    finally:
        stop(app)
        stop_app()
    expect_nothing_registered()
    expect(not win_exists(default_install_dir() + "Vellomar.exe"), "files written while Vellomar ran")


def test_install_into_another_folder_moves_the_installation():
    """A second installation into another folder removes the first copy, all
    but the user's own file there; the entry and its quiet uninstall are the
    new folder's."""
    old, new = MOVE_ROOT + "old copy\\", MOVE_ROOT + "new copy\\"
    reset_installation(MOVE_ROOT)
    try:
        # The folder unquoted and last, as a script would write it.
        expect(run_silent(VLSETUP, "/S", *("/D=" + old.rstrip("\\")).split(" ")) == 0,
               "the first installation failed")
        notes = bytes.fromhex("efbbbf") + "我的笔记".encode("utf-8")
        with open(unix_path(old + "notes.txt"), "wb") as f:
            f.write(notes)
        fresh_log_folder()
        expect(run_silent(VLSETUP, "/S", "/LOG=" + LOG, *("/D=" + new.rstrip("\\")).split(" ")) == 0,
               "the second installation failed")
        expect_log_lines(r" previous installation: removing C:\\vl move\\old copy\\$")

        for f in installed_files_of(new):
            expect(win_exists(f), "not installed: " + f)
        old_entries = sorted(os.listdir(unix_path(old)))
        expect(old_entries == ["notes.txt"], "left of the previous copy: %r" % old_entries)
        with open(unix_path(old + "notes.txt"), "rb") as f:
            expect(f.read() == notes, "the user's notes changed")
        expect(reg_value(PRODUCT_KEY, "Install") == new, "remembered: %r" % reg_value(PRODUCT_KEY, "Install"))

        rc, _ = wine(new + "VLUninstall.exe", "/S", timeout=120)
        expect(rc == 0, "the quiet uninstall: exit %r" % rc)
        wait_until(lambda: not win_exists(new), "the new copy to go", timeout=60)
        expect(sorted(os.listdir(unix_path(old))) == ["notes.txt"], "the uninstall touched the old folder")
    finally:
        reset_installation(MOVE_ROOT)


def test_bad_argument_box_when_interactive():
    """Without /S a bad argument is told in the skin's box, before any page;
    the installer then ends with code 1."""
    reset_installation()
    proc = start(VLSETUP, "/X")
    try:
        box = wait_box()
        expect_size(box, BOX_SIZE, "argument box")
        expect(not installer_windows(PAGE_SIZE), "a page came with a bad argument")
        expect_shot("setup_bad_argument_box", dark_pixels(box, (60, 65, 320, 155), 20, "argument message"))
        click_in(box, BOX_SECOND)
        rc = wait_exit(proc)
        expect(rc == 1, "exit code: expected 1, got %r" % rc)
    finally:
        stop(proc)
    expect_nothing_registered()


run_tests([test_default_folder_entry_and_quiet_uninstall, test_folder_with_spaces_without_quotes,
           test_failures_have_their_codes_and_register_nothing, test_install_into_another_folder_moves_the_installation,
           test_bad_argument_box_when_interactive])
