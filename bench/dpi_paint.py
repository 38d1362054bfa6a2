"""The first page's time from process start to its first full paint (the
action button's red where it belongs) at system DPI 192 against 96; the
prefix's DPI is put back to 96 afterwards. Screenshots are polled, so the
figures carry their granularity (about 0.1 s)."""
import statistics
import time

from wizard_common import *

RUNS = 3


def time_to_full_paint(dpi):
    t0 = time.perf_counter()
    proc = start_installer()
    try:
        while True:
            if time.perf_counter() - t0 > 60:
                raise Failure("no painted first page at %d DPI" % dpi)
            pages = [w for w in windows() if w["title"] == FIRST_PAGE_TITLE and w["visible"]]
            if pages and is_red(pixel_in(screenshot("bench_dpi%d" % dpi), pages[0], scaled_point(QUICK_INSTALL, dpi))):
                return time.perf_counter() - t0
    finally:
        stop(proc)
        time.sleep(0.5)


def bench_first_paint():
    reset_installation()
    medians = {}
    try:
        for dpi in (96, 192):
            set_system_dpi(dpi)
            medians[dpi] = statistics.median(time_to_full_paint(dpi) for _ in range(RUNS))
    finally:
        set_system_dpi(96)
    print("first page's first full paint (median of %d): 96 DPI %.0f ms, 192 DPI %.0f ms, ratio %.2f"
          % (RUNS, medians[96] * 1000, medians[192] * 1000, medians[192] / medians[96]))


try:
    bench_first_paint()
except Exception as e:
    print("bench_first_paint: failed: %s" % e)
