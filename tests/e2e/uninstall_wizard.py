"""A quick installation through the wizard, a note written in the installed
Vellomar (its notes file sits in the default install folder), then the
uninstall string from the registry run as the system runs it: the question
answered with Enter, the closing message, and afterwards nothing of the
product left but the note. A second run of a copy of the uninstaller says
there is nothing to remove."""
import os
import shutil

from wizard_common import *

CAPTION = "Vellomar卸载"
APP_TITLE = "Vellomar"


def answer_box(what, timeout=30):
    """Enter on the uninstaller's message box (its default button)."""
    box = wait_window(title=CAPTION, timeout=timeout)
    click(box["x"] + box["w"] // 2, box["y"] + box["h"] // 3)   # on its text: the focus, no button
    key("Return")
    wait_until(lambda: not [w for w in windows() if w["hwnd"] == box["hwnd"] and w["visible"]],
               what + " to close", timeout=15)


def test_uninstall_after_wizard_installation():
    reset_installation()
    install_dir = default_install_dir()
    server = CaptureServer()
    try:
        quick_install()
    finally:
        server.close()

    # The user keeps a note; closing the window saves it.
    app = start(install_dir + "Vellomar.exe")
    try:
        win = wait_window(title=APP_TITLE, timeout=30)
        click(win["x"] + win["w"] // 2, win["y"] + win["h"] // 2)
        type_text("note kept")
        time.sleep(0.5)
        wine("taskkill", "/im", "Vellomar.exe")   # WM_CLOSE, as the close box sends
        app.wait(timeout=30)
    finally:
        stop(app)
    notes = install_dir + "notes.txt"
    expect(win_exists(notes), "Vellomar saved no notes at " + notes)
    with open(unix_path(notes), "rb") as f:
        expect(f.read() == b"\xef\xbb\xbfnote kept", "notes file content")

    uninstall = reg_value(UNINSTALL_KEY, "UninstallString")
    expect(uninstall == install_dir + "VLUninstall.exe", "UninstallString: got %r" % uninstall)
    spare = os.path.join(BIN_DIR, "uninstall-spare.exe")
    shutil.copyfile(unix_path(uninstall), spare)

    runner = start(uninstall)
    try:
        answer_box("the question")
        expect(wait_exit(runner) == 0, "the uninstaller's first process: exit %r" % runner.returncode)
        # The copy in the temporary folder does the work, then says it is done.
        answer_box("the closing message")
    finally:
        stop(runner)

    wait_until(lambda: reg_value(UNINSTALL_KEY, "UninstallString") is None, "the uninstall entry to go")
    for f in installed_files_of(install_dir):
        expect(not win_exists(f), "left behind: " + f)
    for d in ("config", "resource"):
        expect(not win_exists(install_dir + d), "folder left behind: " + d)
    expect(reg_value(PRODUCT_KEY, "Install") is None, "the Install value is left")
    for link in start_menu_links():
        expect(not win_exists(link), "start-menu link left: " + link)
    # Wine may link the desktop to the home folder every prefix shares; only a
    # desktop of this prefix says something about this uninstall.
    if in_prefix(desktop_link()):
        expect(not win_exists(desktop_link()), "desktop shortcut left: " + desktop_link())
    expect(win_exists(notes), "the user's notes were removed")

    # Again, from a copy: nothing to remove, and the notes stay.
    rc, _ = wine(spare, "/S", "/D=" + install_dir.rstrip("\\"))
    expect(rc == 3, "second uninstall: expected exit 3 (nothing to remove), got %r" % rc)
    expect(win_exists(notes), "the second uninstall removed the notes")
    os.remove(spare)
    reset_installation()


run_tests([test_uninstall_after_wizard_installation])
