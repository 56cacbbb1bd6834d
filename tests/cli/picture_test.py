"""End-to-end tests of one picture in every format: scripts that draw every
kind of image the native quarvel reads, at extreme sizes and positions, in
TrueType and in CFF faces, written as PDF files that the readers take
without a word, and as PNG and SVG pages that match MuPDF's rendering of
the PDF, and as raster streams with the PNG pages' pixels."""
import glob
import os
import subprocess

from PIL import Image, ImageChops

import pwg_raster
from cli_support import Folder, run

DPI = "100"
# A pixel differs when a channel is further apart than this, and a page
# agrees with the reader's when at most this share of its pixels differ:
# the two smooth images alike, and anti-alias glyph edges a little apart.
CHANNEL_REACH = 25
DIFFERING_SHARE = 0.5 / 100
# SVG pages are drawn by librsvg, whose glyph edges lie further apart.
SVG_DIFFERING_SHARE = 1 / 100
# The one message of a reader that is no fault of the file.
MUPDF_WITHOUT_ICC = "warning: ICC support is not available\n"

# The pages are drawn at 100 dpi, where the sheet is 103 by 146 of the
# script's units of text and rules (8 device pixels). The images of a page
# go in a grid of 5 by 8 squares of 1.2 inches, in the script's hundredths
# of an inch (an image is drawn 1.15 in further right and 3.55 in higher
# than given).
LEFTS = (-100, 50, 200, 350, 500)
TOPS = (380, 520, 660, 800, 940, 1080, 1220, 1360)
SIDE = 120


def quadrants(mode, size=(64, 48)):
    """A test card in `mode`: four colours and a grey ramp, so that a
    decoder that reads rows, bits or channels wrongly shows it."""
    width, height = size
    card = Image.new("RGBA", size)
    colours = ((230, 30, 30, 255), (30, 200, 60, 255), (40, 60, 220, 160), (250, 250, 250, 0))
    for y in range(height):
        for x in range(width):
            quadrant = (x >= width // 2) + 2 * (y >= height // 2)
            ramp = 255 * x // width
            card.putpixel((x, y), (ramp, ramp, ramp, 255) if y % 8 == 0 else colours[quadrant])
    return card if mode == "RGBA" else card.convert(mode)


def convert(args):
    subprocess.run(["convert", *args], check=True, capture_output=True)


def make_images(folder):
    """The image files of the scripts, by name, made by Pillow and ImageMagick."""
    def at(name):
        return os.path.join(folder, name)

    rgba = quadrants("RGBA")
    rgba.save(at("rgba.png"))
    quadrants("RGB").save(at("rgb.png"))
    quadrants("L").save(at("grey.png"))
    quadrants("1").save(at("bilevel.png"))
    quadrants("L").convert("I;16").point(lambda v: v * 257).save(at("grey16.png"))
    quadrants("LA").save(at("grey-alpha.png"))
    quadrants("RGB").quantize(16).save(at("palette4.png"), bits=4)
    quadrants("RGB").quantize(200).save(at("palette8.png"))
    quadrants("RGB").save(at("rgb-key.png"), transparency=(230, 30, 30))
    quadrants("RGB").quantize(8).save(at("palette-key.png"), transparency=0)
    convert([at("rgb.png"), "-interlace", "PNG", at("interlaced.png")])
    convert([at("rgb.png"), "-depth", "16", "PNG48:" + at("rgb16.png")])
    convert([at("rgba.png"), "-depth", "16", "PNG64:" + at("rgba16.png")])
    quadrants("RGB").save(at("rgb.jpg"), quality=95)
    quadrants("L").save(at("grey.jpg"), quality=95)
    quadrants("RGB").save(at("progressive.jpg"), quality=95, progressive=True)
    quadrants("RGB").save(at("rgb.bmp"))
    quadrants("RGB").quantize(16).save(at("palette.bmp"))
    quadrants("RGB").quantize(16).save(at("keyed.gif"), transparency=3)
    quadrants("RGB").save(at("rgb.tiff"))
    rgba.resize((256, 256)).save(at("png-entries.ico"), sizes=[(256, 256), (32, 32)])
    convert([at("rgba.png"), "-resize", "32x32", at("bitmap-entries.ico")])
    for name in ("rgb.png", "rgb.jpg", "keyed.gif"):
        with open(at(name), "rb") as whole, open(at("cut-" + name), "wb") as cut:
            data = whole.read()
            cut.write(data[:len(data) * 2 // 3])
    Image.new("RGB", (1, 1), (200, 40, 40)).save(at("dot.png"))
    halves = Image.new("RGB", (2, 1), (200, 40, 40))
    halves.putpixel((1, 0), (40, 40, 200))
    halves.save(at("halves.png"))
    for width, height in ((8192, 1), (32767, 1), (1, 32767)):
        ramp = Image.linear_gradient("L").transpose(Image.Transpose.ROTATE_90)
        ramp = ramp.resize((max(width, height), 1)).convert("RGB")
        if height > 1:
            ramp = ramp.transpose(Image.Transpose.ROTATE_270)
        ramp.save(at(f"ramp-{width}x{height}.png"))
    make_cmyk_jpegs(folder)


def make_cmyk_jpegs(folder):
    """Cyan as CMYK JPEG files: from Pillow, from ImageMagick, and Pillow's
    without Adobe's marker, which every reader reads the same way."""
    cyan = Image.new("CMYK", (64, 48), (255, 0, 0, 0))
    cyan.save(os.path.join(folder, "cmyk-pillow.jpg"), quality=95)
    convert([os.path.join(folder, "cmyk-pillow.jpg"), "-quality", "95",
             os.path.join(folder, "cmyk-magick.jpg")])
    with open(os.path.join(folder, "cmyk-pillow.jpg"), "rb") as marked:
        data = marked.read()
    start = data.index(b"\xff\xee")
    end = start + 2 + int.from_bytes(data[start + 2:start + 4], "big")
    with open(os.path.join(folder, "cmyk-unmarked.jpg"), "wb") as unmarked:
        unmarked.write(data[:start] + data[end:])


CMYK_JPEGS = ("cmyk-pillow.jpg", "cmyk-magick.jpg", "cmyk-unmarked.jpg")
KINDS = ("rgba.png", "rgb.png", "grey.png", "bilevel.png", "grey16.png", "grey-alpha.png",
         "palette4.png", "palette8.png", "rgb-key.png", "palette-key.png", "interlaced.png",
         "rgb16.png", "rgba16.png", "rgb.jpg", "grey.jpg", "progressive.jpg", *CMYK_JPEGS,
         "rgb.bmp", "palette.bmp", "keyed.gif", "rgb.tiff", "png-entries.ico",
         "bitmap-entries.ico")
DAMAGED = ("cut-rgb.png", "cut-rgb.jpg", "cut-keyed.gif")


def image(name, left, top, width=SIDE, height=SIDE):
    return ["beginImage", name, str(left), str(top), str(width), str(height)]


def text(size, x, y, *lines):
    return ["beginText", "", str(size), "normal", "", str(x), str(y), *lines, "endText"]


def grid(names):
    """Images `names` in the grid, left to right and top to bottom."""
    places = [(left, top) for top in TOPS for left in LEFTS]
    return [line for name, place in zip(names, places) for line in image(name, *place)]


def script(*pages):
    lines = ["x", "beginDocument"]
    for page in pages:
        lines += ["beginPage", *page, "endPage"]
    return "\n".join(lines + ["endDocument", ""])


# The scripts, by name; the example is the invoice, as it is.
SCRIPTS = {
    "kinds": script(grid(KINDS) + text(96, 5, 670, "Every kind: Žluťoučký kůň")),
    "damaged": script(grid(DAMAGED) + text(96, 5, 670, "Damaged images draw nothing")),
    "extremes": script(
        image("dot.png", -100, 380, 700, 300)
        + image("ramp-8192x1.png", -100, 700, 700, 20)
        + image("ramp-32767x1.png", -100, 740, 700, 20)
        + image("ramp-1x32767.png", 650, 700, 20, 500)
        + image("halves.png", -50000, 800, 100000, 40)
        + image("rgb.png", 500, 900, -300, 200)
        + image("rgb.png", 200, 1200, 0, 100)
        + image("rgb.png", 2000000000, 900, 100, 100)
        + image("rgb.png", 100, -2000000000, 100, 100),
        # Text is drawn on white, as GDI draws it, so it has a page of its own.
        text(2147483647, 10, 700, "Too tall")
        + text(60, -2000000000, 700, "Too far")
        + text(60, 1000000, 700, "Far off the sheet")
        + text(1200, -20, 780, "Huge")
        + text(60, 10, 660, "x" * 5000)),
    "example": None,
}


def differing_share(ours, theirs):
    """The share of the pixels of two equal-sized pages that differ."""
    first, second = Image.open(ours).convert("RGB"), Image.open(theirs).convert("RGB")
    if first.size != second.size:
        return 1.0
    red, green, blue = ImageChops.difference(first, second).split()
    widest = ImageChops.lighter(ImageChops.lighter(red, green), blue)
    mask = widest.point(lambda level: 255 if level > CHANNEL_REACH else 0)
    return mask.histogram()[255] / (first.width * first.height)


class PictureTest(Folder):
    def setUp(self):
        super().setUp()
        make_images(self.folder)
        for name, text_of_script in SCRIPTS.items():
            if text_of_script is not None:
                with open(self.path(name + ".txt"), "w", encoding="cp1250") as file:
                    file.write(text_of_script)
        os.rename(self.path("invoice.txt"), self.path("example.txt"))
        # Arial as a CFF face: fontconfig gives Nimbus Sans for it.
        with open(self.path("cff.conf"), "w", encoding="ascii") as conf:
            conf.write(f"""<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <dir>/usr/share/fonts/opentype/urw-base35</dir>
  <cachedir>{self.path("fontconfig")}</cachedir>
  <match target="pattern">
    <test name="family"><string>Arial</string></test>
    <edit name="family" mode="assign" binding="strong"><string>Nimbus Sans</string></edit>
  </match>
</fontconfig>
""")

    def quarvel(self, args, faces):
        variables = {"FONTCONFIG_FILE": self.path("cff.conf")} if faces == "cff" else {}
        return run(["--dpi", DPI, *args], self.folder, **variables)

    def reader(self, args):
        return subprocess.run(args, cwd=self.folder, capture_output=True, text=True, check=False)

    def each_pdf(self):
        """(script name, faces, PDF file) of every script in both faces,
        written with a warning for each damaged image and no other."""
        for faces in ("truetype", "cff"):
            for name in SCRIPTS:
                pdf = f"{name}-{faces}.pdf"
                result = self.quarvel(["-o", pdf, name + ".txt"], faces)
                warnings = "".join(f"quarvel: {image}: damaged: its data cannot all be read, "
                                   "not drawn\n" for image in DAMAGED if name == "damaged")
                self.assertEqual((result.returncode, result.stderr), (0, warnings))
                yield name, faces, pdf

    # Guards against PDF files that a reader must repair, warns about or
    # fills in its own way: damaged image data embedded, numbers a reader
    # refuses, a font program or an image that does not decode, and against
    # CFF faces sent elsewhere than into the writer's own fonts.
    def test_every_pdf_passes_the_readers_without_a_warning(self):
        for name, faces, pdf in self.each_pdf():
            with self.subTest(script=name, faces=faces):
                check = self.reader(["qpdf", "--check", pdf])
                self.assertEqual(check.returncode, 0, check.stdout + check.stderr)
                self.assertNotIn("WARNING", check.stdout + check.stderr)
                mupdf = self.reader(["mutool", "draw", "-q", "-r", "50", "-o", "mupdf-%d.png", pdf])
                self.assertEqual((mupdf.returncode, mupdf.stderr.replace(MUPDF_WITHOUT_ICC, "")),
                                 (0, ""))
                poppler = self.reader(["pdftoppm", "-r", "50", "-png", pdf, "poppler"])
                self.assertEqual((poppler.returncode, poppler.stderr), (0, ""))
                fonts = self.reader(["pdffonts", pdf]).stdout.splitlines()[2:]
                kind = "CID Type 0C" if faces == "cff" else "CID TrueType"
                self.assertTrue(fonts and all(kind in font and "yes yes yes" in font
                                              for font in fonts), fonts)

    # Guards against PNG and SVG pages that draw an image otherwise than the
    # PDF readers: blurred, spilling out of its rectangle, missing, or in
    # other colours; and against a damaged image drawn in part.
    def test_png_and_svg_pages_match_mupdfs_rendering_of_the_pdf(self):
        for name, faces, pdf in self.each_pdf():
            with self.subTest(script=name, faces=faces):
                for format_ in ("png", "svg"):
                    self.quarvel(["-o", f"{name}-{faces}.{format_}", name + ".txt"], faces)
                for old in glob.glob(self.path("mupdf-*.png")):
                    os.remove(old)
                subprocess.run(["mutool", "draw", "-q", "-r", DPI, "-o", "mupdf-%d.png", pdf],
                               cwd=self.folder, check=True, capture_output=True)
                pages = len(glob.glob(self.path("mupdf-*.png")))
                for number in range(1, pages + 1):
                    page = self.path(f"{name}-{faces}-p{number}")
                    subprocess.run(["rsvg-convert", "-b", "white", "--dpi-x", DPI, "--dpi-y", DPI,
                                    "-o", page + "-svg.png", page + ".svg"], check=True)
                    for drawn, most in ((page + ".png", DIFFERING_SHARE),
                                        (page + "-svg.png", SVG_DIFFERING_SHARE)):
                        share = differing_share(drawn, self.path(f"mupdf-{number}.png"))
                        self.assertLessEqual(share, most, drawn)
                self.assertFalse(os.path.exists(self.path(f"{name}-{faces}-p{pages + 1}.png")))

    # Guards against raster stream pages whose bands lose, shift or repeat
    # what is drawn across them, and against landscape pages not turned a
    # quarter counterclockwise onto upright paper, as printers feed it.
    # Turned pages are drawn turned, so their smoothed edges differ a little.
    def test_raster_stream_pages_are_the_png_pages_landscape_ones_turned(self):
        for name in SCRIPTS:
            for orientation in ("portrait", "landscape"):
                with self.subTest(script=name, orientation=orientation):
                    for format_ in ("png", "pwg"):
                        result = self.quarvel(["--orientation", orientation, "-T", format_,
                                               "-o", f"{name}.{format_}", name + ".txt"],
                                              "truetype")
                        self.assertEqual(result.returncode, 0, result.stderr)
                    with open(self.path(name + ".pwg"), "rb") as stream:
                        pages = pwg_raster.read_pages(stream.read())
                    for number, page in enumerate(pages, 1):
                        png = Image.open(self.path(f"{name}-p{number}.png")).convert("RGB")
                        ours = Image.frombytes("RGB", (page.width, page.height), page.pixels)
                        if orientation == "portrait":
                            self.assertEqual(ours.size, png.size)
                            self.assertIsNone(ImageChops.difference(ours, png).getbbox(),
                                              f"page {number}")
                            continue
                        ours.save(self.path("stream.png"))
                        png.rotate(90, expand=True).save(self.path("turned.png"))
                        share = differing_share(self.path("stream.png"), self.path("turned.png"))
                        self.assertLessEqual(share, DIFFERING_SHARE, f"page {number}")
                    self.assertFalse(os.path.exists(self.path(f"{name}-p{len(pages) + 1}.png")))

    # Guards against a CMYK JPEG read one way by the PDF readers and the
    # other way by the loader: cyan, whichever program made it.
    def test_cmyk_jpegs_read_alike_in_every_format(self):
        self.write("cmyk.txt", script(grid(CMYK_JPEGS)))
        self.quarvel(["-o", "cmyk.pdf", "cmyk.txt"], "truetype")
        self.quarvel(["-T", "png", "cmyk.txt"], "truetype")
        self.reader(["mutool", "draw", "-q", "-r", DPI, "-o", "mupdf.png", "cmyk.pdf"])
        for page in ("MyDoc-p1.png", "mupdf.png"):
            pixels = Image.open(self.path(page)).convert("RGB")
            for column, name in enumerate(CMYK_JPEGS):
                middle = (LEFTS[column] + 115 + SIDE // 2, TOPS[0] - 355 + SIDE // 2)
                red, green, blue = pixels.getpixel(middle)
                self.assertTrue(red < 64 < 192 < min(green, blue),
                                f"{name} in {page}: {(red, green, blue)}, not cyan")
