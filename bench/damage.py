"""Damaged-payload campaign (run by scripts/bench.sh damage, or on its own with
VL_BIN_DIR/VL_SOURCE_DIR set): a few hundred archives derived from the
default payload and from a multi-block archive, deterministically from a
seed, each run through the extraction worker under Wine (extract_driver.exe)
into a fresh folder. Every run must end with exactly one final code within
10 s, without a crash, and create or change nothing in the Wine prefix's
drive C: outside its folder. Prints one row per kind of damage and the
totals; exits 1 when any run crashed, hung, posted more than one final code,
escaped or silently lost an entry, or when the driver's own set-up failed
(counted apart as "harness": nothing was run, so it is no crash).

Kinds of damage:
  flip-packed    1-3 bit flips inside the packed streams
  flip-header    1-3 bit flips in the headers, checksums left as they are
  flip-header+   the same with every checksum made right again, so the
                 reader takes the damage for data
  truncate       cut at seeded offsets and at the edges of the headers
  field          one header field changed (sizes, counts, offsets, attribute
                 words, name lengths, coder ids, property sizes), checksums
                 made right
  start          the start header's next-header offset or size changed,
                 its checksum made right
  name           a Copy archive holding Vellomar.exe and one harmless file, then one entry
                 with a hostile name (parents, colons, drive letters,
                 leading slashes, devices, very long names)

  python3 bench/damage.py [--seed N] [--keep DIR] [--only KIND]
--keep copies every archive that crashed, hung, escaped or lost a file into DIR.
Run it alone in its Wine prefix: whatever else writes to drive C: meanwhile
counts as an escape.
"""
import argparse
import lzma
import os
import random
import shutil
import struct
import subprocess
import sys
import time
import zlib

BIN = os.environ["VL_BIN_DIR"]
SRC = os.environ["VL_SOURCE_DIR"]
sys.path.insert(0, os.path.join(SRC, "tests", "engine"))
from make_extract_fixtures import write_7z  # noqa: E402  (Copy archives with any names)

CACHE = os.path.join(BIN, "bench-cache", "damage")
DRIVER = os.path.join(BIN, "tests", "engine", "extract_driver.exe")
TEMPLATE = os.path.join(BIN, "tests", "engine", "extract_template.dll")
PAYLOAD = os.path.join(BIN, "payload.7z")
WINE = os.environ.get("VL_WINE", "wine")
PREFIX = os.environ["WINEPREFIX"]
DRIVE_C = os.path.join(PREFIX, "drive_c")
CAMPAIGN = os.path.join(DRIVE_C, "vl-damage")
PROCESS_LIMIT_S = 60   # Wine's own start included; the driver bounds the worker at 10 s
SIG = b"7z\xbc\xaf\x27\x1c"


def log(text=""):
    print(text, flush=True)


# ---- 7z structure ------------------------------------------------------------


def read_number(data, pos):
    first = data[pos]
    mask = 0x80
    extra = 0
    while extra < 8 and first & mask:
        extra += 1
        mask >>= 1
    value = int.from_bytes(data[pos + 1:pos + 1 + extra], "little")
    if extra < 8:
        value |= (first & (mask - 1)) << (8 * extra)
    return value, 1 + extra


def encode_number(n):
    for extra in range(8):
        if n < 1 << (7 * (extra + 1)):
            first = ((0xFF00 >> extra) & 0xFF) | (n >> (8 * extra))
            return bytes([first]) + (n & ((1 << (8 * extra)) - 1)).to_bytes(extra, "little")
    return b"\xff" + (n & (2 ** 64 - 1)).to_bytes(8, "little")


class Header:
    """A plain (not encoded) header, with where each field lies in it."""

    def __init__(self, data):
        self.data = bytes(data)
        self.pos = 0
        self.fields = []   # (kind, label, offset, length, value)
        self.folder_crcs = []
        self.parse()

    def byte(self, label=None):
        b = self.data[self.pos]
        if label:
            self.fields.append(("byte", label, self.pos, 1, b))
        self.pos += 1
        return b

    def num(self, label):
        value, length = read_number(self.data, self.pos)
        self.fields.append(("number", label, self.pos, length, value))
        self.pos += length
        return value

    def digests(self, count):
        all_defined = self.byte()
        if all_defined:
            defined = count
        else:
            bits = self.data[self.pos:self.pos + (count + 7) // 8]
            self.pos += (count + 7) // 8
            defined = sum(bin(b).count("1") for b in bits)
        self.pos += 4 * defined
        return defined

    def streams(self):
        folders = []
        while True:
            pid = self.byte()
            if pid == 0x00:
                return
            if pid == 0x06:
                self.num("pack position")
                n = self.num("pack stream count")
                while True:
                    sub = self.byte()
                    if sub == 0x00:
                        break
                    if sub == 0x09:
                        for _ in range(n):
                            self.num("pack size")
                    elif sub == 0x0A:
                        self.digests(n)
            elif pid == 0x07:
                assert self.byte() == 0x0B
                nfolders = self.num("folder count")
                assert self.byte() == 0
                for _ in range(nfolders):
                    outs = 0
                    ins = 0
                    for _ in range(self.num("coder count")):
                        flags = self.byte("coder flags")
                        self.fields.append(("coder", "coder id", self.pos, flags & 0x0F,
                                            self.data[self.pos:self.pos + (flags & 0x0F)]))
                        self.pos += flags & 0x0F
                        if flags & 0x10:
                            ins += self.num("coder in streams")
                            outs += self.num("coder out streams")
                        else:
                            ins += 1
                            outs += 1
                        if flags & 0x20:
                            size = self.num("coder property size")
                            self.pos += size
                    for _ in range(outs - 1):
                        self.num("bind pair in")
                        self.num("bind pair out")
                    if ins - (outs - 1) > 1:
                        for _ in range(ins - (outs - 1)):
                            self.num("packed stream index")
                    folders.append(outs)
                assert self.byte() == 0x0C
                for outs in folders:
                    for _ in range(outs):
                        self.num("unpack size")
                sub = self.byte()
                if sub == 0x0A:
                    self.folder_crcs = [True] * len(folders)   # enough for the substream count below
                    self.digests(len(folders))
                    sub = self.byte()
                assert sub == 0x00
            elif pid == 0x08:
                counts = [1] * len(folders)
                while True:
                    sub = self.byte()
                    if sub == 0x00:
                        break
                    if sub == 0x0D:
                        counts = [self.num("files in block") for _ in folders]
                    elif sub == 0x09:
                        for n in counts:
                            for _ in range(max(n - 1, 0)):
                                self.num("file size")
                    elif sub == 0x0A:
                        unknown = sum(n for i, n in enumerate(counts)
                                      if not (n == 1 and i < len(self.folder_crcs)))
                        self.digests(unknown)
            else:
                raise ValueError("streams property %#x" % pid)

    def files(self):
        n = self.num("file count")
        while True:
            ptype = self.num("file property type")
            if ptype == 0:
                return
            size = self.num("file property size")
            start = self.pos
            if ptype == 0x11 and self.data[start] == 0:
                for i in range(start + 1, start + size - 1, 2):
                    if self.data[i] == 0 and self.data[i + 1] == 0 and (i - start - 1) % 2 == 0:
                        self.fields.append(("terminator", "name end", i, 2, 0))
                self.fields.append(("names", "name text", start + 1, size - 1, None))
            elif ptype == 0x15:
                all_defined = self.data[start]
                at = start + 1 + (0 if all_defined else (n + 7) // 8)
                at += 1   # external
                while at + 4 <= start + size:
                    self.fields.append(("word", "attribute word", at, 4, struct.unpack_from("<I", self.data, at)[0]))
                    at += 4
            self.pos = start + size

    def parse(self):
        assert self.byte() == 0x01
        pid = self.byte()
        if pid == 0x04:
            self.streams()
            pid = self.byte()
        if pid == 0x05:
            self.files()
            pid = self.byte()
        assert pid == 0x00


def split_archive(data):
    """(end of the packed streams, header offset, header bytes)."""
    offset, size, _ = struct.unpack_from("<QQI", data, 12)
    start = 32 + offset
    return start, start, data[start:start + size]


def with_header(data, packed_end, header, fix_crc=True):
    """The archive with its packed streams up to packed_end and this header
    after them; the start header and its checksum made to match."""
    body = bytes(data[32:packed_end])
    crc = zlib.crc32(header) if fix_crc else struct.unpack_from("<I", data, 28)[0]
    tail = struct.pack("<QQI", len(body), len(header), crc)
    return SIG + bytes(data[6:8]) + struct.pack("<I", zlib.crc32(tail)) + tail + body + header


def decode_header(data):
    """An encoded header (0x17) unpacked: the archive with a plain header
    instead, ready for field changes. Only LZMA-encoded headers are known."""
    packed_end, at, header = split_archive(data)
    if header[0] != 0x17:
        return data
    h = Header(b"\x01\x04" + header[1:] + b"\x00")   # read as main streams of a header
    pack_pos = next(f[4] for f in h.fields if f[1] == "pack position")
    pack_size = next(f[4] for f in h.fields if f[1] == "pack size")
    unpack_size = next(f[4] for f in h.fields if f[1] == "unpack size")
    # Offsets in h are one more than in header: "\x01\x04" stands for the 0x17.
    props_at = next(f[2] + f[3] for f in h.fields if f[1] == "coder property size") - 1
    props = header[props_at:props_at + 5]
    d = props[0]
    filters = [{"id": lzma.FILTER_LZMA1, "lc": d % 9, "lp": (d // 9) % 5, "pb": d // 45,
                "dict_size": struct.unpack_from("<I", props, 1)[0]}]
    packed = data[32 + pack_pos:32 + pack_pos + pack_size]
    plain = lzma.LZMADecompressor(lzma.FORMAT_RAW, filters=filters).decompress(packed, unpack_size)
    return with_header(data, 32 + pack_pos, plain)


# ---- Sources -------------------------------------------------------------------


def make_multi_block():
    """Vellomar.exe and twenty-four files in blocks of three (BCJ + LZMA, plain
    header): nine blocks. Without Vellomar.exe at its top the worker would
    refuse every variant as damaged before reading any entry."""
    out = os.path.join(CACHE, "multi-main.7z")
    if os.path.exists(out):
        return out
    tree = os.path.join(CACHE, "multi-tree")
    shutil.rmtree(tree, ignore_errors=True)
    rng = random.Random(7)
    os.makedirs(tree)
    with open(os.path.join(tree, "Vellomar.exe"), "wb") as f:
        f.write(b"MZ" + rng.randbytes(3000))
    for i in range(24):
        path = os.path.join(tree, "resource" if i % 2 else "bin", "d%d" % (i % 4), "f%02d.dat" % i)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            words = [rng.choice(["note", "page", "text", "list", "mark"]) for _ in range(400 + 50 * i)]
            f.write(" ".join(words).encode() + rng.randbytes(64))
    subprocess.run(["7zz", "a", "-t7z", "-m0=BCJ", "-m1=LZMA:d=64k", "-ms=3f", "-mhc=off", "-mtc=off",
                    "-mta=off", "-bd", "-bso0", "-bsp0", out, "."], cwd=tree, check=True)
    return out


def source_facts(data):
    packed_end, at, header = split_archive(data)
    return packed_end, header


# ---- Variants ------------------------------------------------------------------


def flip_bits(data, lo, hi, rng):
    out = bytearray(data)
    for _ in range(rng.randint(1, 3)):
        i = rng.randrange(lo, hi)
        out[i] ^= 1 << rng.randrange(8)
    return bytes(out)


NUMBER_VALUES = [0, 1, 2, 0x7F, 0x80, 0xFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 1 << 32, (1 << 63) - 1, (1 << 64) - 1]
CODER_IDS = [b"\x00", b"\x21", b"\x03\x01\x01", b"\x03\x03\x01\x03", b"\x03\x04\x01", b"\x06\xf1\x07\x01",
             b"\x04\x01\x08", b"\x03\x03\x02\x05", b"\x0a", b"\xff\xff\xff\xff"]
WORDS = [0, 0xFFFFFFFF, 0x10, 0x01, 0x400, 0x8000, 0x80000000, 0x00008010, 0x4000, 0xFFFF7FFF]


def field_variant(data, packed_end, header, rng):
    h = Header(header)
    kind, label, at, length, value = rng.choice(h.fields)
    hb = bytearray(header)
    if kind == "number":
        new = rng.choice([v for v in NUMBER_VALUES + [value + 1, max(value - 1, 0), value * 2 + 1] if v != value])
        hb[at:at + length] = encode_number(new)
        what = "%s %d -> %d" % (label, value, new)
    elif kind == "byte":
        new = rng.choice([0x00, 0x0F, 0x10, 0x20, 0x30, 0x3F, 0xFF, value ^ 0x20, value + 1])
        hb[at] = new & 0xFF
        what = "%s %#x -> %#x" % (label, value, new & 0xFF)
    elif kind == "coder":
        new = rng.choice([c for c in CODER_IDS if len(c) == length and c != value] or [bytes(length)])
        hb[at:at + length] = new
        what = "%s %s -> %s" % (label, value.hex(), new.hex())
    elif kind == "word":
        new = rng.choice(WORDS + [value ^ (1 << rng.randrange(32))])
        struct.pack_into("<I", hb, at, new)
        what = "%s %#x -> %#x" % (label, value, new)
    elif kind == "terminator":
        hb[at:at + 2] = b"A\x00"   # this name runs into the next
        what = "%s at %d removed" % (label, at)
    else:   # name text: a terminator put inside, one name more than files
        i = at + 2 * rng.randrange(max(length // 2 - 1, 1))
        hb[i:i + 2] = b"\x00\x00"
        what = "name split at %d" % i
    return with_header(data, packed_end, bytes(hb)), what


def start_variant(data, rng):
    out = bytearray(data)
    which = rng.choice(["offset", "size"])
    at = 12 if which == "offset" else 20
    old = struct.unpack_from("<Q", out, at)[0]
    new = rng.choice([0, 1, old - 1, old + 1, len(data), 0xFFFFFFFF, 1 << 40, (1 << 64) - 1, 1 << 62])
    struct.pack_into("<Q", out, at, new & ((1 << 64) - 1))
    struct.pack_into("<I", out, 8, zlib.crc32(bytes(out[12:32])))
    return bytes(out), "next header %s %d -> %d" % (which, old, new)


def damaged_variants(tag, data, rng, counts):
    packed_end, header = source_facts(data)
    plain = decode_header(data)
    plain_end, plain_header = source_facts(plain)
    header_at = len(data) - len(header)
    for i in range(counts["flip-packed"]):
        yield "flip-packed", "%s #%d" % (tag, i), flip_bits(data, 32, packed_end, rng)
    for i in range(counts["flip-header"]):
        # The signature header, then the header itself.
        lo, hi = (0, 32) if i % 4 == 0 else (header_at, len(data))
        yield "flip-header", "%s #%d" % (tag, i), flip_bits(data, lo, hi, rng)
    for i in range(counts["flip-header+"]):
        flipped = flip_bits(plain_header, 0, len(plain_header), rng)
        yield "flip-header+", "%s #%d" % (tag, i), with_header(plain, plain_end, flipped)
    cuts = sorted({0, 1, 6, 12, 31, 32, 33, header_at - 1, header_at, header_at + 1, len(data) - 1}
                  | {rng.randrange(len(data)) for _ in range(counts["truncate"])})
    for cut in cuts[:counts["truncate"] + 11]:
        yield "truncate", "%s at %d" % (tag, cut), data[:cut]
    for i in range(counts["field"]):
        variant, what = field_variant(plain, plain_end, plain_header, rng)
        yield "field", "%s: %s" % (tag, what), variant
    for i in range(counts["start"]):
        variant, what = start_variant(plain, rng)
        yield "start", "%s: %s" % (tag, what), variant


HOSTILE_NAMES = [
    "../evil.txt", "a/../../evil.txt", "..\\evil.txt", "a\\..\\..\\evil.txt", "a/.../evil.txt", "a/.. /evil.txt",
    "C:/evil.txt", "C:evil.txt", "c:\\evil.txt", "Z:/tmp/vl-damage-evil.txt", "inside.txt:evil",
    "inside.txt::$DATA", "/evil.txt", "\\evil.txt", "//server/share/evil.txt", "\\\\?\\C:\\evil.txt",
    "\\\\.\\C:\\evil.txt", "/tmp/vl-damage-evil.txt",
    "CON", "NUL", "nul", "AUX", "PRN", "COM1", "COM9", "LPT1", "CONIN$", "CONOUT$", "NUL.txt", "com1.log",
    "a/CON", "a/NUL/b.txt", "a/AUX.txt", "CON .txt",
    "x" * 200, "x" * 255, "x" * 256, "x" * 300, "d/" * 120 + "deep.txt", "y" * 1000, ("z" * 250 + "/") * 4 + "f",
    "a<b.txt", "a|b.txt", "a?b.txt", "a*b.txt", "a\"b.txt", "tab\there.txt", "ctl\x01.txt", "", "/", "a//b.txt",
    "trailing.", "trailing ", "./dot.txt",
]


def name_variants():
    for i, name in enumerate(HOSTILE_NAMES):
        path = os.path.join(CACHE, "names", "n%02d.7z" % i)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        write_7z(path, [("Vellomar.exe", b"Vellomar.exe\n", None), ("inside.txt", b"inside.txt\n", None),
                        (name, b"hostile\n", None)])
        yield "name", repr(name if len(name) < 40 else name[:20] + "...(%d)" % len(name)), open(path, "rb").read(), name


# ---- Running -------------------------------------------------------------------


def listing(root, skip):
    """{path: (size, mtime)} below root, without the paths under skip."""
    out = {}
    for dirpath, dirnames, filenames in os.walk(root):
        if any(dirpath == s or dirpath.startswith(s + os.sep) for s in skip):
            dirnames[:] = []
            continue
        for name in filenames + dirnames:
            path = os.path.join(dirpath, name)
            if any(path == s or path.startswith(s + os.sep) for s in skip):
                continue
            try:
                st = os.lstat(path)
            except OSError:
                continue
            out[path] = (st.st_size, st.st_mtime_ns) if name in filenames else (None, None)
    return out


def wine_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def c_path(path):
    return "C:" + os.path.relpath(path, DRIVE_C).replace("/", "\\").join(["\\", ""])


def run_one(index, archive_bytes):
    """(result dict, folder); result has code, finals, seconds, path, crash, hang, harness."""
    work = os.path.join(CAMPAIGN, "v%03d" % index)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(os.path.join(work, "inst"))
    archive = os.path.join(CACHE, "current.7z")
    with open(archive, "wb") as f:
        f.write(archive_bytes)
    cmd = [WINE, DRIVER, wine_path(TEMPLATE), wine_path(archive), c_path(os.path.join(work, "payload.dll")),
           c_path(os.path.join(work, "inst")) + "\\"]
    env = dict(os.environ, LC_ALL=os.environ.get("VL_WINE_LOCALE", "zh_CN.UTF-8"))
    result = {"code": None, "finals": 0, "seconds": 0.0, "path": "", "crash": False, "hang": False, "harness": False,
              "out": ""}
    # Output into files, not pipes: Wine's helper processes inherit the
    # handles and would hold a pipe open for seconds after the driver ended.
    out_path = os.path.join(CACHE, "driver.out")
    with open(out_path, "wb") as out_file:
        proc = subprocess.Popen(cmd, stdin=subprocess.DEVNULL, stdout=out_file, stderr=subprocess.STDOUT, env=env)
        try:
            proc.wait(timeout=PROCESS_LIMIT_S)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
            result["hang"] = True
            return result, work
    text = open(out_path, "rb").read().decode("utf-8", "replace")
    out = next((line.strip() for line in text.splitlines() if line.startswith("code=")), "")
    result["out"] = text.strip()[-400:]
    fields = dict(p.split("=", 1) for p in out.split(" ") if "=" in p) if out.startswith("code=") else {}
    if "path" in fields:
        fields["path"] = out.split(" path=", 1)[1]
    # The driver's exit codes: 2 its own set-up failed, 3 no final code, 4
    # the worker ran on after it; a fault prints "crash ..." and ends it.
    crashed = any(line.startswith("crash ") for line in text.splitlines())
    if not crashed and proc.returncode == 2 and "harness:" in text:
        result["harness"] = True
    elif not crashed and (fields.get("code") == "none" or proc.returncode in (3, 4)):
        result["hang"] = True
    elif crashed or not fields or proc.returncode != 0:
        result["crash"] = True
    else:
        result.update(code=int(fields["code"]), finals=int(fields["finals"]), seconds=float(fields["seconds"]),
                      path=fields["path"])
        if result["seconds"] > 10.0:
            result["hang"] = True
    return result, work


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--seed", type=int, default=20261210)
    parser.add_argument("--keep", default=None)
    parser.add_argument("--only", default=None)
    args = parser.parse_args()
    os.makedirs(CACHE, exist_ok=True)
    rng = random.Random(args.seed)
    counts = {"flip-packed": 30, "flip-header": 16, "flip-header+": 24, "truncate": 16, "field": 50, "start": 8}
    payload = open(PAYLOAD, "rb").read()
    multi = open(make_multi_block(), "rb").read()
    variants = [(k, d, v, None) for k, d, v in damaged_variants("payload", payload, rng, counts)]
    variants += [(k, d, v, None) for k, d, v in damaged_variants("multi", multi, rng, counts)]
    variants += list(name_variants())
    if args.only:
        variants = [v for v in variants if v[0] == args.only]

    # One server for the whole campaign, ended by itself a little after.
    subprocess.run(["wineserver", "-p5"], check=False,
                   env=dict(os.environ, LC_ALL=os.environ.get("VL_WINE_LOCALE", "zh_CN.UTF-8")))
    shutil.rmtree(CAMPAIGN, ignore_errors=True)
    os.makedirs(CAMPAIGN)
    before = listing(DRIVE_C, [CAMPAIGN])
    kinds = []
    table = {}
    findings = []
    started = time.time()
    for index, (kind, what, data, planted) in enumerate(variants):
        result, work = run_one(index, data)
        inst = os.path.join(work, "inst")
        after = listing(DRIVE_C, [CAMPAIGN])
        outside = listing(work, [inst, os.path.join(work, "payload.dll")])
        changed = sorted(set(p for p in set(before) | set(after) if before.get(p) != after.get(p))
                         | set(outside))
        # The staged archive (<temp>\<tick>.7z) belongs to the worker; staging failures keep it.
        staged = [p for p in changed if p.endswith(".7z") and os.path.basename(p)[:-3].isdigit()]
        escapes = [p for p in changed if p not in staged]
        lost = False
        if planted is not None and result["code"] == 0:
            # Success must mean the hostile entry is inside the folder as it was stored.
            found = any(open(os.path.join(d, f), "rb").read() == b"hostile\n"
                        for d, _, fs in os.walk(inst) for f in fs)
            lost = not found
        row = table.setdefault(kind, {"variants": 0, "codes": {}, "crashes": 0, "hangs": 0, "finals": 0,
                                      "escapes": 0, "lost": 0, "harness": 0, "slowest": 0.0})
        if kind not in kinds:
            kinds.append(kind)
        row["variants"] += 1
        code = "-" if result["code"] is None else str(result["code"])
        row["codes"][code] = row["codes"].get(code, 0) + 1
        row["crashes"] += result["crash"]
        row["hangs"] += result["hang"]
        row["finals"] += result["code"] is not None and result["finals"] != 1
        row["escapes"] += bool(escapes)
        row["lost"] += lost
        row["harness"] += result["harness"]
        row["slowest"] = max(row["slowest"], result["seconds"])
        bad = (result["crash"] or result["hang"] or result["harness"] or escapes or lost
               or (result["code"] is not None and result["finals"] != 1))
        if bad:
            findings.append((kind, what, result, escapes, lost))
            if args.keep:
                os.makedirs(args.keep, exist_ok=True)
                with open(os.path.join(args.keep, "%s-%03d.7z" % (kind, index)), "wb") as f:
                    f.write(data)
        # What a run created outside goes, so the next run starts from the same prefix.
        for p in sorted((p for p in staged + escapes if p not in before), reverse=True):
            if os.path.isdir(p) and not os.path.islink(p):
                shutil.rmtree(p, ignore_errors=True)
            elif os.path.lexists(p):
                os.remove(p)
        before = listing(DRIVE_C, [CAMPAIGN])
        shutil.rmtree(work, ignore_errors=True)
        if (index + 1) % 50 == 0:
            log("  %d of %d variants, %.0f s" % (index + 1, len(variants), time.time() - started))
    shutil.rmtree(CAMPAIGN, ignore_errors=True)

    log("seed %d, %d variants, %.0f s" % (args.seed, len(variants), time.time() - started))
    log("%-13s %8s  %-34s %7s %5s %6s %7s %4s %7s %8s" % ("damage", "variants", "final codes seen (code:runs)",
                                                          "crashes", "hangs", "finals", "escapes", "lost", "harness",
                                                          "slowest"))
    total = {"variants": 0, "crashes": 0, "hangs": 0, "finals": 0, "escapes": 0, "lost": 0, "harness": 0,
             "codes": {}}
    for kind in kinds:
        row = table[kind]
        codes = " ".join("%s:%d" % (c, n) for c, n in sorted(row["codes"].items()))
        log("%-13s %8d  %-34s %7d %5d %6d %7d %4d %7d %7.2fs" % (kind, row["variants"], codes, row["crashes"],
                                                               row["hangs"], row["finals"], row["escapes"],
                                                               row["lost"], row["harness"], row["slowest"]))
        for key in ("variants", "crashes", "hangs", "finals", "escapes", "lost", "harness"):
            total[key] += row[key]
        for c, n in row["codes"].items():
            total["codes"][c] = total["codes"].get(c, 0) + n
    codes = " ".join("%s:%d" % (c, n) for c, n in sorted(total["codes"].items()))
    log("%-13s %8d  %-34s %7d %5d %6d %7d %4d %7d" % ("all", total["variants"], codes, total["crashes"],
                                                      total["hangs"], total["finals"], total["escapes"],
                                                      total["lost"], total["harness"]))
    log("(finals: runs that posted other than exactly one final code; lost: a hostile name reported as"
        " installed but not found in the folder; harness: the driver's own set-up failed, nothing ran)")
    for kind, what, result, escapes, lost in findings:
        log("FOUND %s %s: %s%s%s" % (kind, what, result["out"][:300].replace("\n", " | "),
                                     " escapes=%s" % escapes[:5] if escapes else "", " lost" if lost else ""))
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main())
