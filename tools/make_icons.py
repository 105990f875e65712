#!/usr/bin/env python3
"""Draws Sweeplet's icons: a green memory chip with orange pins (and a grey one for busy).

Shapes are defined on a 64-unit grid and rasterised per size with signed distances,
so every size is drawn natively and anti-aliased (no scaling of a bitmap).
Writes <out>/sweeplet.ico (16, 20, 24, 32, 48, 256) and <out>/tray_idle.ico,
<out>/tray_busy.ico (16 and 32, for 100 % and 200 % scale).

Entries of 32 pixels and more are stored as PNG, a twentieth of their size as a DIB: Windows reads
PNG icon images from Vista on (the oldest version the manifest declares), at any size. The small
entries, which the title bar, the tray and menus load, stay classic DIBs, readable by anything that
reads icons; as PNG they would save under 3 KB in all.
"""
import math
import os
import struct
import sys
import zlib

GREEN = ((76, 175, 80), (46, 125, 50))      # body fill, body outline
GREY = ((158, 158, 158), (97, 97, 97))
PIN = (245, 124, 0)
LABEL = (232, 245, 233)
PNG_FROM = 32  # the smallest size stored as PNG


def sd_round_rect(px, py, x0, y0, x1, y1, r):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - r, (y1 - y0) / 2 - r
    dx, dy = abs(px - cx) - hx, abs(py - cy) - hy
    outside = math.hypot(max(dx, 0), max(dy, 0))
    return outside + min(max(dx, dy), 0) - r


def coverage(d, unit):
    # d in grid units; one pixel is `unit` grid units wide.
    return min(1.0, max(0.0, 0.5 - d / unit))


def blend(dst, src, a):
    if a <= 0:
        return dst
    r, g, b, da = dst
    sa = a
    oa = sa + da * (1 - sa)
    if oa <= 0:
        return (0, 0, 0, 0)
    mix = lambda s, d: (s * sa + d * da * (1 - sa)) / oa
    return (mix(src[0], r), mix(src[1], g), mix(src[2], b), oa)


def draw_chip(size, palette):
    body, edge = palette
    unit = 64.0 / size
    small = size <= 20
    pins = 3 if small else 4
    img = []
    for y in range(size):
        row = []
        for x in range(size):
            px, py = (x + 0.5) * unit, (y + 0.5) * unit
            c = (0, 0, 0, 0)
            # Pins on all four sides, behind the body.
            span = 36.0
            pw = 5.0 if not small else 7.0
            for i in range(pins):
                t = 14 + (span * (i + 0.5) / pins)
                for (x0, y0, x1, y1) in ((t - pw / 2, 4, t + pw / 2, 60), (4, t - pw / 2, 60, t + pw / 2)):
                    c = blend(c, PIN, coverage(sd_round_rect(px, py, x0, y0, x1, y1, 1.2), unit))
            # Body with a darker outline.
            d = sd_round_rect(px, py, 12, 12, 52, 52, 6)
            c = blend(c, edge, coverage(d, unit))
            c = blend(c, body, coverage(d + max(2.2, unit), unit))
            # Orientation dot in the corner and a label bar, where there is room for them.
            c = blend(c, LABEL, coverage(math.hypot(px - 21, py - 21) - (4.5 if small else 3.5), unit))
            if not small:
                c = blend(c, LABEL, coverage(sd_round_rect(px, py, 20, 36, 44, 42, 2), unit))
            row.append(c)
        img.append(row)
    return img


def png_bytes(img):
    size = len(img)
    raw = bytearray()
    for row in img:
        raw.append(0)
        for r, g, b, a in row:
            raw += bytes((round(r), round(g), round(b), round(a * 255)))
    chunk = lambda t, d: struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d) & 0xFFFFFFFF)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def dib_bytes(img):
    # 32-bit BGRA DIB with an all-zero AND mask: what every Windows version reads for small sizes.
    size = len(img)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(img):
        for r, g, b, a in row:
            pixels += bytes((round(b), round(g), round(r), round(a * 255)))
    mask_row = ((size + 31) // 32) * 4
    return header + bytes(pixels) + bytes(mask_row * size)


def write_ico(path, images):
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for img in images:
        size = len(img)
        data = png_bytes(img) if size >= PNG_FROM else dib_bytes(img)
        entries.append(struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset))
        blobs.append(data)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(images)) + b"".join(entries) + b"".join(blobs))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out, exist_ok=True)
    write_ico(os.path.join(out, "sweeplet.ico"), [draw_chip(s, GREEN) for s in (16, 20, 24, 32, 48, 256)])
    write_ico(os.path.join(out, "tray_idle.ico"), [draw_chip(s, GREEN) for s in (16, 32)])
    write_ico(os.path.join(out, "tray_busy.ico"), [draw_chip(s, GREY) for s in (16, 32)])


if __name__ == "__main__":
    main()
