#!/usr/bin/env python3
"""Draws the program's pictures: the application icon in several sizes and the About picture.

Plain Python, no third-party modules: shapes are filled with exact horizontal coverage and
four sub-rows per pixel, composited into RGBA and written as PNG. Run it from anywhere; it
writes next to itself. The outputs are committed, so a build never needs Python.
"""

import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SUB_ROWS = 4


class Canvas:
    def __init__(self, width, height, background=(0, 0, 0, 0)):
        self.width = width
        self.height = height
        self.pixels = [list(background) for _ in range(width * height)]

    def blend(self, x, y, colour, coverage):
        r, g, b, a = colour
        a = a / 255.0 * coverage
        if a <= 0.0:
            return
        p = self.pixels[y * self.width + x]
        out_a = a + p[3] / 255.0 * (1.0 - a)
        if out_a <= 0.0:
            return
        for i, c in enumerate((r, g, b)):
            p[i] = (c * a + p[i] * (p[3] / 255.0) * (1.0 - a)) / out_a
        p[3] = out_a * 255.0

    def fill_polygon(self, points, colour):
        """Fills a closed polygon (non-zero winding); colour is RGBA or a function (x, y) -> RGBA."""
        min_y = max(0, int(math.floor(min(p[1] for p in points))))
        max_y = min(self.height - 1, int(math.ceil(max(p[1] for p in points))))
        edges = list(zip(points, points[1:] + points[:1]))
        for py in range(min_y, max_y + 1):
            row = {}
            for s in range(SUB_ROWS):
                yc = py + (s + 0.5) / SUB_ROWS
                crossings = []
                for (x0, y0), (x1, y1) in edges:
                    if y0 == y1:
                        continue
                    if (y0 <= yc < y1) or (y1 <= yc < y0):
                        t = (yc - y0) / (y1 - y0)
                        crossings.append((x0 + t * (x1 - x0), 1 if y1 > y0 else -1))
                crossings.sort()
                winding = 0
                start = None
                for x, d in crossings:
                    before = winding
                    winding += d
                    if before == 0 and winding != 0:
                        start = x
                    elif before != 0 and winding == 0 and start is not None:
                        self._span(row, start, x)
                        start = None
            for px, cov in row.items():
                if 0 <= px < self.width:
                    c = colour(px + 0.5, py + 0.5) if callable(colour) else colour
                    self.blend(px, py, c, min(1.0, cov))

    @staticmethod
    def _span(row, x0, x1):
        weight = 1.0 / SUB_ROWS
        first = int(math.floor(x0))
        last = int(math.floor(x1))
        if first == last:
            row[first] = row.get(first, 0.0) + (x1 - x0) * weight
            return
        row[first] = row.get(first, 0.0) + (first + 1 - x0) * weight
        for px in range(first + 1, last):
            row[px] = row.get(px, 0.0) + weight
        if x1 > last:
            row[last] = row.get(last, 0.0) + (x1 - last) * weight

    def fill_circle(self, cx, cy, radius, colour, segments=72):
        self.fill_polygon(circle(cx, cy, radius, segments), colour)

    def ring(self, cx, cy, radius, width, colour, segments=96):
        outer = circle(cx, cy, radius + width / 2, segments)
        inner = circle(cx, cy, radius - width / 2, segments)
        inner.reverse()
        # One polygon with a hole: outer ring forward, inner ring backward, joined by a seam.
        self.fill_polygon(outer + [outer[0]] + [inner[-1]] + inner, colour)

    def stroke(self, points, width, colour):
        for (x0, y0), (x1, y1) in zip(points, points[1:]):
            dx, dy = x1 - x0, y1 - y0
            length = math.hypot(dx, dy) or 1.0
            nx, ny = -dy / length * width / 2, dx / length * width / 2
            self.fill_polygon([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny),
                               (x0 - nx, y0 - ny)], colour)
            self.fill_circle(x1, y1, width / 2, colour, 16)
        self.fill_circle(points[0][0], points[0][1], width / 2, colour, 16)

    def save_png(self, path):
        raw = bytearray()
        for y in range(self.height):
            raw.append(0)
            for x in range(self.width):
                p = self.pixels[y * self.width + x]
                raw.extend(max(0, min(255, int(round(v)))) for v in p)

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 6, 0, 0, 0)
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n")
            f.write(chunk(b"IHDR", header))
            f.write(chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
            f.write(chunk(b"IEND", b""))


def circle(cx, cy, radius, segments):
    return [(cx + radius * math.cos(2 * math.pi * i / segments),
             cy + radius * math.sin(2 * math.pi * i / segments)) for i in range(segments)]


def rounded_rect(x0, y0, x1, y1, r, segments=12):
    pts = []
    corners = [(x1 - r, y0 + r, -90), (x1 - r, y1 - r, 0), (x0 + r, y1 - r, 90),
               (x0 + r, y0 + r, 180)]
    for cx, cy, start in corners:
        for i in range(segments + 1):
            a = math.radians(start + 90 * i / segments)
            pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def mix(c0, c1, t):
    t = max(0.0, min(1.0, t))
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


def compass_star(canvas, cx, cy, radius, north, others):
    waist = radius * 0.24
    for k in range(4):
        angle = -math.pi / 2 + k * math.pi / 2
        tip = (cx + radius * math.cos(angle), cy + radius * math.sin(angle))
        left = (cx + waist * math.cos(angle - math.pi / 2), cy + waist * math.sin(angle - math.pi / 2))
        right = (cx + waist * math.cos(angle + math.pi / 2), cy + waist * math.sin(angle + math.pi / 2))
        colour = north if k == 0 else others
        # Two halves in slightly different shades give the star its ridge.
        canvas.fill_polygon([(cx, cy), left, tip], colour)
        canvas.fill_polygon([(cx, cy), tip, right], mix(colour, (0, 0, 0, colour[3]), 0.18))


def app_icon(size):
    c = Canvas(size, size)
    s = size / 256.0
    top, bottom = (30, 96, 168, 255), (8, 38, 86, 255)
    c.fill_polygon(rounded_rect(8 * s, 8 * s, 248 * s, 248 * s, 44 * s),
                   lambda x, y: mix(top, bottom, y / size))
    # Two swells across the lower part.
    for base, shade in ((196, (120, 190, 235, 255)), (222, (190, 228, 250, 255))):
        wave = [(x * s, (base + 9 * math.sin((x - 20) / 26.0)) * s) for x in range(24, 233, 4)]
        c.stroke(wave, 9 * s, shade)
    c.ring(128 * s, 104 * s, 66 * s, 7 * s, (220, 236, 250, 255))
    compass_star(c, 128 * s, 104 * s, 88 * s, (222, 48, 40, 255), (245, 248, 252, 255))
    c.fill_circle(128 * s, 104 * s, 11 * s, (8, 38, 86, 255))
    return c


def about_picture():
    w, h = 176, 132
    sea_top, sea_bottom = (176, 214, 240, 255), (120, 176, 222, 255)
    c = Canvas(w, h, (0, 0, 0, 0))
    c.fill_polygon(rounded_rect(0, 0, w, h, 10), lambda x, y: mix(sea_top, sea_bottom, y / h))
    # Chart grid.
    for gx in range(22, w, 33):
        c.fill_polygon([(gx, 4), (gx + 1, 4), (gx + 1, h - 4), (gx, h - 4)], (255, 255, 255, 90))
    for gy in range(22, h, 33):
        c.fill_polygon([(4, gy), (w - 4, gy), (w - 4, gy + 1), (4, gy + 1)], (255, 255, 255, 90))
    # A stretch of coast with a beach edge.
    land = [(0, 10), (10, 0), (92, 0), (86, 12), (70, 20), (62, 34), (44, 40), (30, 56),
            (14, 60), (0, 70)]
    c.fill_polygon(land, (214, 196, 140, 255))
    inner = [(0, 8), (8, 0), (84, 0), (78, 9), (64, 16), (56, 29), (40, 34), (26, 49),
             (12, 53), (0, 61)]
    c.fill_polygon(inner, (150, 176, 104, 255))
    # A route of four waypoints, drawn as a dashed line.
    route = [(40, 110), (84, 84), (112, 92), (150, 46)]
    for (x0, y0), (x1, y1) in zip(route, route[1:]):
        steps = int(math.hypot(x1 - x0, y1 - y0) / 7)
        for i in range(0, steps, 2):
            a, b = i / steps, min(1.0, (i + 1) / steps)
            c.stroke([(x0 + (x1 - x0) * a, y0 + (y1 - y0) * a),
                      (x0 + (x1 - x0) * b, y0 + (y1 - y0) * b)], 2.4, (200, 30, 30, 255))
    for x, y in route:
        c.fill_circle(x, y, 5.5, (255, 255, 255, 255))
        c.fill_circle(x, y, 3.5, (200, 30, 30, 255))
    # Compass rose in the open water.
    c.ring(146, 104, 14, 1.6, (40, 70, 120, 255))
    compass_star(c, 146, 104, 20, (200, 30, 30, 255), (40, 70, 120, 255))
    return c


def main():
    for size in (16, 32, 48, 64, 256):
        app_icon(size).save_png(os.path.join(HERE, "app-%d.png" % size))
    about_picture().save_png(os.path.join(HERE, "about.png"))


if __name__ == "__main__":
    main()
