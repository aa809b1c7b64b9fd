#!/usr/bin/env python3
"""Draws the racing signal flags of the Picture tool into resources/Flags (small PNG files).

The build copies that folder beside the program; run this script again only to change the
pictures. Python's standard library is all it needs.
"""
import os
import struct
import sys
import zlib

W, H = 60, 40          # a flag, 3:2, in pixels (one boat length is 90 units at size 1)
SAMPLES = 4            # per pixel and axis: smooth edges
OUTLINE = (64, 64, 64)  # so that white flags show on the white sea

RED = (206, 17, 38)
BLUE = (0, 56, 168)
YELLOW = (255, 204, 0)
WHITE = (255, 255, 255)
BLACK = (24, 24, 24)
ORANGE = (255, 122, 0)


# Shapes: a shape gives the colour at (x, y), or None outside the flag.
def field(colour):
    return lambda x, y: colour


def rectangle(x0, y0, x1, y1, colour, under):
    return lambda x, y: colour if x0 <= x < x1 and y0 <= y < y1 else under(x, y)


def disc(cx, cy, r, colour, under):
    return lambda x, y: colour if (x - cx) ** 2 + (y - cy) ** 2 <= r * r else under(x, y)


def quarters(top_left, top_right, bottom_left, bottom_right):
    def shape(x, y):
        if y < H / 2:
            return top_left if x < W / 2 else top_right
        return bottom_left if x < W / 2 else bottom_right
    return shape


def clipped(outline, shape):
    """Shape inside the polygon Outline only."""
    def inside(x, y):
        n, hit = len(outline), False
        for i in range(n):
            (ax, ay), (bx, by) = outline[i], outline[(i + 1) % n]
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                hit = not hit
        return hit
    return lambda x, y: shape(x, y) if inside(x, y) else None


SWALLOWTAIL = [(0, 0), (W, 0), (W * 3 / 4, H / 2), (W, H), (0, H)]
PENNANT = [(0, 0), (W, H / 2), (0, H)]
TAPERED = [(0, 0), (W, H * 0.35), (W, H * 0.65), (0, H)]


def layered(top, under):
    return lambda x, y: top(x, y) or under(x, y)


def stripes_across(colours):
    return lambda x, y: colours[min(int(y * len(colours) / H), len(colours) - 1)]


def stripes_along(colours):
    return lambda x, y: colours[min(int(x * len(colours) / W), len(colours) - 1)]


def zulu(x, y):
    # Four triangles meeting in the middle: yellow above, black at the hoist, red below, blue at the fly.
    u, v = (x - W / 2) / W, (y - H / 2) / H
    if abs(u) > abs(v):
        return BLACK if u < 0 else BLUE
    return YELLOW if v < 0 else RED


def saltire(x, y):
    u, v = x / W, y / H
    return WHITE if min(abs(u - v), abs(u + v - 1)) < 0.1 else BLUE


def diagonal_stripes(x, y):
    return YELLOW if int((x - y * W / H + W) / (W / 5)) % 2 == 0 else RED


def checks(x, y):
    return BLUE if (int(x * 4 / W) + int(y * 4 / H)) % 2 == 0 else WHITE


def class_flag(x, y):
    # A boat under sail on white: the sign of a class, for whichever class races.
    if 14 <= x <= 46 and 29 <= y <= 33 and x - 14 >= (y - 29) * 0.6 and 46 - x >= (y - 29) * 0.6:
        return BLUE
    if 30 <= x <= 44 and 6 <= y <= 27 and (x - 30) <= (y - 6) * 14 / 21:
        return BLUE
    if 20 <= x <= 29 and 10 <= y <= 27 and (29 - x) <= (y - 10) * 9 / 17:
        return BLUE
    return WHITE


FLAGS = {
    "P": rectangle(W / 3, H / 4, 2 * W / 3, 3 * H / 4, WHITE, field(BLUE)),
    "I": disc(W / 2, H / 2, H / 4, BLACK, field(YELLOW)),
    "Z": zulu,
    "U": quarters(RED, WHITE, WHITE, RED),
    "Black": field(BLACK),
    "X": rectangle(W / 2 - 4, 0, W / 2 + 4, H, BLUE, rectangle(0, H / 2 - 4, W, H / 2 + 4, BLUE, field(WHITE))),
    "First substitute": layered(clipped([(6, 7), (W - 16, H / 2), (6, H - 7)], field(YELLOW)),
                                clipped(PENNANT, field(BLUE))),
    "AP": clipped(TAPERED, stripes_along([RED, WHITE, RED, WHITE, RED])),
    "N": checks,
    "S": rectangle(W / 3, H / 4, 2 * W / 3, 3 * H / 4, BLUE, field(WHITE)),
    "L": quarters(YELLOW, BLACK, BLACK, YELLOW),
    "Y": diagonal_stripes,
    "C": stripes_across([BLUE, WHITE, RED, WHITE, BLUE]),
    "M": saltire,
    "A": clipped(SWALLOWTAIL, lambda x, y: WHITE if x < W / 2 else BLUE),
    "B": clipped(SWALLOWTAIL, field(RED)),
    "H": lambda x, y: WHITE if x < W / 2 else RED,
    "Orange": field(ORANGE),
    "Blue": field(BLUE),
    "Class": class_flag,
}


def draw(shape):
    """RGBA rows; each pixel the mean of its samples, a sample next to the outside in the outline colour."""
    rows = []
    for py in range(H):
        row = bytearray()
        for px in range(W):
            r = g = b = a = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x, y = px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES
                    colour = shape(x, y)
                    if colour is None:
                        continue
                    edge = any(not (0 <= x + dx < W and 0 <= y + dy < H) or shape(x + dx, y + dy) is None
                               for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
                    if edge:
                        colour = OUTLINE
                    r, g, b, a = r + colour[0], g + colour[1], b + colour[2], a + 1
            n = SAMPLES * SAMPLES
            row += bytes((r // a, g // a, b // a, 255 * a // n) if a else (0, 0, 0, 0))
        rows.append(bytes(row))
    return rows


def png(rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    raw = b"".join(b"\0" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "resources", "Flags")
    os.makedirs(folder, exist_ok=True)
    for name, shape in FLAGS.items():
        with open(os.path.join(folder, name + ".png"), "wb") as f:
            f.write(png(draw(shape)))
    print(f"{len(FLAGS)} flags in {os.path.normpath(folder)}")


if __name__ == "__main__":
    main()
