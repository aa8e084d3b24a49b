#!/usr/bin/env python3
"""Draws the program's built-in icons as PNG files in this folder.

The pictures are plain geometry (boxes, polygons, circles and strokes), rendered at four times
their size and averaged down, so the edges come out smooth. Nothing but the standard library is
needed. Run it after changing a drawing and commit the PNG files with it:

    python3 resources/icons/make_icons.py
"""

import math
import os
import struct
import zlib

SS = 4  # supersampling factor


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.W, self.H = w * SS, h * SS
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(self.W * self.H)]

    # Shapes take coordinates in output pixels; `inside(x, y)` is asked at subpixel centres.
    def _fill(self, box, inside, colour):
        x0, y0, x1, y1 = box
        r, g, b, a = colour
        sx0, sy0 = max(0, int(x0 * SS)), max(0, int(y0 * SS))
        sx1, sy1 = min(self.W, int(math.ceil(x1 * SS)) + 1), min(self.H, int(math.ceil(y1 * SS)) + 1)
        for sy in range(sy0, sy1):
            y = (sy + 0.5) / SS
            row = sy * self.W
            for sx in range(sx0, sx1):
                x = (sx + 0.5) / SS
                if inside(x, y):
                    p = self.px[row + sx]
                    # "over" compositing, premultiplied
                    k = 1.0 - a
                    p[0] = r * a + p[0] * k
                    p[1] = g * a + p[1] * k
                    p[2] = b * a + p[2] * k
                    p[3] = a + p[3] * k

    def rect(self, x0, y0, x1, y1, colour):
        self._fill((x0, y0, x1, y1), lambda x, y: x0 <= x < x1 and y0 <= y < y1, colour)

    def frame(self, x0, y0, x1, y1, width, colour):
        w = width
        self._fill((x0, y0, x1, y1),
                   lambda x, y: x0 <= x < x1 and y0 <= y < y1 and
                   (x < x0 + w or x >= x1 - w or y < y0 + w or y >= y1 - w), colour)

    def ellipse(self, cx, cy, rx, ry, colour):
        self._fill((cx - rx, cy - ry, cx + rx, cy + ry),
                   lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0, colour)

    def ring(self, cx, cy, rx, ry, width, colour):
        def inside(x, y):
            d = ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2
            di = ((x - cx) / max(rx - width, 0.01)) ** 2 + ((y - cy) / max(ry - width, 0.01)) ** 2
            return d <= 1.0 and di >= 1.0
        self._fill((cx - rx, cy - ry, cx + rx, cy + ry), inside, colour)

    def polygon(self, pts, colour):
        xs, ys = [p[0] for p in pts], [p[1] for p in pts]

        def inside(x, y):
            c = False
            j = len(pts) - 1
            for i in range(len(pts)):
                xi, yi = pts[i]
                xj, yj = pts[j]
                if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    c = not c
                j = i
            return c
        self._fill((min(xs), min(ys), max(xs), max(ys)), inside, colour)

    def stroke(self, pts, width, colour):
        h = width / 2.0
        segs = list(zip(pts, pts[1:]))
        xs, ys = [p[0] for p in pts], [p[1] for p in pts]

        def inside(x, y):
            for (ax, ay), (bx, by) in segs:
                dx, dy = bx - ax, by - ay
                ll = dx * dx + dy * dy
                t = 0.0 if ll == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / ll))
                px, py = ax + t * dx - x, ay + t * dy - y
                if px * px + py * py <= h * h:
                    return True
            return False
        self._fill((min(xs) - h, min(ys) - h, max(xs) + h, max(ys) + h), inside, colour)

    def arc(self, cx, cy, r, a0, a1, width, colour, steps=24):
        pts = [(cx + r * math.cos(math.radians(a0 + (a1 - a0) * i / steps)),
                cy + r * math.sin(math.radians(a0 + (a1 - a0) * i / steps))) for i in range(steps + 1)]
        self.stroke(pts, width, colour)

    def png(self, path):
        raw = bytearray()
        n = SS * SS
        for y in range(self.h):
            raw.append(0)
            for x in range(self.w):
                acc = [0.0, 0.0, 0.0, 0.0]
                for sy in range(y * SS, y * SS + SS):
                    row = sy * self.W
                    for sx in range(x * SS, x * SS + SS):
                        p = self.px[row + sx]
                        acc[0] += p[0]
                        acc[1] += p[1]
                        acc[2] += p[2]
                        acc[3] += p[3]
                a = acc[3] / n
                if a <= 0:
                    raw += bytes(4)
                    continue
                raw += bytes([min(255, round(acc[0] / n / a * 255)), min(255, round(acc[1] / n / a * 255)),
                              min(255, round(acc[2] / n / a * 255)), min(255, round(a * 255))])

        def chunk(tag, data):
            c = struct.pack(">I", len(data)) + tag + data
            return c + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n")
            f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0)))
            f.write(chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
            f.write(chunk(b"IEND", b""))


def rgb(hexcode, a=1.0):
    v = int(hexcode, 16)
    return ((v >> 16) / 255.0, ((v >> 8) & 255) / 255.0, (v & 255) / 255.0, a)


INK = rgb("303438")
WHITE = rgb("ffffff")
PAPER = rgb("fbfbf8")


def page(c, band=None):
    """A sheet with a folded corner; `band` colours a label across its lower half."""
    c.polygon([(7, 2), (20, 2), (26, 8), (26, 30), (7, 30)], PAPER)
    c.stroke([(7, 2), (20, 2), (26, 8), (26, 30), (7, 30), (7, 2)], 1.2, INK)
    c.polygon([(20, 2), (20, 8), (26, 8)], rgb("d8d8d0"))
    c.stroke([(20, 2), (20, 8), (26, 8)], 1.0, INK)
    if band:
        c.rect(3, 15, 23, 26, band)


def letters(c, strokes, colour=WHITE, width=1.6):
    for s in strokes:
        c.stroke(s, width, colour)


def checkon(c):
    checkoff(c)
    c.stroke([(8, 16), (13.5, 22), (24, 9)], 3.2, rgb("1f8a3b"))


def checkoff(c):
    c.rect(5, 5, 27, 27, WHITE)
    c.frame(5, 5, 27, 27, 1.6, INK)


def nophoto(c):
    c.rect(0, 0, 128, 96, rgb("eceff1"))
    c.frame(0, 0, 128, 96, 2, rgb("b0bec5"))
    grey = rgb("90a4ae")
    # a camera
    c.polygon([(34, 34), (50, 34), (56, 26), (72, 26), (78, 34), (94, 34), (94, 72), (34, 72)], grey)
    c.ellipse(64, 53, 14, 14, rgb("eceff1"))
    c.ellipse(64, 53, 9, 9, grey)
    c.rect(38, 38, 46, 43, rgb("eceff1"))
    # struck through
    c.stroke([(28, 80), (100, 18)], 5, rgb("c62828"))


def pdf(c):
    page(c, rgb("c62828"))
    letters(c, [[(5.5, 25), (5.5, 17), (8.5, 17), (9.5, 18.5), (8.5, 20.5), (5.5, 20.5)],
                [(11.5, 25), (11.5, 17), (13.5, 17), (15, 19), (15, 23), (13.5, 25), (11.5, 25)],
                [(21, 17), (17.5, 17), (17.5, 25)], [(17.5, 21), (20, 21)]], width=1.4)


def worddoc(c):
    page(c, rgb("1e5aa8"))
    letters(c, [[(6, 17), (8.5, 25), (11, 19.5), (13.5, 25), (16, 17)]])
    for y in (11, 28):
        c.stroke([(10, y), (23, y)], 1.0, rgb("9aa5b1"))


def xldoc(c):
    page(c, rgb("1d7a3e"))
    letters(c, [[(7, 17), (14, 25)], [(14, 17), (7, 25)]], width=1.8)
    for x in (13, 18):
        c.stroke([(x, 27), (x, 29)], 1.0, rgb("9aa5b1"))


def ppdoc(c):
    page(c, rgb("d35400"))
    letters(c, [[(8, 25), (8, 17), (12, 17), (13.5, 18.5), (13.5, 19.5), (12, 21), (8, 21)]], width=1.8)


def textfile(c):
    page(c)
    for y in (11, 15, 19, 23, 27):
        c.stroke([(10, y), (23 if y != 27 else 18, y)], 1.2, rgb("7b8794"))


def web(c):
    blue = rgb("1e6fb8")
    c.ellipse(16, 16, 13, 13, rgb("d6eaf8"))
    c.ring(16, 16, 13, 13, 1.6, blue)
    c.ring(16, 16, 6, 13, 1.3, blue)
    c.stroke([(16, 3), (16, 29)], 1.3, blue)
    c.stroke([(3, 16), (29, 16)], 1.3, blue)
    c.stroke([(5, 9.5), (27, 9.5)], 1.1, blue)
    c.stroke([(5, 22.5), (27, 22.5)], 1.1, blue)


def otherfile(c):
    page(c)
    c.arc(16.5, 14, 4, 200, 405, 2.0, rgb("5d6d7e"))
    c.stroke([(19.3, 16.8), (16.5, 19), (16.5, 21.5)], 2.0, rgb("5d6d7e"))
    c.ellipse(16.5, 25.5, 1.4, 1.4, rgb("5d6d7e"))


def gl(c):
    green = rgb("1d7a3e")
    c.rect(4, 5, 28, 28, green)
    c.rect(7, 7, 26, 26, PAPER)
    c.rect(4, 5, 7, 28, rgb("145a2d"))
    for y in (11, 15, 19, 23):
        c.stroke([(9, y), (25, y)], 1.0, rgb("7fb08f"))
    c.stroke([(18, 8), (18, 26)], 1.0, rgb("c0392b"))
    c.frame(4, 5, 28, 28, 1.0, INK)


def eqpellham(c):
    yellow, dark = rgb("f2b705"), rgb("2d2d2d")
    # a dump truck: cab, tipped body, wheels
    c.polygon([(3, 10), (18, 8), (19, 20), (3, 20)], yellow)
    c.stroke([(3, 10), (18, 8), (19, 20), (3, 20), (3, 10)], 1.1, dark)
    c.polygon([(20, 12), (26, 12), (29, 16), (29, 21), (20, 21)], yellow)
    c.stroke([(20, 12), (26, 12), (29, 16), (29, 21), (20, 21), (20, 12)], 1.1, dark)
    c.polygon([(22, 13.5), (25.5, 13.5), (27.5, 16.5), (22, 16.5)], rgb("9fd3ec"))
    c.rect(2, 20, 30, 23, dark)
    for x in (7, 13, 25):
        c.ellipse(x, 25, 3.6, 3.6, dark)
        c.ellipse(x, 25, 1.4, 1.4, rgb("b0b0b0"))


def hand2(c):
    skin, line = rgb("ffffff"), rgb("000000")
    outline = [(11, 3), (13.5, 3), (14.5, 4.5), (14.5, 12), (17, 11), (19.5, 12), (22, 11.5),
               (24.5, 13), (27, 13), (28.5, 15), (28, 22), (25.5, 28), (13, 28), (7, 20),
               (5.5, 17), (6.5, 15.5), (8.5, 16), (10, 18), (10, 4.5)]
    c.polygon(outline, skin)
    c.stroke(outline + [outline[0]], 1.3, line)
    for x, y0 in ((14.5, 12), (19.5, 12), (24.5, 13)):
        c.stroke([(x, y0), (x, 18)], 1.0, line)


def calendar(c):
    c.rect(4, 6, 28, 29, WHITE)
    c.rect(4, 6, 28, 12, rgb("c62828"))
    c.frame(4, 6, 28, 29, 1.2, INK)
    for x in (10, 22):
        c.stroke([(x, 3), (x, 8)], 2.0, INK)
    for row in range(3):
        for col in range(4):
            c.rect(7 + col * 5, 15 + row * 4.5, 10 + col * 5, 17.5 + row * 4.5, rgb("7b8794"))


def help_(c):
    blue = rgb("1e6fb8")
    c.ellipse(16, 16, 13.5, 13.5, blue)
    c.arc(16, 12.5, 4.5, 200, 405, 2.6, WHITE)
    c.stroke([(19.2, 15.6), (16, 18.2), (16, 20.5)], 2.6, WHITE)
    c.ellipse(16, 24.5, 1.7, 1.7, WHITE)


def print_(c):
    body = rgb("5d6d7e")
    c.rect(9, 3, 23, 12, WHITE)
    c.frame(9, 3, 23, 12, 1.0, INK)
    c.rect(3, 11, 29, 23, body)
    c.frame(3, 11, 29, 23, 1.0, INK)
    c.ellipse(25, 14.5, 1.2, 1.2, rgb("2ecc71"))
    c.rect(8, 19, 24, 29, WHITE)
    c.frame(8, 19, 24, 29, 1.0, INK)
    for y in (22.5, 25.5):
        c.stroke([(11, y), (21, y)], 1.0, rgb("7b8794"))


def export(c):
    """A sheet with an arrow leaving it: the report's text sent to a file."""
    page(c)
    for y in (11, 15, 19):
        c.stroke([(10, y), (20, y)], 1.2, rgb("7b8794"))
    green = rgb("1f8a3b")
    c.stroke([(12, 25), (27, 25)], 2.6, green)
    c.polygon([(24, 20), (31, 25), (24, 30)], green)


def eml(c):
    """An envelope."""
    c.rect(3, 8, 29, 25, PAPER)
    c.frame(3, 8, 29, 25, 1.2, INK)
    c.stroke([(3.5, 8.5), (16, 18), (28.5, 8.5)], 1.4, rgb("1e6fb8"))
    c.stroke([(3.5, 24.5), (12.5, 15.5)], 1.0, rgb("9aa5b1"))
    c.stroke([(28.5, 24.5), (19.5, 15.5)], 1.0, rgb("9aa5b1"))


def preview(c):
    """A page under a magnifying glass: the report shown on the screen."""
    page(c)
    for y in (11, 15, 19):
        c.stroke([(10, y), (20, y)], 1.2, rgb("7b8794"))
    c.ellipse(18, 18, 7, 7, rgb("dbe9f7", 0.85))
    c.ring(18, 18, 7, 7, 2.0, INK)
    c.stroke([(23, 23), (29, 29)], 3.2, INK)


def cross(c):
    """A red cross: leave without doing anything."""
    red = rgb("c62828")
    c.stroke([(7, 7), (25, 25)], 4.2, red)
    c.stroke([(25, 7), (7, 25)], 4.2, red)


ICONS = {
    "checkon": (32, 32, checkon),
    "checkoff": (32, 32, checkoff),
    "nophoto": (128, 96, nophoto),
    "pdf": (32, 32, pdf),
    "worddoc": (32, 32, worddoc),
    "xldoc": (32, 32, xldoc),
    "ppdoc": (32, 32, ppdoc),
    "textfile": (32, 32, textfile),
    "web": (32, 32, web),
    "otherfile": (32, 32, otherfile),
    "gl": (32, 32, gl),
    "eqpellham": (32, 32, eqpellham),
    "hand2": (32, 32, hand2),
    "calendar": (32, 32, calendar),
    "help": (32, 32, help_),
    "print": (32, 32, print_),
    "export": (32, 32, export),
    "eml": (32, 32, eml),
    "preview": (32, 32, preview),
    "cross": (32, 32, cross),
}

if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    for name, (w, h, draw) in ICONS.items():
        c = Canvas(w, h)
        draw(c)
        c.png(os.path.join(here, name + ".png"))
        print("wrote", name + ".png")
