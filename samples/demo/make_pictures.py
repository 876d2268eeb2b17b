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


def hash01(x, y):
    """A fixed pseudo-random value in 0-1 for a pixel, so the stars are the same every run."""
    n = (x * 374761393 + y * 668265263) & 0xFFFFFFFF
    n = ((n ^ (n >> 13)) * 1274126177) & 0xFFFFFFFF
    return (n ^ (n >> 16)) / 0xFFFFFFFF


def classroom(x, y):
    if y >= 430:  # floor, with two rows of desks in front of it
        for top, left, right in ((440, 40, 230), (440, 300, 490), (510, 90, 330), (510, 420, 660)):
            if left <= x < right and top <= y < top + 18:
                return (190, 150, 100) if y > top + 2 else (215, 180, 130)
            if top + 18 <= y < top + 70 and (abs(x - left - 12) < 3 or abs(x - right + 12) < 3):
                return (110, 110, 115)
        shade = 125 if (y // 24) % 2 else 118
        # the low sun lays a stripe of light across the boards from the window
        if 0 < (x - 520) - (y - 430) * 1.2 < 160:
            return mix((shade + 60, shade + 10, shade - 40), (255, 190, 120), 0.25)
        return (shade, shade - 35, shade - 70)
    if 90 <= y < 300 and 80 <= x < 480:  # blackboard in its frame
        if y < 98 or y >= 292 or x < 88 or x >= 472:
            return (120, 90, 60)
        chalk = 0.15 * math.sin(x / 23.0 + y / 41.0)
        return mix((38, 72, 55), (60, 95, 75), 0.3 + chalk)
    if 300 <= y < 310 and 70 <= x < 490:  # chalk tray
        return (140, 105, 70)
    if 60 <= y < 360 and 560 <= x < 780:  # windows onto the evening
        if x < 568 or x >= 772 or y < 68 or y >= 352 or abs(x - 670) < 4 or abs(y - 210) < 3:
            return (205, 200, 190)
        sky = mix((120, 90, 150), (250, 170, 90), (y - 68) / 284)
        roofs = 300 + 18 * math.sin(x / 17.0) + 10 * math.sin(x / 5.0)
        return (80, 60, 70) if y > roofs else sky
    wall = mix((232, 215, 180), (205, 180, 145), y / 430)
    if 410 <= y < 430:  # skirting board
        return (150, 120, 90)
    return wall


def station(x, y):
    # the platform clock, hanging from the roof; its hands stand at five to ten
    cx, cy, r = 500, 175, 42
    d = math.hypot(x - cx, y - cy)
    if d < r + 5:
        if d >= r:
            return (40, 40, 45)
        for angle, length, width in ((math.radians(-62), 24, 3.5), (math.radians(-30), 36, 2.0)):
            ux, uy = math.sin(angle), -math.cos(angle)
            along = (x - cx) * ux + (y - cy) * uy
            across = abs((x - cx) * uy - (y - cy) * ux)
            if -4 < along < length and across < width:
                return (30, 30, 35)
        return (245, 242, 230)
    if abs(x - cx) < 2 and 62 <= y < cy - r:
        return (60, 60, 65)
    if 40 <= y < 62 and x < 640:  # the roof over the platform
        return (70, 75, 85) if y < 56 else (110, 115, 125)
    for post in (90, 330, 580):
        if abs(x - post) < 7 and 62 <= y < 440:
            return (95, 100, 110)
    if 440 <= y:  # the platform, its yellow edge and the rails beyond the edge
        if y < 452:
            return (220, 190, 60)
        return mix((120, 120, 125), (80, 80, 88), (y - 452) / 148)
    if 395 <= y < 440:
        if abs(y - 410) < 2 or abs(y - 428) < 2:
            return (150, 150, 160)
        return (45, 40, 45)
    if 290 <= y < 345 and 620 <= x < 780:  # the station's name board, blank in the dark
        if abs(y - 318) < 4:
            return (60, 110, 190)
        return (225, 228, 232)
    if 345 <= y < 395 and (abs(x - 640) < 3 or abs(x - 760) < 3):
        return (90, 90, 95)
    sky = mix((15, 20, 50), (60, 50, 90), y / 395)
    if y > 360 + 12 * math.sin(x / 50.0):  # far hills
        sky = (30, 30, 45)
    glow = math.hypot(x - 210, y - 75)
    if glow < 90:  # the lamp under the roof
        return mix((255, 240, 190), sky, glow / 90)
    return sky


def riverbank(x, y):
    moon = math.hypot(x - 610, y - 100)
    bridge_top = 235
    horizon = 300
    if y < horizon:
        sky = mix((8, 12, 38), (40, 50, 95), y / horizon)
        if moon < 34:
            return (250, 245, 215)
        if moon < 80:
            sky = mix((90, 95, 130), sky, (moon - 34) / 46)
        elif hash01(x, y) > 0.9985:
            sky = (230, 230, 255)
        # an iron bridge crosses the river on the left; a train's lit windows run along it
        if x < 470 and bridge_top <= y < bridge_top + 40:
            if y < bridge_top + 4 or y >= bridge_top + 34:
                return (25, 25, 35)
            if (x + (y - bridge_top)) % 46 < 4 or (x - (y - bridge_top)) % 46 < 4:
                return (25, 25, 35)
            if 120 <= x < 380 and bridge_top + 14 <= y < bridge_top + 26 and x % 22 < 15:
                return (250, 220, 140)
        if x < 470 and bridge_top + 40 <= y and any(abs(x - p) < 6 for p in (60, 220, 380)):
            return (25, 25, 35)
        return sky
    if y < 320:  # the far bank and its houses
        if (x // 30) % 4 == 1 and y > 306 and x % 30 < 8:
            return (240, 200, 120)
        return (20, 22, 30)
    if y < 480:  # the river: dark ripples and the moon's broken reflection
        t = (y - 320) / 160
        water = mix((20, 30, 60), (10, 15, 35), t)
        ripple = math.sin(y * 0.9 + math.sin(x / 40.0) * 3)
        if abs(x - 610) < 20 + 60 * t and ripple > 0.4:
            return mix(water, (230, 225, 190), 0.7 - 0.4 * t)
        if ripple > 0.85:
            return mix(water, (60, 75, 110), 0.5)
        return water
    if y < 500:  # the path along the top of the bank
        return (70, 72, 80)
    grass = mix((25, 45, 30), (12, 25, 15), (y - 500) / 100)
    return grass


def figure(width, height, body, hair, x, y):
    """Coverage 0-1 of a simple standing figure, and its colour."""
    cx = width / 2
    head_r = width * 0.2
    head_y = height * 0.16
    d_head = math.hypot(x - cx, y - head_y)
    if d_head < head_r + 1:
        cover = max(0.0, min(1.0, head_r + 0.5 - d_head))
        colour = hair if y < head_y - head_r * 0.2 else (250, 220, 195)
        eye_y = head_y + head_r * 0.15
        if any(math.hypot(x - ex, y - eye_y) < 3.5 for ex in (cx - head_r * 0.38, cx + head_r * 0.38)):
            colour = (50, 35, 35)
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
    write_png("A_CLASS", 800, 600, classroom)
    write_png("A_STATION", 800, 600, station)
    write_png("A_RIVER", 800, 600, riverbank)
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
