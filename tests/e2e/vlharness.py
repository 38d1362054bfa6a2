"""Helpers for GUI tests: start Windows programs under the project's Wine
prefix, find their windows through winprobe.exe (class, title, rectangle as
Windows sees them), click and type with xdotool on the private Xvfb display,
and take screenshots whose pixels can be checked.

Every wait polls with a time limit; nothing sleeps blindly for a result."""
import os
import re
import subprocess
import time

BIN_DIR = os.environ.get("VL_BIN_DIR", "")
# The loader of the build under test (scripts/env.sh): /usr/bin/wine would start
# the 32-bit one whenever it is installed.
WINE = os.environ.get("VL_WINE", "wine")
# Windows programs run with the Chinese code page, as in scripts/wine-run.sh.
WINE_ENV = dict(os.environ, LC_ALL=os.environ.get("VL_WINE_LOCALE", "zh_CN.UTF-8"))
SCREENSHOTS = os.environ.get("VL_SCREENSHOTS", os.path.join(BIN_DIR, "..", "screenshots"))


class Failure(AssertionError):
    pass


def expect(cond, what):
    if not cond:
        raise Failure(what)


def bin_path(*parts):
    return os.path.join(BIN_DIR, *parts)


# What the test started, for the description of a failure.
STARTED = []


def start(exe, *args, cwd=None, env=None):
    """Starts a Windows program; returns the Popen of its Wine process."""
    full_env = dict(WINE_ENV)
    if env:
        full_env.update(env)
    proc = subprocess.Popen([WINE, exe, *args], cwd=cwd, env=full_env,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    STARTED.append((os.path.basename(exe), proc))
    return proc


def wine(exe, *args, timeout=60):
    """Runs a Windows program to its end; returns (exit code, stdout)."""
    r = subprocess.run([WINE, exe, *args], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                       timeout=timeout, env=WINE_ENV)
    return r.returncode, r.stdout.decode("utf-8", "replace")


def windows():
    """Top-level windows as Windows sees them: dicts with hwnd, pid, visible,
    x, y, w, h, cls, title."""
    rc, out = wine(bin_path("tests", "e2e", "winprobe.exe"), "windows")
    result = []
    for line in out.splitlines():
        f = line.rstrip("\r").split("\t")
        if len(f) < 9:
            continue
        result.append(dict(hwnd=int(f[0]), pid=int(f[1]), visible=f[2] == "1",
                           x=int(f[3]), y=int(f[4]), w=int(f[5]), h=int(f[6]),
                           cls=f[7], title=f[8]))
    return result


def control_text(hwnd, control_id):
    """The text of a control in a window of another program."""
    rc, out = wine(bin_path("tests", "e2e", "winprobe.exe"), "text", str(hwnd), str(control_id))
    return out.rstrip("\r\n")


def focus_id(hwnd):
    """The id of the control holding the keyboard focus in the thread of window hwnd (0: none)."""
    rc, out = wine(bin_path("tests", "e2e", "winprobe.exe"), "focus", str(hwnd))
    try:
        return int(out.strip())
    except ValueError:
        return 0


def processes():
    """Image names of the Windows processes in the prefix."""
    rc, out = wine(bin_path("tests", "e2e", "winprobe.exe"), "processes")
    return [line.split("\t", 1)[1].strip() for line in out.splitlines() if "\t" in line]


def foreground():
    """The hwnd of the foreground window as Windows sees it (0: none)."""
    rc, out = wine(bin_path("tests", "e2e", "winprobe.exe"), "foreground")
    return int(out.strip() or "0")


def child_texts(hwnd):
    """(class, text) of each child window of hwnd."""
    rc, out = wine(bin_path("tests", "e2e", "winprobe.exe"), "texts", str(hwnd))
    return [tuple(line.rstrip("\r").split("\t", 1)) for line in out.splitlines() if "\t" in line]


def wait_window(title=None, cls=None, visible=True, timeout=30):
    """Waits until a top-level window with this title and/or class exists
    (and is visible, unless visible=None); returns its dict."""
    deadline = time.time() + timeout
    while True:
        for w in windows():
            if title is not None and w["title"] != title:
                continue
            if cls is not None and w["cls"] != cls:
                continue
            if visible is not None and w["visible"] != visible:
                continue
            return w
        if time.time() > deadline:
            raise Failure("no window title=%r class=%r visible=%r within %ss"
                          % (title, cls, visible, timeout))
        time.sleep(0.2)


def wait_until(cond, what, timeout=30, step=0.2):
    deadline = time.time() + timeout
    while True:
        value = cond()
        if value:
            return value
        if time.time() > deadline:
            describe_screen("timeout-" + re.sub(r"[^A-Za-z0-9]+", "-", what)[:60].strip("-"))
            raise Failure("timed out waiting for " + what)
        time.sleep(step)


def xdotool(*args):
    subprocess.run(["xdotool", *[str(a) for a in args]], check=True)


def pointer():
    """Where the pointer is, in screen coordinates."""
    out = subprocess.run(["xdotool", "getmouselocation", "--shell"], stdout=subprocess.PIPE, check=True,
                         text=True).stdout
    fields = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
    return int(fields["X"]), int(fields["Y"])


def move_pointer(x, y):
    """Moves the pointer to screen coordinates and waits until it is there.

    A pointer that is there already is left alone: xdotool's --sync then
    waits for it to move away, which it gives up on only after 15 s (500
    tries of 30 ms), so a second click on the same spot, as 快速安装 and
    开始使用 share one, would come 15 s late."""
    if pointer() == (x, y):
        return
    xdotool("mousemove", "--sync", x, y)
    time.sleep(0.1)


def click(x, y, button=1):
    """A real mouse click at screen coordinates (XTEST, as a user's)."""
    move_pointer(x, y)
    xdotool("click", button)


def key(name):
    """A real key press on whatever window has the focus."""
    xdotool("key", name)


def type_text(text):
    xdotool("type", "--delay", "30", text)


def parse_ppm(ppm):
    """Width, height and pixel bytes of a binary PPM (P6, maxval 255).

    The header is read field by field: exactly one white-space byte follows
    maxval, and the pixels after it may start with bytes that look like
    white space, so a plain split would eat them."""
    fields, pos = [], 0
    while len(fields) < 4:
        while ppm[pos:pos + 1].isspace():
            pos += 1
        if ppm[pos:pos + 1] == b"#":            # a comment runs to the end of its line
            pos = ppm.index(b"\n", pos)
            continue
        end = pos
        while end < len(ppm) and not ppm[end:end + 1].isspace():
            end += 1
        fields.append(ppm[pos:end])
        pos = end
    if fields[0] != b"P6" or fields[3] != b"255":
        raise ValueError("not an 8-bit P6 picture: %r" % fields)
    width, height = int(fields[1]), int(fields[2])
    data = ppm[pos + 1:]
    if len(data) < width * height * 3:
        raise ValueError("PPM holds %d pixel bytes, expected %d" % (len(data), width * height * 3))
    return width, height, data


class Shot:
    """A screenshot: saved as PNG, pixels readable as (r, g, b)."""

    def __init__(self, path):
        self.path = path
        ppm = subprocess.run(["convert", path, "-depth", "8", "ppm:-"],
                             stdout=subprocess.PIPE, check=True).stdout
        self.width, self.height, self.data = parse_ppm(ppm)

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])


def snapshot(root):
    """Every folder and file below root, files with their bytes: two
    snapshots are equal when the tree is byte for byte the same."""
    tree = {}
    for d, dirs, names in os.walk(root):
        for name in dirs:
            tree[os.path.relpath(os.path.join(d, name), root) + os.sep] = None
        for name in names:
            with open(os.path.join(d, name), "rb") as f:
                tree[os.path.relpath(os.path.join(d, name), root)] = f.read()
    return tree


def differences(before, after):
    """What differs between two snapshots, for a failure message."""
    changed = sorted(k for k in set(before) | set(after) if before.get(k, 0) != after.get(k, 0))
    return "%d paths differ, e.g. %r" % (len(changed), changed[:5])


def screenshot(name):
    os.makedirs(SCREENSHOTS, exist_ok=True)
    path = os.path.join(SCREENSHOTS, name + ".png")
    subprocess.run(["import", "-window", "root", path], check=True)
    return Shot(path)


def expect_pixel(shot, x, y, rgb, tolerance=8, what=""):
    got = shot.pixel(x, y)
    ok = all(abs(a - b) <= tolerance for a, b in zip(got, rgb))
    expect(ok, "%s pixel (%d, %d): expected %s, got %s (%s)" % (what, x, y, rgb, got, shot.path))


def describe_screen(name):
    """What a failed test left on the screen: a screenshot, the windows and
    the processes, so that a failure on another machine can be read."""
    try:
        print("screen at the failure: %s" % screenshot(name).path)
        for w in windows():
            if w["visible"]:
                print("  window %(cls)s %(w)dx%(h)d at (%(x)d, %(y)d) pid %(pid)d: %(title)r" % w)
        print("  processes: %s" % ", ".join(processes()), flush=True)
        for name, proc in STARTED[-3:]:
            code = proc.poll()
            print("  started %s (pid %d): %s" % (name, proc.pid, "running" if code is None else
                                                 "ended with 0x%08x" % (code & 0xFFFFFFFF)), flush=True)
    except Exception as e:  # the failure itself is what counts
        print("screen not described: %r" % e, flush=True)


def run_tests(tests):
    """Runs test functions in order; prints a summary line; exits non-zero on
    any failure."""
    import sys
    import traceback
    passed = failed = 0
    for t in tests:
        try:
            t()
            passed += 1
            print("PASS", t.__name__, flush=True)
        except Exception:
            failed += 1
            print("FAIL", t.__name__, flush=True)
            traceback.print_exc()
    print("%d passed, %d failed" % (passed, failed))
    sys.exit(1 if failed else 0)
