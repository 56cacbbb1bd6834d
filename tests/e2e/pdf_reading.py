"""Reading a printed PDF back with poppler's tools: its title and page count,
the words and lines of text with their positions and fonts, and its pages as
pixels. Positions are in device pixels of the 300-dpi printer: one PDF point
is 300/72 of them, and a page rendered at 300 dpi has one raster pixel per
device pixel."""
import html
import re
import subprocess
from dataclasses import dataclass

from pixels import Pixels

DPI = 300
PIXELS_PER_POINT = DPI / 72


# Wine's PostScript driver names the glyph of "-" so that poppler reads it
# back as a soft hyphen.
SOFT_HYPHEN = "\u00ad"


def as_printed(text):
    """`text` as poppler reports it, with the hyphens that Wine printed as
    hyphens again."""
    return html.unescape(text).replace(SOFT_HYPHEN, "-")


def run_tool(*command):
    result = subprocess.run(command, capture_output=True, check=True)
    return result.stdout


def document_info(path):
    """pdfinfo's fields, such as "Title" and "Pages", as strings."""
    info = {}
    for line in run_tool("pdfinfo", path).decode("utf-8", "replace").splitlines():
        key, _, value = line.partition(":")
        info[key.strip()] = value.strip()
    return info


@dataclass
class Word:
    text: str
    left: float
    top: float
    right: float
    bottom: float


def page_words(path, page):
    """The words of `page` (from 1) with their boxes in device pixels, in
    pdftotext's reading order."""
    xhtml = run_tool("pdftotext", "-bbox", "-f", str(page), "-l", str(page), path, "-")
    words = []
    pattern = (r'<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">'
               r"(.*?)</word>")
    for match in re.finditer(pattern, xhtml.decode("utf-8", "replace")):
        left, top, right, bottom = (float(match.group(i)) * PIXELS_PER_POINT for i in range(1, 5))
        words.append(Word(as_printed(match.group(5)), left, top, right, bottom))
    return words


@dataclass
class FontedLine:
    text: str
    left: float
    top: float
    font: str


def page_fonted_lines(path, page):
    """The lines of text of `page` as pdftohtml groups them, each with the
    full name of its font (such as LiberationSans-BoldItalic) and its
    position in device pixels."""
    xml = run_tool("pdftohtml", "-xml", "-i", "-stdout", "-q", "-fontfullname",
                   "-f", str(page), "-l", str(page), path).decode("utf-8", "replace")
    page_match = re.search(r'<page number="\d+"[^>]*width="(\d+)"', xml)
    scale = 1.0
    if page_match:
        width_points = float(page_width_points(path, page))
        scale = width_points * PIXELS_PER_POINT / float(page_match.group(1))
    fonts = dict(re.findall(r'<fontspec id="(\d+)"[^>]*family="([^"]*)"', xml))
    lines = []
    pattern = r'<text top="(-?\d+)" left="(-?\d+)"[^>]*font="(\d+)"[^>]*>(.*?)</text>'
    for match in re.finditer(pattern, xml):
        text = as_printed(re.sub(r"<[^>]+>", "", match.group(4)))
        lines.append(FontedLine(" ".join(text.split()), int(match.group(2)) * scale,
                                int(match.group(1)) * scale, fonts.get(match.group(3), "")))
    return lines


def page_width_points(path, page):
    """The width of `page` in PDF points, as pdfinfo gives it."""
    info = run_tool("pdfinfo", "-f", str(page), "-l", str(page), path).decode()
    match = re.search(r"Page\s+\d+ size:\s+([\d.]+) x", info)
    return match.group(1)


class Raster(Pixels):
    """One page rendered at 300 dpi: RGB pixels addressed by device pixel."""

    def __init__(self, path, page):
        ppm = run_tool("pdftoppm", "-r", str(DPI), "-f", str(page), "-l", str(page), path)
        image = Pixels.from_ppm(ppm)
        super().__init__(image.width, image.height, image.data)

    def is_ink(self, x, y):
        """True for a pixel that is not white (text, rules, images)."""
        offset = 3 * (y * self.width + x)
        return min(self.data[offset:offset + 3]) < 200

    def is_dark(self, x, y):
        offset = 3 * (y * self.width + x)
        return max(self.data[offset:offset + 3]) < 128
