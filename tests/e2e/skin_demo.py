"""The skin demo dialog on a known backdrop colour: the picture background,
the red action button, the progress fill, the shadow ring darker than the
backdrop next to the dialog's edge and the backdrop beyond it; then a drag
moves dialog and shadow together, and the close button ends the program."""
import vlharness as h

BACKDROP = (58, 110, 165)
DEMO = None


def start_demo():
    global DEMO
    proc = h.start(h.bin_path("tests", "skin", "skin_demo.exe"))
    dlg = h.wait_window(title="Vellomar 皮肤演示")
    h.wait_window(cls="HollinShadowWnd")
    h.wait_until(lambda: h.screenshot("skin_demo_probe").pixel(dlg["x"] - 1, dlg["y"] + 120) != BACKDROP,
                 "the shadow to be drawn", timeout=15)
    DEMO = (proc, dlg)


def test_demo_pixels():
    start_demo()
    proc, dlg = DEMO
    x, y = dlg["x"], dlg["y"]
    h.expect(dlg["w"] == 416 and dlg["h"] == 250, "dialog size 416 x 250, got %dx%d" % (dlg["w"], dlg["h"]))
    shadow = h.wait_window(cls="HollinShadowWnd")
    h.expect((shadow["x"], shadow["y"], shadow["w"], shadow["h"]) == (x - 4, y - 4, 424, 258),
             "shadow at (%d, %d) 424 x 258, got %s" % (x - 4, y - 4, shadow))
    shot = h.screenshot("skin_demo")
    # Page background (white gradient) right of the picture.
    h.expect_pixel(shot, x + 230, y + 20, (250, 250, 251), tolerance=10, what="page background")
    # The action button's red, in its upper half.
    r, g, b = shot.pixel(x + 250, y + 48)
    h.expect(r > 170 and g < 80 and b < 80, "action button red at (%d, %d), got %s" % (x + 250, y + 48, (r, g, b)))
    # Progress fill and track colours, exactly.
    h.expect_pixel(shot, x + 250, y + 183, (175, 9, 0), tolerance=0, what="progress fill")
    h.expect_pixel(shot, x + 390, y + 183, (211, 211, 211), tolerance=0, what="progress track")
    # The shadow ring is darker than the backdrop, the backdrop beyond it.
    ring = shot.pixel(x - 1, y + 120)
    h.expect(sum(ring) < sum(BACKDROP) - 30, "shadow next to the left edge darker than %s, got %s" % (BACKDROP, ring))
    h.expect_pixel(shot, x - 8, y + 120, BACKDROP, tolerance=2, what="backdrop beyond the shadow")
    h.expect_pixel(shot, x + 120, y + 262, BACKDROP, tolerance=2, what="backdrop below the shadow")


def test_drag_moves_dialog_and_shadow():
    proc, dlg = DEMO
    sx, sy = dlg["x"] + 300, dlg["y"] + 12   # on the background, clear of the controls
    h.xdotool("mousemove", "--sync", sx, sy)
    h.xdotool("mousedown", 1)
    for step in range(1, 6):
        h.xdotool("mousemove", "--sync", sx + 10 * step, sy + 8 * step)
    h.xdotool("mouseup", 1)
    moved = h.wait_until(lambda: [w for w in h.windows() if w["title"] == "Vellomar 皮肤演示"
                                  and (w["x"], w["y"]) != (dlg["x"], dlg["y"])], "the dialog to move")[0]
    shadow = h.wait_window(cls="HollinShadowWnd")
    h.expect((shadow["x"], shadow["y"]) == (moved["x"] - 4, moved["y"] - 4),
             "shadow follows the dialog to (%d, %d), got %s" % (moved["x"] - 4, moved["y"] - 4, shadow))
    h.screenshot("skin_demo_moved")
    globals()["DEMO"] = (proc, moved)


def test_close_ends_the_program():
    proc, dlg = DEMO
    h.click(dlg["x"] + 416 - 16, dlg["y"] + 16)
    h.wait_until(lambda: proc.poll() is not None, "the demo to end", timeout=20)


if __name__ == "__main__":
    h.run_tests([test_demo_pixels, test_drag_moves_dialog_and_shadow, test_close_ends_the_program])
