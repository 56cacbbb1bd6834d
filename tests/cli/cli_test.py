"""End-to-end tests of the native quarvel as a command-line tool, run on the
built program. run.sh runs them in a private mount namespace, as root."""
import glob
import os
import re
import signal
import struct
import subprocess
import sys
import time
import unittest
import zlib

from cli_support import QUARVEL, TRY_HELP, Folder, logo_script, page_count, run

# Pixels compared: dark below this grey level, and matched within this reach
# (renderers place the edges of glyphs and scaled images a pixel apart).
INK_LEVEL = 128
INK_REACH = 2
# Two renderers may round a few glyph edge pixels the other way.
INK_SLACK = 1 / 1000


class ExitStatusTest(Folder):
    # Guards against a wrong command line that runs, or fails without saying
    # what is wrong and where help is.
    def test_wrong_command_lines_exit_2_naming_the_problem(self):
        for args, message in (([], "missing SCRIPT operand"),
                              (["--bogus", "invoice.txt"], "unrecognized option '--bogus'"),
                              (["--dpi", "fast", "invoice.txt"], "invalid argument 'fast'"),
                              (["invoice.txt", "other.txt"], "extra operand 'other.txt'")):
            self.assert_fails(run(args, self.folder), 2,
                              f"^quarvel: {re.escape(message)}.*\n{re.escape(TRY_HELP)}$")
        self.assertEqual(os.listdir(self.folder).count("MyDoc.pdf"), 0)

    # Guards against --help and --version read as script paths.
    def test_help_and_version_write_to_standard_output(self):
        help_run = run(["--help", "invoice.txt"], self.folder)
        self.assertEqual((help_run.returncode, help_run.stderr), (0, ""))
        self.assertTrue(help_run.stdout.startswith("Usage: quarvel [OPTION]... SCRIPT\n"))
        version = run(["--version"], self.folder)
        self.assertRegex(version.stdout, r"^quarvel \d+\.\d+")

    # Guards against a script that cannot be opened passing for success, and
    # against the Windows program's message moving off standard output.
    def test_script_that_cannot_be_opened_exits_1(self):
        os.mkdir(self.path("folder"))
        for script, reason in (("missing.txt", "No such file or directory"),
                               ("folder", "Is a directory")):
            self.assert_fails(run([script], self.folder), 1,
                              f"^quarvel: cannot open {script}: {reason}\n$",
                              stdout="Unable to open file")

    # Guards against a job that was not written passing for success, from an
    # option or from the environment.
    def test_job_that_cannot_be_written_exits_1(self):
        self.assert_fails(run(["-o", "/nodir/x.pdf", "invoice.txt"], self.folder), 1,
                          r"^quarvel: cannot write /nodir/x\.pdf: No such file or directory\n$")
        self.assert_fails(run(["invoice.txt"], self.folder, QUARVEL_OUTPUT="/nodir/y.pdf"), 1,
                          r"^quarvel: cannot write /nodir/y\.pdf: ")
        self.assert_fails(run(["-o", "/dev/full", "invoice.txt"], self.folder), 1,
                          r"^quarvel: cannot write /dev/full: No space left on device\n$")

    # Guards against a printer that does not exist passing for success: CUPS
    # says there is none, or there is no CUPS server to ask.
    def test_unknown_printer_exits_1(self):
        for args, variables in ((["-P", "nosuch"], {}), ([], {"QUARVEL_PRINTER": "nosuch"})):
            self.assert_fails(run(args + ["invoice.txt"], self.folder, **variables), 1,
                              r'^quarvel: (there is no printer named "nosuch"|'
                              r'cannot print to nosuch: no CUPS server at .+)\n$')


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


class InputTest(Folder):
    # Guards against "-" read as a file name: scripts are often generated.
    def test_script_from_standard_input(self):
        with open(self.path("invoice.txt"), "rb") as script:
            result = run(["-o", "piped.pdf", "-"], self.folder, stdin=script)
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        self.assertEqual(page_count(self.path("piped.pdf")), 2)

    # Guards against a decompression bomb taken into memory, or dropped
    # without a word: it is refused, named once, and the job goes on.
    def test_huge_image_is_refused_with_one_warning(self):
        header = struct.pack(">IIBBBBB", 30000, 30000, 8, 2, 0, 0, 0)
        with open(self.path("bomb.png"), "wb") as bomb:
            bomb.write(b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) + png_chunk(b"IDAT", b""))
        image = ["beginImage", "bomb.png", "0", "400", "100", "100"]
        self.write("bomb.txt", "\n".join(["x", "beginDocument", "beginPage", *image, *image,
                                          "endPage", "endDocument", ""]))
        result = run(["bomb.txt"], self.folder)
        self.assertEqual(result.returncode, 0)
        self.assertEqual(result.stderr, "quarvel: bomb.png: too large: 30000 by 30000 pixels, "
                                        "over the 67108864 in all, not drawn\n")
        with open(self.path("MyDoc.pdf"), "rb") as pdf:
            self.assertNotIn(b"/Subtype /Image", pdf.read())


class WholeJobTest(Folder):
    # Guards against a full disk leaving a truncated file, or destroying the
    # file that was there before.
    def test_full_disk_keeps_the_old_file(self):
        os.mkdir(self.path("small"))
        subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "cli-small", self.path("small")],
                       check=True)
        try:
            self.write("small/MyDoc.pdf", "old")
            self.write("many.txt", logo_script(200))
            self.assert_fails(run(["-o", "small/MyDoc.pdf", "many.txt"], self.folder), 1,
                              r"^quarvel: cannot write small/MyDoc\.pdf: No space left on device")
            self.assertEqual(os.listdir(self.path("small")), ["MyDoc.pdf"])
            with open(self.path("small", "MyDoc.pdf"), encoding="ascii") as file:
                self.assertEqual(file.read(), "old")
        finally:
            subprocess.run(["umount", self.path("small")], check=True)

    # Guards against a killed run leaving a part of a job, or no old file.
    def test_killed_run_leaves_the_old_file_whole(self):
        self.write("MyDoc.pdf", "old")
        self.write("many.txt", logo_script(3000))
        process = subprocess.Popen([QUARVEL, "many.txt"], cwd=self.folder,
                                   stdin=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(1)
        process.send_signal(signal.SIGKILL)
        process.wait()
        self.assertEqual(sorted(os.listdir(self.folder)),
                         ["MyDoc.pdf", "invoice.txt", "logo.png", "many.txt"])
        with open(self.path("MyDoc.pdf"), "rb") as file:
            whole = file.read()
        self.assertTrue(whole == b"old" or page_count(self.path("MyDoc.pdf")) == 3000)

    # Guards against a run in a chroot or container without /proc, where an
    # unnamed file cannot be named, failing to write its file at all.
    def test_without_proc_the_file_is_still_written(self):
        self.write("MyDoc.pdf", "old")
        script = 'umount -l /proc && exec "$0" invoice.txt'
        result = subprocess.run(["unshare", "--mount", "sh", "-c", script, QUARVEL],
                                cwd=self.folder, stdin=subprocess.DEVNULL, capture_output=True,
                                text=True)
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        self.assertEqual(page_count(self.path("MyDoc.pdf")), 2)
        self.assertEqual(sorted(os.listdir(self.folder)),
                         ["MyDoc.pdf", "debug.txt", "debug2.txt", "invoice.txt", "logo.png",
                          "simnpldebug2.txt"])


def gray_pixels(image):
    """(width, height, grey bytes) of an image file, on white."""
    pgm = subprocess.run(["convert", image, "-background", "white", "-flatten", "-colorspace",
                          "Gray", "-depth", "8", "pgm:-"], capture_output=True, check=True).stdout
    header = re.match(rb"P5\s+(\d+)\s+(\d+)\s+255\s", pgm)
    return int(header.group(1)), int(header.group(2)), pgm[header.end():]


def ink(width, data):
    return {(i % width, i // width) for i, level in enumerate(data) if level < INK_LEVEL}


def lonely(pixels, other):
    reach = range(-INK_REACH, INK_REACH + 1)
    return [(x, y) for x, y in pixels
            if not any((x + dx, y + dy) in other for dx in reach for dy in reach)]


class PagePicturesTest(Folder):
    DPI = "100"

    def assert_same_page(self, image, reference):
        width, height, data = gray_pixels(image)
        other_width, other_height, other_data = gray_pixels(reference)
        self.assertEqual((width, height), (other_width, other_height), image)
        ours, theirs = ink(width, data), ink(width, other_data)
        self.assertGreater(len(ours), 1000, f"{image} is nearly blank")
        for name, pixels, other in ((image, ours, theirs), (reference, theirs, ours)):
            stray = lonely(pixels, other)
            self.assertLessEqual(len(stray), INK_SLACK * len(pixels),
                                 f"{len(stray)} dark pixels of {name} have none near them on "
                                 f"the other, first {min(stray) if stray else None}")

    # Guards against PNG and SVG pages drawn in another geometry than the
    # PDF, or named other than documented.
    def test_png_and_svg_pages_match_the_pdf(self):
        for args in (["-o", "invoice.pdf"], ["-T", "png"], ["-o", "pages.svg"]):
            result = run(["--dpi", self.DPI, *args, "invoice.txt"], self.folder)
            self.assertEqual((result.returncode, result.stderr), (0, ""))
        subprocess.run(["pdftoppm", "-r", self.DPI, "-png", "invoice.pdf", "reference"],
                       cwd=self.folder, check=True)
        for page in (1, 2):
            subprocess.run(["rsvg-convert", "--dpi-x", self.DPI, "--dpi-y", self.DPI,
                            "-o", f"svg-{page}.png", f"pages-p{page}.svg"],
                           cwd=self.folder, check=True)
            for image in (f"MyDoc-p{page}.png", f"svg-{page}.png"):
                self.assert_same_page(self.path(image), self.path(f"reference-{page}.png"))
        self.assertEqual(sorted(glob.glob(self.path("MyDoc-p*.png"))),
                         [self.path("MyDoc-p1.png"), self.path("MyDoc-p2.png")])

    # Guards against a PDF file that readers must repair or refuse: broken
    # cross-references, stream lengths or object syntax, or an embedded
    # font or image that does not decode.
    def test_pdf_passes_a_structure_check(self):
        result = run(["-o", "invoice.pdf", "invoice.txt"], self.folder)
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        check = subprocess.run(["qpdf", "--check", "invoice.pdf"], cwd=self.folder,
                               capture_output=True, text=True, check=False)
        self.assertEqual(check.returncode, 0, check.stdout + check.stderr)
        self.assertIn("No syntax or stream encoding errors found", check.stdout)
        self.assertNotIn("WARNING", check.stdout + check.stderr)


class Summary(unittest.TextTestResult):
    def stopTestRun(self):
        super().stopTestRun()
        # A test whose subtests fail counts once.
        failed = len({getattr(test, "test_case", test).id()
                      for test, _ in self.failures + self.errors})
        self.stream.writeln(f"{self.testsRun - failed} passed, {failed} failed")


if __name__ == "__main__":
    # Every module of the suite, or the tests named ("output_test.OutputTest").
    names = sys.argv[1:] or ["cli_test", "output_test", "picture_test", "printer_test",
                             "editor_test"]
    unittest.main(module=None, argv=[sys.argv[0], *names],
                  testRunner=unittest.TextTestRunner(resultclass=Summary, verbosity=2))
