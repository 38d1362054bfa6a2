"""Builds the archives the extraction tests stage, into one output folder.

7-Zip always lists directories before files and refuses names that leave the
folder, so the archives that need another order or such names are written
here directly: 7z with the Copy method, one block, uncompressed header. The
rest come from the default payload, which 7-Zip made:

  layout.7z         files first, directories last; config/resource trees and
                    their look-alikes; an empty file; attribute words
  empty.7z          a valid archive without entries
  not7z.7z          a text file
  damaged.7z        the default payload with one byte of packed data flipped
  escape_parent.7z  a name with ".." components after a harmless entry
  escape_stream.7z  a name with a colon (alternate data stream)
  thumbs.7z         a "Thumbs.db" entry between two files
  escape_device.7z  a name whose file part is a device ("nul.txt")
  nameless.7z       two files and no names property (the damaged-payload
                    campaign's finding: the reader accepts it)
  payload_entries.txt  the default payload's entries in archive order, "D name"
                    or "F name" per line
  payload_ref/      the default payload as 7-Zip itself extracts it

usage: make_extract_fixtures.py <7zz> <default payload> <output folder>
"""
import os
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


def write_7z(path, entries, names=True):
    """entries: (name, data or None for a directory, attribute word or None);
    names=False leaves the names property out."""
    streams = [data for _, data, _ in entries if data]
    packed = b"".join(streams)
    header = bytearray(b"\x01")
    if streams:
        header += b"\x04"                                        # main streams
        header += b"\x06" + number(0) + number(1)                # pack info
        header += b"\x09" + number(len(packed)) + b"\x00"
        header += b"\x07\x0b" + number(1) + b"\x00"              # one folder
        header += number(1) + b"\x01\x00"                        # one coder: Copy
        header += b"\x0c" + number(len(packed)) + b"\x00"
        header += b"\x08\x0d" + number(len(streams))             # substreams
        if len(streams) > 1:
            header += b"\x09" + b"".join(number(len(s)) for s in streams[:-1])
        header += b"\x0a\x01" + b"".join(struct.pack("<I", zlib.crc32(s)) for s in streams)
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


def main():
    sevenzip, payload, out = sys.argv[1:4]
    os.makedirs(out, exist_ok=True)

    write_7z(os.path.join(out, "layout.7z"), layout_entries())
    write_7z(os.path.join(out, "empty.7z"), [])
    write_7z(os.path.join(out, "escape_parent.7z"), [
        ("inside.txt", text("inside.txt"), None),
        ("sub/../../outside/evil.txt", text("evil"), None),
        ("after.txt", text("after.txt"), None)])
    write_7z(os.path.join(out, "escape_stream.7z"), [
        ("inside.txt", text("inside.txt"), None),
        ("inside.txt:evil", text("evil"), None)])
    write_7z(os.path.join(out, "escape_device.7z"), [
        ("inside.txt", text("inside.txt"), None),
        ("logs/nul.txt", text("lost"), None)])
    write_7z(os.path.join(out, "nameless.7z"), [
        ("a.txt", text("a.txt"), None),
        ("b.txt", text("b.txt"), None)], names=False)
    write_7z(os.path.join(out, "thumbs.7z"), [
        ("a.txt", text("a.txt"), None),
        ("img/Thumbs.db", text("img/Thumbs.db"), None),
        ("b.txt", text("b.txt"), None)])
    with open(os.path.join(out, "not7z.7z"), "wb") as f:
        f.write(b"This is a text file, not an archive.\r\n" * 8)

    data = bytearray(open(payload, "rb").read())
    data[48] ^= 0x01   # inside the first packed stream, which starts at 32
    open(os.path.join(out, "damaged.7z"), "wb").write(data)

    for name in ("layout.7z", "escape_parent.7z", "escape_stream.7z", "escape_device.7z", "thumbs.7z"):
        subprocess.run([sevenzip, "t", "-bso0", "-bsp0", os.path.join(out, name)], check=True)

    listing = subprocess.run([sevenzip, "l", "-slt", "-ba", payload], check=True,
                             capture_output=True, text=True).stdout
    lines, path = [], None
    for line in listing.splitlines():
        if line.startswith("Path = "):
            path = line[7:]
        elif line.startswith("Attributes = ") and path is not None:
            lines.append(("D " if line[13:].startswith("D") else "F ") + path)
            path = None
    with open(os.path.join(out, "payload_entries.txt"), "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")

    ref = os.path.join(out, "payload_ref")
    shutil.rmtree(ref, ignore_errors=True)
    subprocess.run([sevenzip, "x", "-bso0", "-bsp0", "-o" + ref, payload], check=True)


if __name__ == "__main__":
    main()
