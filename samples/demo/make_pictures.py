#!/usr/bin/env python3
"""Draws the sample game's backgrounds, characters and system pictures, the title screen with the
game's title in brush strokes and the ending card (plain Python, no libraries).

The pictures are committed; run this again only to change them:
    python3 samples/demo/make_pictures.py
"""
import math
import os
import struct
import sys
import zlib

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "pictures")


def write_png(name, width, height, pixel, folder=HERE):
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
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name + ".png"), "wb") as out:
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


def station(x, y, hands=(-62, -30), sky_top=(15, 20, 50), sky_low=(60, 50, 90), hills=(30, 30, 45),
            lamp=True):
    # the platform clock, hanging from the roof; its hands stand at five to ten (the hour
    # hand's and the minute hand's angles, in degrees from twelve)
    cx, cy, r = 500, 175, 42
    d = math.hypot(x - cx, y - cy)
    if d < r + 5:
        if d >= r:
            return (40, 40, 45)
        for angle, length, width in ((math.radians(hands[0]), 24, 3.5),
                                     (math.radians(hands[1]), 36, 2.0)):
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
    sky = mix(sky_top, sky_low, y / 395)
    if y > 360 + 12 * math.sin(x / 50.0):  # far hills
        sky = hills
    glow = math.hypot(x - 210, y - 75)
    if lamp and glow < 90:  # the lamp under the roof
        return mix((255, 240, 190), sky, glow / 90)
    return sky


def station_at_dawn(x, y):
    """The ending card: the same platform the next morning, its lamp out and its clock stopped
    at ten, when the last train left."""
    return station(x, y, hands=(-60, 0), sky_top=(70, 92, 150), sky_low=(236, 178, 150),
                   hills=(92, 84, 110), lamp=False)


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


# ---------------------------------------------------------------------------
# System pictures. Shapes are signed distances (negative inside) turned into
# anti-aliased coverage, so faces and their masks come from one description:
# a face pixel is the colour of its layers, its mask pixel their coverage.


def clamp01(v):
    return max(0.0, min(1.0, v))


def cover(distance):
    return clamp01(0.5 - distance)


def rounded_box(px, py, x0, y0, x1, y1, radius):
    """Distance from a point to the rounded rectangle with edges x0..x1, y0..y1."""
    qx = abs(px - (x0 + x1) / 2) - ((x1 - x0) / 2 - radius)
    qy = abs(py - (y0 + y1) / 2) - ((y1 - y0) / 2 - radius)
    return math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0) - radius


def ring(distance, width):
    """Distance to a line of the given width running just inside a shape's edge."""
    return abs(distance + width / 2) - width / 2


def polygon(px, py, points):
    """Distance to a polygon given by its corners."""
    best = float("inf")
    inside = False
    for i, (ax, ay) in enumerate(points):
        bx, by = points[i - 1]
        ex, ey = bx - ax, by - ay
        t = clamp01(((px - ax) * ex + (py - ay) * ey) / (ex * ex + ey * ey))
        best = min(best, math.hypot(px - ax - ex * t, py - ay - ey * t))
        if (ay > py) != (by > py) and px < ax + (py - ay) * ex / ey:
            inside = not inside
    return -best if inside else best


def segment(px, py, ax, ay, bx, by, width):
    ex, ey = bx - ax, by - ay
    t = clamp01(((px - ax) * ex + (py - ay) * ey) / (ex * ex + ey * ey))
    return math.hypot(px - ax - ex * t, py - ay - ey * t) - width / 2


def over(layers):
    """Stacks (colour, coverage) layers bottom to top; returns the colour and total coverage."""
    r = g = b = a = 0.0
    for colour, alpha in layers:
        if alpha <= 0.0:
            continue
        r = colour[0] * alpha + r * (1 - alpha)
        g = colour[1] * alpha + g * (1 - alpha)
        b = colour[2] * alpha + b * (1 - alpha)
        a = alpha + a * (1 - alpha)
    if a <= 0.0:
        return (0, 0, 0), 0.0
    return (int(r / a + 0.5), int(g / a + 0.5), int(b / a + 0.5)), a


class Sheet:
    """A picture assembled from pieces before it is written."""

    def __init__(self, width, height):
        self.width, self.height = width, height
        self.rows = [[(0, 0, 0)] * width for _ in range(height)]

    def paint(self, left, top, width, height, pixel):
        for y in range(height):
            row = self.rows[top + y]
            for x in range(width):
                row[left + x] = pixel(x, y)

    def sprite(self, face_at, mask_at, width, height, layers, strength=1.0):
        """Face at face_at, its coverage as grey at mask_at (either may be None)."""
        for y in range(height):
            for x in range(width):
                colour, alpha = over(layers(x + 0.5, y + 0.5))
                if face_at:
                    self.rows[face_at[1] + y][face_at[0] + x] = colour if alpha > 0 else (0, 0, 0)
                if mask_at:
                    grey = int(255 * alpha * strength + 0.5)
                    self.rows[mask_at[1] + y][mask_at[0] + x] = (grey, grey, grey)

    def save(self, name):
        write_png(name, self.width, self.height, lambda x, y: self.rows[y][x])


INK = (235, 240, 252)       # light lines and icons
PANEL = (22, 25, 40)        # the dark of every panel
ACCENT = (76, 112, 186)     # highlighted and switched-on faces


def answer_button(width):
    """Answer text (white, or red when highlighted) sits on rows 8-43, centred."""
    def layers(px, py):
        body = rounded_box(px, py, 3, 2, width - 3, 44, 14)
        shade = clamp01((py - 2) / 42)
        shadow = rounded_box(px, py, 4, 5, width - 2, 46, 14)
        edge = mix((205, 214, 238), (120, 128, 158), shade)
        return [((0, 0, 0), 0.35 * clamp01(1 - max(shadow, 0) / 3) * (shadow < 3)),
                (mix((44, 50, 78), PANEL, shade), 0.84 * cover(body)),
                (edge, 0.95 * cover(ring(body, 1.3)))]
    sheet = Sheet(width, 96)
    sheet.sprite((0, 0), (0, 48), width, 48, layers)
    return sheet


def seltree_tiles():
    """Normal and highlighted tiles; the label goes at (22, 4) over them."""
    def tile(fill, line, dot, alpha):
        def layers(px, py):
            body = rounded_box(px, py, 2, 1, 134, 29, 6)
            return [(mix(fill, PANEL, py / 40), alpha * cover(body)),
                    (line, 0.9 * cover(ring(body, 1.0))),
                    (dot, cover(math.hypot(px - 12, py - 15) - 2.5))]
        return layers
    sheet = Sheet(136, 120)
    sheet.sprite((0, 0), (0, 30), 136, 30, tile((40, 45, 70), (125, 133, 162), (150, 158, 185), 0.8))
    sheet.sprite((0, 60), (0, 90), 136, 30, tile(ACCENT, (225, 234, 255), (255, 255, 255), 0.92))
    return sheet


# Quick-button strip: the three buttons keep to rows that no other button's
# area reaches, because the backlog area (rows 0-46) is copied over the top
# of the auto button's area when only one of them changes state.
BUTTON_ROWS = {"log": 12, "auto": 47, "skip": 82}
BUTTON_SIZE = 22


def button_icon(kind, px, py):
    """Distance to the icon of a button whose plate starts at (1, top)."""
    if kind == "log":
        return min(segment(px, py, 7, 7.5, 17, 7.5, 2),
                   segment(px, py, 7, 11.5, 17, 11.5, 2),
                   segment(px, py, 7, 15.5, 13, 15.5, 2))
    if kind == "auto":
        return polygon(px, py, [(9, 6.5), (9, 16.5), (16.5, 11.5)]) - 0.2
    return min(polygon(px, py, [(5.5, 6.5), (5.5, 16.5), (11.5, 11.5)]),
               polygon(px, py, [(11.5, 6.5), (11.5, 16.5), (17.5, 11.5)])) - 0.2


def strip_layers(look):
    """look: per button, (fill, fill coverage, line, icon colour)."""
    def layers(px, py):
        out = [(PANEL, 0.3 * cover(rounded_box(px, py, 0, 4, 24, 108, 7)))]
        for kind, top in BUTTON_ROWS.items():
            if top - 2 < py < top + BUTTON_SIZE + 2:
                fill, alpha, line, icon = look[kind]
                plate = rounded_box(px, py, 1, top, 1 + BUTTON_SIZE, top + BUTTON_SIZE, 5)
                out += [(fill, alpha * cover(plate)),
                        (line, 0.9 * cover(ring(plate, 1.0))),
                        (icon, cover(button_icon(kind, px, py - top)))]
        return out
    return layers


def gauge_layers(filled):
    """Ten steps of 11 rows. The switch from the empty column to the filled one falls on a
    step's first row, so each step's first and last rows are gaps, alike in both columns."""
    def layers(px, py):
        out = [(PANEL, 0.45 * cover(rounded_box(px, py, 2, 0, 14, 110, 4)))]
        step = int(py // 11)
        cell = rounded_box(px, py, 4, 11 * step + 1, 12, 11 * step + 10, 2)
        if filled:
            shine = mix((235, 243, 255), (140, 178, 240), (py % 11) / 10)
            out += [(shine, cover(cell))]
        else:
            out += [((46, 51, 78), cover(cell)), ((120, 128, 158), 0.9 * cover(ring(cell, 1.0)))]
        return out
    return layers


def quick_buttons():
    """24-pixel columns taken by x offset (gauge columns 16 wide):
    0 mask while a button is on or hovered, 24 gauge mask, 40 normal faces,
    64 gauge empty, 80 hovered faces, 104 gauge filled, 120 switched-on faces,
    144 unused, 160 mask while no button is on."""
    normal = ((40, 45, 70), 0.85, (120, 128, 158), (200, 206, 224))
    hovered = ((66, 76, 116), 0.92, (228, 236, 255), (255, 255, 255))
    switched = (ACCENT, 0.95, (200, 220, 255), (255, 255, 255))
    sheet = Sheet(184, 110)
    sheet.sprite((40, 0), (0, 0), 24, 110, strip_layers(dict.fromkeys(BUTTON_ROWS, normal)))
    sheet.sprite(None, (160, 0), 24, 110, strip_layers(dict.fromkeys(BUTTON_ROWS, normal)), 0.75)
    sheet.sprite((80, 0), None, 24, 110, strip_layers(dict.fromkeys(BUTTON_ROWS, hovered)))
    sheet.sprite((120, 0), None, 24, 110, strip_layers(dict.fromkeys(BUTTON_ROWS, switched)))
    sheet.sprite((64, 0), (24, 0), 16, 110, gauge_layers(False))
    sheet.sprite((104, 0), None, 16, 110, gauge_layers(True))
    return sheet


def arrow_button(pointing_up):
    def layers(px, py):
        plate = rounded_box(px, py, 4, 1, 28, 19, 5)
        tip, base = (7, 13) if pointing_up else (13, 7)
        arrow = polygon(px, py, [(10.5, base), (21.5, base), (16, tip)]) - 0.2
        return [((40, 45, 70), 0.85 * cover(plate)),
                ((140, 148, 178), 0.9 * cover(ring(plate, 1.0))),
                (INK, cover(arrow))]
    return layers


def backlog_bar():
    """Face at x 0-31, mask at x 96-127; rows 0-19 the up arrow, 550-569 the down arrow."""
    def track(px, py):
        groove = rounded_box(px, py, 12, 22, 20, 548, 4)
        return [(PANEL, 0.6 * cover(groove)), ((95, 102, 130), 0.8 * cover(ring(groove, 1.0)))]
    sheet = Sheet(128, 570)
    sheet.sprite((0, 0), (96, 0), 32, 20, arrow_button(True))
    sheet.sprite((0, 20), (96, 20), 32, 530, lambda px, py: track(px, py + 20))
    sheet.sprite((0, 550), (96, 550), 32, 20, arrow_button(False))
    return sheet


def backlog_thumb():
    """24x30 face over its 24x30 mask; it fits the track exactly at both ends."""
    def layers(px, py):
        body = rounded_box(px, py, 3, 1, 21, 29, 5)
        grip = min(segment(px, py, 8, y, 16, y, 1.2) for y in (11, 15, 19))
        return [(mix((190, 202, 230), (130, 142, 178), py / 30), cover(body)),
                ((235, 242, 255), cover(ring(body, 1.0))),
                ((70, 78, 108), cover(grip))]
    sheet = Sheet(24, 60)
    sheet.sprite((0, 0), (0, 30), 24, 30, layers)
    return sheet


def voice_icon():
    """A speaker: face in the left 16 columns, mask in the right 16."""
    def wave(px, py):
        hits = 0
        for i in range(4):
            for j in range(4):
                sx, sy = px - 0.375 + i / 4, py - 0.375 + j / 4
                radius = math.hypot(sx - 7, sy - 8)
                if abs(math.atan2(sy - 8, sx - 7)) < 0.8 and min(abs(radius - 3.8), abs(radius - 6.8)) < 0.7:
                    hits += 1
        return hits / 16

    def layers(px, py):
        speaker = min(rounded_box(px, py, 1.5, 6, 5, 10, 0.6),
                      polygon(px, py, [(4, 6), (8, 2.5), (8, 13.5), (4, 10)]))
        return [((250, 216, 140), cover(speaker)), ((250, 216, 140), wave(px, py))]
    sheet = Sheet(32, 16)
    sheet.sprite((0, 0), (16, 0), 16, 16, layers)
    return sheet


def click_wait():
    """Fifteen 24x25 frames side by side over their masks: a bobbing, softly pulsing triangle."""
    sheet = Sheet(360, 50)
    for frame in range(15):
        phase = 2 * math.pi * frame / 15
        drop = 2.5 * math.sin(phase)
        glow = 0.5 + 0.5 * math.cos(phase)

        def layers(px, py, drop=drop, glow=glow):
            arrow = polygon(px, py, [(6.5, 8 + drop), (17.5, 8 + drop), (12, 16 + drop)])
            line = segment(px, py, 7, 21.5, 17, 21.5, 1.4)
            return [((150, 180, 255), 0.45 * glow * clamp01(1 - max(arrow, 0) / 4)),
                    (INK, cover(arrow)),
                    (INK, (0.45 + 0.4 * glow) * cover(line))]
        sheet.sprite((24 * frame, 0), (24 * frame, 25), 24, 25, layers)
    return sheet


# The town seen from above in the evening: places a clickmap can point at.
TOWN_PLACES = {
    "bookshop": (60, 20, 340, 200),
    "cafe": (470, 20, 750, 200),
    "park": (110, 262, 690, 418),
}
TOWN_LAMPS = [(372, 193), (438, 193), (180, 257), (620, 257), (372, 257), (438, 257),
              (90, 423), (330, 423), (560, 423), (760, 423)]


def town(x, y):
    colour = town_ground(x, y)
    for lx, ly in TOWN_LAMPS:
        d = math.hypot(x - lx, y - ly)
        if d < 3:
            return (255, 246, 215)
        if d < 46:  # the glow in a few dozen steps keeps the picture small
            colour = mix(colour, (255, 196, 120), round(18 * (1 - d / 46) ** 2) / 32)
    return colour


def town_ground(x, y):
    road = (42, 42, 56)
    walk = (80, 76, 96)
    if 200 <= y < 250 or 430 <= y < 480:  # the two streets across
        if abs(y - 225 - (230 if y >= 430 else 0)) < 1.5 and (x // 24) % 2:
            return (130, 122, 100)
        return road
    if 380 <= x < 430 and y < 200:  # the lane between the shops
        return road
    if 190 <= y < 200 or 250 <= y < 260 or 420 <= y < 430 or 480 <= y < 490 or \
            (y < 200 and (370 <= x < 380 or 430 <= x < 440)):
        return walk
    if 60 <= x < 340 and y < 200:
        return bookshop(x, y)
    if 470 <= x < 750 and y < 200:
        return cafe(x, y)
    if 110 <= x < 690 and 262 <= y < 418:
        return park(x, y)
    if y < 190:
        for x0, x1 in ((0, 60), (340, 370), (440, 470), (750, 800)):
            if x0 <= x < x1:
                return rooftops(x, y, x0, 0, x1, 190)
    if 260 <= y < 420:
        return rooftops(x, y, 0, 260, 110, 420) if x < 110 else rooftops(x, y, 690, 260, 800, 420)
    return rooftops(x, y, 0, 490, 800, 600)


def rooftops(x, y, x0, y0, x1, y1):
    """Plain houses filling a block, each roof two slopes on either side of its ridge;
    a block too narrow for houses gets a row of trees."""
    ground = (62, 58, 76)
    if x1 - x0 < 44:
        cx = (x0 + x1) / 2
        cy = y0 + 22 + ((y - y0) // 44) * 44
        d = math.hypot(x - cx, y - cy)
        if d < 11 and cy + 11 < y1:
            return mix((62, 104, 70), (36, 64, 46), d / 11)
        return ground
    columns = max(1, (x1 - x0 - 6) // 64)
    rows = max(1, (y1 - y0 - 6) // 58)
    pitch_x = (x1 - x0 - 6) / columns
    pitch_y = (y1 - y0 - 6) / rows
    cell_x = min(columns - 1, int((x - x0 - 3) // pitch_x))
    cell_y = min(rows - 1, int((y - y0 - 3) // pitch_y))
    left = x0 + 6 + cell_x * pitch_x
    top = y0 + 6 + cell_y * pitch_y
    if not (left <= x < left + pitch_x - 6 and top <= y < top + pitch_y - 6):
        return ground
    tone = hash01(x0 + cell_x, y0 + cell_y)
    roof = mix((88, 74, 90), (104, 90, 84), tone)
    if tone > 0.6 and left + 8 <= x < left + 18 and top + 8 <= y < top + 16:
        return (236, 196, 120)  # a lit skylight
    if y < top + (pitch_y - 6) / 2:
        return mix(roof, (160, 150, 175), 0.18)
    return roof


def bookshop(x, y):
    if 180 <= y < 190:  # green awning over the shop window, its light spilling below
        return (58, 104, 82) if (x // 14) % 2 else (72, 124, 98)
    if not (70 <= x < 330 and 30 <= y < 180):
        return mix((62, 58, 76), (200, 150, 90), 0.35 * clamp01((y - 150) / 40))
    if 150 <= x < 250 and 78 <= y < 132:  # the sign on the roof: an open book
        if abs(x - 200) < 2 or x < 154 or x >= 246 or y < 82 or y >= 128:
            return (70, 48, 38)
        if (y - 88) % 8 < 2 and 162 <= x < 240 and abs(x - 200) > 7:
            return (150, 135, 110)
        return (236, 226, 200)
    ridge = 105
    if abs(y - ridge) < 2:
        return (90, 52, 46)
    return (140, 84, 70) if y < ridge else (112, 64, 56)


def cafe(x, y):
    if 480 <= x < 740 and 30 <= y < 120:  # flat roof with two vents
        if 520 <= x < 548 and 50 <= y < 72 or 660 <= x < 700 and 80 <= y < 100:
            return (120, 126, 134)
        return (74, 90, 100)
    if 480 <= x < 740 and 120 <= y < 134:  # striped awning
        return (178, 72, 64) if (x // 16) % 2 else (226, 212, 186)
    if 480 <= x < 740 and 134 <= y < 192:  # the terrace: parasols seen from above
        for cx in (520, 580, 640, 700):
            d = math.hypot(x - cx, y - 163)
            if d < 20:
                if d < 2.5:
                    return (240, 230, 200)
                wedge = int((math.atan2(y - 163, x - cx) + math.pi) / (math.pi / 4))
                return (226, 212, 186) if wedge % 2 else (200, 96, 80)
        if y == 137 and x % 10 < 3:  # a string of small lights
            return (255, 226, 150)
        return mix((120, 96, 80), (200, 150, 96), 0.4)
    return (62, 58, 76)


def park(x, y):
    if x < 116 or x >= 684 or y < 268 or y >= 412:  # the hedge around it
        return (36, 66, 48)
    for cx, cy, r in ((160, 300, 22), (215, 375, 26), (300, 310, 18), (640, 300, 24),
                      (620, 385, 18), (410, 390, 16)):
        d = math.hypot(x - cx, y - cy)
        if d < r:
            return mix((78, 130, 82), (40, 80, 52), d / r) if d < r - 2 else (30, 56, 40)
    pond = ((x - 520) / 62) ** 2 + ((y - 335) / 36) ** 2
    if pond < 1:
        if pond < 0.9:
            shine = abs(y - 325) < 2 and abs(x - 500) < 20
            return (150, 160, 200) if shine else mix((46, 66, 104), (32, 46, 80), pond)
        return (120, 112, 96)
    if abs((y - 268) - (x - 116) * 0.26) < 5 or abs(x - 400) < 5:  # paths
        return (120, 110, 92)
    return (48, 86, 58)


def lit_town(x, y):
    """The town with its three places brightened and outlined, for the pointer to pick."""
    colour = town(x, y)
    for x1, y1, x2, y2 in TOWN_PLACES.values():
        if x1 <= x < x2 and y1 <= y < y2:
            edge = rounded_box(x + 0.5, y + 0.5, x1 + 2, y1 + 2, x2 - 2, y2 - 2, 10)
            colour = tuple(min(255, int(c * 1.3) + warm) for c, warm in zip(colour, (26, 18, 4)))
            return mix(colour, (255, 240, 200), 0.9 * cover(ring(edge, 2.5)))
    return colour


def empty_slot(x, y):
    """The save list's preview of a slot never saved: a dim frame around an empty picture."""
    colour = mix((54, 58, 74), (30, 32, 44), y / 120)
    edge = rounded_box(x + 0.5, y + 0.5, 30, 22, 130, 98, 8)
    colour = mix(colour, (150, 156, 180), cover(ring(edge, 1.5)))
    corner = segment(x + 0.5, y + 0.5, 44, 84, 116, 36, 1.5)
    return mix(colour, (110, 114, 136), cover(corner))


# The game's title, 五分間 ("five minutes"), as brush strokes on a 100-unit square for each
# character: a stroke is a line through its points whose width runs from the first number to
# the second, so falling strokes can thin out toward their ends.
TITLE_STROKES = [
    [  # 五
        ([(18, 15), (82, 15)], 6, 6),
        ([(47, 15), (41, 53)], 9, 8),
        ([(24, 53), (73, 53), (69, 87)], 6, 8),
        ([(7, 88), (93, 88)], 7, 7),
    ],
    [  # 分
        ([(42, 7), (33, 25), (11, 44)], 9, 3),
        ([(58, 7), (70, 26), (93, 42)], 5, 9),
        ([(27, 53), (74, 53), (72, 84), (66, 93), (55, 89)], 6, 8),
        ([(50, 53), (46, 73), (21, 95)], 9, 3),
    ],
    [  # 間
        ([(13, 7), (13, 96)], 9, 9),
        ([(13, 9), (41, 9), (41, 38)], 6, 8),
        ([(13, 23), (41, 23)], 5, 5),
        ([(13, 37), (41, 37)], 6, 6),
        ([(59, 9), (59, 38)], 8, 8),
        ([(59, 9), (87, 9), (87, 90), (79, 97)], 6, 9),
        ([(59, 23), (87, 23)], 5, 5),
        ([(59, 37), (87, 37)], 6, 6),
        ([(36, 52), (36, 85)], 8, 8),
        ([(36, 52), (64, 52), (64, 85)], 6, 8),
        ([(36, 68), (64, 68)], 5, 5),
        ([(36, 84), (64, 84)], 6, 6),
    ],
]
TITLE_ADVANCE = 1.16  # from one character's square to the next, in squares


def brush(px, py, points, start_width, end_width):
    """Distance to a stroke through the points whose width changes evenly along it."""
    pairs = list(zip(points, points[1:]))
    lengths = [math.hypot(bx - ax, by - ay) for (ax, ay), (bx, by) in pairs]
    total = sum(lengths)
    best = float("inf")
    walked = 0.0
    for ((ax, ay), (bx, by)), length in zip(pairs, lengths):
        ex, ey = bx - ax, by - ay
        t = clamp01(((px - ax) * ex + (py - ay) * ey) / (length * length))
        width = start_width + (end_width - start_width) * (walked + t * length) / total
        best = min(best, math.hypot(px - ax - ex * t, py - ay - ey * t) - width / 2)
        walked += length
    return best


def title_mark(px, py, left, top, size):
    """Distance in pixels to the title written from (left, top), each character size pixels."""
    scale = size / 100.0
    best = float("inf")
    for i, strokes in enumerate(TITLE_STROKES):
        ux = (px - left) / scale - 100 * TITLE_ADVANCE * i
        uy = (py - top) / scale
        if -20 < ux < 120 and -20 < uy < 120:
            for points, start_width, end_width in strokes:
                best = min(best, brush(ux, uy, points, start_width, end_width) * scale)
    return best


# The title screen. The answers of the title's choice are drawn by the engine across the
# middle (x 200-600, y 90-290 for four of them), so the picture keeps that part quiet: the
# clock hangs to the left of them, the moon to the right, the title sits below.
TITLE_SIZE = 100
TITLE_LEFT = 400 - TITLE_SIZE * (1 + 2 * TITLE_ADVANCE) / 2
TITLE_TOP = 458


def title_screen(x, y):
    colour = title_night(x, y)
    if TITLE_TOP - 30 <= y < TITLE_TOP + TITLE_SIZE + 30 and \
            TITLE_LEFT - 30 <= x < 800 - TITLE_LEFT + 30:
        d = title_mark(x + 0.5, y + 0.5, TITLE_LEFT, TITLE_TOP, TITLE_SIZE)
        glow = 0.4 * math.exp(-max(d, 0.0) / 7.0)  # lamplight around the letters
        colour = mix(colour, (255, 196, 120), glow)
        colour = mix(colour, (252, 242, 218), cover(d))
    return colour


def title_night(x, y):
    """The river at night seen from the bank: stars, the moon, the last train on the far
    bridge, and the station's clock hanging at the left, at five to ten."""
    # the clock, on a rod from the top of the picture
    cx, cy, r = 110, 150, 44
    d = math.hypot(x - cx, y - cy)
    if d < r + 5:
        if d >= r:
            return (40, 40, 48)
        for angle, length, width in ((math.radians(-62), 25, 3.5), (math.radians(-30), 37, 2.0)):
            ux, uy = math.sin(angle), -math.cos(angle)
            along = (x - cx) * ux + (y - cy) * uy
            across = abs((x - cx) * uy - (y - cy) * ux)
            if -4 < along < length and across < width:
                return (30, 30, 35)
        return mix((245, 240, 222), (205, 200, 186), d / r)
    if abs(x - cx) < 2 and y < cy - r:
        return (52, 52, 62)
    hill = 392 + 10 * math.sin(x / 70.0) + 6 * math.sin(x / 23.0)
    bridge = 372
    if y < hill:
        sky = mix((8, 12, 36), (58, 48, 96), y / 400)
        moon = math.hypot(x - 690, y - 92)
        if moon < 30:
            return (250, 245, 215)
        if moon < 84:
            sky = mix((92, 96, 134), sky, (moon - 30) / 54)
        elif y < 340 and hash01(x, y) > 0.9982:
            sky = mix((235, 235, 255), sky, y / 400)
        # the bridge far off, and the last train's lit windows running along it
        if bridge <= y < bridge + 5 or (bridge + 5 <= y and x % 120 < 8):
            return (24, 24, 36)
        if 40 <= x < 328 and bridge - 14 <= y < bridge:
            if bridge - 11 <= y < bridge - 4 and 4 <= (x - 40) % 18 < 14:
                return (252, 222, 146)
            return (30, 30, 44)
        return sky
    if y < 404:  # the far bank and its houses
        if (x // 26) % 5 == 2 and y > 396 and x % 26 < 7:
            return (240, 200, 120)
        return (20, 22, 32)
    if y < 440:  # the river, with the moon and the train broken up in its ripples
        t = (y - 404) / 36
        water = mix((22, 28, 60), (10, 14, 34), t)
        ripple = math.sin(y * 1.3 + math.sin(x / 37.0) * 3)
        if abs(x - 690) < 14 + 30 * t and ripple > 0.5:
            return mix(water, (232, 226, 190), 0.6 - 0.3 * t)
        if 40 <= x < 330 and 4 <= (x - 40) % 18 < 14 and ripple > 0.9:
            return mix(water, (252, 222, 146), 0.3 - 0.2 * t)
        return water
    return mix((20, 22, 32), (8, 9, 15), (y - 440) / 160)  # the dark bank, where the title is


def system_pictures():
    write_png("SVEMPTY", 160, 120, empty_slot)
    answer_button(400).save("sys_sw")
    answer_button(780).save("sys_sw2")
    seltree_tiles().save("sys_st")
    quick_buttons().save("sys_qbtn")
    backlog_bar().save("sys_bl_bar")
    backlog_thumb().save("sys_bl_cur")
    voice_icon().save("sys_blVR.bmp")
    click_wait().save("sys_clickw")
    write_png("A_TOWN", 800, 600, town)
    write_png("P_TOWN", 800, 600, lit_town)
    write_png("A_TITLE", 800, 600, title_screen)
    write_png("A_END", 800, 600, station_at_dawn)



# ---- The extras: the views' pages and the recollection screen ----------------------------

def read_png(name):
    """The pixels of a committed 8-bit RGB picture, as rows of (r, g, b)."""
    with open(os.path.join(HERE, name + ".png"), "rb") as f:
        data = f.read()
    pos, idat, width, height = 8, b"", 0, 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height = struct.unpack(">II", body[:8])
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = 3 * width
    rows, prev = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 3] if i >= 3 else 0
            b = prev[i]
            c = prev[i - 3] if i >= 3 else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[3 * x:3 * x + 3]) for x in range(width)])
        prev = line
    return rows


THUMB_W, THUMB_H = 160, 120
THUMB_SPOTS = [(70, 120), (320, 120), (570, 120), (70, 330), (320, 330), (570, 330)]
VIEW_ICONS = [(20, 8, 100, 52), (110, 8, 190, 52), (200, 8, 280, 52), (290, 8, 370, 52)]
EXIT_AREA = (700, 8, 790, 52)
PREV_AREA = (20, 530, 100, 580)
NEXT_AREA = (700, 530, 780, 580)
PAGE_AREAS = [(360, 540, 390, 570), (410, 540, 440, 570)]


def thumbnail(name):
    """A background shrunk five times (the first 600 rows), each pixel the mean of 25."""
    rows = read_png(name)
    out = []
    for ty in range(THUMB_H):
        line = []
        for tx in range(THUMB_W):
            r = g = b = 0
            for y in range(5 * ty, 5 * ty + 5):
                for x in range(5 * tx, 5 * tx + 5):
                    p = rows[y][x]
                    r, g, b = r + p[0], g + p[1], b + p[2]
            line.append((r // 25, g // 25, b // 25))
        out.append(line)
    return out


def view_icon(kind, px, py):
    """Distance to an icon drawn in a 80 by 44 area (or a 30 by 30 one for the page marks)."""
    if kind == "gallery":  # a framed picture with a hill
        frame = rounded_box(px, py, 24, 8, 56, 36, 3)
        return min(ring(frame, 2.0), polygon(px, py, [(28, 33), (40, 18), (52, 33)]))
    if kind == "scene":  # a strip of film
        strip = rounded_box(px, py, 20, 12, 60, 32, 2)
        holes = min(rounded_box(px, py, 24 + 8 * k, 14, 28 + 8 * k, 17, 1) for k in range(5))
        return max(strip, -holes)
    if kind == "music":  # a pair of notes
        return min(segment(px, py, 33, 12, 33, 30, 2.5), segment(px, py, 49, 10, 49, 28, 2.5),
                   segment(px, py, 33, 12, 49, 10, 4), math.hypot(px - 30, py - 31) - 4,
                   math.hypot(px - 46, py - 29) - 4)
    if kind == "player":  # play in a ring
        return min(ring(math.hypot(px - 40, py - 22) - 16, 2.5),
                   polygon(px, py, [(35, 14), (35, 30), (48, 22)]))
    if kind == "exit":  # an arrow turning back
        return min(segment(px, py, 26, 22, 54, 22, 3), polygon(px, py, [(22, 22), (32, 13), (32, 31)]))
    if kind == "next":
        return polygon(px, py, [(30, 8), (30, 36), (52, 22)])
    if kind == "prev":
        return polygon(px, py, [(50, 8), (50, 36), (28, 22)])
    if kind == "stop":
        return rounded_box(px, py, 29, 11, 51, 33, 2)
    if kind == "dot":
        return math.hypot(px - 15, py - 15) - 5
    return float("inf")


def page_background(x, y):
    """The dark of the extras, a little lighter towards the middle."""
    glow = math.hypot((x - 400) / 800, (y - 300) / 600)
    return mix((44, 52, 86), PANEL, glow * 1.6)


def icon_plate(sheet, area, kind, lit, current=False):
    """An icon on its plate: dim, current (the view shown) or lit (pointed)."""
    x0, y0, x1, y1 = area
    fill = ACCENT if current else (66, 76, 116) if lit else (36, 41, 64)
    line = (228, 236, 255) if lit else (120, 128, 158)
    icon = (255, 255, 255) if lit or current else (200, 206, 224)
    w, h = x1 - x0, y1 - y0
    def pixel(x, y, fill=fill, line=line, icon=icon):
        px, py = x + 0.5, y + 0.5
        plate = rounded_box(px, py, 1, 1, w - 1, h - 1, 7)
        shape = view_icon(kind, px * 80 / w if w > 40 else px, py * 44 / h if w > 40 else py)
        colour, alpha = over([(fill, 0.9 * cover(plate)), (line, cover(ring(plate, 1.2))),
                              (icon, cover(shape))])
        return mix(sheet.rows[y0 + y][x0 + x], colour, alpha)
    sheet.paint(x0, y0, w, h, pixel)


def thumb_frame(sheet, spot, lit):
    """A frame around a thumbnail's place, lit when pointed."""
    x0, y0 = spot
    colour = (255, 226, 150) if lit else (120, 128, 158)
    for y in range(y0 - 4, y0 + THUMB_H + 4):
        for x in range(x0 - 4, x0 + THUMB_W + 4):
            if not (x0 <= x < x0 + THUMB_W and y0 <= y < y0 + THUMB_H):
                sheet.rows[y][x] = colour if (x0 - 3 <= x < x0 + THUMB_W + 3 and
                                              y0 - 3 <= y < y0 + THUMB_H + 3) else PANEL


def view_page(name, current, thumbs, buttons, pages=0, page=0, shown=False):
    """The three pictures of a page: NAME the base, NAMEH all lit, NAMES the thumbnails.
    thumbs: per spot, the thumbnail's rows; the base shows them too when shown, else an empty
    place that the sheet fills once the thumbnail opens."""
    sheets = {}
    for look in ("", "H", "S"):
        sheet = Sheet(800, 600)
        sheet.paint(0, 0, 800, 600, page_background)
        lit = look == "H"
        for i, area in enumerate(VIEW_ICONS):
            icon_plate(sheet, area, ("gallery", "scene", "music", "player")[i], lit, i == current)
        icon_plate(sheet, EXIT_AREA, "exit", lit)
        for area, kind in buttons:
            icon_plate(sheet, area, kind, lit)
        for k in range(pages):
            icon_plate(sheet, PAGE_AREAS[k], "dot", lit, k == page)
        for spot, rows in zip(THUMB_SPOTS, thumbs):
            if rows is None:
                continue
            thumb_frame(sheet, spot, lit)
            if look or shown:
                bright = 0.25 if lit else 0.0
                sheet.paint(spot[0], spot[1], THUMB_W, THUMB_H,
                            lambda x, y, rows=rows: mix(rows[y][x], (255, 255, 255), bright))
            else:
                sheet.paint(spot[0], spot[1], THUMB_W, THUMB_H,
                            lambda x, y: mix((30, 34, 52), PANEL, y / THUMB_H))
        sheets[look] = sheet
    for look, sheet in sheets.items():
        sheet.save(name + look)


def track_thumb(kind, playing):
    """A track's thumbnail: its note and, for the second, a second mark."""
    def rows_for():
        rows = []
        for y in range(THUMB_H):
            line = []
            for x in range(THUMB_W):
                px, py = x + 0.5, y + 0.5
                back = mix(ACCENT if playing else (50, 58, 92), PANEL, py / THUMB_H)
                shape = view_icon("music", px / 2, py / 2 - 8)
                marks = min(math.hypot(px - 20 - 14 * k, py - 100) - 4 for k in range(kind))
                colour, alpha = over([((255, 255, 255), cover(min(shape, marks)))])
                line.append(mix(back, colour, alpha))
            rows.append(line)
        return rows
    return rows_for()


def plate(x, y):
    """Over a locked thumbnail: dark, with a question mark of dots."""
    px, py = x + 0.5, y + 0.5
    colour, alpha = over([((90, 98, 130), cover(min(
        ring(math.hypot(px - 80, py - 48) - 16, 5) if py < 52 or px > 80 else float("inf"),
        segment(px, py, 80, 64, 80, 74, 5), math.hypot(px - 80, py - 88) - 3.5)))])
    return mix(mix((26, 29, 44), PANEL, py / 120), colour, alpha)



SEGMENTS = {0: "abcdef", 1: "bc", 2: "abged", 3: "abgcd", 4: "fgbc", 5: "afgcd", 6: "afgedc",
            7: "abc", 8: "abcdefg", 9: "abcfgd"}


def digits(px, py, text, x0, y0, h):
    """Distance to a number in seven strokes, h high, its top-left corner at (x0, y0)."""
    w, best = h / 2, float("inf")
    for k, ch in enumerate(text):
        x, top, mid, low = x0 + k * (w + h / 4), y0, y0 + h / 2, y0 + h
        ends = {"a": (x, top, x + w, top), "b": (x + w, top, x + w, mid),
                "c": (x + w, mid, x + w, low), "d": (x, low, x + w, low), "e": (x, mid, x, low),
                "f": (x, top, x, mid), "g": (x, mid, x + w, mid)}
        for seg in SEGMENTS[int(ch)]:
            best = min(best, segment(px, py, *ends[seg], max(1.6, h / 8)))
    return best


PAPER = (246, 238, 220)
PAPER_DARK = (226, 212, 186)
BROWN = (95, 68, 10)
COMMAND_BUTTONS = {1: ((596, 2, 144, 50), (0, 96), "exit"), 2: ((696, 522, 86, 54), (252, 96), "play"),
                   3: ((629, 522, 54, 54), (144, 96), "clear"),
                   4: ((563, 522, 54, 54), (198, 96), "minus"),
                   5: ((430, 546, 72, 30), (245, 264), "plus"),
                   6: ((348, 546, 72, 30), (245, 204), "play"),
                   7: ((724, 69, 53, 52), (48, 196), "pen")}


def command_icon(kind, px, py, w, h):
    cx, cy = w / 2, h / 2
    if kind == "exit":
        return min(segment(px, py, cx - 14, cy, cx + 16, cy, 3.5),
                   polygon(px, py, [(cx - 22, cy), (cx - 10, cy - 10), (cx - 10, cy + 10)]))
    if kind == "play":
        r = min(w, h) / 4
        return polygon(px, py, [(cx - r * 0.8, cy - r), (cx - r * 0.8, cy + r), (cx + r, cy)])
    if kind == "clear":
        return min(segment(px, py, cx - 9, cy - 9, cx + 9, cy + 9, 3.5),
                   segment(px, py, cx - 9, cy + 9, cx + 9, cy - 9, 3.5))
    if kind == "minus":
        return segment(px, py, cx - 11, cy, cx + 11, cy, 4)
    if kind == "plus":
        return min(segment(px, py, cx - 8, cy, cx + 8, cy, 3.5),
                   segment(px, py, cx, cy - 8, cx, cy + 8, 3.5))
    if kind == "pen":
        return min(segment(px, py, cx - 10, cy + 10, cx + 8, cy - 8, 5),
                   polygon(px, py, [(cx - 14, cy + 14), (cx - 12, cy + 6), (cx - 6, cy + 12)]))
    return float("inf")


def button_face(w, h, kind, look, label=None):
    """A button's face: "normal", "pointed" or "pressed"; label: a number instead of an icon."""
    fill = {"normal": (214, 196, 160), "current": (196, 120, 60), "pointed": (250, 226, 170),
            "pressed": (170, 140, 96)}[look]
    ink = (255, 255, 255) if look == "current" else BROWN
    def pixel(x, y):
        px, py = x + 0.5, y + 0.5
        if look == "pressed":
            px, py = px - 1, py - 1
        plate = rounded_box(px, py, 1, 1, w - 1, h - 1, min(8, h / 3))
        shape = (digits(px, py, label, w / 2 - len(label) * 3.5 + 0.5, h / 2 - 6, 12) if label
                 else command_icon(kind, px, py, w, h))
        colour, alpha = over([(mix(fill, PAPER_DARK, py / h / 2), cover(plate)),
                              ((120, 90, 40), cover(ring(plate, 1.2))), (ink, cover(shape))])
        return mix(PAPER, colour, alpha)
    return pixel


def recollection_background(x, y):
    px, py = x + 0.5, y + 0.5
    out = [(mix(PAPER, PAPER_DARK, py / 600), 1.0)]
    # the list, the slot panel and the title bar under the tabs
    out.append(((252, 247, 236), cover(rounded_box(px, py, 38, 72, 528, 538, 6))))
    out.append(((120, 90, 40), 0.6 * cover(ring(rounded_box(px, py, 38, 72, 528, 538, 6), 1))))
    out.append(((238, 226, 202), cover(rounded_box(px, py, 546, 64, 786, 510, 6))))
    out.append(((120, 90, 40), 0.6 * cover(ring(rounded_box(px, py, 546, 64, 786, 510, 6), 1))))
    if 77 <= py < 533 and 43 <= px < 523 and int(py - 77) % 12 == 11:
        out.append(((230, 218, 196), 1.0))  # ruled lines under the rows
    if 154 <= py < 505 and 556 <= px < 780 and int(py - 154) % 13 == 12:
        out.append(((222, 206, 178), 1.0))
    for tab in range(5):
        box = rounded_box(px, py, 80 * tab + 46, 20, 80 * tab + 118, 53, 6)
        out.append(((222, 204, 170), cover(box)))
        out.append(((120, 90, 40), 0.7 * cover(ring(box, 1))))
        out.append((BROWN, cover(digits(px, py, str(tab + 1), 80 * tab + 78, 28, 14))))
    return out


def recollection_pictures():
    sheet = Sheet(800, 600)
    sheet.paint(0, 0, 800, 600, lambda x, y: over(recollection_background(x, y))[0])
    for (x, y, w, h), _, kind in COMMAND_BUTTONS.values():
        face = button_face(w, h, kind, "normal")
        sheet.paint(x, y, w, h, face)
    sheet.save("ss_kaiso")

    buttons = Sheet(340, 330)
    buttons.paint(0, 0, 340, 330, lambda x, y: PAPER)
    for i in range(10):
        label = str(i + 1)
        buttons.paint(32 * i, 0, 32, 28, button_face(32, 28, None, "normal", label))
        buttons.paint(32 * i, 28, 32, 28, button_face(32, 28, None, "current", label))
        # the pointed looks of slots 5-9 sit beside those of 0-4, the same row
        buttons.paint(32 * i, 56, 32, 28, button_face(32, 28, None, "pointed", label))
    for (x, y, w, h), (lx, ly), kind in COMMAND_BUTTONS.values():
        buttons.paint(lx, ly, w, h, button_face(w, h, kind, "pointed"))
        buttons.paint(lx, ly + h, w, h, button_face(w, h, kind, "pressed"))
    buttons.save("ss_btn")

    tabs = Sheet(180, 470)
    tabs.paint(0, 0, 180, 470, lambda x, y: PAPER)
    for tab in range(5):
        def selected(x, y, tab=tab):
            px, py = x + 0.5, y + 0.5
            box = rounded_box(px, py, 2, 2, 74, 36, 6)
            colour, alpha = over([((196, 120, 60), cover(box)), ((120, 60, 20), cover(ring(box, 1))),
                                  ((255, 255, 255), cover(digits(px, py, str(tab + 1), 34, 10, 14)))])
            return mix(PAPER, colour, alpha)
        tabs.paint(60, 35 * tab + 235, 76, 35, selected)
    for u, count in ((120, 2), (0, 10), (60, 5)):
        for sub in range(count):
            for x0, look in ((u, "normal"), (u + 30, "current")):
                tabs.paint(x0, 47 * sub, 30, 47, button_face(30, 47, None, look, str(sub + 1)))
    tabs.save("ss_tab")


# ---- The collecting side-game: the item panels, the leave button and 33 icons -------------

def masked_panel(width, height, fill, line, title_band=0):
    """A rounded panel with its mask below it (face in the upper half)."""
    def layers(px, py):
        body = rounded_box(px, py, 2, 2, width - 2, height - 2, 12)
        out = [(mix(fill, PANEL, py / height / 2), 0.92 * cover(body)),
               (line, cover(ring(body, 1.5)))]
        if title_band and py < title_band:
            out.append((mix(line, fill, 0.6), 0.5 * cover(body)))
        return out
    sheet = Sheet(width, 2 * height)
    sheet.sprite((0, 0), (0, height), width, height, layers)
    return sheet


ITEM_HUES = [(230, 120, 120), (240, 180, 90), (230, 220, 110), (140, 210, 120), (110, 200, 210),
             (120, 150, 235), (190, 140, 230), (235, 150, 200), (200, 200, 200), (180, 150, 110),
             (150, 220, 180)]


def item_icon(n):
    """Item n's icon, 64 by 64: a gem of its own colour and shape, its number below."""
    hue = ITEM_HUES[(n - 1) % len(ITEM_HUES)]
    sides = 3 + (n - 1) // len(ITEM_HUES) * 2  # 3, 5 or 7 corners
    corners = [(32 + 20 * math.sin(2 * math.pi * k / sides), 28 - 20 * math.cos(2 * math.pi * k / sides))
               for k in range(sides)]
    def pixel(x, y):
        px, py = x + 0.5, y + 0.5
        plate = rounded_box(px, py, 1, 1, 63, 63, 10)
        gem = polygon(px, py, corners)
        label = str(n)
        number = digits(px, py, label, 32 - len(label) * 3 - 1, 50, 9)
        colour, alpha = over([((36, 41, 64), cover(plate)), ((120, 128, 158), cover(ring(plate, 1.2))),
                              (mix(hue, (255, 255, 255), clamp01((28 - py) / 40)), cover(gem)),
                              (mix(hue, (40, 40, 40), 0.4), cover(ring(gem, 1.5))),
                              (INK, cover(number))])
        return mix(PANEL, colour, alpha)
    return pixel


def leave_button(x, y):
    px, py = x + 0.5, y + 0.5
    plate = rounded_box(px, py, 2, 2, 62, 62, 10)
    colour, alpha = over([((66, 76, 116), cover(plate)), ((228, 236, 255), cover(ring(plate, 1.5))),
                          (INK, cover(command_icon("exit", px, py, 64, 64)))])
    return mix(PANEL, colour, alpha)


def item_pictures():
    masked_panel(480, 470, (44, 52, 86), (150, 160, 200)).save("item_1")
    masked_panel(300, 320, (52, 44, 80), (190, 160, 210), 30).save("item_2")
    masked_panel(300, 120, (52, 44, 80), (190, 160, 210)).save("item_3")
    masked_panel(400, 130, (30, 34, 56), (240, 220, 160)).save("item_4")
    write_png("item_x", 64, 64, leave_button)
    for n in range(1, 34):
        write_png("icon%02d" % n, 64, 64, item_icon(n))

def extras_views():
    write_png("V_PLATE", THUMB_W, THUMB_H, plate)
    pages = [("A_CLASS", "A_EVENING", "A_TOWN"), ("A_RIVER", "A_STATION", "A_MORNING", "A_END")]
    for k, names in enumerate(pages):
        thumbs = [thumbnail(n) for n in names]
        view_page("V_GAL%d" % (k + 1), 0, thumbs, [(PREV_AREA, "prev"), (NEXT_AREA, "next")],
                  pages=2, page=k)
    view_page("V_SCN", 1, [thumbnail("A_RIVER"), thumbnail("A_STATION"), thumbnail("A_ROOM")], [])
    tracks = [track_thumb(1, False), track_thumb(2, False)]
    playing = [track_thumb(1, True), track_thumb(2, True)]
    for name, current, buttons in (("V_MUS", 2, []),
                                   ("V_PLY", 3, [(PREV_AREA, "stop"), (NEXT_AREA, "next")])):
        view_page(name, current, tracks, buttons, shown=True)
        # The sheet holds a track's playing look.
        sheet = Sheet(800, 600)
        sheet.rows = [list(r) for r in read_png(name + "S")]
        for spot, rows in zip(THUMB_SPOTS, playing):
            sheet.paint(spot[0], spot[1], THUMB_W, THUMB_H, lambda x, y, rows=rows: rows[y][x])
        sheet.save(name + "S")

def petal(x, y):
    """A cherry petal for the spring sprites: the face on top, its mask below."""
    size = 24
    px, py = x - 11.5, (y % size) - 11.5
    # A tilted drop with a notch at its wide end.
    u = (px * 0.8 + py * 0.6) / 11
    v = (-px * 0.6 + py * 0.8) / 7
    inside = u * u + v * v * (1.4 - 0.4 * u) < 1 and not (u > 0.75 and abs(v) < 0.18)
    edge = max(0.0, min(1.0, (1 - (u * u + v * v)) * 4))
    if y < size:
        return mix((255, 190, 205), (250, 235, 240), (1 - u) / 2) if inside else (0, 0, 0)
    grey = int(255 * edge) if inside else 0
    return (grey, grey, grey)


def train_frame(k):
    """The last train running in at night, a 400x300 view: its front moves left frame by frame."""
    front = 380 - 42 * k
    def pixel(x, y):
        if y < 100:
            return mix((12, 14, 34), (30, 34, 62), y / 100)
        if y >= 250:
            return mix((60, 60, 66), (38, 38, 44), (y - 250) / 50)  # the platform's edge
        if x < front or y < 112 or y >= 232:
            return (22, 24, 40) if y < 240 else (90, 86, 70)  # the dark beyond, the rails
        body = x - front
        if body < 6:
            return (200, 200, 190)
        if 130 <= y < 180 and (body - 30) % 70 < 44 and body > 24:
            return (250, 228, 160)  # the lit windows
        if body < 26 and 190 <= y < 206:
            return (255, 250, 220)  # the headlight
        return (70, 82, 100) if y < 214 else (150, 40, 40)  # the body and its red stripe
    return pixel


def night_sky(x, y):
    """The night over the river, 800x1200, for the scroll that looks up from the water to the
    moon: the sky and its stars, the moon near the top, the far bank's lights, the river."""
    moon = math.hypot(x - 520, y - 170)
    if y < 900:
        sky = mix((4, 6, 22), (40, 50, 95), y / 900)
        if moon < 60:
            return mix((255, 250, 225), (235, 230, 200), moon / 60)
        if moon < 150:
            sky = mix((110, 115, 150), sky, (moon - 60) / 90)
        elif hash01(x, y) > 0.998:
            sky = (235, 235, 255)
        return sky
    if y < 950:  # the far bank and its windows
        if (x // 40) % 3 == 1 and y > 925 and x % 40 < 10:
            return (240, 200, 120)
        return (18, 20, 28)
    t = (y - 950) / 250  # the river, the moon's light broken on it
    water = mix((22, 32, 64), (8, 12, 30), t)
    ripple = math.sin(y * 0.8 + math.sin(x / 37.0) * 3)
    if abs(x - 520) < 20 + 40 * t and ripple > 0.4:
        return mix(water, (230, 225, 190), 0.6 - 0.3 * t)
    return water


def sample_sprites():
    write_png("O_PETAL", 24, 48, petal)
    write_png("A_NIGHT", 800, 1200, night_sky)
    for k in range(12):
        write_png("%03d" % k, 400, 300, train_frame(k), os.path.join(HERE, "..", "anim", "TRAIN"))


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
    system_pictures()
    sample_sprites()
    extras_pictures()


def extras_pictures():
    extras_views()
    recollection_pictures()
    item_pictures()


if __name__ == "__main__":
    # "extras" draws only the extras' pictures, which are made from the backgrounds.
    if sys.argv[1:] == ["extras"]:
        extras_pictures()
    elif sys.argv[1:] == ["items"]:
        item_pictures()
    else:
        main()
