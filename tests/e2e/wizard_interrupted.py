"""Installations ended halfway, as a user ends them. While VLSetupMany.exe
(10,000 small files) unpacks:
- Alt+F4 on the progress page of a first installation ends the installer
  without a question, leaving no folder, nothing registered and nothing of
  ours in the temporary folder; a second run then installs whole;
- Alt+F4 during an upgrade leaves the previous installation byte for byte,
  still registered;
- an upgrade killed (TerminateProcess) is undone by the next start, before
  its first page shows."""
import glob
import os

from wizard_common import *

MANY = bin_path("bench", "VLSetupMany.exe")
# The tree the payload was packed from (bench/wizard_payload/make_many.py).
MANY_STAGE = bin_path("bench", "many", "stage")
FIRST_FILES = 300       # written before the interruption


def files_below(root):
    """Relative paths of the files below root."""
    return [os.path.relpath(os.path.join(d, f), root) for d, _, names in os.walk(root) for f in names]


def ours_in_temp():
    """Staged archives of ours left in the temporary folder."""
    return glob.glob(os.path.join(unix_path(win_env("TEMP")), "vlsetup-stage-*.7z"))


def beside_folder(folder):
    """The journal and the old copies' folder a run keeps beside the install folder."""
    return [p for p in (folder.rstrip("/") + ".vlsetup-journal", folder.rstrip("/") + ".vlsetup-aside")
            if os.path.exists(p)]


def start_many_and_wait_for_files(folder, already=0):
    """VLSetupMany.exe through 快速安装, once FIRST_FILES more files are there."""
    proc = start_installer(MANY)
    page = wait_page(FIRST_PAGE_TITLE, what="first page")
    click_in(page, QUICK_INSTALL)
    progress = wait_page("", what="progress page")
    wait_until(lambda: os.path.isdir(folder) and len(files_below(folder)) >= already + FIRST_FILES,
               "the first %d files" % FIRST_FILES, timeout=60, step=0.05)
    return proc, progress


def alt_f4(proc, progress):
    """Alt+F4 over the progress page; returns the seconds until the installer ended."""
    # Keys go to the window under the pointer (Xvfb has no window manager).
    move_pointer(progress["x"] + progress["w"] // 2, progress["y"] + 8)
    pressed = time.time()
    key("alt+F4")
    code = wait_exit(proc, timeout=60)
    took = time.time() - pressed
    expect(code == 0, "exit code after Alt+F4: expected 0, got %r" % code)
    return took


def test_alt_f4_on_a_first_installation_leaves_nothing():
    reset_installation()
    folder = unix_path(default_install_dir())
    payload = files_below(MANY_STAGE)
    expect(len(payload) > 10000, "the payload's stage holds %d files" % len(payload))
    temp_before = set(ours_in_temp())

    proc = None
    try:
        proc, progress = start_many_and_wait_for_files(folder)
        took = alt_f4(proc, progress)
        print("Alt+F4 on a first installation: the installer ended in %.2f s" % took, flush=True)
        expect(not os.path.exists(folder), "the cancelled first installation left its folder: %d files"
               % (len(files_below(folder)) if os.path.isdir(folder) else 0))
        expect(not beside_folder(folder), "left beside the folder: %r" % beside_folder(folder))
        expect(reg_value(PRODUCT_KEY, "Install") is None, "an installation ended halfway was registered")
        expect(set(ours_in_temp()) <= temp_before, "staged archive left: %r" % sorted(set(ours_in_temp()) - temp_before))
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


def installed_previous(folder):
    """A whole installation of the default payload, with the user's settings
    changed and a file of the user's own; returns its snapshot."""
    reset_installation()
    quick_install()
    stop_app()
    with open(os.path.join(folder, "config", "config.ini"), "wb") as f:
        f.write(b"[user]\r\nkept=1\r\n")
    with open(os.path.join(folder, "my notes.txt"), "wb") as f:
        f.write(b"the user's own file")
    expect(reg_value(PRODUCT_KEY, "Install") is not None, "the previous installation is not registered")
    return snapshot(folder)


def test_alt_f4_during_an_upgrade_keeps_the_previous_installation():
    folder = unix_path(default_install_dir())
    try:
        before = installed_previous(folder)
        registered = reg_value(UNINSTALL_KEY, "DisplayVersion")
        temp_before = set(ours_in_temp())
        proc = None
        try:
            proc, progress = start_many_and_wait_for_files(folder, already=len(files_below(folder)))
            took = alt_f4(proc, progress)
            print("Alt+F4 during an upgrade: the installer ended in %.2f s" % took, flush=True)
        finally:
            stop(proc)
        after = snapshot(folder)
        expect(after == before, "the previous installation changed: " + differences(before, after))
        expect(not beside_folder(folder), "left beside the folder: %r" % beside_folder(folder))
        expect(reg_value(PRODUCT_KEY, "Install") == default_install_dir(), "the previous installation lost its registration")
        expect(reg_value(UNINSTALL_KEY, "DisplayVersion") == registered, "the uninstall entry changed")
        expect(set(ours_in_temp()) <= temp_before, "staged archive left: %r" % sorted(set(ours_in_temp()) - temp_before))
    finally:
        reset_installation()


def test_killed_upgrade_is_undone_by_the_next_start():
    folder = unix_path(default_install_dir())
    try:
        before = installed_previous(folder)
        proc = None
        try:
            proc, progress = start_many_and_wait_for_files(folder, already=len(files_below(folder)))
            # TerminateProcess: nothing of the installer runs after it.
            wine("taskkill", "/f", "/im", "VLSetupMany.exe")
            wait_exit(proc, timeout=30)
        finally:
            stop(proc)
        expect(snapshot(folder) != before, "the kill came after the upgrade ended: nothing to undo")

        proc = start_installer()
        try:
            wait_page(FIRST_PAGE_TITLE, what="first page after the kill")
            after = snapshot(folder)
            expect(after == before, "the killed upgrade was not undone: " + differences(before, after))
            expect(not beside_folder(folder), "left beside the folder: %r" % beside_folder(folder))
            expect(reg_value(PRODUCT_KEY, "Install") == default_install_dir(),
                   "the previous installation lost its registration")
            expect(not ours_in_temp(), "the killed run's staged archive is still there: %r" % ours_in_temp())
        finally:
            stop(proc)
    finally:
        reset_installation()


run_tests([test_alt_f4_on_a_first_installation_leaves_nothing,
           test_alt_f4_during_an_upgrade_keeps_the_previous_installation,
           test_killed_upgrade_is_undone_by_the_next_start])
