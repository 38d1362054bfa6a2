"""What the installer's GUI tests share: starting VLSetup.exe, finding its
pages and its message box by class and size, clicking at page coordinates,
the installation state in the Wine prefix (files, registry, shortcuts), and a
capture server for the install report on 127.0.0.1 port 80."""
import http.server
import os
import shutil
import subprocess
import threading
import time

from vlharness import *

OUT_DIR = os.environ.get("VL_OUT_DIR", bin_path("out"))
VLSETUP = os.path.join(OUT_DIR, "VLSetup.exe")
DIALOG_CLASS = "#32770"
FIRST_PAGE_TITLE = "Vellomar 安装"
PAGE_SIZE = (416, 250)
BOX_SIZE = (416, 200)

# Colours of the pictures the checks look at (res/png): the red action button,
# its grey disabled image, the white page.
RED_BUTTON = (203, 38, 38)
WHITE = (255, 255, 255)

# Points inside the action buttons' pictures, clear of their captions.
QUICK_INSTALL = (148 + 8, 170 + 19)
INSTALL_NOW = (285 + 8, 205 + 19)
CLOSE_BUTTON = (416 - 16, 16)
BOX_FIRST = (268 + 32, 163 + 13)
BOX_SECOND = (338 + 32, 163 + 13)
PATH_BOX = (70 + 75, 208 + 8)   # the custom layout's folder box
PATH_ID = 1007

PRODUCT_KEY = r"HKLM\Software\Vellomar"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vellomar"


def set_system_dpi(dpi):
    """The prefix's system DPI; Wine reads it when its server starts, so the
    server is restarted (persistent, as the test run keeps it)."""
    for key in (r"HKCU\Control Panel\Desktop",
                r"HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts"):
        wine("reg", "add", key, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi), "/f")
    subprocess.run(["wineserver", "-k"], env=WINE_ENV, stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-w"], env=WINE_ENV)
    # Detached from our output, which the test runner waits on.
    subprocess.run(["wineserver", "-p"], env=WINE_ENV, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def scaled(value, dpi):
    """A 96-DPI length at dpi, rounded as the installer rounds it."""
    return (value * dpi + 48) // 96


def scaled_point(point, dpi):
    return (scaled(point[0], dpi), scaled(point[1], dpi))


def installer_windows(size):
    return [w for w in windows()
            if w["cls"] == DIALOG_CLASS and w["visible"] and (w["w"], w["h"]) == size]


def wait_page(title=None, timeout=30, what="page"):
    """The one visible 416 x 250 installer window (title checked if given)."""
    def find():
        pages = [w for w in installer_windows(PAGE_SIZE) if title is None or w["title"] == title]
        return pages[0] if len(pages) == 1 else None
    return wait_until(find, "%s (visible %s window of %dx%d, title %r)"
                      % (what, DIALOG_CLASS, PAGE_SIZE[0], PAGE_SIZE[1], title), timeout=timeout)


def wait_box(timeout=30):
    return wait_until(lambda: (installer_windows(BOX_SIZE) or [None])[0],
                      "the message box (visible %s window of 416x200)" % DIALOG_CLASS, timeout=timeout)


def wait_no_box(timeout=15):
    wait_until(lambda: not installer_windows(BOX_SIZE), "the message box to go", timeout=timeout)


def click_in(win, point):
    click(win["x"] + point[0], win["y"] + point[1])


def pixel_in(shot, win, point):
    return shot.pixel(win["x"] + point[0], win["y"] + point[1])


def is_red(rgb):
    r, g, b = rgb
    return r > 150 and g < 110 and b < 110


def is_grey(rgb):
    r, g, b = rgb
    return max(r, g, b) - min(r, g, b) < 30 and 80 < r < 235


# Checks on a screenshot: each takes the shot and returns None when it holds,
# else what it expected and what it got.

def button_state(win, point, enabled, what):
    def check(shot):
        got = pixel_in(shot, win, point)
        if (is_red(got) if enabled else is_grey(got)):
            return None
        return "%s: expected %s, got pixel %s" % (what, "enabled (red)" if enabled else "disabled (grey)", got)
    return check


def color_near(win, point, rgb, what, tolerance=40):
    def check(shot):
        got = pixel_in(shot, win, point)
        if all(abs(a - b) <= tolerance for a, b in zip(got, rgb)):
            return None
        return "%s at %r: expected %s, got %s" % (what, point, rgb, got)
    return check


def dark_pixels(win, area, at_least, what, level=140):
    """At least `at_least` pixels darker than `level` in area (x0, y0, x1, y1), every other one."""
    def check(shot):
        x0, y0, x1, y1 = area
        n = sum(1 for x in range(x0, x1, 2) for y in range(y0, y1, 2) if max(pixel_in(shot, win, (x, y))) < level)
        return None if n >= at_least else "%s: expected at least %d dark pixels in %r, got %d" % (what, at_least, area, n)
    return check


def expect_shot(name, *checks, timeout=10):
    """Screenshots until every check holds (X may show a change a moment
    after Windows made it); the last screenshot stays as <name>.png."""
    deadline = time.time() + timeout
    while True:
        shot = screenshot(name)
        errors = [e for e in (c(shot) for c in checks) if e]
        if not errors:
            return shot
        if time.time() > deadline:
            raise Failure("; ".join(errors) + " (" + shot.path + ")")
        time.sleep(0.3)


def expect_size(win, size, what):
    expect((win["w"], win["h"]) == size, "%s size: expected %r, got %r" % (what, size, (win["w"], win["h"])))


def start_installer(exe=VLSETUP):
    expect(os.path.exists(exe), "no installer at " + exe)
    return start(exe)


def replace_path(page, text, box=PATH_BOX):
    """Types text over the custom layout's folder box (at box), as a user would."""
    click_in(page, box)
    key("End")
    key("shift+Home")
    key("BackSpace")
    type_text(text)
    wait_until(lambda: control_text(page["hwnd"], PATH_ID) == text, "the path box to read %r" % text, timeout=10)


def finish_page():
    """The finish page when it is the one visible untitled page, else None. The
    progress page is untitled too, and stays on screen while the run commits:
    it is told by its progress bar."""
    pages = [w for w in installer_windows(PAGE_SIZE) if w["title"] == ""]
    if len(pages) != 1 or any(cls == "msctls_progress32" for cls, _ in child_texts(pages[0]["hwnd"])):
        return None
    return pages[0]


def wait_finish_page(timeout=60):
    return wait_until(finish_page, "finish page", timeout=timeout)


def wait_finish_after_registration(timeout=60):
    """The finish page, once the installation is registered too."""
    return wait_until(lambda: reg_value(PRODUCT_KEY, "Install") is not None and finish_page(),
                      "finish page after registration", timeout=timeout)


def quick_install(exe=VLSETUP, timeout=60):
    """A whole quick installation through the wizard, up to its finish page;
    the installer is stopped there."""
    proc = start_installer(exe)
    try:
        page = wait_page(FIRST_PAGE_TITLE, what="first page")
        click_in(page, QUICK_INSTALL)
        wait_finish_after_registration(timeout=timeout)
    finally:
        stop(proc)


def wait_exit(proc, timeout=30):
    try:
        proc.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        raise Failure("installer did not end within %ss" % timeout)
    return proc.returncode


def close_failed_installation(proc, progress):
    """The progress page's close button, after a failure: the installer ends
    with 0 and nothing is registered."""
    click_in(progress, CLOSE_BUTTON)
    expect(wait_exit(proc) == 0, "exit code after closing: expected 0, got %r" % proc.returncode)
    expect(reg_value(PRODUCT_KEY, "Install") is None, "a failed installation was registered")


def stop(proc):
    if proc and proc.poll() is None:
        proc.kill()
        proc.wait()


# ---- State in the Wine prefix -------------------------------------------------------

def wine_text(*args, timeout=60):
    rc, out = wine(*args, timeout=timeout)
    return rc, out.replace("\r", "")


def win_env(name):
    rc, out = wine_text("cmd", "/c", "echo", "%" + name + "%")
    return out.strip()


def unix_path(win_path):
    """The Unix path of a path in the prefix, through the prefix's drive links
    (dosdevices), each name matched as Windows matches names (any case) where
    it exists. Found without starting a Wine program: winepath itself failed to
    start now and then under 64-bit Wine ("ShellExecuteEx 失败: 内部错误"). ""
    for a path without a mapped drive."""
    drive, colon, rest = win_path.partition(":")
    prefix = os.environ.get("WINEPREFIX", os.path.expanduser("~/.wine"))
    link = os.path.join(prefix, "dosdevices", drive.lower() + ":")
    if not colon or len(drive) != 1 or not os.path.exists(link):
        return ""
    path = os.path.realpath(link)
    for name in [part for part in rest.replace("/", "\\").split("\\") if part]:
        exact = os.path.join(path, name)
        if not os.path.lexists(exact) and os.path.isdir(path):
            same = [entry for entry in os.listdir(path) if entry.lower() == name.lower()]
            if same:
                exact = os.path.join(path, same[0])
        path = exact
    return path


def default_install_dir():
    """The folder the first page proposes on this prefix (Vista and later)."""
    return win_env("APPDATA") + "\\Vellomar\\"


def reg_value(key, name):
    rc, out = wine_text("reg", "query", key, "/v", name)
    if rc != 0:
        return None
    for line in out.splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) == 3 and parts[0] == name:
            return parts[2]
        if len(parts) == 2 and parts[0] == name:
            return ""
    return None


def stop_app():
    """No Vellomar.exe left running (an earlier test started it): the guard would stop the next run."""
    if any(p.lower() == "vellomar.exe" for p in processes()):
        wine("taskkill", "/f", "/im", "Vellomar.exe")
        wait_until(lambda: not any(p.lower() == "vellomar.exe" for p in processes()),
                   "Vellomar.exe to end", timeout=30)


def reset_installation(*extra_dirs):
    """No earlier installation: keys removed, install folders gone, the application not running."""
    stop_app()
    wine("reg", "delete", PRODUCT_KEY, "/f")
    wine("reg", "delete", UNINSTALL_KEY, "/f")
    for d in (default_install_dir(),) + extra_dirs:
        folder = unix_path(d).rstrip("/")
        shutil.rmtree(folder, ignore_errors=True)
        # What an interrupted run keeps beside the folder for the next start.
        shutil.rmtree(folder + ".vlsetup-aside", ignore_errors=True)
        if os.path.exists(folder + ".vlsetup-journal"):
            os.remove(folder + ".vlsetup-journal")
    # The shortcuts an installation leaves: other tests of this prefix look there too.
    start_menu = win_env("APPDATA") + "\\Microsoft\\Windows\\Start Menu\\"
    for d in ("Programs\\Vellomar", "程序\\Vellomar"):
        shutil.rmtree(unix_path(start_menu + d), ignore_errors=True)
    for f in (desktop_link(), win_env("APPDATA") + "\\Microsoft\\Internet Explorer\\Quick Launch\\Vellomar.lnk"):
        path = unix_path(f)
        if path and os.path.lexists(path) and in_prefix(f):
            os.remove(path)


def desktop_link():
    return win_env("USERPROFILE") + "\\Desktop\\Vellomar.lnk"


def start_menu_links():
    group = win_env("APPDATA") + "\\Microsoft\\Windows\\Start Menu\\Programs\\Vellomar\\"
    return [group + "Vellomar.lnk", group + "卸载Vellomar.lnk", group + "Vellomar主页.url"]


def win_exists(win_path):
    path = unix_path(win_path)
    return bool(path) and os.path.exists(path)


def in_prefix(win_path):
    """False for folders Wine links out of the prefix (the desktop goes to the
    home folder, shared with every other prefix on this machine)."""
    prefix = os.path.realpath(os.environ.get("WINEPREFIX", os.path.expanduser("~/.wine")))
    return os.path.realpath(unix_path(win_path)).startswith(prefix + os.sep)


def payload_files():
    """The default payload's files, relative to the install folder, from the
    list the build writes beside the uninstaller's (folders left out)."""
    with open(bin_path("payload", "payload_files.txt"), encoding="utf-8") as f:
        return [line for line in f.read().splitlines() if line and not line.endswith("\\")]


def installed_files_of(install_dir):
    """The files a whole installation of the default payload leaves."""
    return [install_dir + f for f in payload_files()]


# ---- Capture server for the install report ------------------------------------------

class CaptureServer:
    """A small HTTP server on 127.0.0.1:80 that keeps every request."""

    def __init__(self, port=80):
        self.requests = []
        owner = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_POST(self):
                length = int(self.headers.get("Content-Length", "0"))
                body = self.rfile.read(length) if length else b""
                owner.requests.append(dict(method="POST", path=self.path,
                                           headers=dict(self.headers.items()), body=body))
                self.send_response(200)
                self.send_header("Content-Length", "2")
                self.end_headers()
                self.wfile.write(b"ok")

            def log_message(self, *args):
                pass

        deadline = time.time() + 60
        while True:
            try:
                self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler)
                break
            except OSError:
                # Another test tree may hold the port for a moment.
                if time.time() > deadline:
                    raise Failure("port %d on 127.0.0.1 stays busy" % port)
                time.sleep(0.5)
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()
