#!/usr/bin/env python3
"""Draws the program's icon: a light rounded square with a dark border carrying a black
three-blade impeller around a red hub. Writes one 32-bit PNG per size and tidewatch.ico,
which holds the same PNGs. The outputs are committed; run this only to change the art."""
import math
import os
import struct
import zlib

# The sizes Windows asks a program for: small icons at 100 to 200 % scaling (16, 20, 24, 32),
# large ones (32, 40, 48, 64) and Explorer's extra large (256). Every other view, Explorer's
# large icons (96 at 100 %) among them, is scaled down from the next size up.
SIZES = [16, 20, 24, 32, 40, 48, 64, 256]
SAMPLES = 4  # per axis, per pixel

FILL = (0xEE, 0xF3, 0xF4)
BORDER = (0x1C, 0x22, 0x25)
BLADE = (0x00, 0x00, 0x00)
HUB = (0xD8, 0x2A, 0x2A)


def inside_rounded_square(x, y, inset, radius):
    lo, hi = inset, 1.0 - inset
    if x < lo or x > hi or y < lo or y > hi:
        return False
    cx = min(max(x, lo + radius), hi - radius)
    cy = min(max(y, lo + radius), hi - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def on_blade(x, y):
    dx, dy = x - 0.5, y - 0.5
    r = math.hypot(dx, dy)
    root, tip = 0.08, 0.37
    if r < root or r > tip:
        return False
    t = (r - root) / (tip - root)
    theta = math.atan2(dy, dx)
    for k in range(3):
        centre = k * 2 * math.pi / 3 + 1.3 * t  # blades sweep round as they reach out
        half_width = 0.62 - 0.38 * t
        d = (theta - centre + math.pi) % (2 * math.pi) - math.pi
        if abs(d) < half_width:
            return True
    return False


def colour_at(x, y, size):
    inset = 0.5 / size + 0.02
    border = max(1.0 / size, 0.055)
    if not inside_rounded_square(x, y, inset, 0.2):
        return None
    if not inside_rounded_square(x, y, inset + border, 0.2 - border):
        return BORDER
    r = math.hypot(x - 0.5, y - 0.5)
    if r <= 0.085:
        return HUB
    if r <= 0.125 or on_blade(x, y):
        return BLADE
    return FILL


def render(size):
    rows = []
    for py in range(size):
        row = bytearray([0])  # filter type: none
        for px in range(size):
            acc = [0, 0, 0]
            hits = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = colour_at((px + (sx + 0.5) / SAMPLES) / size,
                                  (py + (sy + 0.5) / SAMPLES) / size, size)
                    if c is not None:
                        hits += 1
                        for i in range(3):
                            acc[i] += c[i]
            if hits:
                row += bytes(round(a / hits) for a in acc)
                row.append(round(255 * hits / SAMPLES ** 2))
            else:
                row += b"\0\0\0\0"
        rows.append(bytes(row))
    return png(size, b"".join(rows))


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def png(size, raw):
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    images = []
    for size in SIZES:
        data = render(size)
        with open(os.path.join(here, "tidewatch-%d.png" % size), "wb") as f:
            f.write(data)
        images.append((size, data))
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for size, data in images:
        side = size % 256  # 0 stands for 256
        entries += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(os.path.join(here, "tidewatch.ico"), "wb") as f:
        f.write(directory + entries + b"".join(d for _, d in images))


if __name__ == "__main__":
    main()
