"""What the end-to-end tests of the native quarvel share: the program, the
example, running it, and a test in a folder of its own."""
import os
import re
import shutil
import socket
import subprocess
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..", "..")
QUARVEL = os.environ.get("CLI_QUARVEL", os.path.join(ROOT, "build", "native", "bin", "quarvel"))
EXAMPLES = os.path.join(ROOT, "examples")
RUN_SECONDS = 120
START_SECONDS = 20
TRY_HELP = "Try 'quarvel --help' for more information.\n"


def run(args, cwd, stdin=subprocess.DEVNULL, **variables):
    """Runs quarvel with `args` in `cwd`, without the QUARVEL_ settings of
    the caller's environment but with `variables`."""
    environment = {k: v for k, v in os.environ.items() if not k.startswith("QUARVEL_")}
    return subprocess.run([QUARVEL, *args], cwd=cwd, env=dict(environment, **variables),
                          stdin=stdin, capture_output=True, text=True,
                          timeout=RUN_SECONDS, check=False)


def wait_until(condition, what):
    deadline = time.monotonic() + START_SECONDS
    while not condition():
        if time.monotonic() > deadline:
            raise TimeoutError(f"timed out waiting for {what}")
        time.sleep(0.1)


def free_port():
    """A loopback port on which nothing listens now."""
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def listens(port):
    with socket.socket() as probe:
        return probe.connect_ex(("127.0.0.1", port)) == 0


def page_count(pdf):
    info = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True, check=True).stdout
    return int(re.search(r"^Pages:\s+(\d+)", info, re.M).group(1))


def logo_script(pages):
    """A job of `pages` pages, each with the example logo and a line of text."""
    lines = ["x", "beginDocument"]
    for page in range(pages):
        lines += ["beginPage", "beginImage", "logo.png", "435", "405", "200", "67",
                  "beginText", "", "60", "normal", "", "10", "700", f"Page {page + 1}", "endText",
                  "endPage"]
    return "\n".join(lines + ["endDocument", ""])


class Folder(unittest.TestCase):
    """A test in a fresh folder holding the example invoice and its logo."""

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="quarvel-cli-")
        # A cleanup runs even when a later step of setUp fails.
        self.addCleanup(shutil.rmtree, self.folder, ignore_errors=True)
        for name in ("invoice.txt", "logo.png"):
            shutil.copy(os.path.join(EXAMPLES, name), self.folder)

    def path(self, *names):
        return os.path.join(self.folder, *names)

    def write(self, name, text):
        with open(self.path(name), "w", encoding="ascii") as file:
            file.write(text)

    def assert_fails(self, result, status, stderr_pattern, stdout=""):
        self.assertEqual((result.returncode, result.stdout), (status, stdout), result.stderr)
        self.assertRegex(result.stderr, stderr_pattern)
        self.assertEqual(len(result.stderr.splitlines()), 2 if status == 2 else 1, result.stderr)
