"""What the all-or-nothing journal costs (run by scripts/bench.sh when
VL_BENCH_BASELINE names a bench_extract.exe built from the revision to compare
with; skipped otherwise). The 10,000-file payload (bench/many/many.7z) and
the 210 MB data set of extract.py (two blocks) are installed by this build's
worker and by the baseline's, turn about, into a fresh folder and over a
whole installation of the same payload (every file replaced: moved aside,
then deleted once the run commits). Prints the best and the median wall
time of each and their ratios (the machine is shared: the median shows
whether a best time was luck); target <= 1.05 on the best.
"""
import os
import shutil
import statistics
import sys

import extract as bench

BASELINE = os.environ.get("VL_BENCH_BASELINE", "")
MANY = os.path.join(bench.BIN, "bench", "many", "many.7z")
RUNS = int(os.environ.get("VL_BENCH_RUNS", "5"))
TARGET = 1.05


def install_cmd(exe, dll, folder):
    return [bench.WINE_RUN, exe, "install", bench.wine_path(dll), bench.wine_path(folder) + "\\"]


def timed(exe, dll, folder, over):
    """Wall seconds of RUNS installs; over: into a whole installation."""
    walls = []
    for _ in range(RUNS):
        for path in (folder, folder + ".vlsetup-aside"):
            shutil.rmtree(path, ignore_errors=True)
        if os.path.exists(folder + ".vlsetup-journal"):
            os.remove(folder + ".vlsetup-journal")
        os.makedirs(folder)
        if over:
            bench.measure(install_cmd(exe, dll, folder))
        walls.append(bench.measure(install_cmd(exe, dll, folder))[0])
    return walls


def main():
    if not BASELINE or not os.path.exists(BASELINE):
        bench.log("journal_cost: skipped (VL_BENCH_BASELINE names no bench_extract.exe)")
        return
    os.makedirs(bench.CACHE, exist_ok=True)
    bench.make_tree()
    two = os.path.join(bench.DATA, "blocks2.7z")
    bench.pack(bench.TREE, two, 2)
    payloads = [("10,000 files", MANY), ("210 MB, 2 blocks", two)]
    rows = []
    for name, archive in payloads:
        dll = os.path.join(bench.CACHE, "journal-" + os.path.basename(archive) + ".dll")
        bench.build_dll(archive, dll)
        folder = os.path.join(bench.CACHE, "journal-out")
        for over in (False, True):
            # Turn about, so that load on the machine falls on both alike.
            ours, base = [], []
            for _ in range(2):
                base += timed(BASELINE, dll, folder, over)
                ours += timed(bench.BENCH_EXE, dll, folder, over)
            rows.append((name, "over an installation" if over else "fresh", base, ours))
        shutil.rmtree(folder, ignore_errors=True)
    bench.log("%-18s %-22s %10s %10s %7s %11s %11s %7s" % ("payload", "into", "baseline s", "journal s", "ratio",
                                                             "base median", "jrnl median", "ratio"))
    worst = 0.0
    for name, into, base, ours in rows:
        worst = max(worst, min(ours) / min(base))
        mid_base, mid_ours = statistics.median(base), statistics.median(ours)
        bench.log("%-18s %-22s %10.3f %10.3f %7.3f %11.3f %11.3f %7.3f" % (
            name, into, min(base), min(ours), min(ours) / min(base), mid_base, mid_ours, mid_ours / mid_base))
    bench.log("  journal cost: worst ratio %.3f, target <= %.2f: %s" % (worst, TARGET, "met" if worst <= TARGET else "NOT met"))


if __name__ == "__main__":
    sys.exit(main())
