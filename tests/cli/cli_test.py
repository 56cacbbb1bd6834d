"""End-to-end tests of the native quarvel as a command-line tool, run on the
built program. run.sh runs them in a private mount namespace, as root."""
import glob
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zlib

from cli_support import (QUARVEL, TRY_HELP, Folder, free_port, listens, logo_script, page_count,
                         run, wait_until)

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

    # Guards against a printer that does not exist passing for success.
    def test_unknown_printer_exits_1(self):
        for args, variables in ((["-P", "nosuch"], {}), ([], {"QUARVEL_PRINTER": "nosuch"})):
            self.assert_fails(run(args + ["invoice.txt"], self.folder, **variables), 1,
                              r'^quarvel: there is no printer named "nosuch"\n$')


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


class Services:
    """Processes that a test started, stopped by their ids."""

    def __init__(self):
        self.pids = []

    def start(self, args, **options):
        process = subprocess.Popen(args, stdin=subprocess.DEVNULL, **options)
        self.pids.append(process.pid)
        return process

    def add_pid(self, pid):
        self.pids.append(pid)

    def stop(self):
        for pid in reversed(self.pids):
            try:
                os.kill(pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
            try:
                os.waitpid(pid, 0)
            except ChildProcessError:
                pass


AVAHI_CONF = """[server]
use-ipv4=yes
use-ipv6=no
allow-interfaces=lo
enable-dbus=yes
[wide-area]
enable-wide-area=no
[publish]
disable-publishing=yes
"""


class IppTest(Folder):
    """ippeveprinter on a loopback port. It needs DNS-SD, so an mDNS daemon
    runs on a private system bus, limited to the loopback interface, which
    carries no multicast: it sends nothing."""

    @classmethod
    def setUpClass(cls):
        cls.run_dir = tempfile.mkdtemp(prefix="quarvel-ipp-")
        cls.services = Services()
        try:
            cls.start_printer()
        except BaseException:
            cls.tearDownClass()
            raise

    @classmethod
    def start_printer(cls):
        bus = subprocess.run(["dbus-daemon", "--system", "--fork", "--print-pid"],
                             capture_output=True, text=True, check=True)
        cls.services.add_pid(int(bus.stdout.split()[0]))
        conf = os.path.join(cls.run_dir, "avahi-daemon.conf")
        with open(conf, "w", encoding="ascii") as file:
            file.write(AVAHI_CONF)
        cls.services.start(["avahi-daemon", "--no-drop-root", "--no-chroot", "-f", conf],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_until(lambda: os.path.exists("/run/avahi-daemon/pid"), "avahi-daemon")
        cls.spool = os.path.join(cls.run_dir, "spool")
        os.mkdir(cls.spool)
        cls.port = free_port()
        log = open(os.path.join(cls.run_dir, "ippeveprinter.log"), "w", encoding="ascii")
        cls.services.start(["ippeveprinter", "-r", "off", "-p", str(cls.port), "-d", cls.spool,
                            "-k", "-f", "application/pdf", "QuarvelTest"],
                           stdout=log, stderr=log)
        log.close()
        wait_until(lambda: listens(cls.port), "ippeveprinter to listen")

    @classmethod
    def tearDownClass(cls):
        cls.services.stop()
        shutil.rmtree(cls.run_dir, ignore_errors=True)

    # Guards against a job that does not reach an IPP printer whole, named
    # and typed as the program's jobs are.
    def test_invoice_reaches_the_printer_as_one_pdf_job(self):
        uri = f"ipp://127.0.0.1:{self.port}/ipp/print"
        result = run(["-P", uri, "invoice.txt"], self.folder)
        self.assertEqual((result.returncode, result.stdout, result.stderr), (0, "", ""))
        wait_until(lambda: "job-name (name" in self.completed_jobs(uri), "the job to complete")
        self.assertRegex(self.completed_jobs(uri), r"job-name \(nameWithoutLanguage\) = MyDoc\n")
        jobs = os.listdir(self.spool)
        self.assertEqual(len(jobs), 1, jobs)
        with open(os.path.join(self.spool, jobs[0]), "rb") as job:
            self.assertEqual(job.read(5), b"%PDF-")
        self.assertEqual(page_count(os.path.join(self.spool, jobs[0])), 2)

    @staticmethod
    def completed_jobs(uri):
        """The printer's answer to Get-Jobs for its completed jobs."""
        return subprocess.run(["ipptool", "-tv", uri, "get-completed-jobs.test"],
                              capture_output=True, text=True, check=False).stdout

    # Guards against a printer that cannot be reached passing for success.
    def test_uri_where_nothing_listens_exits_1(self):
        uri = f"ipp://127.0.0.1:{free_port()}/ipp/print"
        self.assert_fails(run(["-P", uri, "invoice.txt"], self.folder), 1,
                          f"^quarvel: cannot print to {re.escape(uri)}: ")


CUPS_FILES_CONF = """ServerRoot {dir}
RequestRoot {dir}/spool
TempDir {dir}/spool/tmp
CacheDir {dir}/cache
StateDir {dir}/state
AccessLog {dir}/log/access_log
ErrorLog {dir}/log/error_log
PageLog {dir}/log/page_log
Printcap {dir}/printcap
ServerBin /usr/lib/cups
DataDir /usr/share/cups
SystemGroup root
FileDevice Yes
"""

# Requests of more than 8 KiB are refused: the job's creation passes, the
# transfer of its document fails midway.
CUPSD_CONF = """LogLevel info
Listen {dir}/cups.sock
Browsing No
WebInterface No
MaxRequestSize 8k
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
"""


class CupsTransferTest(Folder):
    """A cupsd of the test's own, on a local socket, whose queue takes jobs
    but refuses their documents midway."""

    def setUp(self):
        super().setUp()
        self.services = Services()
        self.addCleanup(self.services.stop)
        cups = self.path("cups")
        for folder in ("spool/tmp", "cache", "state", "log"):
            os.makedirs(os.path.join(cups, folder))
        for name, text in (("cups-files.conf", CUPS_FILES_CONF), ("cupsd.conf", CUPSD_CONF)):
            with open(os.path.join(cups, name), "w", encoding="ascii") as file:
                file.write(text.format(dir=cups))
        self.cups_env = {"CUPS_SERVER": os.path.join(cups, "cups.sock"), "HOME": cups}
        self.services.start(["cupsd", "-f", "-c", os.path.join(cups, "cupsd.conf"),
                             "-s", os.path.join(cups, "cups-files.conf")],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_until(lambda: self.cups(["lpstat", "-r"]).returncode == 0, "cupsd to listen")
        wait_until(lambda: self.cups(["lpadmin", "-p", "Refusing", "-E", "-v", "file:///dev/null",
                                      "-m", "raw"]).returncode == 0, "lpadmin to add the queue")

    def cups(self, args):
        return subprocess.run(args, env=dict(os.environ, **self.cups_env), capture_output=True,
                              text=True, check=False)

    # Guards against a job left half in the queue when its transfer fails.
    def test_job_whose_transfer_fails_is_cancelled(self):
        result = run(["-P", "Refusing", "invoice.txt"], self.folder, **self.cups_env)
        self.assert_fails(result, 1, r"^quarvel: cannot print to Refusing: ")
        self.assertEqual(self.cups(["lpstat", "-W", "not-completed", "-o"]).stdout, "")
        self.assertRegex(self.cups(["lpstat", "-W", "completed", "-o"]).stdout, r"^Refusing-1 ")


class Summary(unittest.TextTestResult):
    def stopTestRun(self):
        super().stopTestRun()
        # A test whose subtests fail counts once.
        failed = len({getattr(test, "test_case", test).id()
                      for test, _ in self.failures + self.errors})
        self.stream.writeln(f"{self.testsRun - failed} passed, {failed} failed")


if __name__ == "__main__":
    # Every module of the suite, or the tests named ("output_test.OutputTest").
    names = sys.argv[1:] or ["cli_test", "output_test", "picture_test", "editor_test"]
    unittest.main(module=None, argv=[sys.argv[0], *names],
                  testRunner=unittest.TextTestRunner(resultclass=Summary, verbosity=2))
