"""The harness itself: a Win32 window under Wine and Xvfb, found by class and
title, clicked with a real mouse click that the program observes, and a
screenshot whose pixels show the window."""
from vlharness import *


def test_click_reaches_program():
    proc = start(bin_path("tests", "e2e", "clickme.exe"))
    try:
        w = wait_window(title="VL harness", cls="VLClickMe")
        expect((w["x"], w["y"], w["w"], w["h"]) == (200, 150, 320, 160),
               "window rectangle: expected (200, 150, 320, 160), got %r" % ((w["x"], w["y"], w["w"], w["h"]),))
        shot = screenshot("harness")
        expect_pixel(shot, w["x"] + 10, w["y"] + 10, (40, 120, 200), what="window background")
        click(w["x"] + 160, w["y"] + 80)
        out, _ = proc.communicate(timeout=20)
        expect("clicked" in out, "program did not observe the click; stdout %r" % out)
        expect(proc.returncode == 7, "exit code: expected 7, got %r" % proc.returncode)
    finally:
        if proc.poll() is None:
            proc.kill()


run_tests([test_click_reaches_program])
