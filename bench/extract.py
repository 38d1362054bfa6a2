"""Extraction benchmark (run by scripts/bench.sh). The same data set packed as
one, two and four solid blocks (BCJ + LZMA, as the payload), each unpacked
side by side by our worker under Wine (staged from a resource-only DLL, as
the installer stages its payload), by the same SDK build decoding whole
blocks without writing, by a Windows 7-Zip (npm package 7zip-bin, 7za.exe of
the machine mode) under the same Wine and by Debian's 7zz natively. Then a
generated payload of about 1.5 GB in one block, installed by the worker.
Prints wall time, CPU time, throughput, peak memory and ratios; VL_BENCH_RUNS
sets how many runs each figure is the best of (VL_BENCH_BLOCKS and
VL_BENCH_BIG select parts).

The data set (about 210 MB unpacked: text, incompressible data and 3000 small
files), its archives and the big payload are made once into bench-cache/
beside the build trees, shared by both machine modes (VL_ARCH=x86_64 runs
the x64 build against the x64 7za; the big payload is installed in the
32-bit mode only). Targets: one block <= 0.8 x the Windows 7-Zip's wall
time, two blocks on two cores <= 0.55 x; peak working set without the payload
image <= 48 MB whatever the block size; the big payload installs.
"""
import os
import random
import shutil
import string
import subprocess
import sys
import threading
import time

BIN = os.environ["VL_BIN_DIR"]
SRC = os.environ["VL_SOURCE_DIR"]
ARCH = os.environ.get("VL_ARCH", "i686")
CACHE = os.path.join(BIN, "bench-cache", "extract")
# The data sets and their archives are the same in both machine modes: made
# once beside the build trees and shared (the payload DLLs and the outputs
# are each mode's own).
DATA = os.path.join(os.path.dirname(os.path.abspath(BIN)), "bench-cache", "extract")
TREE = os.path.join(DATA, "tree")
BIG_TREE = os.path.join(DATA, "big-tree")
NPM_DIR = os.path.join(os.path.dirname(DATA), "7zip-bin")
WINE_RUN = os.path.join(SRC, "scripts", "wine-run.sh")
BENCH_EXE = os.path.join(BIN, "bench", "bench_extract.exe")
SEVEN_ZA = os.path.join(NPM_DIR, "package", "win", "ia32" if ARCH == "i686" else "x64", "7za.exe")
TRIPLE = ARCH + "-w64-mingw32"
RUNS = int(os.environ.get("VL_BENCH_RUNS", "3"))   # best of: other work on the machine makes single runs noisy
# VL_BENCH_BLOCKS="2" runs only those archives; VL_BENCH_BIG=0 leaves out the big payload.
BLOCK_COUNTS = tuple(int(n) for n in os.environ.get("VL_BENCH_BLOCKS", "1 2 4").split())
BIG_FILES = 150            # of 10 MB each: about 1.5 GB in one block
BIG_FILE_SIZE = 10 << 20
BIG_DISK_NEEDED = 6 << 30  # the tree, the archive, its DLL, the staged copy and the output
PEAK_TARGET_MB = 48.0
METHODS = ["-t7z", "-m0=BCJ", "-m1=LZMA:d=4m", "-ms=on", "-mtc=off", "-mta=off", "-bd", "-bso0", "-bsp0"]


def log(text):
    print(text, flush=True)


def wine_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def put_main_program(tree, rng):
    """The installer refuses archives without Vellomar.exe at the top."""
    path = os.path.join(tree, "Vellomar.exe")
    if not os.path.exists(path):
        with open(path, "wb") as f:
            f.write(rng.randbytes(1 << 20))


def make_tree():
    stamp = os.path.join(DATA, "tree.done")
    if os.path.exists(stamp):
        put_main_program(TREE, random.Random(1))
        return
    log("making the data set (once)")
    shutil.rmtree(TREE, ignore_errors=True)
    rng = random.Random(20261210)
    words = ["".join(rng.choices(string.ascii_lowercase, k=rng.randint(2, 10))) for _ in range(6000)]
    corpus = " ".join(rng.choices(words, k=1500000)).encode()

    def text(size):
        out = bytearray()
        while len(out) < size:
            at = rng.randrange(len(corpus) - 65536)
            out += corpus[at:at + rng.randint(4096, 65536)]
        return bytes(out[:size])

    def put(rel, data):
        path = os.path.join(TREE, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)

    for i in range(20):
        put("docs/manual%02d.txt" % i, text(6 << 20))
    for i in range(8):
        put("media/blob%02d.bin" % i, rng.randbytes(10 << 20))
    for i in range(3000):
        rel = "data/d%02d/item%04d" % (i % 60, i)
        if i % 3:
            put(rel + ".txt", text(rng.randint(512, 8192)))
        else:
            put(rel + ".bin", rng.randbytes(rng.randint(256, 4096)))
    put_main_program(TREE, random.Random(1))
    open(stamp, "w").close()


def tree_files(tree):
    """(relative path, size) of every file, in a fixed order, Vellomar.exe first."""
    files = []
    for root, _, names in os.walk(tree):
        for name in names:
            path = os.path.join(root, name)
            files.append((os.path.relpath(path, tree), os.path.getsize(path)))
    files.sort(key=lambda f: (f[0] != "Vellomar.exe", f[0]))
    return files


def pack(tree, archive, blocks, methods=METHODS):
    """One 7zz run per block (a later run keeps the blocks already there).
    Each block gets the same share of every top folder's bytes, so the blocks
    are as much work to unpack: incompressible data unpacks several times
    slower than text, and a split by bytes alone would leave one block with
    all of it."""
    if os.path.exists(archive):
        return
    log("packing %s with 7zz (once; BCJ + LZMA, solid, %d block(s))" % (os.path.basename(archive), blocks))
    groups, loads = [[] for _ in range(blocks)], {}
    for name, size in tree_files(tree):
        top = name.split(os.sep)[0] if os.sep in name else ""
        group = min(range(blocks), key=lambda k: (loads.get((top, k), 0), k))
        groups[group].append(name)
        loads[(top, group)] = loads.get((top, group), 0) + size
    tmp = archive + ".tmp.7z"
    if os.path.exists(tmp):
        os.remove(tmp)
    for group in groups:
        listing = archive + ".list.txt"
        with open(listing, "w") as f:
            f.write("\n".join(group) + "\n")
        subprocess.run(["7zz", "a", *methods, "-mmt=2", tmp, "@" + listing], cwd=tree, check=True)
    os.rename(tmp, archive)


def build_dll(archive, dll):
    if os.path.exists(dll) and os.path.getmtime(dll) > os.path.getmtime(archive):
        return
    log("building %s (once)" % os.path.basename(dll))
    rc = dll + ".rc"
    with open(rc, "w") as f:
        f.write('#include "engine/payload_resource.h"\nIDR_PAYLOAD FILE "%s"\n' % archive)
    res = dll + ".res"
    subprocess.run([TRIPLE + "-windres", "-I", SRC, rc, "-O", "coff", "-o", res], check=True)
    subprocess.run([TRIPLE + "-gcc", "-shared", "-nostdlib", "-Wl,-e,0", "-s", "-o", dll, res], check=True)
    os.remove(res)


def fetch_7za():
    if os.path.exists(SEVEN_ZA):
        return True
    try:
        os.makedirs(NPM_DIR, exist_ok=True)
        subprocess.run(["npm", "pack", "7zip-bin@5.2.0", "--silent"], cwd=NPM_DIR, check=True,
                       stdout=subprocess.DEVNULL, timeout=120)
        subprocess.run(["tar", "-xzf", "7zip-bin-5.2.0.tgz"], cwd=NPM_DIR, check=True)
    except (OSError, subprocess.SubprocessError) as err:
        log("no Windows 7-Zip: %s" % err)
    return os.path.exists(SEVEN_ZA)


def archive_facts(archive):
    """Unpacked bytes, the largest solid block's unpacked size, the block count."""
    out = subprocess.run(["7zz", "l", "-slt", "-ba", archive], check=True, capture_output=True, text=True).stdout
    blocks, total, size = {}, 0, 0
    for line in out.splitlines():
        if line.startswith("Size = "):
            size = int(line[7:] or 0)
            total += size
        elif line.startswith("Block = ") and line[8:]:
            blocks[line[8:]] = blocks.get(line[8:], 0) + size
    return total, max(blocks.values()), len(blocks)


def measure(cmd, check=True):
    """Runs cmd; returns (wall seconds, stdout, peak VmHWM MB, peak RssAnon MB,
    CPU seconds of the process itself: not the wineserver's)."""
    out_path = os.path.join(CACHE, "stdout.txt")
    peaks = {"VmHWM": 0, "RssAnon": 0}
    with open(out_path, "w") as out:
        start = time.perf_counter()
        proc = subprocess.Popen(cmd, stdout=out, stderr=subprocess.DEVNULL)
        done = threading.Event()

        def sample():
            # The command execs into wine and its preloader: one pid throughout.
            while not done.is_set():
                try:
                    with open("/proc/%d/status" % proc.pid) as f:
                        for line in f:
                            key = line.split(":")[0]
                            if key in peaks:
                                peaks[key] = max(peaks[key], int(line.split()[1]))
                except OSError:
                    pass
                done.wait(0.02)

        sampler = threading.Thread(target=sample)
        sampler.start()
        # Not the child's ru_maxrss: it includes this Python process's pages
        # copied at fork. VmHWM starts afresh at every exec.
        _, status, usage = os.wait4(proc.pid, 0)
        wall = time.perf_counter() - start
        proc.returncode = os.waitstatus_to_exitcode(status)
        done.set()
        sampler.join()
    if check and proc.returncode != 0:
        sys.exit("failed (%d): %s\n%s" % (proc.returncode, " ".join(cmd), open(out_path).read()))
    return (wall, open(out_path).read().strip(), peaks["VmHWM"] / 1024.0, peaks["RssAnon"] / 1024.0,
            usage.ru_utime + usage.ru_stime)


def best(cmd, prepare=None, runs=None):
    results = []
    for _ in range(runs or RUNS):
        if prepare:
            prepare()
        results.append(measure(cmd))
    return min(results, key=lambda r: r[0])


def fresh(folder):
    def prepare():
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
    return prepare


def reported(text, key):
    for part in text.split():
        if part.startswith(key + "="):
            return float(part[len(key) + 1:])
    return float("nan")


def inner_seconds(text):
    return reported(text, "seconds")


MB = 1024.0 * 1024.0


def print_rows(rows, total):
    log("  %-26s %8s %8s %8s %8s %9s %10s  %s" % ("run (best of %d; * once)" % RUNS, "wall s", "inner s", "CPU s",
                                                   "MB/s", "VmHWM MB", "RssAnon MB", "output"))
    for name, (wall, text, hwm, anon, cpu) in rows:
        log("  %-26s %8.2f %8.2f %8.2f %8.1f %9.1f %10.1f  %s"
            % (name, wall, inner_seconds(text), cpu, total / MB / wall, hwm, anon, text))


def own_peak(result):
    """Our peak working set without the payload image: the process's peak less
    its working set once the payload DLL was loaded (Wine reads such an
    image into private memory, where Windows would map it from the file)."""
    return reported(result[1], "peak_mb") - reported(result[1], "loaded_mb")


def bench_archive(blocks, have_7za, summary):
    archive = os.path.join(DATA, "bench-%d.7z" % blocks)
    dll = os.path.join(CACHE, "bench-%d.dll" % blocks)
    pack(TREE, archive, blocks)
    build_dll(archive, dll)
    total, largest, nblocks = archive_facts(archive)
    log("%d block(s): %.1f MB packed, %.1f MB unpacked, %d blocks, largest block %.1f MB"
        % (blocks, os.path.getsize(archive) / MB, total / MB, nblocks, largest / MB))
    out_ours = os.path.join(CACHE, "out-ours")
    out_7zz = os.path.join(CACHE, "out-7zz")
    out_7za = os.path.join(CACHE, "out-7za")
    rows = []
    ours = best([WINE_RUN, BENCH_EXE, "install", wine_path(dll), wine_path(out_ours) + "\\"], fresh(out_ours))
    rows.append(("ours (worker, Wine)", ours))
    decode = best([WINE_RUN, BENCH_EXE, "decode", wine_path(archive)])
    rows.append(("SDK decode only (Wine)", decode))
    # Diagnostics, once: where our time goes.
    stream = best([WINE_RUN, BENCH_EXE, "stream", wine_path(archive)], runs=1)
    rows.append(("*our stream, no files (Wine)", stream))
    win7za = None
    if have_7za:
        win7za = best([WINE_RUN, SEVEN_ZA, "x", "-y", "-bd", "-bso0", "-bsp0", "-o" + wine_path(out_7za),
                       wine_path(archive)], fresh(out_7za))
        rows.append(("7za 21.07 %s (Wine)" % ("ia32" if ARCH == "i686" else "x64"), win7za))
    native = best(["7zz", "x", "-y", "-bd", "-bso0", "-bsp0", "-o" + out_7zz, archive], fresh(out_7zz), runs=1)
    rows.append(("*7zz x (native)", native))
    stage = best([WINE_RUN, BENCH_EXE, "stage", wine_path(dll), wine_path(os.path.join(CACHE, "staged.7z"))],
                 runs=1)
    rows.append(("*staging alone (Wine)", stage))
    print_rows(rows, total)
    log("  staging share of ours, inner time: %.1f %%" % (100.0 * inner_seconds(stage[1]) / inner_seconds(ours[1])))
    ratio = ours[0] / win7za[0] if win7za else float("nan")
    log("  ours / Windows 7za wall: %.2f; ours / SDK decode wall: %.2f; ours / 7zz native wall: %.2f"
        % (ratio, ours[0] / decode[0], ours[0] / native[0]))
    log("  ours peak working set without the payload image: %.1f MB (loaded %.1f MB, peak %.1f MB)"
        % (own_peak(ours), reported(ours[1], "loaded_mb"), reported(ours[1], "peak_mb")))
    summary.append((blocks, ours[0], win7za[0] if win7za else float("nan"), decode[0], native[0], own_peak(ours)))
    for folder in (out_ours, out_7zz, out_7za):
        shutil.rmtree(folder, ignore_errors=True)


def make_big_tree():
    stamp = os.path.join(DATA, "big-tree.done")
    if os.path.exists(stamp):
        return
    log("making the big data set (once): %d files of %d MB" % (BIG_FILES, BIG_FILE_SIZE >> 20))
    shutil.rmtree(BIG_TREE, ignore_errors=True)
    rng = random.Random(15)
    words = ["".join(rng.choices(string.ascii_lowercase, k=rng.randint(2, 10))) for _ in range(4000)]
    os.makedirs(BIG_TREE)
    put_main_program(BIG_TREE, rng)
    for i in range(BIG_FILES):
        # Text repeated within the dictionary's reach: packs small, unpacks fast.
        base = " ".join(rng.choices(words, k=(2 << 20) // 6)).encode()[:2 << 20]
        folder = os.path.join(BIG_TREE, "data%02d" % (i // 25))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "part%03d.txt" % i), "wb") as f:
            for k in range(BIG_FILE_SIZE // len(base)):
                f.write(b"%d:%d\n" % (i, k) + base)
    open(stamp, "w").close()


def bench_big():
    if ARCH != "i686":
        log("big payload: SKIPPED in this mode; the target is the 32-bit build's (run in i686 mode)")
        return None
    free = shutil.disk_usage(BIN).free
    if free < BIG_DISK_NEEDED and not os.path.exists(os.path.join(CACHE, "big.dll")):
        log("big payload: SKIPPED, %.1f GB free in the build tree, %.1f GB needed"
            % (free / 2.0 ** 30, BIG_DISK_NEEDED / 2.0 ** 30))
        return None
    make_big_tree()
    archive = os.path.join(DATA, "big.7z")
    dll = os.path.join(CACHE, "big.dll")
    # LZMA's fast mode: the same format to unpack, packed in minutes, not half an hour.
    # No size limit on the solid block (by default 7-Zip starts a new one at
    # 128 dictionaries).
    methods = [m + ":mf=hc4:a=0" if m.startswith("-m1=LZMA") else m for m in METHODS]
    pack(BIG_TREE, archive, 1, [("-ms=4g" if m == "-ms=on" else m) for m in methods])
    build_dll(archive, dll)
    total, largest, nblocks = archive_facts(archive)
    log("big payload: %.1f MB packed, %.1f MB unpacked, %d block(s), largest block %.1f MB"
        % (os.path.getsize(archive) / MB, total / MB, nblocks, largest / MB))
    out_ours = os.path.join(CACHE, "out-big")
    fresh(out_ours)()
    try:
        result = measure([WINE_RUN, BENCH_EXE, "install", wine_path(dll), wine_path(out_ours) + "\\"],
                         check=False)
    finally:
        shutil.rmtree(out_ours, ignore_errors=True)
    print_rows([("ours (worker, Wine), once", result)], total)
    code = reported(result[1], "code")
    log("  big payload %s (final code %s); peak working set without the payload image %.1f MB"
        % ("INSTALLED" if code == 0 else "NOT INSTALLED", "%g" % code, own_peak(result)))
    return code == 0, own_peak(result)


def main():
    os.makedirs(CACHE, exist_ok=True)
    os.makedirs(DATA, exist_ok=True)
    make_tree()
    have_7za = fetch_7za()
    log("mode: %s build under %s Wine, %d processor(s); load average %s"
        % (ARCH, "32-bit" if ARCH == "i686" else "64-bit", os.cpu_count(), os.getloadavg()))
    summary = []
    for blocks in BLOCK_COUNTS:
        bench_archive(blocks, have_7za, summary)
    big_wanted = os.environ.get("VL_BENCH_BIG", "1") != "0"
    big = bench_big() if big_wanted else None

    log("summary (%s):" % ARCH)
    log("  %-8s %8s %8s %8s %8s %12s %12s" % ("blocks", "ours s", "7za s", "SDK s", "7zz s", "ours/7za", "own peak MB"))
    for blocks, ours, win7za, decode, native, peak in summary:
        log("  %-8d %8.2f %8.2f %8.2f %8.2f %12.2f %12.1f" % (blocks, ours, win7za, decode, native, ours / win7za, peak))
    targets = {1: 0.8, 2: 0.55}
    for blocks, ours, win7za, _, _, peak in summary:
        if blocks in targets:
            log("  %d block(s): ours / 7za %.2f, target <= %.2f: %s"
                % (blocks, ours / win7za, targets[blocks], "met" if ours / win7za <= targets[blocks] else "NOT met"))
    peaks = [peak for *_, peak in summary] + ([big[1]] if big else [])
    if not peaks:
        return
    log("  peak working set without the payload image: at most %.1f MB, target <= %.0f MB: %s"
        % (max(peaks), PEAK_TARGET_MB, "met" if max(peaks) <= PEAK_TARGET_MB else "NOT met"))
    if big is None:
        log("  big payload: skipped (%s)" % ("VL_BENCH_BIG=0" if not big_wanted
                                             else "the 32-bit mode's target" if ARCH != "i686" else "disk"))
    else:
        log("  big payload installs: %s" % ("met" if big[0] else "NOT met"))


if __name__ == "__main__":
    main()
