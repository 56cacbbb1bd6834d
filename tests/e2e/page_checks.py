"""Checks of one printed page against the figures a case expects of it.

A page's figures (all in device pixels of the 300-dpi printer, y downward):
  "text":   lines {"text", "at": [x, y], "size", "style"}, where "at" is the
            top-left corner of the text's cell, "size" the font height that
            the script asked for and "style" its style word;
  "rules":  segments [x1, y1, x2, y2];
  "images": {"rect": [x, y, width, height], "picture": "quad"}, the fixture
            picture tests/e2e/images/quad.* scaled into the rectangle.
Besides these, the page must hold no other word and no ink that none of
them explains. Each check returns a list of messages, empty when it holds.
"""
import math

from pdf_reading import Raster, page_fonted_lines, page_words

# The point given for a text line is the top-left corner of its cell, while
# pdftotext reports the top of the glyphs, which lies lower by the font's
# internal leading and the gap between the ascent that GDI gives the font
# and the one poppler reads from the PDF: 0.19 em for Arial as Wine prints
# it. The em is the size itself for a negative size (a character height)
# and the size over Arial's cell height of 1.117 em for a positive one.
POSITION_TOLERANCE = 3
GLYPH_TOP_PER_EM = 0.19
CELL_HEIGHT_PER_EM = 1.117
RULE_STEP = 4
INK_STEP = 4
INK_MARGIN = 6

# The fixture picture: red above blue in the left half, green in the right
# half. Points given as fractions of the rectangle.
QUAD_SAMPLES = [((0.25, 0.25), (255, 0, 0)), ((0.25, 0.75), (0, 0, 255)),
                ((0.75, 0.25), (0, 255, 0)), ((0.75, 0.75), (0, 255, 0))]
COLOUR_TOLERANCE = 60


def check_page(pdf, page, figures):
    words = page_words(pdf, page)
    raster = Raster(pdf, page)
    lines = figures.get("text", [])
    rules = figures.get("rules", [])
    images = figures.get("images", [])
    return (check_words_are_expected(words, lines) +
            [message for line in lines for message in check_text_line(words, line)] +
            check_styles(pdf, page, lines) +
            [message for rule in rules for message in check_rule(raster, rule)] +
            [message for image in images for message in check_image(raster, image)] +
            check_no_stray_ink(raster, words, rules, images))


def describe_line(line):
    return f"text {line['text']!r} at {tuple(line['at'])}"


def check_words_are_expected(words, lines):
    expected = sorted(word for line in lines for word in line["text"].split())
    found = sorted(word.text for word in words)
    if expected == found:
        return []
    return [f"words on the page: expected {expected}, found {found}"]


def em_height(size):
    return -size if size < 0 else size / CELL_HEIGHT_PER_EM


def top_window(line):
    """The range in which pdftotext's top of the line's glyphs may lie."""
    top = line["at"][1] + GLYPH_TOP_PER_EM * em_height(line["size"])
    return top - POSITION_TOLERANCE, top + POSITION_TOLERANCE


def is_placed_as(word, line):
    low, high = top_window(line)
    return abs(word.left - line["at"][0]) <= POSITION_TOLERANCE and low <= word.top <= high


def line_starts_at(words, index, expected_words):
    """True when the words from `index` on are `expected_words`, on one
    baseline."""
    run = words[index:index + len(expected_words)]
    return ([word.text for word in run] == expected_words and
            all(abs(word.top - run[0].top) < 1 for word in run))


def check_text_line(words, line):
    expected_words = line["text"].split()
    if not expected_words:
        return []
    for index, word in enumerate(words):
        if is_placed_as(word, line) and line_starts_at(words, index, expected_words):
            return []
    near = [f"{word.text!r} at ({word.left:.0f}, {word.top:.0f})"
            for word in words if word.text == expected_words[0]]
    low, high = top_window(line)
    return [f"{describe_line(line)}: expected its first word at x {line['at'][0]}, "
            f"glyph top in [{low:.0f}, {high:.0f}]; found {near or 'no such word'}"]


def font_has_style(font, style):
    bold = style in ("bold", "bolditalic")
    italic = style in ("italic", "bolditalic")
    return (("Bold" in font) == bold and
            (("Italic" in font) or ("Oblique" in font)) == italic)


def check_styles(pdf, page, lines):
    styled = [line for line in lines if "style" in line and line["text"].strip()]
    if not styled:
        return []
    fonted = page_fonted_lines(pdf, page)
    messages = []
    for line in styled:
        candidates = [found for found in fonted if found.text == " ".join(line["text"].split())]
        if not candidates:
            messages.append(f"{describe_line(line)}: pdftohtml shows no such line")
            continue
        nearest = min(candidates, key=lambda found: abs(found.top - line["at"][1]))
        if not font_has_style(nearest.font, line["style"]):
            messages.append(f"{describe_line(line)}: expected style {line['style']!r}, "
                            f"printed in font {nearest.font!r}")
    return messages


def segment_points(rule, step):
    x1, y1, x2, y2 = rule
    count = max(1, math.ceil(max(abs(x2 - x1), abs(y2 - y1)) / step))
    return [(round(x1 + (x2 - x1) * i / count), round(y1 + (y2 - y1) * i / count))
            for i in range(count + 1)]


def has_dark_pixel_near(raster, x, y, reach=1):
    """True when a dark pixel lies within `reach` pixels of (x, y) on both
    axes."""
    around = range(-reach, reach + 1)
    return any(raster.contains(x + dx, y + dy) and raster.is_dark(x + dx, y + dy)
               for dx in around for dy in around)


def check_rule(raster, rule):
    points = [point for point in segment_points(rule, RULE_STEP) if raster.contains(*point)]
    if not points:
        return [f"rule {tuple(rule)}: lies off the page, which no case should expect"]
    missing = [point for point in points if not has_dark_pixel_near(raster, *point)]
    if not missing:
        return []
    return [f"rule {tuple(rule)}: no dark pixel at {len(missing)} of {len(points)} points "
            f"along it, first at {missing[0]}"]


def colour_matches(found, expected):
    return all(abs(a - b) <= COLOUR_TOLERANCE for a, b in zip(found, expected))


def ink_bounds(raster, left, top, right, bottom):
    """The bounding box (inclusive) of the ink pixels within the given box,
    or None when it holds none."""
    xs, ys = [], []
    for y in range(max(top, 0), min(bottom, raster.height - 1) + 1):
        for x in range(max(left, 0), min(right, raster.width - 1) + 1):
            if raster.is_ink(x, y):
                xs.append(x)
                ys.append(y)
    if not xs:
        return None
    return (min(xs), min(ys), max(xs), max(ys))


def visible_part(raster, rect):
    """The inclusive box of `rect` that lies on the page."""
    x, y, width, height = rect
    return (max(x, 0), max(y, 0), min(x + width, raster.width) - 1,
            min(y + height, raster.height) - 1)


def check_image(raster, image):
    x, y, width, height = image["rect"]
    messages = []
    for (fx, fy), colour in QUAD_SAMPLES:
        point = (round(x + fx * width), round(y + fy * height))
        if raster.contains(*point) and not colour_matches(raster.rgb(*point), colour):
            messages.append(f"image {tuple(image['rect'])}: expected colour {colour} at "
                            f"{point}, found {raster.rgb(*point)}")
    margin = 12
    found = ink_bounds(raster, x - margin, y - margin, x + width + margin, y + height + margin)
    expected = visible_part(raster, image["rect"])
    if found is None or any(abs(a - b) > 2 for a, b in zip(found, expected)):
        messages.append(f"image {tuple(image['rect'])}: expected ink from {expected[:2]} to "
                        f"{expected[2:]}, found {found}")
    return messages


def near_segment(x, y, rule, distance):
    x1, y1, x2, y2 = rule
    dx, dy = x2 - x1, y2 - y1
    length_squared = dx * dx + dy * dy
    t = 0 if length_squared == 0 else max(0, min(1, ((x - x1) * dx + (y - y1) * dy) /
                                               length_squared))
    return math.hypot(x - (x1 + t * dx), y - (y1 + t * dy)) <= distance


def explained(x, y, words, rules, images):
    def in_box(left, top, right, bottom, margin):
        return left - margin <= x <= right + margin and top - margin <= y <= bottom + margin

    return (any(in_box(w.left, w.top, w.right, w.bottom, INK_MARGIN + 0.2 * (w.bottom - w.top))
                for w in words) or
            any(near_segment(x, y, rule, INK_MARGIN) for rule in rules) or
            any(in_box(i["rect"][0], i["rect"][1], i["rect"][0] + i["rect"][2],
                       i["rect"][1] + i["rect"][3], INK_MARGIN) for i in images))


def check_no_stray_ink(raster, words, rules, images):
    stray = [(x, y)
             for y in range(0, raster.height, INK_STEP)
             for x in range(0, raster.width, INK_STEP)
             if raster.is_ink(x, y) and not explained(x, y, words, rules, images)]
    if not stray:
        return []
    return [f"ink that no expected text, rule or image explains at {len(stray)} sampled "
            f"pixels, first at {stray[0]}"]
