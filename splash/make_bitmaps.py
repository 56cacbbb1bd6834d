#!/usr/bin/env python3
"""Draws the two bitmaps of the loading banner and writes them as BMP files:

- ball.bmp, 17 x 17 at 24 bits per pixel: a red ball, bright red in the
  centre and darker towards the edges, filling the square;
- mask.bmp, 459 x 59 at 32 bits per pixel: the banner, a white frame 5
  pixels wide around a dark red gradient panel, the white caption
  "Načítání UI" in the pixel font below, and five light grey dots 7 pixels
  across, 21 pixels apart, where the ball stops.

The output is the same, byte for byte, on every run.

Run it from any directory:
    python3 make_bitmaps.py [directory]   writes the files (default: here)
    python3 make_bitmaps.py --check       exits 1 unless the files here are
                                          what the script draws
"""
import math
import os
import struct
import sys

BALL_SIZE = 17
BANNER_WIDTH, BANNER_HEIGHT = 459, 59
FRAME = 5

WHITE = (255, 255, 255)
DOT_GREY = (200, 200, 200)
PANEL_TOP = (150, 16, 16)
PANEL_BOTTOM = (70, 0, 0)

CAPTION = "Načítání UI"
CAPTION_LEFT, CAPTION_TOP = 139, 21
CAPTION_RIGHT, CAPTION_BOTTOM = 206, 31

DOT_Y = 27
DOT_XS = (232, 253, 274, 295, 316)
DOT_RADIUS = 3.5

# The caption's pixel font: 11 rows per glyph, from the caps' top to the
# baseline; "#" is ink. Small letters fill the lower 7 rows, their accents
# the rows above. Glyphs stand one blank column apart.
SMALL_A = [".####.", ".....#", ".#####", "#....#", "#....#", "#...##", ".###.#"]
FONT = {
    "N": ["#......#", "##.....#", "##.....#", "#.#....#", "#..#...#", "#..#...#",
          "#...#..#", "#....#.#", "#.....##", "#.....##", "#......#"],
    "a": ["......"] * 4 + SMALL_A,
    "á": ["......", "....#.", "...#..", "......"] + SMALL_A,
    "č": ["......", ".#..#.", "..##..", "......",
          ".####.", "#....#", "#.....", "#.....", "#.....", "#....#", ".####."],
    "í": ["...", "..#", ".#.", "...", "##.", ".#.", ".#.", ".#.", ".#.", ".#.", "###"],
    "t": [".....", ".....", ".#...", ".#...",
          "####.", ".#...", ".#...", ".#...", ".#...", ".#..#", "..##."],
    "n": ["......"] * 4 + ["#.###.", "##...#", "#....#", "#....#", "#....#", "#....#", "#....#"],
    " ": ["....."] * 11,
    "U": ["#.....#"] * 10 + [".#####."],
    "I": ["###"] + [".#."] * 9 + ["###"],
}


def ball():
    """Returns rows of RGB pixels, top row first."""
    centre = (BALL_SIZE - 1) / 2
    rows = []
    for y in range(BALL_SIZE):
        row = []
        for x in range(BALL_SIZE):
            t = min(1.0, math.hypot(x - centre, y - centre) / (centre + 0.5))
            glow = round(64 * (1 - t) ** 2)
            row.append((round(255 - 155 * t), glow, glow))
        rows.append(row)
    return rows


def blend(a, b, t):
    return tuple(round(p + (q - p) * t) for p, q in zip(a, b))


def draw_caption(rows):
    x = CAPTION_LEFT
    for char in CAPTION:
        glyph = FONT[char]
        for dy, line in enumerate(glyph):
            for dx, cell in enumerate(line):
                if cell == "#":
                    rows[CAPTION_TOP + dy][x + dx] = WHITE
        x += len(glyph[0]) + 1


def draw_dots(rows):
    for cx in DOT_XS:
        for y in range(DOT_Y - 3, DOT_Y + 4):
            for x in range(cx - 3, cx + 4):
                if (x - cx) ** 2 + (y - DOT_Y) ** 2 <= DOT_RADIUS ** 2:
                    rows[y][x] = DOT_GREY


def banner():
    """Returns rows of RGB pixels, top row first."""
    rows = []
    for y in range(BANNER_HEIGHT):
        colour = blend(PANEL_TOP, PANEL_BOTTOM, (y - FRAME) / (BANNER_HEIGHT - 2 * FRAME - 1))
        rows.append([colour] * BANNER_WIDTH)
    for y in range(BANNER_HEIGHT):
        for x in range(BANNER_WIDTH):
            if min(x, y, BANNER_WIDTH - 1 - x, BANNER_HEIGHT - 1 - y) < FRAME:
                rows[y][x] = WHITE
    draw_caption(rows)
    draw_dots(rows)
    return rows


def ink_box(rows):
    """The bounding box of the white pixels inside the frame."""
    ink = [(x, y) for y, row in enumerate(rows) for x, colour in enumerate(row)
           if colour == WHITE and FRAME <= x < BANNER_WIDTH - FRAME
           and FRAME <= y < BANNER_HEIGHT - FRAME]
    xs, ys = [x for x, _ in ink], [y for _, y in ink]
    return min(xs), min(ys), max(xs), max(ys)


def bmp(rows, bits):
    """An uncompressed bottom-up BMP file: file header, info header, pixels."""
    width, height = len(rows[0]), len(rows)
    row_bytes = (width * bits // 8 + 3) // 4 * 4
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r)) if bits == 24 else bytes((b, g, r, 0))
        pixels += line + bytes(row_bytes - len(line))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(pixels),
                       2835, 2835, 0, 0)
    offset = 14 + len(info)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + bytes(pixels)


def files():
    banner_rows = banner()
    box = ink_box(banner_rows)
    assert box == (CAPTION_LEFT, CAPTION_TOP, CAPTION_RIGHT, CAPTION_BOTTOM), box
    return {"ball.bmp": bmp(ball(), 24), "mask.bmp": bmp(banner_rows, 32)}


def main(arguments):
    here = os.path.dirname(os.path.abspath(__file__))
    if arguments == ["--check"]:
        status = 0
        for name, data in files().items():
            with open(os.path.join(here, name), "rb") as committed:
                if committed.read() != data:
                    print(f"{name} differs from what make_bitmaps.py draws")
                    status = 1
        return status
    directory = arguments[0] if arguments else here
    for name, data in files().items():
        with open(os.path.join(directory, name), "wb") as out:
            out.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
