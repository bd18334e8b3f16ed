#!/usr/bin/env python3
"""Draws bramle's icon: blocks stacked into a build, on a blue tile.

Writes dist/icon/bramle.png (48 px, for the Qt windows and the desktop) and
dist/icon/bramle.ico (16, 32 and 48 px, 32-bit with alpha, for the Windows
program's resources). Run from the project folder after changing the
drawing; both files are kept in the repository.
"""
import struct
import zlib

SCALE = 4  # samples per pixel along each axis


def inside_rounded(x, y, left, top, right, bottom, radius):
    if x < left or x > right or y < top or y > bottom:
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def colour_at(x, y):
    """RGBA of the picture at (x, y) in a 48 x 48 square, or None."""
    blocks = [  # left, top, right, bottom, colour
        (9, 27, 23, 38, (255, 255, 255)),
        (25, 27, 39, 38, (255, 255, 255)),
        (17, 12, 31, 24, (243, 156, 18)),
    ]
    for left, top, right, bottom, rgb in blocks:
        if inside_rounded(x, y, left, top, right, bottom, 2):
            return rgb + (255,)
    if inside_rounded(x, y, 2, 2, 46, 46, 8):
        shade = y / 48
        return (int(47 - 18 * shade), int(111 - 32 * shade), int(192 - 47 * shade), 255)
    return None


def render(size):
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            total = [0, 0, 0, 0]
            for sy in range(SCALE):
                for sx in range(SCALE):
                    x = (px + (sx + 0.5) / SCALE) * 48 / size
                    y = (py + (sy + 0.5) / SCALE) * 48 / size
                    c = colour_at(x, y)
                    if c:
                        for i in range(3):
                            total[i] += c[i] * c[3]
                        total[3] += c[3]
            alpha = total[3] / (SCALE * SCALE)
            if total[3] == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(int(total[i] / total[3]) for i in range(3)) + (int(alpha),))
        rows.append(row)
    return rows


def png(rows):
    size = len(rows)
    raw = b"".join(b"\0" + bytes(v for pixel in row for v in pixel) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def ico(images):
    entries, data = b"", b""
    offset = 6 + 16 * len(images)
    for rows in images:
        size = len(rows)
        pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
        mask = b"\0" * (((size + 31) // 32) * 4 * size)
        bitmap = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
        image = bitmap + pixels + mask
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        data += image
        offset += len(image)
    return struct.pack("<HHH", 0, 1, len(images)) + entries + data


if __name__ == "__main__":
    with open("dist/icon/bramle.png", "wb") as f:
        f.write(png(render(48)))
    with open("dist/icon/bramle.ico", "wb") as f:
        f.write(ico([render(s) for s in (16, 32, 48)]))
