#!/usr/bin/env python3
"""Draws the application icon of quarvel (a printer with a sheet of paper)
and writes it as quarvel.ico, in 16 x 16 and 32 x 32 at 32 bits per pixel.

Run it from any directory: python3 make_icon.py [output path]
"""
import struct
import sys

PAPER = (255, 255, 255, 255)
INK = (40, 40, 40, 255)
BODY = (70, 90, 120, 255)
TRAY = (45, 60, 85, 255)
LIGHT = (90, 200, 90, 255)
CLEAR = (0, 0, 0, 0)


def draw(size):
    """Returns rows of RGBA pixels, top row first."""
    s = size / 32.0
    pixels = [[CLEAR] * size for _ in range(size)]

    def fill(x0, y0, x1, y1, colour):
        for y in range(int(y0 * s), int(y1 * s)):
            for x in range(int(x0 * s), int(x1 * s)):
                pixels[y][x] = colour

    fill(8, 2, 24, 14, PAPER)       # the sheet coming out of the printer
    for line in (5, 8, 11):          # lines of print on it
        fill(10, line, 22, line + 1, INK)
    fill(3, 13, 29, 25, BODY)        # the printer's body
    fill(6, 24, 26, 30, TRAY)        # the paper tray
    fill(24, 16, 27, 18, LIGHT)      # the power light
    return pixels


def dib(size):
    """A DIB for an icon entry: header, XOR bitmap bottom-up, AND mask."""
    pixels = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes((b, g, r, a)) for row in reversed(pixels) for (r, g, b, a) in row)
    mask_row_bytes = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_row_bytes)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + colour + bytes(mask)


def icon(sizes):
    images = [dib(size) for size in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return out + b"".join(images)


if __name__ == "__main__":
    path = sys.argv[1] if len(sys.argv) > 1 else "quarvel.ico"
    with open(path, "wb") as out:
        out.write(icon([16, 32]))
