"""Builds the archives the extraction tests stage, into one output folder.

7-Zip always lists directories before files, refuses names that leave the
folder and stores CRCs that match, so the archives that need another order,
such names or a wrong CRC are written here directly: 7z with the Copy method,
uncompressed header. The others come from 7-Zip:

  layout.7z         files first, directories last; config/resource trees and
                    their look-alikes; an empty file; attribute words
  empty.7z          a valid archive without entries
  nomain.7z         files, but Vellomar.exe only below the top and as a directory
  not7z.7z          a text file
  damaged.7z        the default payload with one byte of packed data flipped
  truncated.7z      blocks.7z cut short
  escape_parent.7z  a name with ".." components after a harmless entry
  escape_stream.7z  a name with a colon (alternate data stream)
  thumbs.7z         a "Thumbs.db" entry between two files
  blocks.7z         four blocks made by 7-Zip: BCJ + LZMA (a program larger
                    than the decoder's chunks, with an empty file and an empty
                    directory), LZMA2, PPMd and Copy
  blocks_ref/       blocks.7z as 7-Zip itself extracts it
  crc_second.7z     two Copy blocks; the second block's middle file has a wrong CRC
  escape_device.7z  a name whose file part is a device ("nul.txt")
  twice.7z          one name many times over, each copy with its own bytes
  twice_blocks.7z   one name in six blocks, spelt in six cases, large and small
                    copies by turns
  clash_file.7z     a file "a" (behind a large one), then "a/b.txt" in the next block
  clash_folder.7z   "a/big.bin" behind a large Vellomar.exe, then a file "a" in
                    the next block
  nameless.7z       two files and no names property (the damaged-payload
                    campaign's finding: the reader accepts it)
  payload_entries.txt  the default payload's entries in archive order, "D name"
                    or "F name" per line; blocks_entries.txt the same of blocks.7z
  payload_ref/      the default payload as 7-Zip itself extracts it

Every archive the worker should unpack has Vellomar.exe at its top.

usage: make_extract_fixtures.py <7zz> <default payload> <output folder>
"""
import os
import random
import shutil
import struct
import subprocess
import sys
import zlib

FILE_ATTRIBUTE_READONLY = 0x01
FILE_ATTRIBUTE_HIDDEN = 0x02
FILE_ATTRIBUTE_DIRECTORY = 0x10
FILE_ATTRIBUTE_ARCHIVE = 0x20
UNIX_EXTENSION = 0x8000


def number(n):
    """7z's variable-length number: leading one bits of the first byte count
    the extra little-endian bytes."""
    for extra in range(8):
        if n < 1 << (7 * (extra + 1)):
            first = ((0xFF00 >> extra) & 0xFF) | (n >> (8 * extra))
            return bytes([first]) + (n & ((1 << (8 * extra)) - 1)).to_bytes(extra, "little")
    return b"\xff" + n.to_bytes(8, "little")


def bits(flags):
    out = bytearray((len(flags) + 7) // 8)
    for i, flag in enumerate(flags):
        if flag:
            out[i // 8] |= 0x80 >> (i % 8)
    return bytes(out)


def prop(pid, body):
    return bytes([pid]) + number(len(body)) + body


def write_7z(path, entries, block_starts=(), bad_crc=(), names=True):
    """entries: (name, data or None for a directory, attribute word or None).
    Entries with data go into one Copy block, or a new block starts at each
    name in block_starts; the names in bad_crc get a wrong CRC; names=False
    leaves the names property out."""
    blocks = []
    for name, data, _ in entries:
        if data:
            if not blocks or name in block_starts:
                blocks.append([])
            crc = zlib.crc32(data) ^ (0xFFFFFFFF if name in bad_crc else 0)
            blocks[-1].append((data, crc))
    packed = b"".join(data for block in blocks for data, _ in block)
    header = bytearray(b"\x01")
    if blocks:
        sizes = [sum(len(data) for data, _ in block) for block in blocks]
        header += b"\x04"                                        # main streams
        header += b"\x06" + number(0) + number(len(blocks))      # pack info
        header += b"\x09" + b"".join(number(size) for size in sizes) + b"\x00"
        header += b"\x07\x0b" + number(len(blocks)) + b"\x00"    # folders
        header += (number(1) + b"\x01\x00") * len(blocks)        # one coder each: Copy
        header += b"\x0c" + b"".join(number(size) for size in sizes) + b"\x00"
        header += b"\x08\x0d" + b"".join(number(len(block)) for block in blocks)   # substreams
        if any(len(block) > 1 for block in blocks):
            header += b"\x09" + b"".join(number(len(data)) for block in blocks for data, _ in block[:-1])
        header += b"\x0a\x01" + b"".join(struct.pack("<I", crc) for block in blocks for _, crc in block)
        header += b"\x00\x00"
    if entries:
        header += b"\x05" + number(len(entries))                 # files info
        empty = [not data for _, data, _ in entries]
        if any(empty):
            header += prop(0x0e, bits(empty))
            header += prop(0x0f, bits([data is not None for _, data, _ in entries if not data]))
        name_bytes = b"".join(name.encode("utf-16-le") + b"\0\0" for name, _, _ in entries)
        if names:
            header += prop(0x11, b"\x00" + name_bytes)
        defined = [attrib is not None for _, _, attrib in entries]
        if any(defined):
            body = (b"\x01" if all(defined) else b"\x00" + bits(defined)) + b"\x00"
            body += b"".join(struct.pack("<I", a) for _, _, a in entries if a is not None)
            header += prop(0x15, body)
        header += b"\x00"
    header += b"\x00"
    if not entries:
        header = b""   # the empty archive: a signature header pointing at nothing
    tail = struct.pack("<QQI", len(packed), len(header), zlib.crc32(header) if header else 0)
    with open(path, "wb") as f:
        f.write(b"7z\xbc\xaf\x27\x1c\x00\x04" + struct.pack("<I", zlib.crc32(tail)) + tail)
        f.write(packed)
        f.write(header)


def text(name):
    return (name + "\n").encode("utf-8")


def layout_entries():
    files = ["Vellomar.exe", "config/version.ini", "config/sub/deep/a.txt", "resource/images/logo.bin",
             "Config/upper.txt", "configs/plural.txt", "resources/plural.txt", "configuration.txt"]
    entries = [(name, text(name), FILE_ATTRIBUTE_ARCHIVE) for name in files]
    entries.append(("empty.txt", b"", FILE_ATTRIBUTE_ARCHIVE))
    entries.append(("hidden.txt", text("hidden.txt"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE))
    # As 7-Zip on Linux stores a read-only file: mode 0444 in the high word.
    unix_word = (0o100444 << 16) | UNIX_EXTENSION | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY
    entries.append(("unix.txt", text("unix.txt"), unix_word))
    dirs = ["config", "config/sub", "config/sub/deep", "resource", "resource/images", "Config", "configs",
            "resources", "emptydir"]
    entries += [(name, None, FILE_ATTRIBUTE_DIRECTORY) for name in dirs]
    return entries


def program(size, seed):
    """Bytes like machine code: one 16 KB routine repeated, its calls and jumps
    going to a few fixed addresses, so the x86 filter has work all through
    and the result still packs small."""
    rng = random.Random(seed)
    targets = [rng.randrange(0x1000, 0x400000) for _ in range(16)]
    routine = []   # byte strings, or a target address for a call
    length = 0
    while length < 16384:
        if rng.random() < 0.3:
            routine.append(rng.choice(targets))
            length += 5
        else:
            piece = rng.randbytes(rng.randint(1, 7))
            routine.append(piece)
            length += len(piece)
    out = bytearray()
    while len(out) < size:
        for item in routine:
            if isinstance(item, int):
                out += b"\xe8" + ((item - (len(out) + 5)) & 0xFFFFFFFF).to_bytes(4, "little")
            else:
                out += item
    return bytes(out[:size])


def make_blocks(sevenzip, out):
    """blocks.7z: one 7-Zip run per block, each adding files with its own
    methods (a later run keeps the blocks already there)."""
    stage = os.path.join(out, "blocks_stage")
    shutil.rmtree(stage, ignore_errors=True)
    rng = random.Random(14)
    files = {
        "Vellomar.exe": program((5 << 20) // 2, 1),
        "app/a.txt": text("app/a.txt") * 100,
        "app/empty.txt": b"",
        "lzma2/notes.txt": b"".join(text("note %d" % i) for i in range(20000)),
        "lzma2/blob.bin": rng.randbytes(6000),
        "ppmd/words.txt": " ".join(rng.choice(["alpha", "beta", "gamma"]) for _ in range(30000)).encode(),
        "copy/raw.bin": rng.randbytes(3000),
        "copy/raw2.bin": rng.randbytes(10),
    }
    for name, data in files.items():
        path = os.path.join(stage, name)
        os.makedirs(os.path.dirname(path) or stage, exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
    os.makedirs(os.path.join(stage, "app", "nothing"))
    archive = os.path.join(out, "blocks.7z")
    if os.path.exists(archive):
        os.remove(archive)
    common = ["-t7z", "-ms=on", "-mtc=off", "-mta=off", "-bd", "-bso0", "-bsp0"]
    for methods, names in ((["-m0=BCJ", "-m1=LZMA:d=1m"], ["Vellomar.exe", "app"]),
                           (["-m0=LZMA2:d=1m"], ["lzma2"]),
                           (["-m0=PPMd"], ["ppmd"]),
                           (["-m0=Copy"], ["copy"])):
        subprocess.run([sevenzip, "a", *common, *methods, archive, *names], cwd=stage, check=True)
    shutil.rmtree(stage)
    ref = os.path.join(out, "blocks_ref")
    shutil.rmtree(ref, ignore_errors=True)
    subprocess.run([sevenzip, "x", "-bso0", "-bsp0", "-o" + ref, archive], check=True)
    data = open(archive, "rb").read()
    open(os.path.join(out, "truncated.7z"), "wb").write(data[:len(data) // 2])


def write_entries(sevenzip, archive, path):
    listing = subprocess.run([sevenzip, "l", "-slt", "-ba", archive], check=True,
                             capture_output=True, text=True).stdout
    lines, name = [], None
    for line in listing.splitlines():
        if line.startswith("Path = "):
            name = line[7:]
        elif line.startswith("Attributes = ") and name is not None:
            lines.append(("D " if line[13:].startswith("D") else "F ") + name)
            name = None
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")


def main():
    sevenzip, payload, out = sys.argv[1:4]
    os.makedirs(out, exist_ok=True)

    write_7z(os.path.join(out, "layout.7z"), layout_entries())
    write_7z(os.path.join(out, "empty.7z"), [])
    write_7z(os.path.join(out, "nomain.7z"), [
        ("Vellomar.exe", None, FILE_ATTRIBUTE_DIRECTORY),
        ("bin/Vellomar.exe", text("bin/Vellomar.exe"), None),
        ("readme.txt", text("readme.txt"), None)])
    write_7z(os.path.join(out, "crc_second.7z"), [
        ("Vellomar.exe", text("Vellomar.exe"), None),
        ("a1.txt", text("a1.txt"), None),
        ("b1.txt", text("b1.txt"), None),
        ("b2.txt", text("b2.txt"), None),
        ("b3.txt", text("b3.txt"), None)], block_starts={"b1.txt"}, bad_crc={"b2.txt"})
    write_7z(os.path.join(out, "escape_parent.7z"), [
        ("Vellomar.exe", text("Vellomar.exe"), None),
        ("inside.txt", text("inside.txt"), None),
        ("sub/../../outside/evil.txt", text("evil"), None),
        ("after.txt", text("after.txt"), None)])
    write_7z(os.path.join(out, "escape_stream.7z"), [
        ("Vellomar.exe", text("Vellomar.exe"), None),
        ("inside.txt", text("inside.txt"), None),
        ("inside.txt:evil", text("evil"), None)])
    write_7z(os.path.join(out, "escape_device.7z"), [
        ("Vellomar.exe", text("Vellomar.exe"), None),
        ("inside.txt", text("inside.txt"), None),
        ("logs/nul.txt", text("lost"), None)])
    write_7z(os.path.join(out, "twice.7z"), [("Vellomar.exe", text("Vellomar.exe"), None)]
             + [("a.txt", b"copy %d\n" % n, None) for n in range(1, 21)])
    big = bytes(range(256)) * (8 << 10)   # 2 MiB: keeps its lane busy while the next block is written
    spellings = ["a.txt", "A.txt", "a.TXT", "A.TXT", "a.Txt", "A.tXT"]
    write_7z(os.path.join(out, "twice_blocks.7z"), [("Vellomar.exe", text("Vellomar.exe"), None)]
             + [(name, (b"copy %d\n" % n) * (len(big) // 8 if n % 2 else 1), None)
                for n, name in enumerate(spellings, 1)], block_starts=set(spellings[1:]))
    write_7z(os.path.join(out, "clash_file.7z"), [
        ("Vellomar.exe", text("Vellomar.exe"), None),
        ("big.bin", big, None),
        ("a", text("a"), None),
        ("a/b.txt", text("a/b.txt"), None),
        ("after.txt", text("after.txt"), None)], block_starts={"a/b.txt", "after.txt"})
    write_7z(os.path.join(out, "clash_folder.7z"), [
        ("Vellomar.exe", big, None),
        ("a/big.bin", big, None),
        ("a", text("a"), None),
        ("after.txt", text("after.txt"), None)], block_starts={"a", "after.txt"})
    write_7z(os.path.join(out, "nameless.7z"), [
        ("a.txt", text("a.txt"), None),
        ("b.txt", text("b.txt"), None)], names=False)
    write_7z(os.path.join(out, "thumbs.7z"), [
        ("Vellomar.exe", text("Vellomar.exe"), None),
        ("a.txt", text("a.txt"), None),
        ("img/Thumbs.db", text("img/Thumbs.db"), None),
        ("b.txt", text("b.txt"), None)])
    with open(os.path.join(out, "not7z.7z"), "wb") as f:
        f.write(b"This is a text file, not an archive.\r\n" * 8)

    data = bytearray(open(payload, "rb").read())
    data[48] ^= 0x01   # inside the first packed stream, which starts at 32
    open(os.path.join(out, "damaged.7z"), "wb").write(data)

    make_blocks(sevenzip, out)
    for name in ("layout.7z", "nomain.7z", "escape_parent.7z", "escape_stream.7z", "escape_device.7z", "thumbs.7z"):
        subprocess.run([sevenzip, "t", "-bso0", "-bsp0", os.path.join(out, name)], check=True)

    for name, archive in (("payload", payload), ("blocks", os.path.join(out, "blocks.7z"))):
        write_entries(sevenzip, archive, os.path.join(out, name + "_entries.txt"))

    ref = os.path.join(out, "payload_ref")
    shutil.rmtree(ref, ignore_errors=True)
    subprocess.run([sevenzip, "x", "-bso0", "-bsp0", "-o" + ref, payload], check=True)


if __name__ == "__main__":
    main()
