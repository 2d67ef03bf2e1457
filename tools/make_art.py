#!/usr/bin/env python3
"""Draws Pennet's own art into resources/: the button skin, the button
pictures, the icons, the cursors (with their hot spots) and the pictures of
the hint dialogs.

Only the standard library is used: shapes are rasterised with 4x4
supersampling (2x2 for the large hint pictures) into premultiplied RGBA,
reduced, and written as RGBA PNGs with zlib and struct. Run it from
anywhere; it rewrites every file it makes, or only the groups named:

    python3 tools/make_art.py [skins] [icons] [cursors] [hints]
"""
import math
import os
import struct
import sys
import zlib

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources")
SS = 4  # samples per pixel along each axis

INK = (60, 62, 72)
BLUE = (64, 118, 206)
RED = (214, 72, 60)
GREEN = (58, 160, 84)
YELLOW = (244, 200, 60)
SKIN = (242, 204, 170)
WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
GREY = (150, 150, 156)


# ---- canvas -------------------------------------------------------------

class Canvas:
    """Premultiplied float RGBA samples, ss x ss per output pixel."""

    def __init__(self, width, height, ss=SS, background=None):
        self.w, self.h = width, height
        self.ss = ss
        self.sw, self.sh = width * ss, height * ss
        fill = [0.0, 0.0, 0.0, 0.0] if background is None else [c / 255.0 for c in background] + [1.0]
        self.px = [list(fill) for _ in range(self.sw * self.sh)]

    def _cover(self, box, inside, colour, alpha=1.0):
        """Paints every sample in box (pixel units) for which inside(x, y)
        holds; colour is an (r, g, b) tuple or a function of (x, y)."""
        x0, y0, x1, y1 = box
        sx0 = max(0, int(math.floor(x0 * self.ss)))
        sy0 = max(0, int(math.floor(y0 * self.ss)))
        sx1 = min(self.sw, int(math.ceil(x1 * self.ss)) + 1)
        sy1 = min(self.sh, int(math.ceil(y1 * self.ss)) + 1)
        for sy in range(sy0, sy1):
            y = (sy + 0.5) / self.ss
            row = sy * self.sw
            for sx in range(sx0, sx1):
                x = (sx + 0.5) / self.ss
                if not inside(x, y):
                    continue
                c = colour(x, y) if callable(colour) else colour
                a = alpha * (c[3] / 255.0 if len(c) > 3 else 1.0)
                p = self.px[row + sx]
                k = 1.0 - a
                p[0] = c[0] / 255.0 * a + p[0] * k
                p[1] = c[1] / 255.0 * a + p[1] * k
                p[2] = c[2] / 255.0 * a + p[2] * k
                p[3] = a + p[3] * k

    def polygon(self, pts, colour, alpha=1.0):
        xs = [p[0] for p in pts]
        ys = [p[1] for p in pts]
        n = len(pts)

        def inside(x, y):
            c = False
            j = n - 1
            for i in range(n):
                xi, yi = pts[i]
                xj, yj = pts[j]
                if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    c = not c
                j = i
            return c

        self._cover((min(xs), min(ys), max(xs), max(ys)), inside, colour, alpha)

    def ellipse(self, cx, cy, rx, ry, colour, alpha=1.0):
        def inside(x, y):
            return ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0

        self._cover((cx - rx, cy - ry, cx + rx, cy + ry), inside, colour, alpha)

    def ring(self, cx, cy, rx, ry, width, colour, start=0.0, sweep=360.0, alpha=1.0):
        """An elliptic outline, or an arc of it (degrees, counter-clockwise
        on screen from the positive x axis)."""
        half = width / 2.0

        def inside(x, y):
            dx, dy = (x - cx) / rx, (y - cy) / ry
            r = math.hypot(dx, dy)
            if abs(r - 1.0) * min(rx, ry) > half:
                return False
            if sweep >= 360.0:
                return True
            ang = math.degrees(math.atan2(-(y - cy), x - cx)) % 360.0
            return (ang - start) % 360.0 <= sweep

        self._cover((cx - rx - half, cy - ry - half, cx + rx + half, cy + ry + half), inside, colour, alpha)

    def lines(self, pts, width, colour, closed=False, alpha=1.0):
        """A polyline with round joins and ends."""
        segs = list(zip(pts, pts[1:]))
        if closed:
            segs.append((pts[-1], pts[0]))
        half = width / 2.0
        xs = [p[0] for p in pts]
        ys = [p[1] for p in pts]

        def inside(x, y):
            for (ax, ay), (bx, by) in segs:
                vx, vy = bx - ax, by - ay
                ll = vx * vx + vy * vy
                t = 0.0 if ll == 0 else max(0.0, min(1.0, ((x - ax) * vx + (y - ay) * vy) / ll))
                if math.hypot(x - ax - t * vx, y - ay - t * vy) <= half:
                    return True
            return False

        self._cover((min(xs) - half, min(ys) - half, max(xs) + half, max(ys) + half), inside, colour, alpha)

    def rect(self, x0, y0, x1, y1, colour, alpha=1.0):
        self.polygon([(x0, y0), (x1, y0), (x1, y1), (x0, y1)], colour, alpha)

    def rounded(self, x0, y0, x1, y1, radius, colour, alpha=1.0):
        def inside(x, y):
            cx = min(max(x, x0 + radius), x1 - radius)
            cy = min(max(y, y0 + radius), y1 - radius)
            return math.hypot(x - cx, y - cy) <= radius

        self._cover((x0, y0, x1, y1), inside, colour, alpha)

    def pixels(self):
        """Straight RGBA bytes per output pixel; fully transparent pixels
        take the colour of their visible neighbours, so that programs that
        stretch the picture without premultiplying get no dark fringes."""
        out = []
        n = self.ss * self.ss
        for y in range(self.h):
            for x in range(self.w):
                acc = [0.0, 0.0, 0.0, 0.0]
                for sy in range(y * self.ss, y * self.ss + self.ss):
                    row = sy * self.sw
                    for sx in range(x * self.ss, x * self.ss + self.ss):
                        p = self.px[row + sx]
                        for k in range(4):
                            acc[k] += p[k]
                a = acc[3] / n
                if a <= 0.0:
                    out.append([0, 0, 0, 0])
                    continue
                out.append([min(255, int(round(acc[k] / n / a * 255))) for k in range(3)] +
                           [min(255, int(round(a * 255)))])
        bleed(out, self.w, self.h)
        return out


def bleed(px, w, h):
    for _ in range(3):
        changed = []
        for y in range(h):
            for x in range(w):
                if px[y * w + x][3] != 0:
                    continue
                acc, count = [0, 0, 0], 0
                for dy in (-1, 0, 1):
                    for dx in (-1, 0, 1):
                        nx, ny = x + dx, y + dy
                        if 0 <= nx < w and 0 <= ny < h:
                            q = px[ny * w + nx]
                            if q[3] != 0 or (q[0] | q[1] | q[2]):
                                acc = [acc[k] + q[k] for k in range(3)]
                                count += 1
                if count:
                    changed.append((y * w + x, [acc[k] // count for k in range(3)]))
        for i, c in changed:
            px[i][0:3] = c


def write_png(path, width, height, px):
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for x in range(width):
            raw.extend(bytes(px[y * width + x]))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + \
        chunk(b"IEND", b"")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def save(canvas, *parts):
    write_png(os.path.join(ROOT, *parts), canvas.w, canvas.h, canvas.pixels())


def mix(a, b, t):
    return tuple(int(round(a[k] + (b[k] - a[k]) * t)) for k in range(3))


def arrow_head(c, tip, angle_deg, size, colour):
    a = math.radians(angle_deg)
    bx, by = tip[0] - size * math.cos(a), tip[1] + size * math.sin(a)
    nx, ny = -math.sin(a) * size * 0.55, -math.cos(a) * size * 0.55
    c.polygon([tip, (bx + nx, by + ny), (bx - nx, by - ny)], colour)


# ---- button skin ----------------------------------------------------------

FRAME = 32


def skin_frame(c, i):
    x0 = i * FRAME
    top, bottom, border, width = {
        0: ((250, 250, 252), (226, 228, 234), (170, 174, 184), 1.0),
        1: ((240, 247, 255), (210, 226, 248), (96, 140, 214), 1.0),
        2: ((196, 210, 232), (214, 226, 244), (80, 110, 170), 1.2),
        3: ((240, 240, 240), (234, 234, 234), (206, 206, 206), 1.0),
        4: ((250, 250, 252), (226, 228, 234), (64, 118, 206), 2.0),
        5: ((206, 222, 246), (224, 236, 252), (64, 118, 206), 1.6),
    }[i]

    def grad(_x, y):
        return mix(top, bottom, y / FRAME)

    c.rounded(x0 + 0.5, 0.5, x0 + FRAME - 0.5, FRAME - 0.5, 5, border)
    c.rounded(x0 + 0.5 + width, 0.5 + width, x0 + FRAME - 0.5 - width, FRAME - 0.5 - width, 5 - width, grad)
    if i in (2, 5):  # pressed: a soft shadow along the top inside
        c.rect(x0 + 3, 1.5 + width, x0 + FRAME - 3, 3 + width, (120, 140, 180), alpha=0.25)


def make_skin():
    c = Canvas(FRAME * 6, FRAME)
    for i in range(6):
        skin_frame(c, i)
    save(c, "skins", "button.png")


# ---- tool and command pictures -----------------------------------------

def sheet(c, x0, y0, x1, y1):
    c.rect(x0, y0, x1, y1, INK)
    c.rect(x0 + 1.2, y0 + 1.2, x1 - 1.2, y1 - 1.2, WHITE)


def person(c, cx, top, scale, colour):
    c.ellipse(cx, top + 4 * scale, 3.6 * scale, 3.6 * scale, SKIN)
    c.ring(cx, top + 4 * scale, 3.6 * scale, 3.6 * scale, 1.0, INK)
    c.polygon([(cx - 6 * scale, top + 18 * scale), (cx - 4.5 * scale, top + 9.5 * scale),
               (cx + 4.5 * scale, top + 9.5 * scale), (cx + 6 * scale, top + 18 * scale)], colour)


def bone(c):
    c.lines([(8, 24), (16, 14), (24, 9)], 2.4, INK)
    for x, y in ((8, 24), (16, 14), (24, 9)):
        c.ellipse(x, y, 2.6, 2.6, WHITE)
        c.ring(x, y, 2.6, 2.6, 1.2, INK)


def pointer(c, x, y, s=1.0):
    pts = [(x, y), (x, y + 17 * s), (x + 4.2 * s, y + 13 * s), (x + 7 * s, y + 19.5 * s),
           (x + 9.6 * s, y + 18.4 * s), (x + 6.8 * s, y + 12 * s), (x + 12 * s, y + 12 * s)]
    c.lines(pts, 2.4, INK, closed=True)
    c.polygon(pts, WHITE)


def squiggle(n=40):
    return [(5 + 22 * t / n, 16 + 7 * math.sin(t / n * 2 * math.pi * 1.5) * (1 - 0.3 * t / n)) for t in range(n + 1)]


def draw_tool(name):
    c = Canvas(32, 32)
    if name == "menu_copypict":
        sheet(c, 4, 3, 20, 21)
        sheet(c, 11, 10, 28, 29)
        c.polygon([(13, 26), (18, 19), (22, 23), (24, 21), (27, 26)], GREEN)
        c.ellipse(23, 15, 1.8, 1.8, YELLOW)
    elif name == "file_manmix":
        person(c, 13, 5, 1.2, BLUE)
        c.lines([(25, 4), (25, 14)], 2.6, GREEN)
        c.lines([(20, 9), (30, 9)], 2.6, GREEN)
    elif name in ("edit_undo", "edit_redo"):
        # an arc over the top, the arrow at the end it turns towards
        if name == "edit_undo":
            c.ring(17, 19, 9, 9, 3, BLUE, start=0, sweep=165)
            arrow_head(c, (8, 25), -95, 8, BLUE)
        else:
            c.ring(15, 19, 9, 9, 3, BLUE, start=15, sweep=165)
            arrow_head(c, (24, 25), -85, 8, BLUE)
    elif name == "tool_showtool":
        c.rounded(4, 11, 28, 27, 2.5, (200, 90, 60))
        c.rect(4, 16, 28, 17.5, (150, 60, 40))
        c.lines([(11, 11), (11, 6), (21, 6), (21, 11)], 2.4, INK)
    elif name == "tool_arrow":
        pointer(c, 9, 5)
    elif name == "tool_editrect":
        for x0, y0, x1, y1 in ((5, 6, 27, 6), (27, 6, 27, 26), (27, 26, 5, 26), (5, 26, 5, 6)):
            n = 6
            for k in range(n):
                if k % 2 == 0:
                    c.lines([(x0 + (x1 - x0) * k / n, y0 + (y1 - y0) * k / n),
                             (x0 + (x1 - x0) * (k + 1) / n, y0 + (y1 - y0) * (k + 1) / n)], 1.6, BLUE)
        for x, y in ((5, 6), (27, 6), (27, 26), (5, 26)):
            c.rect(x - 2, y - 2, x + 2, y + 2, INK)
    elif name == "tool_line":
        c.lines([(6, 26), (26, 6)], 2.4, INK)
    elif name == "tool_oval":
        c.ring(16, 16, 11, 8, 2.2, INK)
    elif name == "tool_rect":
        c.lines([(5, 7), (27, 7), (27, 25), (5, 25)], 2.2, INK, closed=True)
    elif name == "tool_text":
        c.polygon([(7, 27), (14, 5), (18, 5), (25, 27), (21, 27), (19.3, 21), (12.7, 21), (11, 27)], INK)
        c.polygon([(13.8, 17.5), (18.2, 17.5), (16, 10)], WHITE)
    elif name == "tool_aline":
        c.lines([(6, 26), (22, 10)], 2.4, INK)
        arrow_head(c, (27, 5), 45, 10, INK)
    elif name == "tool_poly":
        pts = [(5, 24), (11, 8), (19, 20), (27, 7)]
        c.lines(pts, 2.2, INK)
        for x, y in pts:
            c.rect(x - 1.8, y - 1.8, x + 1.8, y + 1.8, BLUE)
    elif name == "tool_polygon":
        pts = [(6, 24), (9, 8), (20, 5), (27, 16), (20, 27)]
        c.polygon(pts, (190, 214, 246))
        c.lines(pts, 2.2, INK, closed=True)
    elif name == "tool_free":
        c.lines(squiggle(), 2.2, INK)
    elif name == "tool_freegon":
        pts = [(16 + (10 + 2.5 * math.sin(5 * a)) * math.cos(a), 16 + (9 + 2.5 * math.sin(5 * a)) * math.sin(a))
               for a in [k * 2 * math.pi / 60 for k in range(60)]]
        c.polygon(pts, (250, 200, 120))
        c.lines(pts, 1.8, INK, closed=True)
    elif name == "tool_trim":
        for x0, y0, x1, y1 in ((4, 4, 28, 13), (4, 16, 14, 28), (17, 16, 28, 28)):
            c.lines([(x0, y0), (x1, y0), (x1, y1), (x0, y1)], 2.0, INK, closed=True)
    elif name == "tool_trimout":
        c.lines([(9, 5), (22, 22)], 2.4, GREY)
        c.lines([(23, 5), (10, 22)], 2.4, GREY)
        c.ring(8, 25, 3.5, 3.5, 2.2, RED)
        c.ring(24, 25, 3.5, 3.5, 2.2, RED)
    elif name == "tool_poserot":
        bone(c)
        c.ring(16, 14, 12, 12, 2.0, RED, start=200, sweep=120)
        arrow_head(c, (27, 20), -80, 7, RED)
    elif name == "tool_posemove":
        bone(c)
        for (x, y, ang) in ((27, 23, 0), (21, 29, -90)):
            arrow_head(c, (x, y), ang, 6, RED)
        c.lines([(17, 23), (24, 23)], 1.8, RED)
        c.lines([(21, 19), (21, 26)], 1.8, RED)
    elif name == "tool_spoit":
        c.lines([(7, 25), (19, 13)], 3.2, GREY)
        c.lines([(5, 27), (7, 25)], 1.6, INK)
        c.lines([(17, 11), (21, 15)], 3.0, INK)
        c.ellipse(23.5, 8.5, 4.5, 4.5, RED)
    elif name == "tool_bucket":
        body = [(7, 12), (21, 6), (26, 18), (13, 25)]
        c.polygon(body, (120, 160, 220))
        c.lines(body, 1.8, INK, closed=True)
        c.ring(14, 9, 7, 5, 1.6, INK, start=20, sweep=160)
        c.ellipse(26, 25, 2.5, 3.5, BLUE)
    else:
        raise ValueError(name)
    save(c, "skins", name + ".png")


TOOLS = ["menu_copypict", "file_manmix", "edit_undo", "edit_redo", "tool_showtool", "tool_arrow", "tool_editrect",
         "tool_line", "tool_oval", "tool_rect", "tool_text", "tool_aline", "tool_poly", "tool_polygon", "tool_free",
         "tool_freegon", "tool_trim", "tool_trimout", "tool_poserot", "tool_posemove", "tool_spoit", "tool_bucket"]


# ---- property bar pictures ---------------------------------------------

def draw_bar_picture(name):
    c = Canvas(32, 32)
    if name == "2d_kage":
        c.rect(10, 10, 28, 28, (90, 90, 100), alpha=0.55)
        c.rect(5, 5, 23, 23, (250, 210, 120))
        c.lines([(5, 5), (23, 5), (23, 23), (5, 23)], 1.6, INK, closed=True)
    elif name.startswith("3d_lens"):
        spread = {"3d_lens1": 34, "3d_lens2": 22, "3d_lens3": 9, "3d_lens4": 0}[name]
        c.rounded(3, 12, 11, 20, 2, INK)
        c.polygon([(11, 13.5), (14, 12), (14, 20), (11, 18.5)], INK)
        if spread:
            a = math.radians(spread)
            for s in (-1, 1):
                c.lines([(14, 16), (14 + 15 * math.cos(a), 16 + s * 15 * math.sin(a))], 1.6, BLUE)
        else:
            for y in (11, 21):
                c.lines([(14, y), (29, y)], 1.6, BLUE)
        c.lines([(14, 16), (29, 16)], 1.0, BLUE, alpha=0.5)
    elif name == "3d_show":
        for y, knob in ((8, 20), (16, 10), (24, 16)):
            c.lines([(5, y), (27, y)], 1.6, INK)
            c.rounded(knob - 2.5, y - 4, knob + 2.5, y + 4, 1.5, BLUE)
    else:
        raise ValueError(name)
    save(c, "skins", name + ".png")


# The text dialog's style and alignment buttons.
TEXT_DIALOG = ["tool_text_dlg_bold", "tool_text_dlg_italic", "tool_text_dlg_underline", "tool_text_dlg_delete",
               "tool_text_dlg_left", "tool_text_dlg_center", "tool_text_dlg_right"]


def draw_text_dialog_picture(name):
    c = Canvas(32, 32)
    kind = name[len("tool_text_dlg_"):]
    if kind == "bold":
        c.lines([(11, 6), (11, 26)], 4.0, INK)
        c.ring(15, 11, 6, 5, 3.6, INK, start=-90, sweep=180)
        c.ring(16, 21, 7, 5, 3.6, INK, start=-90, sweep=180)
        c.lines([(11, 6), (15, 6)], 3.6, INK)
        c.lines([(11, 16), (16, 16)], 3.6, INK)
        c.lines([(11, 26), (16, 26)], 3.6, INK)
    elif kind == "italic":
        c.lines([(18, 6), (13, 26)], 2.2, INK)
        c.lines([(14, 6), (23, 6)], 2.0, INK)
        c.lines([(9, 26), (18, 26)], 2.0, INK)
    elif kind == "underline":
        c.lines([(10, 5), (10, 17)], 2.2, INK)
        c.lines([(22, 5), (22, 17)], 2.2, INK)
        c.ring(16, 17, 6, 6, 2.2, INK, start=180, sweep=180)
        c.lines([(7, 28), (25, 28)], 2.0, BLUE)
    elif kind == "delete":
        c.lines([(10, 6), (10, 26)], 2.2, INK)
        c.ring(12, 16, 9, 10, 2.2, INK, start=-90, sweep=180)
        c.lines([(10, 6), (12, 6)], 2.2, INK)
        c.lines([(10, 26), (12, 26)], 2.2, INK)
        c.lines([(5, 16), (27, 16)], 2.0, RED)
    else:
        lengths = (20, 13, 20, 10)
        for k, length in enumerate(lengths):
            y = 8 + 5.5 * k
            x0 = {"left": 6, "center": 16 - length / 2, "right": 26 - length}[kind]
            c.lines([(x0, y), (x0 + length, y)], 2.2, INK)
    save(c, "skins", name + ".png")


# The rendering styles of the atmosphere bar, each shown on a ball.
ATMOSPHERES = {
    # name: (colour, outline width, shading kind, extra)
    "atm_anim": ((120, 170, 240), 1.6, "two", None),
    "atm_oanim": ((120, 170, 240), 3.0, "outer", None),
    "atm_real": ((120, 170, 240), 0.0, "smooth", None),
    "atm_nol": ((120, 170, 240), 0.0, "flat", None),
    "atm_sil": ((150, 150, 250), 0.0, "silhouette", None),
    "atm_wire": ((120, 170, 240), 0.0, "wire", (40, 70, 150)),
    "atm_mono": ((150, 150, 250), 0.0, "wire", (150, 150, 250)),
    "atm_ranim": ((120, 170, 240), 1.4, "smooth", None),
    "atm_nol3": ((120, 170, 240), 0.0, "three", None),
    "atm_bw": ((255, 255, 255), 1.6, "bw", None),
    "atm_boka": ((120, 170, 240), 0.0, "blur", None),
    "atm_gray": ((170, 170, 170), 1.2, "smooth", None),
    "atm_anishd": ((120, 170, 240), 2.8, "two", None),
    "atm_anishds": ((120, 170, 240), 1.6, "two", "shadow"),
    "atm_nolshds": ((120, 170, 240), 0.0, "flat", "shadow"),
    "atm_anibeta": ((120, 170, 240), 1.6, "flat", None),
    "atm_gold": ((236, 190, 70), 0.0, "gold", None),
    "atm_stone": ((160, 156, 148), 0.0, "stone", None),
    "atm_animm": ((120, 170, 240), 2.2, "two", None),
}


def draw_atmosphere(name):
    colour, outline, kind, extra = ATMOSPHERES[name]
    c = Canvas(32, 32)
    cx, cy, r = 16, 15, 11
    if extra == "shadow":
        c.ellipse(19, 27, 10, 3, (60, 60, 80), alpha=0.45)
    dark = mix(colour, BLACK, 0.35)
    light = mix(colour, WHITE, 0.55)

    def shade(x, y):
        # light from the top left
        d = ((x - cx) * -0.6 + (y - cy) * -0.8) / r
        return max(-1.0, min(1.0, d))

    if kind == "flat":
        c.ellipse(cx, cy, r, r, colour)
    elif kind in ("two", "outer"):
        c.ellipse(cx, cy, r, r, lambda x, y: colour if shade(x, y) > -0.35 else dark)
    elif kind == "three":
        c.ellipse(cx, cy, r, r, lambda x, y: light if shade(x, y) > 0.45 else colour if shade(x, y) > -0.35 else dark)
    elif kind in ("smooth", "gold"):
        top = WHITE if kind == "gold" else light
        c.ellipse(cx, cy, r, r, lambda x, y: mix(dark, top, (shade(x, y) + 1) / 2))
        c.ellipse(cx - 4, cy - 4, 2.5, 2, WHITE, alpha=0.8)
    elif kind == "silhouette":
        c.ellipse(cx, cy, r, r, colour)
    elif kind == "wire":
        c.ellipse(cx, cy, r, r, WHITE if extra != colour else mix(colour, WHITE, 0.7))
        for k in (-2, -1, 0, 1, 2):
            c.ring(cx, cy, r * math.cos(math.asin(k / 3)) if k else r, r, 1.0, extra)
            c.lines([(cx - r * math.cos(math.asin(k / 3)), cy + r * k / 3),
                     (cx + r * math.cos(math.asin(k / 3)), cy + r * k / 3)], 1.0, extra)
            c.ring(cx, cy, abs(r * k / 3) + 0.01, r, 1.0, extra)
    elif kind == "bw":
        c.ellipse(cx, cy, r, r, lambda x, y: WHITE if shade(x, y) > -0.2 else BLACK)
    elif kind == "blur":
        for k in range(6, 0, -1):
            c.ellipse(cx, cy, r + k * 0.8, r + k * 0.8, colour, alpha=0.16)
        c.ellipse(cx, cy, r - 1, r - 1, colour, alpha=0.7)
    elif kind == "stone":
        c.ellipse(cx, cy, r, r, lambda x, y: mix(dark, light, (shade(x, y) + 1) / 2))
        for x, y in ((12, 11), (19, 18), (14, 20), (21, 10), (10, 16)):
            c.ellipse(x, y, 1.0, 1.0, mix(dark, BLACK, 0.3), alpha=0.7)
    if kind in ("two", "three", "flat") and outline:
        c.ellipse(cx - 4.5, cy - 4.5, 2.2, 1.6, WHITE, alpha=0.9)  # the cartoon highlight
    if outline:
        c.ring(cx, cy, r, r, outline, INK)
    save(c, "skins", name + ".png")


# ---- icons ----------------------------------------------------------------

def make_icons():
    c = Canvas(15, 15)  # 140: another colour, through the colour dialog
    hues = [RED, YELLOW, GREEN, (60, 200, 220), BLUE, (200, 80, 200)]
    for k, col in enumerate(hues):
        a0, a1 = math.radians(k * 60), math.radians(k * 60 + 60)
        pts = [(7.5, 7.5)] + [(7.5 + 7 * math.cos(a0 + (a1 - a0) * t / 8), 7.5 - 7 * math.sin(a0 + (a1 - a0) * t / 8))
                              for t in range(9)]
        c.polygon(pts, col)
    c.ellipse(7.5, 7.5, 2.5, 2.5, WHITE)
    save(c, "icons", "icon_140.png")

    for ident, colour, pts in ((141, RED, [(13, 2), (2, 13)]), (186, GREEN, [(13, 13), (2, 2)])):
        c = Canvas(15, 15)  # 141 and 186: the two special colour choices
        c.rect(1, 1, 14, 14, INK)
        c.rect(2, 2, 13, 13, WHITE)
        c.lines(pts, 1.4, colour)
        save(c, "icons", "icon_%d.png" % ident)

    c = Canvas(17, 17)  # 184: the light on the light-direction pad
    for k in range(8):
        a = k * math.pi / 4
        c.lines([(8.5 + 5.5 * math.cos(a), 8.5 + 5.5 * math.sin(a)), (8.5 + 8 * math.cos(a), 8.5 + 8 * math.sin(a))],
                1.4, (220, 150, 20))
    c.ellipse(8.5, 8.5, 4.5, 4.5, YELLOW)
    c.ring(8.5, 8.5, 4.5, 4.5, 1.0, (200, 130, 20))
    save(c, "icons", "icon_184.png")

    c = Canvas(17, 17)  # 187: a face on the figure-direction pad
    c.ellipse(8.5, 8.5, 7, 7, SKIN)
    c.ring(8.5, 8.5, 7, 7, 1.2, INK)
    c.ellipse(6, 7.5, 1.0, 1.3, INK)
    c.ellipse(11, 7.5, 1.0, 1.3, INK)
    c.ring(8.5, 10, 2.5, 1.6, 1.0, INK, start=200, sweep=140)
    save(c, "icons", "icon_187.png")

    c = Canvas(17, 17)  # 185: a composed person's head on the composer's pad
    c.ellipse(8.5, 9.5, 6, 6.5, SKIN)
    c.ring(8.5, 9.5, 6, 6.5, 1.2, INK)
    c.ring(8.5, 9.0, 6.2, 6.2, 2.6, (90, 55, 25), start=20, sweep=140)
    c.ellipse(6.2, 10, 0.9, 1.2, INK)
    c.ellipse(10.8, 10, 0.9, 1.2, INK)
    save(c, "icons", "icon_185.png")


# ---- cursors --------------------------------------------------------------

def outlined(draw):
    """Draws a cursor shape in white, wide, then in black over it."""
    c = Canvas(32, 32)
    draw(c, WHITE, 2.2)
    draw(c, BLACK, 0.0)
    return c


def cross(c, col, extra, x=15.5, y=15.5, size=9):
    c.lines([(x - size, y), (x - 2, y)], 1.2 + extra, col)
    c.lines([(x + 2, y), (x + size, y)], 1.2 + extra, col)
    c.lines([(x, y - size), (x, y - 2)], 1.2 + extra, col)
    c.lines([(x, y + 2), (x, y + size)], 1.2 + extra, col)


def double_arrow(c, col, extra, a, b):
    c.lines([a, b], 1.4 + extra, col)
    ang = math.degrees(math.atan2(-(b[1] - a[1]), b[0] - a[0]))
    for tip, direction in ((b, ang), (a, ang + 180)):
        if extra:
            c.ellipse(tip[0], tip[1], 3.5, 3.5, col)
        arrow_head(c, tip, direction, 6, col)


def make_cursors():
    spots = {}

    def keep(ident, canvas, hot):
        save(canvas, "cursors", "cursor_%d.png" % ident)
        spots[ident] = hot

    keep(164, outlined(lambda c, col, e: cross(c, col, e)), (15, 15))

    def pencil(c, col, e):
        c.lines([(4, 27), (22, 9)], 4.0 + e, col)
        c.lines([(22, 9), (26, 5)], 4.0 + e, col)
        if not e:
            c.lines([(6.5, 24.5), (21, 10)], 1.6, WHITE)
    keep(165, outlined(pencil), (3, 28))

    def dropper(c, col, e):
        c.lines([(4, 27), (17, 14)], 2.6 + e, col)
        c.lines([(15, 12), (20, 17)], 2.6 + e, col)
        c.ellipse(22, 10, 4.5 + e / 2, 4.5 + e / 2, col)
    keep(167, outlined(dropper), (3, 28))

    pose_marks = {
        168: lambda c, col, e: c.ring(23, 23, 5, 5, 1.4 + e, col, start=30, sweep=270),
        169: lambda c, col, e: double_arrow(c, col, e, (23, 16), (23, 30)),
        2018: lambda c, col, e: c.ring(23, 23, 5, 3, 1.4 + e, col),
        2019: lambda c, col, e: double_arrow(c, col, e, (16, 23), (30, 23)),
        2021: lambda c, col, e: double_arrow(c, col, e, (17, 29), (29, 17)),
        2022: lambda c, col, e: c.rect(19 - e / 2, 19 - e / 2, 27 + e / 2, 27 + e / 2, col),
    }
    for ident, mark in pose_marks.items():
        def draw(c, col, e, mark=mark):
            cross(c, col, e, 10.5, 10.5, 7)
            mark(c, col, e)
        keep(ident, outlined(draw), (10, 10))

    def control(c, col, e):
        cross(c, col, e)
        s = 4 + e / 2
        c.lines([(15.5, 15.5 - s), (15.5 + s, 15.5), (15.5, 15.5 + s), (15.5 - s, 15.5)], 1.2 + e, col, closed=True)
    keep(250, outlined(control), (15, 15))

    def rotate(c, col, e):
        c.ring(15.5, 15.5, 9, 9, 2.0 + e, col, start=100, sweep=250)
        arrow_head(c, (13, 5), 170, 7 + e, col)
    keep(286, outlined(rotate), (15, 15))
    keep(287, outlined(lambda c, col, e: double_arrow(c, col, e, (6, 6), (25, 25))), (15, 15))
    keep(291, outlined(lambda c, col, e: double_arrow(c, col, e, (4, 15.5), (27, 15.5))), (15, 15))

    def hand(c, col, e):
        for x, top in ((10, 8), (14, 5), (18, 6), (22, 9)):
            c.lines([(x, top), (x, 17)], 3.4 + e, col)
        c.lines([(6, 15), (10, 21)], 3.4 + e, col)
        c.rounded(8.5 - e / 2, 14 - e / 2, 24 + e / 2, 27 + e / 2, 4, col)
        if not e:
            c.rounded(10, 15.5, 22.5, 25.5, 3, WHITE)
    keep(374, outlined(hand), (15, 15))

    def drop(c, col, e, human=False):
        if e:
            pointer(c, 3, 2, 0.9)
        box = (16, 18, 29, 30)
        c.rect(box[0] - e / 2, box[1] - e / 2, box[2] + e / 2, box[3] + e / 2, col)
        if not e:
            c.rect(box[0] + 1.2, box[1] + 1.2, box[2] - 1.2, box[3] - 1.2, WHITE)
            if human:
                c.ellipse(22.5, 21.5, 1.8, 1.8, BLACK)
                c.polygon([(19.5, 28.5), (20.5, 24), (24.5, 24), (25.5, 28.5)], BLACK)
            else:
                c.lines([(22.5, 20.5), (22.5, 27.5)], 1.4, BLACK)
                c.lines([(19, 24), (26, 24)], 1.4, BLACK)
    keep(469, outlined(lambda c, col, e: drop(c, col, e)), (3, 2))
    keep(470, outlined(lambda c, col, e: drop(c, col, e, True)), (3, 2))

    def bucket(c, col, e):
        body = [(7, 12), (19, 6), (24, 17), (12, 23)]
        c.polygon([(x, y) for x, y in body], col) if e else c.lines(body, 1.8, col, closed=True)
        if e:
            c.lines(body, 4.0, col, closed=True)
        c.ellipse(26, 26, 2.5 + e / 2, 3.5 + e / 2, col)
    keep(1081, outlined(bucket), (26, 29))

    def frame(c, col, e):
        cross(c, col, e, 10.5, 10.5, 7)
        c.lines([(17, 19), (28, 19), (28, 28), (17, 28)], 1.2 + e, col, closed=True)
    keep(2020, outlined(frame), (10, 10))

    with open(os.path.join(ROOT, "cursors", "hotspots.txt"), "w") as f:
        f.write("".join("%d %d %d\n" % (k, x, y) for k, (x, y) in sorted(spots.items())))


# ---- pictures of the hint dialogs ------------------------------------------

PAPER = (250, 250, 246)
PAD = (220, 220, 220)
PAD_LINE = (150, 150, 150)


def hint_canvas(w, h):
    c = Canvas(w, h, ss=2, background=PAPER)
    c.lines([(1, 1), (w - 1, 1), (w - 1, h - 1), (1, h - 1)], 1.0, GREY, closed=True)
    return c


def big_arrow(c, a, b, colour, width=6):
    ang = math.degrees(math.atan2(-(b[1] - a[1]), b[0] - a[0]))
    back = (b[0] - 10 * math.cos(math.radians(ang)), b[1] + 10 * math.sin(math.radians(ang)))
    c.lines([a, back], width, colour)
    arrow_head(c, b, ang, 20, colour)


def head(c, cx, cy, r, facing):
    """A head; facing -1 left, 0 front, 1 right."""
    c.ellipse(cx, cy, r, r * 1.1, SKIN)
    c.ring(cx, cy, r, r * 1.1, 2, INK)
    c.ring(cx, cy - r * 0.25, r * 1.02, r * 0.95, r * 0.35, (90, 60, 40), start=20, sweep=140)
    if facing == 0:
        for dx in (-0.35, 0.35):
            c.ellipse(cx + dx * r, cy + 0.1 * r, r * 0.09, r * 0.13, INK)
        c.ring(cx, cy + 0.45 * r, r * 0.25, r * 0.12, 2, INK, start=200, sweep=140)
    else:
        c.ellipse(cx + facing * 0.55 * r, cy + 0.1 * r, r * 0.09, r * 0.13, INK)
        c.polygon([(cx + facing * r * 0.95, cy + 0.1 * r), (cx + facing * r * 1.2, cy + 0.35 * r),
                   (cx + facing * r * 0.95, cy + 0.45 * r)], SKIN)


def draw_angle_hint():
    """371: dragging on the direction pad turns the figure."""
    c = hint_canvas(327, 386)
    x0, y0, w, h = 44, 30, 240, 120
    c.rect(x0, y0, x0 + w, y0 + h, PAD)
    c.lines([(x0, y0), (x0 + w, y0), (x0 + w, y0 + h), (x0, y0 + h)], 1.5, PAD_LINE, closed=True)
    c.lines([(x0, y0 + h / 2), (x0 + w, y0 + h / 2)], 1.5, PAD_LINE)
    for q in (1, 2, 3):
        c.lines([(x0 + w * q / 4, y0), (x0 + w * q / 4, y0 + h)], 1.5, PAD_LINE)
    c.ring(x0 + w / 2, y0 + h / 2, w / 4, h / 2, 1.5, PAD_LINE)
    c.ellipse(x0 + w * 3 / 4, y0 + h / 2, 9, 9, SKIN)
    c.ring(x0 + w * 3 / 4, y0 + h / 2, 9, 9, 1.5, INK)
    pointer(c, x0 + w * 3 / 4 + 4, y0 + h / 2 + 4, 1.4)
    big_arrow(c, (x0 + w / 2 + 6, y0 + h / 2 - 30), (x0 + w * 3 / 4 - 14, y0 + h / 2 - 30), BLUE, 4)
    big_arrow(c, (163, 170), (163, 215), BLUE)
    head(c, 95, 300, 46, 0)
    head(c, 232, 300, 46, 1)
    big_arrow(c, (150, 300), (178, 300), RED, 5)
    save(c, "bitmaps", "bitmap_371.png")


def library_sheet(c, x0, y0, w, h):
    c.rect(x0, y0, x0 + w, y0 + h, (236, 238, 244))
    c.lines([(x0, y0), (x0 + w, y0), (x0 + w, y0 + h), (x0, y0 + h)], 1.5, GREY, closed=True)
    for k in range(3):
        tx = x0 + 10 + k * (w - 20) / 3
        c.rect(tx, y0 + 12, tx + (w - 20) / 3 - 8, y0 + 12 + (w - 20) / 3 - 8, WHITE)


def draw_swap_hint():
    """370: dropping a person, tool or expression onto a figure swaps it."""
    c = hint_canvas(400, 347)
    library_sheet(c, 20, 20, 170, 90)
    person(c, 62, 40, 2.0, GREEN)
    c.rect(200, 140, 380, 327, WHITE)
    c.lines([(200, 140), (380, 140), (380, 327), (200, 327)], 1.5, INK, closed=True)
    person(c, 290, 180, 6.0, BLUE)
    big_arrow(c, (80, 120), (250, 210), RED)
    pointer(c, 252, 212, 1.5)
    save(c, "bitmaps", "bitmap_370.png")


def draw_rotation_hint():
    """158: dragging a corner handle with the rotation tool turns the shape."""
    c = hint_canvas(343, 346)
    cx, cy = 171, 180
    ang = math.radians(20)
    corners = []
    for sx, sy in ((-1, -1), (1, -1), (1, 1), (-1, 1)):
        x, y = sx * 90, sy * 60
        corners.append((cx + x * math.cos(ang) - y * math.sin(ang), cy + x * math.sin(ang) + y * math.cos(ang)))
    c.lines([(cx - 90, cy - 60), (cx + 90, cy - 60), (cx + 90, cy + 60), (cx - 90, cy + 60)], 2, GREY, closed=True)
    c.polygon(corners, (206, 222, 246))
    c.lines(corners, 2.5, BLUE, closed=True)
    for x, y in corners:
        c.rect(x - 5, y - 5, x + 5, y + 5, WHITE)
        c.lines([(x - 5, y - 5), (x + 5, y - 5), (x + 5, y + 5), (x - 5, y + 5)], 1.5, INK, closed=True)
    c.ring(cx, cy, 140, 140, 5, RED, start=10, sweep=30)
    arrow_head(c, (cx + 140, cy + 2), -95, 20, RED)
    pointer(c, corners[2][0] + 4, corners[2][1] + 4, 1.4)
    save(c, "bitmaps", "bitmap_158.png")


def balloon(c, shapes, colour, outline):
    for kind, args in shapes:
        if kind == "oval":
            c.ring(*args, 2.5, outline)
    for kind, args in shapes:
        if kind == "oval":
            c.ellipse(*args, colour)
        else:
            c.polygon(args, colour)


def draw_balloon_hint():
    """157: ovals and polygons made into one speech balloon."""
    c = hint_canvas(273, 143)
    parts = [("oval", (60, 60, 44, 30)), ("oval", (88, 74, 30, 22)), ("tail", [(50, 80), (70, 84), (36, 122)])]
    for kind, args in parts:
        if kind == "oval":
            c.ellipse(*args, WHITE)
            c.ring(*args, 2.5, INK)
        else:
            c.polygon(args, WHITE)
            c.lines(args, 2.5, INK, closed=True)
    big_arrow(c, (124, 72), (158, 72), BLUE, 5)
    shifted = [(kind, (args[0] + 148, args[1], args[2], args[3]) if kind == "oval" else [(x + 148, y) for x, y in args])
               for kind, args in parts]
    for kind, args in shifted:
        if kind == "oval":
            c.ring(*args, 5, INK)
        else:
            c.lines(args, 5, INK, closed=True)
    balloon(c, shifted, WHITE, INK)
    save(c, "bitmaps", "bitmap_157.png")


def draw_layout_hint():
    """379: place a scene first, then swap the persons in it."""
    c = hint_canvas(500, 330)
    library_sheet(c, 20, 20, 200, 100)
    c.rect(34, 34, 82, 82, (200, 226, 250))
    c.rect(34, 66, 82, 82, (160, 200, 140))
    person(c, 58, 44, 1.5, BLUE)
    c.rect(250, 30, 480, 300, (200, 226, 250))
    c.rect(250, 220, 480, 300, (160, 200, 140))
    c.lines([(250, 30), (480, 30), (480, 300), (250, 300)], 2, INK, closed=True)
    person(c, 320, 110, 6.0, BLUE)
    person(c, 410, 110, 6.0, GREEN)
    big_arrow(c, (100, 130), (240, 170), RED)
    save(c, "bitmaps", "bitmap_379.png")


def make_hints():
    draw_angle_hint()
    draw_swap_hint()
    draw_rotation_hint()
    draw_balloon_hint()
    draw_layout_hint()


def make_skins():
    make_skin()
    for name in TOOLS:
        draw_tool(name)
    for name in ("2d_kage", "3d_lens1", "3d_lens2", "3d_lens3", "3d_lens4", "3d_show"):
        draw_bar_picture(name)
    for name in ATMOSPHERES:
        draw_atmosphere(name)
    for name in TEXT_DIALOG:
        draw_text_dialog_picture(name)


def main():
    groups = {"skins": make_skins, "icons": make_icons, "cursors": make_cursors, "hints": make_hints}
    chosen = sys.argv[1:] or list(groups)
    for name in chosen:
        if name not in groups:
            sys.exit("unknown group %r (choose from %s)" % (name, ", ".join(groups)))
    for name in chosen:
        groups[name]()


if __name__ == "__main__":
    main()
