"""End-to-end tests of the native quarvel's printing: to ippeveprinter as a
PDF, a PWG Raster and a URF printer, the printers that DNS-SD announces, a
private cupsd whose queue refuses documents midway, and, for the faults
that no real printer shows on demand, small servers of the tests' own: one
that drops the connection, one that never answers, one that is busy, one
that cuts or stalls an upload on its way to the real printer."""
import contextlib
import csv
import os
import re
import shutil
import signal
import socket
import socketserver
import struct
import subprocess
import tempfile
import threading

from PIL import Image, ImageChops

import pwg_raster
from cli_support import (QUARVEL, RUN_SECONDS, START_SECONDS, Folder, free_port, listens,
                         logo_script, page_count, run, wait_until)

# The mDNS daemon publishes, but only on the loopback interface: the
# printers' announcements stay on this machine.
AVAHI_CONF = """[server]
use-ipv4=yes
use-ipv6=no
allow-interfaces=lo
enable-dbus=yes
[wide-area]
enable-wide-area=no
"""

# Each job keeps the printer busy this long, and a job cut short can
# still be cancelled in that time.
PRINTING = "#!/bin/sh\nexec sleep 3\n"
ENDED = {"completed", "canceled", "aborted"}


def ipptool_test(name, operation, *lines):
    """An ipptool test file of one `operation` on the printer at $uri: the
    attributes that every request has, then `lines`."""
    return "\n".join(["{", f'  NAME "{name}"', f"  OPERATION {operation}",
                      "  GROUP operation-attributes-tag",
                      "  ATTR charset attributes-charset utf-8",
                      "  ATTR language attributes-natural-language en",
                      "  ATTR uri printer-uri $uri", *(f"  {line}" for line in lines), "}", ""])


JOBS_TEST = ipptool_test("Every job", "Get-Jobs", "ATTR keyword which-jobs all",
                         "ATTR keyword requested-attributes job-id,job-state,job-name",
                         "STATUS successful-ok", "DISPLAY job-id", "DISPLAY job-state",
                         "DISPLAY job-name")
CANCEL_TEST = ipptool_test("Cancel a job", "Cancel-Job", "ATTR integer job-id $job")

# The printers, by the model that they announce and the formats that they take.
PERSONALITIES = (("PDF", "application/pdf"), ("PWG", "image/pwg-raster"),
                 ("URF", "image/urf,image/jpeg"))

# A job of about a megabyte, and how much of it the proxy lets through.
MANY_PAGES = 3000
UPLOAD_CUT = 64 << 10


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
        self.pids = []


BUS = Services()
BUS_DIR = None


def setUpModule():
    """A system bus and an mDNS daemon of the tests' own: ippeveprinter
    needs DNS-SD."""
    global BUS_DIR
    BUS_DIR = tempfile.mkdtemp(prefix="quarvel-bus-")
    try:
        bus = subprocess.run(["dbus-daemon", "--system", "--fork", "--print-pid"],
                             capture_output=True, text=True, check=True)
        BUS.add_pid(int(bus.stdout.split()[0]))
        conf = os.path.join(BUS_DIR, "avahi-daemon.conf")
        with open(conf, "w", encoding="ascii") as file:
            file.write(AVAHI_CONF)
        BUS.start(["avahi-daemon", "--no-drop-root", "--no-chroot", "-f", conf],
                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_until(lambda: os.path.exists("/run/avahi-daemon/pid"), "avahi-daemon")
    except BaseException:
        tearDownModule()
        raise


def tearDownModule():
    BUS.stop()
    shutil.rmtree(BUS_DIR, ignore_errors=True)


def ipptool(uri, test, *variables):
    return subprocess.run(["ipptool", *variables, uri, test], capture_output=True, text=True,
                          timeout=RUN_SECONDS, check=False)


class Printer:
    """An ippeveprinter on a loopback port, announced as "Quarvel MODEL",
    that keeps the documents of its jobs in a folder of its own."""

    def __init__(self, services, run_dir, model, formats):
        self.model, self.folder = model, os.path.join(run_dir, model)
        self.spool = os.path.join(self.folder, "spool")
        os.makedirs(self.spool)
        for name, text in (("printing", PRINTING), ("jobs.test", JOBS_TEST),
                           ("cancel.test", CANCEL_TEST)):
            with open(os.path.join(self.folder, name), "w", encoding="ascii") as file:
                file.write(text)
        os.chmod(os.path.join(self.folder, "printing"), 0o755)
        self.port = free_port()
        self.uri = f"ipp://127.0.0.1:{self.port}/ipp/print"
        with open(os.path.join(self.folder, "log"), "w", encoding="ascii") as log:
            services.start(["ippeveprinter", "-p", str(self.port), "-d", self.spool, "-k",
                            "-s", "10,10", "-c", os.path.join(self.folder, "printing"),
                            "-M", "Quarvel", "-m", model, "-f", formats,
                            f"Quarvel {model} {self.port}"], stdout=log, stderr=log)
        wait_until(lambda: listens(self.port), f"the {model} printer to listen")

    def attribute(self, name):
        """The value of the printer attribute `name`, as ipptool shows it."""
        answer = ipptool(self.uri, "get-printer-attributes.test", "-tv").stdout
        return re.search(rf"^\s*{name} \([^)]*\) = (.*)$", answer, re.M).group(1)

    def jobs(self):
        """{job-id: (job-state, job-name)} of every job that the printer has."""
        answer = ipptool(self.uri, os.path.join(self.folder, "jobs.test"), "-c")
        if answer.returncode:
            raise AssertionError(f"Get-Jobs failed: {answer.stdout}{answer.stderr}")
        rows = list(csv.reader(answer.stdout.splitlines()))[1:]
        return {int(job): (state, name) for job, state, name in rows}

    def settle(self):
        """Cancels every job that a failed test left, and waits until the
        printer takes jobs again."""
        for job, (state, _) in self.jobs().items():
            if state not in ENDED:
                ipptool(self.uri, os.path.join(self.folder, "cancel.test"), "-d", f"job={job}")
        wait_until(lambda: all(state in ENDED for state, _ in self.jobs().values()),
                   f"the jobs of the {self.model} printer to end")

    def document(self, job):
        """The file of the document of `job`, named by its type."""
        names = [name for name in os.listdir(self.spool)
                 if name.startswith(f"{job}-") and not name.endswith(".prn")]
        if len(names) != 1:
            raise AssertionError(f"job {job} has documents {names}")
        return os.path.join(self.spool, names[0])


class PrinterTest(Folder):
    """Tests on the printers of PRINTERS, one process each for the class."""
    PRINTERS = ()

    @classmethod
    def setUpClass(cls):
        cls.run_dir = tempfile.mkdtemp(prefix="quarvel-ipp-")
        cls.services = Services()
        try:
            cls.printers = [Printer(cls.services, cls.run_dir, model, formats)
                            for model, formats in cls.PRINTERS]
        except BaseException:
            cls.tearDownClass()
            raise
        cls.printer = cls.printers[0]

    @classmethod
    def tearDownClass(cls):
        cls.services.stop()
        shutil.rmtree(cls.run_dir, ignore_errors=True)

    def setUp(self):
        super().setUp()
        for printer in self.printers:
            printer.settle()

    def print_invoice(self, *args, uri=None):
        """Prints the invoice, which must succeed as one job that the printer
        has under the program's name for it; returns the job's document."""
        uri = uri or self.printer.uri
        result = run(["-P", uri, *args, "invoice.txt"], self.folder)
        self.assertEqual((result.returncode, result.stdout), (0, ""), result.stderr)
        said = re.fullmatch(rf"quarvel: MyDoc is job (\d+) on {re.escape(uri)}\n", result.stderr)
        self.assertTrue(said, result.stderr)
        job = int(said.group(1))
        jobs = self.printer.jobs()
        self.assertIn(job, jobs)
        self.assertEqual(jobs[job][1], "MyDoc")
        return self.printer.document(job)

    def assert_nothing_printed(self, before):
        """The jobs that came after those of `before` were cancelled or
        aborted, and none is left waiting."""
        wait_until(lambda: all(state in ENDED for state, _ in self.printer.jobs().values()),
                   "the printer's jobs to end")
        new = {job: state for job, (state, _) in self.printer.jobs().items() if job not in before}
        self.assertLessEqual(set(new.values()), {"canceled", "aborted"}, new)


def environment():
    """The caller's environment without its QUARVEL_ settings, as run() has it."""
    return {k: v for k, v in os.environ.items() if not k.startswith("QUARVEL_")}


class Peer(socketserver.ThreadingTCPServer):
    """A server of the test's own on a loopback port: each connection goes
    to `answer(connection, peer)` on a thread of its own. Every wait of its
    threads is bounded, and leaving the `with` block joins them."""
    allow_reuse_address = True
    block_on_close = True

    def __init__(self, answer):
        super().__init__(("127.0.0.1", 0), Connection)
        self.answer = answer
        self.requests = []
        self.uri = f"ipp://127.0.0.1:{self.server_address[1]}/ipp/print"

    def __enter__(self):
        threading.Thread(target=self.serve_forever, daemon=True).start()
        return self

    def __exit__(self, *failure):
        self.shutdown()
        self.server_close()

    def read_requests(self, connection):
        """The bodies of the HTTP requests on `connection`, as they come."""
        stream = connection.makefile("rb")
        while stream.readline():
            headers = {}
            for line in iter(stream.readline, b""):
                if not line.strip():
                    break
                name, _, value = line.decode("latin-1").partition(":")
                headers[name.strip().lower()] = value.strip().lower()
            if headers.get("expect") == "100-continue":
                connection.sendall(b"HTTP/1.1 100 Continue\r\n\r\n")
            if headers.get("transfer-encoding") == "chunked":
                body = b""
                while size := int(stream.readline().split(b";")[0], 16):
                    body += stream.read(size)
                    stream.readline()
                while stream.readline().strip():
                    pass
            else:
                body = stream.read(int(headers.get("content-length", "0")))
            self.requests.append(body)
            yield body


class Connection(socketserver.BaseRequestHandler):
    def handle(self):
        self.request.settimeout(RUN_SECONDS)
        try:
            self.server.answer(self.request, self.server)
        except (OSError, ValueError):
            pass  # a reset, a timeout, a request cut short: the connection ends


def ipp_answer(request, status, message):
    """An IPP answer to `request` with `status` and a status-message."""
    def attribute(tag, name, value):
        return struct.pack(">BH", tag, len(name)) + name + struct.pack(">H", len(value)) + value

    body = (struct.pack(">BBH", 2, 0, status) + request[4:8].ljust(4, b"\0") + b"\x01"
            + attribute(0x47, b"attributes-charset", b"utf-8")
            + attribute(0x48, b"attributes-natural-language", b"en")
            + attribute(0x41, b"status-message", message) + b"\x03")
    return (b"HTTP/1.1 200 OK\r\nContent-Type: application/ipp\r\n"
            b"Content-Length: %d\r\n\r\n" % len(body)) + body


class Proxy(Peer):
    """In front of a real printer: each connection goes through to it, but
    of what the client sends only the first UPLOAD_CUT bytes. Then the
    connection is cut, or with `stall`, the client is read no more until
    drain(), and from then on read to its end and not forwarded."""

    def __init__(self, port, stall=False):
        super().__init__(self.forward)
        self.port, self.stall = port, stall
        self.stalled, self.draining = threading.Event(), threading.Event()

    def drain(self):
        self.draining.set()

    def __exit__(self, *failure):
        self.drain()
        super().__exit__(*failure)

    def forward(self, client, _):
        with socket.create_connection(("127.0.0.1", self.port), timeout=RUN_SECONDS) as printer:
            back = threading.Thread(target=pump, args=(printer, client))
            back.start()
            try:
                if pump(client, printer, UPLOAD_CUT):
                    printer.shutdown(socket.SHUT_WR)
                    back.join(RUN_SECONDS)
                elif self.stall:
                    self.stalled.set()
                    self.draining.wait(RUN_SECONDS)
                    while client.recv(1 << 16):
                        pass
            finally:
                for end in (printer, client):
                    try:
                        end.shutdown(socket.SHUT_RDWR)
                    except OSError:
                        pass
                back.join(RUN_SECONDS)


def pump(source, sink, limit=None):
    """Forwards `source` to `sink`: True when the source ended, False when
    `limit` bytes went through first."""
    sent = 0
    try:
        while limit is None or sent < limit:
            data = source.recv(1 << 16 if limit is None else min(1 << 16, limit - sent))
            if not data:
                return True
            sink.sendall(data)
            sent += len(data)
    except OSError:
        return True
    return False


class PdfPrinterTest(PrinterTest):
    PRINTERS = PERSONALITIES[:1]

    # Guards against a job that does not reach an IPP printer whole, named
    # and typed as the program's jobs are, and against a URI refused for
    # the case of its scheme.
    def test_invoice_reaches_the_printer_as_one_pdf_job(self):
        for uri in (self.printer.uri, self.printer.uri.replace("ipp://", "IPP://")):
            with self.subTest(uri=uri):
                self.printer.settle()
                document = self.print_invoice(uri=uri)
                self.assertTrue(document.endswith(".pdf"), document)
                with open(document, "rb") as job:
                    self.assertEqual(job.read(5), b"%PDF-")
                self.assertEqual(page_count(document), 2)

    # Guards against a job cut on its way that the printer prints as far
    # as it got: it must be cancelled, with the reason said, and without
    # the program dying of the broken pipe.
    def test_cut_upload_leaves_no_job_to_print(self):
        self.write("many.txt", logo_script(MANY_PAGES))
        before = self.printer.jobs()
        with Proxy(self.printer.port) as proxy:
            result = run(["-P", proxy.uri, "many.txt"], self.folder)
        self.assert_fails(result, 1, rf"^quarvel: cannot print to {re.escape(proxy.uri)}: "
                                     r"the connection was closed\n$")
        self.assert_nothing_printed(before)

    # Guards against a run stopped during its upload that leaves the
    # printer a part of the job to print, or that dies of the signal
    # without cancelling.
    def test_terminated_upload_cancels_its_job(self):
        self.write("many.txt", logo_script(MANY_PAGES))
        before = self.printer.jobs()
        with Proxy(self.printer.port, stall=True) as proxy:
            process = subprocess.Popen([QUARVEL, "-P", proxy.uri, "many.txt"], cwd=self.folder,
                                       env=environment(), stdin=subprocess.DEVNULL,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                       text=True)
            try:
                self.assertTrue(proxy.stalled.wait(START_SECONDS), "no upload reached the proxy")
                process.send_signal(signal.SIGTERM)
                proxy.drain()
                _, stderr = process.communicate(timeout=RUN_SECONDS)
            finally:
                if process.poll() is None:
                    process.kill()
                    process.wait()
        self.assertEqual(process.returncode, 128 + signal.SIGTERM, stderr)
        self.assert_nothing_printed(before)


def difference(page, png):
    """None when `page` has the pixels of the PNG file `png`, else what differs."""
    ours = Image.frombytes("RGB", (page.width, page.height), page.pixels)
    with Image.open(png) as image:
        theirs = image.convert("RGB")
    if ours.size != theirs.size:
        return f"{ours.size} pixels against {theirs.size}"
    red, green, blue = ImageChops.difference(ours, theirs).split()
    histogram = ImageChops.lighter(ImageChops.lighter(red, green), blue).histogram()
    if histogram[0] == ours.width * ours.height:
        return None
    largest = max(level for level, count in enumerate(histogram) if count)
    box = ImageChops.difference(ours, theirs).getbbox()
    return (f"{ours.width * ours.height - histogram[0]} pixels differ, by up to {largest} "
            f"levels, within {box}")


class PwgPrinterTest(PrinterTest):
    PRINTERS = PERSONALITIES[1:2]
    # Between the two resolutions that the printer offers, nearer the higher.
    ASKED_DPI = 500

    # Guards against raster pages at a resolution that the printer does not
    # offer or not the nearest one, in another colour space, without the
    # job's page count, or other than the program's own raster pages.
    def test_raster_pages_are_the_png_pages_at_the_nearest_resolution(self):
        offered = [int(dpi) for dpi in re.findall(
            r"(\d+)dpi", self.printer.attribute("pwg-raster-document-resolution-supported"))]
        nearest = min(offered, key=lambda dpi: abs(dpi - self.ASKED_DPI))
        document = self.print_invoice(f"--dpi={self.ASKED_DPI}")
        self.assertTrue(document.endswith(".pwg"), document)
        with open(document, "rb") as job:
            pages = pwg_raster.read_pages(job.read())
        result = run(["-T", "png", f"--dpi={nearest}", "invoice.txt"], self.folder)
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        self.assertEqual(len(pages), 2)
        for number, page in enumerate(pages, 1):
            with self.subTest(page=number):
                self.assertEqual((page.resolution, page.bits_per_pixel, page.color_space),
                                 ((nearest, nearest), 24, pwg_raster.SRGB))
                self.assertEqual(page.total_page_count, len(pages))
                self.assertIsNone(difference(page, self.path(f"MyDoc-p{number}.png")))

    # Guards against a job option that the printer lacks silently dropped,
    # or found out only after the job was made.
    def test_option_the_printer_lacks_fails_before_any_job(self):
        for args, what, known in ((["-n", "2"], "copies 2", "1"),
                                  (["--sides=two-sided-long-edge"], "sides two-sided-long-edge",
                                   "one-sided"),
                                  (["--media=iso_a3_297x420mm"], "media iso_a3_297x420mm",
                                   "iso_a4_210x297mm")):
            with self.subTest(what):
                before = self.printer.jobs()
                result = run(["-P", self.printer.uri, *args, "invoice.txt"], self.folder)
                self.assert_fails(result, 1,
                                  rf"^quarvel: cannot print to {re.escape(self.printer.uri)}: "
                                  rf"{what} is not supported \(supported: [^\n]*\b{known}\b")
                self.assertEqual(self.printer.jobs(), before)


class UrfPrinterTest(PrinterTest):
    PRINTERS = PERSONALITIES[2:]

    # Guards against a printer that takes neither PDF nor PWG Raster sent
    # one of them anyway, or JPEG pages when it takes URF, and against a
    # stream that does not tell its page count.
    def test_printer_without_pdf_or_pwg_raster_gets_urf(self):
        document = self.print_invoice()
        self.assertTrue(document.endswith(".urf"), document)
        with open(document, "rb") as job:
            head = job.read(12)
        self.assertEqual(head[:8], b"UNIRAST\0")
        # The page count, found before the pages are drawn.
        self.assertEqual(struct.unpack(">I", head[8:])[0], 2)


class ListingTest(PrinterTest):
    """The three printers, announced on the loopback interface. With no
    mDNS name service here, the host name that they announce is given its
    address on the loopback interface, as a network's would have it."""
    PRINTERS = PERSONALITIES

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.hosts = None
        try:
            wait_until(cls.announced, "the printers' announcements")
            hosts = {host for host, port in cls.found if port in cls.ports()}
            unknown = [host for host in hosts if not resolves(host)]
            if unknown:
                cls.hosts = os.path.join(cls.run_dir, "hosts")
                with open("/etc/hosts", encoding="ascii") as system:
                    lines = system.read() + "".join(f"127.0.0.1 {host}\n" for host in unknown)
                with open(cls.hosts, "w", encoding="ascii") as file:
                    file.write(lines)
                subprocess.run(["mount", "--bind", cls.hosts, "/etc/hosts"], check=True)
        except BaseException:
            cls.tearDownClass()
            raise

    @classmethod
    def tearDownClass(cls):
        if getattr(cls, "hosts", None):
            subprocess.run(["umount", "/etc/hosts"], check=True)
        super().tearDownClass()

    @classmethod
    def ports(cls):
        return {str(printer.port) for printer in cls.printers}

    @classmethod
    def announced(cls):
        found = subprocess.run(["ippfind", "-T", "1", "_ipp._tcp"], capture_output=True,
                               text=True, timeout=RUN_SECONDS, check=False).stdout
        cls.found = re.findall(r"^ipps?://([^:/]+):(\d+)/", found, re.M)
        return cls.ports() <= {port for _, port in cls.found}

    # Guards against announced printers missing from the list, or listed
    # without what -P takes to reach them, their model, or their state.
    def test_announced_printers_are_listed(self):
        result = run(["--list-printers"], self.folder)
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        for printer in self.printers:
            self.assertRegex(result.stdout, rf"(?m)^ipps?://[^/\t\n]+:{printer.port}/ipp/print"
                                            rf"\tQuarvel {printer.model}\taccepting$")


def resolves(host):
    try:
        socket.getaddrinfo(host, None)
        return True
    except socket.gaierror:
        return False


def close_at_once(connection, peer):
    connection.close()


def never_answer(connection, peer):
    while connection.recv(1 << 16):
        pass


def answer_http_501(connection, peer):
    for _ in peer.read_requests(connection):
        connection.sendall(b"HTTP/1.1 501 Not Implemented\r\nContent-Length: 0\r\n\r\n")


def answer_busy(connection, peer):
    for request in peer.read_requests(connection):
        connection.sendall(ipp_answer(request, 0x0507, b"Printer busy"))


class FaultTest(Folder):
    # Guards against a printer that fails, or is not there, passing for
    # success, a crash, a wait without end, or a reason not said.
    def test_failing_printer_exits_1_with_the_reason(self):
        for name, answer, uri, args, message in (
                ("closes at once", close_at_once, None, [], "the connection was closed"),
                ("never answers", never_answer, None, ["--timeout=2"], None),
                ("answers HTTP 501", answer_http_501, None, [], "HTTP 501 Not Implemented"),
                ("is not there", None, f"ipp://127.0.0.1:{free_port()}/ipp/print", [],
                 "connection refused"),
                ("has an unknown name", None, "ipp://no-such-host.invalid/ipp/print", [],
                 "host no-such-host.invalid not found")):
            with self.subTest(name), Peer(answer) if answer else contextlib.nullcontext() as peer:
                uri = uri or peer.uri
                line = (f"cannot print to {uri}: {message}" if message else
                        f"no answer from {uri} in 2 s")
                result = run(["-P", uri, *args, "invoice.txt"], self.folder)
                self.assert_fails(result, 1, f"^quarvel: {re.escape(line)}\n$")

    # Guards against a busy printer given up on at once, or asked without
    # end, or not named with what it said.
    def test_busy_printer_is_asked_again_then_named(self):
        with Peer(answer_busy) as peer:
            result = run(["--timeout=3", "-P", peer.uri, "invoice.txt"], self.folder)
        self.assert_fails(result, 1, rf"^quarvel: cannot print to {re.escape(peer.uri)}: "
                                     r"server-error-busy: Printer busy \(still busy after 3 s\)\n$")
        self.assertGreater(len(peer.requests), 1)
        self.assertLessEqual(len(peer.requests), 10)


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
