#!/usr/bin/env python3
"""Draws the sample game's backgrounds and characters (plain Python, no libraries).

The pictures are committed; run this again only to change them:
    python3 samples/demo/make_pictures.py
"""
import math
import os
import struct
import zlib

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "pictures")


def write_png(name, width, height, pixel):
    """pixel(x, y) -> (r, g, b)."""
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        for x in range(width):
            rows.extend(pixel(x, y))
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(rows), 9))
    png += chunk(b"IEND", b"")
    with open(os.path.join(HERE, name + ".png"), "wb") as out:
        out.write(png)


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(int(a[i] + (b[i] - a[i]) * t) for i in range(3))


def evening(x, y):
    sky = mix((60, 40, 110), (250, 150, 80), y / 420)
    hill = 430 + 40 * math.sin(x / 90.0) + 20 * math.sin(x / 37.0)
    if y > hill:
        return mix((50, 40, 60), (25, 20, 30), (y - hill) / 200)
    sun = math.hypot(x - 560, y - 360)
    if sun < 60:
        return mix((255, 230, 150), sky, (sun - 50) / 10)
    return sky


def room(x, y):
    if y > 450:  # floor boards
        shade = 150 if (x // 100 + (y // 30)) % 2 else 135
        return (shade, shade - 40, shade - 80)
    if 480 <= x < 720 and 80 <= y < 330:  # a window with the sky outside
        if abs(x - 600) < 4 or abs(y - 205) < 4 or x < 488 or x >= 712 or y < 88 or y >= 322:
            return (230, 225, 210)
        return mix((120, 170, 240), (200, 225, 250), (y - 88) / 234)
    return mix((235, 220, 190), (210, 190, 160), y / 450)


def figure(width, height, body, hair, x, y):
    """Coverage 0-1 of a simple standing figure, and its colour."""
    cx = width / 2
    head_r = width * 0.2
    head_y = height * 0.16
    d_head = math.hypot(x - cx, y - head_y)
    if d_head < head_r + 1:
        cover = max(0.0, min(1.0, head_r + 0.5 - d_head))
        colour = hair if y < head_y - head_r * 0.2 else (250, 220, 195)
        return cover, colour
    top = head_y + head_r * 0.9
    if y >= top:
        half = width * 0.18 + (y - top) / (height - top) * width * 0.28
        edge = half - abs(x - cx)
        if edge > -1:
            return max(0.0, min(1.0, edge + 0.5)), body
    return 0.0, (0, 0, 0)


CHARACTERS = {
    "AKI": ((200, 60, 70), (60, 30, 20)),
    "HARU": ((60, 120, 200), (220, 180, 60)),
    "NATSU": ((60, 160, 90), (30, 30, 30)),
    "FUYU": ((150, 90, 180), (230, 230, 240)),
}


def main():
    write_png("A_EVENING", 800, 600, evening)
    write_png("A_ROOM", 800, 600, room)
    width, height = 240, 560
    for name, (body, hair) in CHARACTERS.items():
        def face(x, y, body=body, hair=hair):
            cover, colour = figure(width, height, body, hair, x, y)
            return colour if cover > 0 else (0, 0, 0)
        def mask(x, y, body=body, hair=hair):
            grey = int(255 * figure(width, height, body, hair, x, y)[0])
            return (grey, grey, grey)
        write_png("B_" + name, width, height, face)
        write_png("M_" + name, width, height, mask)


if __name__ == "__main__":
    main()
