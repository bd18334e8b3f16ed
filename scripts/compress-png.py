#!/usr/bin/env python3
"""Recompresses PNG files in place (the Win32 pictures are written with
uncompressed pixel data)."""
import struct
import sys
import zlib


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


for path in sys.argv[1:]:
    data = open(path, "rb").read()
    at, kept, pixels = 8, [], b""
    while at < len(data):
        (length,) = struct.unpack(">I", data[at:at + 4])
        kind, body = data[at + 4:at + 8], data[at + 8:at + 8 + length]
        at += 12 + length
        if kind == b"IDAT":
            pixels += body
        elif kind != b"IEND":
            kept.append(chunk(kind, body))
    out = data[:8] + b"".join(kept) + chunk(b"IDAT", zlib.compress(zlib.decompress(pixels), 9)) + chunk(b"IEND", b"")
    open(path, "wb").write(out)
