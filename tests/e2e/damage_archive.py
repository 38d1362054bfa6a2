"""Copies a 7z archive with bytes of its packed data flipped: the headers
stay readable, decoding the first block fails."""
import sys

data = bytearray(open(sys.argv[1], "rb").read())
# The packed streams start right after the 32-byte signature header.
for i in range(64, min(len(data) - 1, 96)):
    data[i] ^= 0xFF
open(sys.argv[2], "wb").write(data)
