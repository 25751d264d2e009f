#!/usr/bin/env python3
"""Draws the kestro application icon and writes it as a Windows .ico file.

The icon is a receipt rising out of an open cash drawer on a rounded teal
tile. Every size is drawn from the same shapes (not scaled from one bitmap),
with 4 x 4 supersampling for smooth edges. The 256-pixel image is stored as
PNG, the smaller ones as 32-bit DIBs with an empty AND mask, as Windows
expects in an icon group.

Usage: draw_icon.py OUTPUT.ico [PREVIEW.png]
Needs only the Python standard library.
"""

import struct
import sys
import zlib

SIZES = (256, 128, 64, 48, 32, 16)
SUPERSAMPLE = 4

TILE_TOP = (0x1F, 0xA2, 0x9A)
TILE_BOTTOM = (0x0B, 0x5E, 0x6B)
DRAWER = (0xF4, 0xF1, 0xE8)
DRAWER_SHADE = (0xC9, 0xC3, 0xB3)
SLOT = (0x0B, 0x3C, 0x45)
RECEIPT = (0xFF, 0xFF, 0xFF)
INK = (0x7A, 0x86, 0x8A)
ACCENT = (0xF5, 0xA6, 0x23)


def rounded_rect(x0, y0, x1, y1, radius):
    """A shape test for a rectangle with rounded corners, in unit space."""

    def inside(x, y):
        if x < x0 or x > x1 or y < y0 or y > y1:
            return False
        cx = min(max(x, x0 + radius), x1 - radius)
        cy = min(max(y, y0 + radius), y1 - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius**2

    return inside


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def tile_colour(_x, y):
    t = min(max((y - 0.04) / 0.92, 0.0), 1.0)
    return tuple(round(a + (b - a) * t) for a, b in zip(TILE_TOP, TILE_BOTTOM))


def solid(colour):
    return lambda _x, _y: colour


# Painted back to front; each layer is (shape, colour function). Coordinates
# are fractions of the icon's side.
LAYERS = [
    (rounded_rect(0.04, 0.04, 0.96, 0.96, 0.20), tile_colour),
    # The receipt, standing out of the drawer's slot.
    (rect(0.33, 0.16, 0.67, 0.52), solid(RECEIPT)),
    (rect(0.38, 0.23, 0.62, 0.26), solid(INK)),
    (rect(0.38, 0.31, 0.56, 0.34), solid(INK)),
    (rect(0.38, 0.39, 0.60, 0.42), solid(ACCENT)),
    # The drawer body with its slot and handle.
    (rounded_rect(0.16, 0.46, 0.84, 0.84, 0.06), solid(DRAWER)),
    (rect(0.16, 0.74, 0.84, 0.84), solid(DRAWER_SHADE)),
    (rect(0.26, 0.50, 0.74, 0.54), solid(SLOT)),
    (rounded_rect(0.40, 0.63, 0.60, 0.69, 0.03), solid(SLOT)),
]


def draw(size):
    """Returns rows of (r, g, b, a) pixels, top row first."""
    rows = []
    samples = SUPERSAMPLE * SUPERSAMPLE
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(SUPERSAMPLE):
                for sx in range(SUPERSAMPLE):
                    x = (px + (sx + 0.5) / SUPERSAMPLE) / size
                    y = (py + (sy + 0.5) / SUPERSAMPLE) / size
                    colour = None
                    for inside, paint in LAYERS:
                        if inside(x, y):
                            colour = paint(x, y)
                    if colour is not None:
                        acc[0] += colour[0]
                        acc[1] += colour[1]
                        acc[2] += colour[2]
                        acc[3] += 1
            covered = acc[3]
            if covered == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(
                    (
                        round(acc[0] / covered),
                        round(acc[1] / covered),
                        round(acc[2] / covered),
                        round(255 * covered / samples),
                    )
                )
        rows.append(row)
    return rows


def png_bytes(rows):
    size = len(rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\x00" + bytes(c for pixel in row for c in pixel) for row in rows)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (
        b"\x89PNG\r\n\x1a\n"
        + chunk(b"IHDR", header)
        + chunk(b"IDAT", zlib.compress(raw, 9))
        + chunk(b"IEND", b"")
    )


def dib_bytes(rows):
    size = len(rows)
    mask_stride = ((size + 31) // 32) * 4
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(
        bytes(c for r, g, b, a in row for c in (b, g, r, a)) for row in reversed(rows)
    )
    return header + pixels + bytes(mask_stride * size)


def ico_bytes(images):
    offset = 6 + 16 * len(images)
    directory = b""
    data = b""
    for size, blob in images:
        side = 0 if size >= 256 else size
        directory += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
        data += blob
    return struct.pack("<HHH", 0, 1, len(images)) + directory + data


def main(argv):
    if len(argv) not in (2, 3):
        sys.stderr.write(__doc__)
        return 2
    images = []
    largest = None
    for size in SIZES:
        rows = draw(size)
        largest = largest or rows
        images.append((size, png_bytes(rows) if size >= 256 else dib_bytes(rows)))
    with open(argv[1], "wb") as out:
        out.write(ico_bytes(images))
    if len(argv) == 3:
        with open(argv[2], "wb") as out:
            out.write(png_bytes(largest))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
