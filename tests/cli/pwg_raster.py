"""Reads PWG Raster streams, the pages that raster printers take: the
header of each page and its pixels."""
import struct

SYNC = b"RaS2"
HEADER_BYTES = 1796
# cupsColorSpace of the two kinds of page the program writes.
SGRAY = 18
SRGB = 19


class Page:
    """One page: its header's fields, and its pixels, line after line."""

    def __init__(self, header, pixels):
        def word(offset):
            return struct.unpack_from(">I", header, offset)[0]

        self.resolution = (word(276), word(280))
        self.width, self.height = word(372), word(376)
        self.bits_per_pixel = word(388)
        self.bytes_per_line = word(392)
        self.color_space = word(400)
        self.total_page_count = word(452)
        self.pixels = pixels


def read_pages(data):
    """The pages of the stream `data`; ValueError if it is not one."""
    if data[:4] != SYNC:
        raise ValueError(f"no PWG Raster sync word but {data[:4]!r}")
    pages, offset = [], 4
    while offset < len(data):
        header = data[offset:offset + HEADER_BYTES]
        if len(header) < HEADER_BYTES:
            raise ValueError(f"page {len(pages) + 1}: header cut at {len(header)} bytes")
        offset += HEADER_BYTES
        page = Page(header, b"")
        if page.bits_per_pixel % 8 or page.bytes_per_line != page.width * page.bits_per_pixel // 8:
            raise ValueError(f"page {len(pages) + 1}: {page.bits_per_pixel} bits per pixel "
                             f"in {page.bytes_per_line} bytes per line of {page.width} pixels")
        page.pixels, offset = decode(data, offset, page)
        pages.append(page)
    return pages


def decode(data, offset, page):
    """The pixels of `page`, whose compressed lines start at `offset`, and
    the offset after them."""
    size = page.bits_per_pixel // 8
    lines = []
    try:
        while len(lines) < page.height:
            repeat = data[offset] + 1
            offset += 1
            line = bytearray()
            while len(line) < page.bytes_per_line:
                count = data[offset]
                offset += 1
                if count == 128:
                    line += b"\xff" * (page.bytes_per_line - len(line))
                elif count < 128:
                    line += data[offset:offset + size] * (count + 1)
                    offset += size
                else:
                    literal = (257 - count) * size
                    line += data[offset:offset + literal]
                    offset += literal
            if len(line) != page.bytes_per_line:
                raise ValueError(f"line {len(lines) + 1} runs over: {len(line)} bytes")
            lines += [bytes(line)] * repeat
    except IndexError:
        raise ValueError(f"pixels cut after {len(lines)} of {page.height} lines") from None
    if len(lines) > page.height:
        raise ValueError(f"{len(lines)} lines on a page of {page.height}")
    return b"".join(lines), offset
