#!/usr/bin/env python3
"""Writes the image files of the render fuzzer into fuzz/images/.

A few tiny images of each format that the native printer decodes (PNG, JPEG,
BMP, GIF, TIFF, ICO), and damaged ones: cut short, with a bad header, or
with a header that promises a huge image (a decompression bomb). The
fuzzer's scripts name them by file name. Only the standard library is used,
so that the files can be made again anywhere, the same byte for byte:

    python3 fuzz/make_images.py           writes the files
    python3 fuzz/make_images.py --check   exits 1 unless fuzz/images holds
                                          exactly the files it makes
"""

import os
import struct
import sys
import zlib

IMAGES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "images")


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def png(width, height, color_type, channels):
    """A PNG of 8-bit samples in a ramp, stored uncompressed so that every
    zlib makes the same bytes."""
    rows = [bytes((x * 40 + y * 90) % 256 for x in range(width * channels)) for y in range(height)]
    raw = b"".join(b"\0" + row for row in rows)
    header = struct.pack(">IIBBBBB", width, height, 8, color_type, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) +
            png_chunk(b"IDAT", zlib.compress(raw, 0)) + png_chunk(b"IEND", b""))


def png_header_only(width, height):
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) + png_chunk(b"IDAT", b"")


def jpeg_header(width, height):
    """The segments of a baseline grey JPEG up to its scan, with Huffman
    tables of one code each: a DC difference of 0, and the end of block."""
    def segment(marker, data):
        return b"\xff" + bytes([marker]) + struct.pack(">H", len(data) + 2) + data

    one_code = bytes([1] + [0] * 15) + b"\0"
    return (b"\xff\xd8" + segment(0xDB, b"\0" + bytes([1] * 64)) +
            segment(0xC0, struct.pack(">BHHB", 8, height, width, 1) + b"\x01\x11\x00") +
            segment(0xC4, b"\x00" + one_code) + segment(0xC4, b"\x10" + one_code) +
            segment(0xDA, b"\x01\x01\x00\x00\x3f\x00"))


def jpeg(width, height):
    """A flat mid-grey JPEG: each 8 x 8 block is the two bits of its DC
    difference of 0 and its end of block."""
    blocks = ((width + 7) // 8) * ((height + 7) // 8)
    bits = "00" * blocks
    bits += "1" * (-len(bits) % 8)
    scan = bytes(int(bits[i:i + 8], 2) for i in range(0, len(bits), 8))
    return jpeg_header(width, height) + scan + b"\xff\xd9"


def bmp_info(width, height, bits, colors=0, size=40):
    return struct.pack("<IiiHHIIiiII", size, width, height, 1, bits, 0, 0, 2835, 2835, colors, 0)


def bmp(width, height, bits, palette=b"", info=None):
    """A bottom-up BMP of `bits` per pixel, its rows padded to 4 bytes."""
    row = bytes((x * 70) % 256 for x in range((width * bits + 7) // 8))
    row += b"\0" * (-len(row) % 4)
    pixels = row * height
    info = info or bmp_info(width, height, bits, len(palette) // 4)
    offset = 14 + len(info) + len(palette)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + palette + pixels


def gif_lzw(pixels):
    """The pixels of a 2-colour GIF frame, each code a literal after a clear
    code, so that the code size never grows."""
    codes = []
    for pixel in pixels:
        codes += [4, pixel]
    codes.append(5)
    value = sum(code << (3 * i) for i, code in enumerate(codes))
    data = value.to_bytes((3 * len(codes) + 7) // 8, "little")
    return b"\x02" + bytes([len(data)]) + data + b"\0"


def gif_frame(width, height, delay=None):
    control = b""
    if delay is not None:
        control = b"\x21\xf9\x04\x04" + struct.pack("<H", delay) + b"\0\0"
    descriptor = b"," + struct.pack("<HHHHB", 0, 0, width, height, 0)
    return control + descriptor + gif_lzw([(x + y) % 2 for y in range(height) for x in range(width)])


def gif(width, height, frames):
    screen = b"GIF89a" + struct.pack("<HHBBB", width, height, 0x80, 0, 0) + b"\0\0\0\xff\xff\xff"
    return screen + b"".join(frames) + b";"


def tiff(width, height, samples, ifd_at=8, pixels=None):
    """An uncompressed little-endian TIFF of 8-bit grey or RGB samples."""
    if pixels is None:
        pixels = bytes((i * 50) % 256 for i in range(width * height * samples))
    entries = [
        (256, 4, [width]), (257, 4, [height]), (258, 3, [8] * samples), (259, 3, [1]),
        (262, 3, [2 if samples == 3 else 1]), (273, 4, [0]), (277, 3, [samples]),
        (278, 4, [height]), (279, 4, [len(pixels)]),
    ]
    ifd_size = 2 + 12 * len(entries) + 4
    extra = b""
    extra_at = 8 + ifd_size
    pixels_at = extra_at + 2 * samples
    body = b""
    for tag, kind, values in entries:
        if tag == 273:
            values = [pixels_at]
        packed = struct.pack("<" + ("H" if kind == 3 else "I") * len(values), *values)
        if len(packed) > 4:
            body += struct.pack("<HHII", tag, kind, len(values), extra_at + len(extra))
            extra += packed
        else:
            body += struct.pack("<HHI", tag, kind, len(values)) + packed.ljust(4, b"\0")
    extra = extra.ljust(2 * samples, b"\0")
    ifd = struct.pack("<H", len(entries)) + body + struct.pack("<I", 0)
    return b"II*\0" + struct.pack("<I", ifd_at) + ifd + extra + pixels


def ico(width, height, entry=None, dib_offset=22):
    """An icon of one 32-bit image, or of the directory entry `entry`."""
    xor = bytes(range(width * height * 4))
    mask = b"\0" * (((width + 31) // 32) * 4 * height)
    dib = bmp_info(width, 2 * height, 32) + xor + mask
    entry = entry or struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(dib),
                                 dib_offset)
    return struct.pack("<HHH", 0, 1, 1) + entry + dib


def images():
    rgb_png = png(3, 2, 2, 3)
    rgb_jpg = jpeg(16, 8)
    gray_tif = tiff(2, 2, 1)
    still_gif = gif(2, 2, [gif_frame(2, 2)])
    icon = ico(2, 2)
    rgb_bmp = bmp(2, 2, 24)
    return {
        "rgb.png": rgb_png,
        "rgba.png": png(2, 2, 6, 4),
        "gray.jpg": jpeg(8, 8),
        "wide.jpg": rgb_jpg,
        "rgb.bmp": rgb_bmp,
        "palette.bmp": bmp(3, 2, 8, palette=b"\0\0\0\0\xff\xff\xff\0"),
        "mono.bmp": bmp(5, 3, 1, palette=b"\0\0\0\0\xff\xff\xff\0"),
        "still.gif": still_gif,
        "anim.gif": gif(2, 2, [gif_frame(2, 2, 10), gif_frame(1, 1, 10)]),
        "gray.tif": gray_tif,
        "rgb.tif": tiff(2, 3, 3),
        "icon.ico": icon,
        # Cut short in the middle of the pixels.
        "cut.png": rgb_png[:50],
        "cut.jpg": rgb_jpg[:-4],
        "cut.bmp": rgb_bmp[:60],
        "cut.gif": still_gif[:30],
        "cut.tif": gray_tif[:40],
        "cut.ico": icon[:40],
        # Headers that lie.
        "crc.png": rgb_png[:29] + b"\0\0\0\0" + rgb_png[33:],
        "bits.bmp": bmp(2, 2, 24, info=bmp_info(2, 2, 7)),
        "header.bmp": bmp(2, 2, 24, info=bmp_info(2, 2, 24, size=0xFFFFFFF0)),
        "negative.bmp": bmp(2, 2, 24, info=bmp_info(2, -0x80000000, 24)),
        "colors.bmp": bmp(2, 2, 8, palette=b"\0" * 8, info=bmp_info(2, 2, 8, colors=0x40000000)),
        "offset.ico": ico(2, 2, dib_offset=0xFFFFFFF0),
        "far.ico": ico(2, 2, dib_offset=0x7FFFFF00),
        "size.ico": ico(2, 2, entry=struct.pack("<BBBBHHII", 2, 2, 0, 0, 1, 32, 0xFFFFFFF0, 22)),
        "zero.gif": gif(2, 2, [gif_frame(0, 0)]),
        "zeroframe.gif": gif(2, 2, [gif_frame(2, 2, 10), gif_frame(0, 2, 10)]),
        "ifd.tif": tiff(2, 2, 1, ifd_at=0x7FFFFFF0),
        # Decompression bombs: a small file that promises a huge image.
        "bomb.png": png_header_only(30000, 30000),
        "bomb.jpg": jpeg_header(65000, 65000) + b"\x0f\xff\xd9",
        "bomb.bmp": bmp(2, 2, 24, info=bmp_info(0x7FFFFFFF, 0x7FFFFFFF, 24)),
        "bomb.gif": gif(65535, 65535, [gif_frame(2, 2)]),
        "bomb.tif": tiff(100000, 100000, 1, pixels=b"\0" * 16),
        "bomb.ico": ico(2, 2, entry=struct.pack("<BBBBHHII", 0, 0, 0, 0, 1, 32, 40, 22))[:22] +
                    bmp_info(0x7FFFFFFF, 0x7FFFFFFF, 32),
    }


def check():
    made = images()
    status = 0
    for name in sorted(set(made) | set(os.listdir(IMAGES))):
        path = os.path.join(IMAGES, name)
        committed = open(path, "rb").read() if os.path.exists(path) else None
        if committed != made.get(name):
            print(f"fuzz/images/{name} differs from what make_images.py makes")
            status = 1
    return status


def main(arguments):
    if arguments == ["--check"]:
        return check()
    os.makedirs(IMAGES, exist_ok=True)
    for name, data in images().items():
        with open(os.path.join(IMAGES, name), "wb") as out:
            out.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
