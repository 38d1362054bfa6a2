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


def test_ppm_pixels_that_look_like_white_space_are_kept():
    # First pixel bytes 0x0a 0x20 0x09: white space to a naive split of the header.
    cases = [
        (b"P6\n2 1\n255\n\x0a\x20\x09\x01\x02\x03", (2, 1, b"\x0a\x20\x09\x01\x02\x03")),
        (b"P6\n# comment\n1 1\n255\n\x0d\x0b\x0c", (1, 1, b"\x0d\x0b\x0c")),
        (b"P6 1 1 255 \x20\x20\x20", (1, 1, b"\x20\x20\x20")),
    ]
    for ppm, want in cases:
        got = parse_ppm(ppm)
        expect(got == want, "PPM %r: expected %r, got %r" % (ppm[:16], want, got))


run_tests([test_click_reaches_program, test_ppm_pixels_that_look_like_white_space_are_kept])
