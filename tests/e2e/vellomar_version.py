"""The installed Vellomar's status line: after a wizard installation it shows
the version code of its config\\version.ini ("版本号：1207"), and "未知"
without that file; never a cut-short or garbled code."""
from wizard_common import *

APP_TITLE = "Vellomar"
STATUS_PREFIX = "Vellomar 笔记  版本号："


def status_line(exe):
    """The status line the program shows, read from its window's children."""
    app = start(exe)
    try:
        win = wait_window(title=APP_TITLE, cls="VellomarMainWnd", timeout=30)
        texts = wait_until(lambda: [t for c, t in child_texts(win["hwnd"]) if t.startswith("Vellomar")],
                           "Vellomar's status line", timeout=15)
        return texts[0]
    finally:
        stop(app)
        stop_app()


def test_status_line_shows_the_installed_version():
    reset_installation()
    install_dir = default_install_dir()
    quick_install()
    try:
        exe = install_dir + "Vellomar.exe"
        cases = [(True, STATUS_PREFIX + "1207"), (False, STATUS_PREFIX + "未知")]
        for keep_ini, expected in cases:
            if not keep_ini:
                os.remove(unix_path(install_dir + "config\\version.ini"))
            got = status_line(exe)
            expect(got == expected, "status line %s version.ini: expected %r, got %r"
                   % ("with" if keep_ini else "without", expected, got))
    finally:
        reset_installation()


run_tests([test_status_line_shows_the_installed_version])
