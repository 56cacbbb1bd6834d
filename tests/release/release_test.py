"""Checks of what `cmake --workflow --preset release` leaves in build/release/:
the Windows ZIP, the Debian package, and the manual pages as the package
installs them. scripts/test.sh runs them after the workflow:

    python3 tests/release/release_test.py [TEST...]   (unittest names)
"""
import gzip
import os
import re
import shlex
import shutil
import subprocess
import tempfile
import unittest
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..", "..")
RELEASE = os.path.join(ROOT, "build", "release")
EXAMPLES = os.path.join(ROOT, "examples")
RUN_SECONDS = 120


def project_version():
    """The version that CMakeLists.txt gives the project."""
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="ascii") as file:
        return re.search(r"^project\(quarvel VERSION ([0-9.]+)", file.read(), re.M).group(1)


VERSION = project_version()
ZIP = os.path.join(RELEASE, f"quarvel-{VERSION}-win32.zip")
DEB = os.path.join(RELEASE, f"quarvel_{VERSION}_amd64.deb")

# The programs of the ZIP: check-pe.sh's subsystem option, and the DLLs
# each may import, all of them system DLLs.
PROGRAMS = {
    "quarvel.exe": ([], "kernel32.dll msvcrt.dll user32.dll gdi32.dll comdlg32.dll shell32.dll "
                        "gdiplus.dll"),
    "quarvel-check.exe": (["--console"],
                          "kernel32.dll msvcrt.dll user32.dll gdi32.dll comdlg32.dll gdiplus.dll"),
    "splash.exe": ([], "user32.dll gdi32.dll kernel32.dll msvcrt.dll"),
}
EXAMPLE_FILES = ["invoice.txt", "logo.png"]
ZIP_FILES = sorted([*PROGRAMS, "README.txt", *EXAMPLE_FILES])
TRACES = ["simnpldebug2.txt", "debug.txt", "debug2.txt"]

MANUAL_PAGES = ["usr/share/man/man1/quarvel.1.gz", "usr/share/man/man5/quarvel-script.5.gz"]
DEB_FILES = sorted(["usr/bin/quarvel", *MANUAL_PAGES,
                    *(f"usr/share/doc/quarvel/examples/{name}" for name in EXAMPLE_FILES)])
# The packages of the libraries that the native program links.
LINKED_PACKAGES = ["libcairo2", "libcups2", "libfontconfig1", "libfreetype6", "libgdk-pixbuf-2.0-0",
                   "zlib1g"]
# The font that gives Arial's metrics, which the package adds to the
# computed dependencies.
FONT_DEPENDENCY = "fonts-liberation | fonts-liberation2"

# Linters of a compressed manual page, each of which must pass it without a
# word.
LINTERS = {
    "groff": "zcat {page} | groff -ww -man -z",
    "mandoc": "mandoc -T lint {page}",
    "man": "man --warnings -l {page} >/dev/null",
}


def run(command, cwd=None):
    return subprocess.run(command, cwd=cwd, capture_output=True, text=True, timeout=RUN_SECONDS,
                          check=False)


def without_quarvel_settings():
    return {k: v for k, v in os.environ.items() if not k.startswith("QUARVEL_")}


def page_texts(pdf):
    """The text of each page of a PDF file."""
    text = subprocess.run(["pdftotext", pdf, "-"], capture_output=True, text=True,
                          check=True).stdout
    return text.split("\f")[:-1]


def rendered(page):
    """The text of a manual page as man shows it, on lines long enough that
    no word is broken."""
    return subprocess.run(["man", "-l", page], env=dict(os.environ, MANWIDTH="1000"),
                          capture_output=True, text=True, check=True).stdout


def checker_keywords():
    """The keywords and style words of the script, from the checker's table."""
    with open(os.path.join(ROOT, "quarvel", "checker", "script_keywords.cpp"),
              encoding="ascii") as file:
        source = file.read()
    table = re.search(r"kKeywords\[\] = \{(.*?)\n\};", source, re.S).group(1)
    styles = re.search(r"kStyleWords\[\] = \{(.*?)\};", source).group(1)
    return re.findall(r'\{"(\w+)",', table) + re.findall(r'"(\w+)"', styles)


class Scratch(unittest.TestCase):
    """A test class with a scratch folder of its own."""

    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="quarvel-release-")
        # A class cleanup runs even when a later step of setUpClass fails.
        cls.addClassCleanup(shutil.rmtree, cls.scratch, ignore_errors=True)


class ZipTest(Scratch):
    """quarvel-<version>-win32.zip, unpacked."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        with zipfile.ZipFile(ZIP) as archive:
            cls.names = sorted(archive.namelist())
            archive.extractall(cls.scratch)

    def path(self, name):
        return os.path.join(self.scratch, name)

    # Guards against test programs, folders or build files in the ZIP, and
    # against a deliverable left out.
    def test_holds_exactly_the_deliverables_the_readme_and_the_example(self):
        self.assertEqual(self.names, ZIP_FILES)

    # Guards against a 64-bit or console program where a 32-bit GUI one is
    # due, and against a DLL that a Windows machine does not have.
    def test_programs_are_32_bit_of_their_subsystem_importing_system_dlls(self):
        for program, (options, dlls) in PROGRAMS.items():
            with self.subTest(program):
                result = run(["bash", os.path.join(ROOT, "scripts", "check-pe.sh"), *options,
                              self.path(program), *dlls.split()])
                self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    # Guards against a program without a version resource, or with another
    # version or file name than its own.
    def test_programs_carry_the_project_version(self):
        for program in PROGRAMS:
            with self.subTest(program):
                result = run(["python3", os.path.join(ROOT, "scripts", "check-version.py"),
                              self.path(program), VERSION])
                self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    # Guards against a README that Notepad shows on one line, and against
    # one that says nothing of a program or a trace file.
    def test_readme_is_windows_text_about_the_programs_and_traces(self):
        with open(self.path("README.txt"), "rb") as file:
            text = file.read()
        self.assertEqual(text.count(b"\n"), text.count(b"\r\n"))
        self.assertIn(f"quarvel {VERSION} for Windows".encode(), text)
        for word in [*PROGRAMS, *TRACES, "invoice.txt"]:
            with self.subTest(word):
                self.assertIn(word.encode(), text)

    # Guards against an example that is not the one of the repository.
    def test_example_is_the_repository_example(self):
        for name in EXAMPLE_FILES:
            with self.subTest(name):
                with open(self.path(name), "rb") as packed, \
                        open(os.path.join(EXAMPLES, name), "rb") as source:
                    self.assertEqual(packed.read(), source.read())


class DebTest(Scratch):
    """quarvel_<version>_amd64.deb, unpacked into a scratch root as dpkg
    would install it."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.root = os.path.join(cls.scratch, "root")
        subprocess.run(["dpkg-deb", "-x", DEB, cls.root], check=True)
        cls.quarvel = os.path.join(cls.root, "usr", "bin", "quarvel")

    def field(self, name):
        return subprocess.run(["dpkg-deb", "-f", DEB, name], capture_output=True, text=True,
                              check=True).stdout.strip()

    def run_quarvel(self, args, cwd):
        return subprocess.run([self.quarvel, *args], cwd=cwd, env=without_quarvel_settings(),
                              stdin=subprocess.DEVNULL, capture_output=True, text=True,
                              timeout=RUN_SECONDS, check=False)

    def folder_with_example(self, name):
        folder = os.path.join(self.scratch, name)
        shutil.copytree(os.path.join(self.root, "usr", "share", "doc", "quarvel", "examples"),
                        folder)
        return folder

    # Guards against a file installed elsewhere than on the PATH or in the
    # manual, and against files the package should not install.
    def test_installs_quarvel_its_manual_pages_and_the_example(self):
        listing = subprocess.run(["dpkg-deb", "-c", DEB], capture_output=True, text=True,
                                 check=True).stdout
        files = sorted(line.split()[5][2:] for line in listing.splitlines()
                       if not line.startswith("d"))
        self.assertEqual(files, DEB_FILES)

    # Guards against a package named or versioned other than the project.
    def test_names_the_project_version_and_architecture(self):
        self.assertEqual([self.field(name) for name in ("Package", "Version", "Architecture")],
                         ["quarvel", VERSION, "amd64"])

    # Guards against dependencies written by hand or left uncomputed (CPack
    # falls back silently to the written ones without dpkg-shlibdeps), and
    # against a missing font dependency.
    def test_depends_on_the_font_and_the_computed_libraries(self):
        shlibdeps = os.path.join(self.scratch, "shlibdeps")
        os.makedirs(os.path.join(shlibdeps, "debian"))
        open(os.path.join(shlibdeps, "debian", "control"), "w", encoding="ascii").close()
        computed = subprocess.run(["dpkg-shlibdeps", "-O", self.quarvel], cwd=shlibdeps,
                                  capture_output=True, text=True, check=True).stdout
        computed = computed.strip().removeprefix("shlibs:Depends=")
        self.assertEqual(self.field("Depends"), f"{FONT_DEPENDENCY}, {computed}")
        for package in LINKED_PACKAGES:
            with self.subTest(package):
                self.assertRegex(computed, rf"(^|, ){re.escape(package)} \(>= ")

    # Guards against an installed program that cannot run or names another
    # version.
    def test_installed_program_shows_the_project_version(self):
        result = self.run_quarvel(["--version"], self.scratch)
        self.assertEqual((result.returncode, result.stdout), (0, f"quarvel {VERSION}\n"))

    # Guards against an installed program that cannot print its example:
    # the two pages with their text (which needs the font), and the traces.
    def test_installed_program_prints_the_example(self):
        folder = self.folder_with_example("print")
        result = self.run_quarvel(["invoice.txt"], folder)
        self.assertEqual((result.returncode, result.stdout, result.stderr), (0, "", ""))
        pages = page_texts(os.path.join(folder, "MyDoc.pdf"))
        self.assertEqual(len(pages), 2)
        self.assertIn("Invoice 2026-117", pages[0])
        self.assertIn("Terms of payment", pages[1])
        for trace in TRACES:
            with self.subTest(trace):
                self.assertTrue(os.path.isfile(os.path.join(folder, trace)))

    # Guards against a manual page that groff, mandoc or man warns about, or
    # whose NAME line the manual's index cannot read.
    def test_manual_pages_lint_clean(self):
        for page in MANUAL_PAGES:
            path = shlex.quote(os.path.join(self.root, page))
            for linter, command in LINTERS.items():
                with self.subTest(page=page, linter=linter):
                    result = run(["bash", "-o", "pipefail", "-c", command.format(page=path)])
                    self.assertEqual((result.returncode, result.stdout, result.stderr), (0, "", ""))
            with self.subTest(page=page, linter="lexgrog"):
                result = run(["lexgrog", os.path.join(self.root, page)])
                self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
                self.assertRegex(result.stdout, r': "quarvel(-script)? - \w')

    # Guards against an option, a setting of the environment or a kind of
    # finding that quarvel(1) leaves out.
    def test_quarvel_1_documents_the_whole_command_line(self):
        usage = self.run_quarvel(["--help"], self.scratch).stdout
        words = (re.findall(r"--[a-z][a-z-]*[a-z]", usage) + re.findall(r"QUARVEL_[A-Z]+", usage)
                 + re.findall(r"^  ([a-z-]+)", usage.split("Kinds of finding")[1], re.M))
        self.assertGreater(len(words), 20)
        text = rendered(os.path.join(self.root, MANUAL_PAGES[0]))
        for word in sorted(set(words)):
            with self.subTest(word):
                self.assertTrue(re.search(rf"(?<![\w-]){re.escape(word)}(?![\w-])", text),
                                f"{word} is not in quarvel(1)")

    # Guards against a keyword or style word that quarvel-script(5) leaves
    # out.
    def test_quarvel_script_5_documents_every_keyword(self):
        keywords = checker_keywords()
        self.assertGreater(len(keywords), 20)
        text = rendered(os.path.join(self.root, MANUAL_PAGES[1]))
        for keyword in keywords:
            with self.subTest(keyword):
                self.assertTrue(re.search(rf"\b{keyword}\b", text),
                                f"{keyword} is not in quarvel-script(5)")

    # Guards against an example in quarvel-script(5) that does other than
    # it says: it must check without a finding, and print its one page.
    def test_quarvel_script_5_example_checks_clean_and_prints(self):
        with gzip.open(os.path.join(self.root, MANUAL_PAGES[1]), "rt", encoding="ascii") as file:
            source = file.read()
        example = re.search(r"^\.SH EXAMPLE\n.*?^\.EX\n(.*?)^\.EE\n", source, re.M | re.S).group(1)
        folder = self.folder_with_example("man-example")
        with open(os.path.join(folder, "example.txt"), "w", encoding="ascii") as file:
            file.write(example)
        result = self.run_quarvel(["--check", "-Wtraces", "example.txt"], folder)
        self.assertEqual((result.returncode, result.stdout), (0, ""), result.stderr)
        result = self.run_quarvel(["-o", "example.pdf", "example.txt"], folder)
        self.assertEqual(result.returncode, 0, result.stderr)
        pages = page_texts(os.path.join(folder, "example.pdf"))
        self.assertEqual(len(pages), 1)
        self.assertIn("Price list", pages[0])


if __name__ == "__main__":
    unittest.main(verbosity=2)
