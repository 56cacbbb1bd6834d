"""RGB pixel images read from binary PPM (what pdftoppm and ImageMagick's
import write) and from uncompressed BMP files (the banner's bitmaps)."""
import re
import struct


class Pixels:
    """An image of width x height RGB pixels, addressed by (x, y) from the
    top-left corner."""

    def __init__(self, width, height, rgb_bytes):
        self.width = width
        self.height = height
        self.data = rgb_bytes

    @classmethod
    def from_ppm(cls, ppm):
        """Reads a binary PPM with 8 bits per sample."""
        fields = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", ppm)
        if fields is None:
            raise ValueError("not a binary PPM with 8 bits per sample")
        return cls(int(fields.group(1)), int(fields.group(2)), memoryview(ppm)[fields.end():])

    @classmethod
    def from_bmp(cls, path):
        """Reads an uncompressed bottom-up BMP of 24 or 32 bits per pixel."""
        with open(path, "rb") as file:
            bmp = file.read()
        offset, = struct.unpack_from("<I", bmp, 10)
        width, height, _, bits = struct.unpack_from("<iiHH", bmp, 18)
        step = bits // 8
        row_bytes = (width * step + 3) // 4 * 4
        rgb = bytearray()
        for y in range(height):
            row = offset + (height - 1 - y) * row_bytes
            for x in range(width):
                blue, green, red = bmp[row + x * step:row + x * step + 3]
                rgb += bytes((red, green, blue))
        return cls(width, height, memoryview(bytes(rgb)))

    def contains(self, x, y):
        return 0 <= x < self.width and 0 <= y < self.height

    def rgb(self, x, y):
        offset = 3 * (y * self.width + x)
        return tuple(self.data[offset:offset + 3])
