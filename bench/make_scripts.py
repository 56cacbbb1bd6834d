#!/usr/bin/env python3
"""Writes the generated document scripts of the speed benchmarks (speed.sh).

    make_scripts.py text  MB FILE      text blocks only, 100 lines a page
    make_scripts.py tables MB FILE     an invoice page with a simple and a
                                       header table on every page
    make_scripts.py pages PAGES SIZE SCRIPT TEXT
                                       PAGES pages of 60 lines of text in one
                                       text block of font size SIZE, and the
                                       same lines as plain text in TEXT

Text is in Windows-1250, the code page scripts are read in, and lines end
in CR LF.
"""
import sys

PROLOGUE = ["pageOrientation", "portrait", "beginDocument"]
TEXT_LINE = "Page %d, line %d: Na\u010d\u00edt\u00e1n\u00ed \u017e\u00e1dost o platbu, 12.50 EUR"
PLAIN_LINE = "Page %d, line %d: the quick brown fox jumps over the lazy dog 0123456789"


def text_block(size, x, y, lines, style="normal"):
    return ["beginText", "", str(size), style, "", str(x), str(y)] + lines + ["endText"]


def text_page(page):
    lines = [TEXT_LINE % (page, line) for line in range(100)]
    return ["beginPage"] + text_block(40, 20, 780, lines) + ["endPage"]


def segment(keyword, x1, y1, x2, y2):
    return [keyword, str(x1), str(y1), str(x2), str(y2)]


def tables_page(page):
    lines = ["beginPage"] + text_block(100, 20, 780, ["Invoice %d" % page], "bold")
    lines += ["beginSimpleTable", "beginCols", "20", "700", "20", "600"]
    for x in range(60, 281, 40):
        lines += segment("beginCol", x, 700, x, 600)
    lines += ["endCols", "beginRows"]
    for y in range(700, 599, -20):
        lines += segment("beginRow", 20, y, 280, y)
    lines += ["endRows"]
    lines += text_block(40, 22, 698, ["Item %d   1 pc   12.50" % row for row in range(5)])
    lines += ["endSimpleTable", "beginHeaderTable"]
    lines += text_block(40, 20, 500, ["Total"], "italic")
    return lines + ["endHeaderTable", "endPage"]


def write_lines(out, lines):
    out.write(("\r\n".join(lines) + "\r\n").encode("cp1250"))


def write_sized(path, megabytes, page_lines):
    with open(path, "wb") as out:
        write_lines(out, PROLOGUE)
        page = 0
        while out.tell() < megabytes << 20:
            page += 1
            write_lines(out, page_lines(page))
        write_lines(out, ["endDocument"])


def write_pages(pages, size, script_path, text_path):
    with open(script_path, "wb") as script, open(text_path, "w") as text:
        write_lines(script, PROLOGUE)
        for page in range(1, pages + 1):
            lines = [PLAIN_LINE % (page, line) for line in range(1, 61)]
            write_lines(script, ["beginPage"] + text_block(size, 20, 780, lines) + ["endPage"])
            text.write("\n".join(lines) + "\n")
        write_lines(script, ["endDocument"])


def main(argv):
    kinds = {"text": text_page, "tables": tables_page}
    if len(argv) == 4 and argv[1] in kinds:
        write_sized(argv[3], int(argv[2]), kinds[argv[1]])
    elif len(argv) == 6 and argv[1] == "pages":
        write_pages(int(argv[2]), int(argv[3]), argv[4], argv[5])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
