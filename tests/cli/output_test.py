"""End-to-end tests of what the native quarvel does with the files and
streams around a job: nothing of the user's lost, and no failure reported
as success. Each family of faults is one table-driven test, on real files,
a real second user, real full disks and real memory limits."""
import os
import pwd
import re
import resource
import shutil
import stat
import subprocess

from cli_support import EXAMPLES, QUARVEL, RUN_SECONDS, Folder, page_count, run

NOBODY = pwd.getpwnam("nobody")
TWO_JOBS = "x\nbeginDocument\nbeginPage\nendPage\nendDocument\nbeginDocument\nendDocument\n"
NEVER_ENDED = "x\nbeginDocument\nbeginPage\n"
# Memory for a run: PDF of the example fits in it, a PNG page at 1200 dpi
# (557 MB) does not.
MEMORY_LIMIT = 300 << 20


def limited_memory():
    resource.setrlimit(resource.RLIMIT_AS, (MEMORY_LIMIT, MEMORY_LIMIT))


def quarvel(args, cwd, **options):
    """Runs quarvel as run() does, with subprocess.run's `options`."""
    options.setdefault("stdin", subprocess.DEVNULL)
    return subprocess.run([QUARVEL, *args], cwd=cwd, capture_output=True, text=True,
                          timeout=RUN_SECONDS, check=False, **options)


def contents(path):
    with open(path, "rb") as file:
        return file.read()


class OutputTest(Folder):
    def setUp(self):
        super().setUp()
        os.chmod(self.folder, 0o755)

    def case_folder(self, name, mode=0o777, owner=0):
        folder = self.path(name)
        os.mkdir(folder)
        os.chmod(folder, mode)
        os.chown(folder, owner, owner and NOBODY.pw_gid)
        for example in ("invoice.txt", "logo.png"):
            shutil.copy(os.path.join(EXAMPLES, example), folder)
        return folder

    def as_nobody(self, args, cwd):
        """Runs quarvel as nobody: a copy where they may run it, with a cache
        of their own for fontconfig, as they have no home."""
        program = self.path("quarvel")
        if not os.path.exists(program):
            shutil.copy(QUARVEL, program)
            os.mkdir(self.path("cache"), 0o777)
        prefix = ["runuser", "-u", "nobody", "--", "env", f"XDG_CACHE_HOME={self.path('cache')}"]
        result = subprocess.run([*prefix, program, *args], cwd=cwd, capture_output=True, text=True,
                                stdin=subprocess.DEVNULL, timeout=RUN_SECONDS, check=False)
        return result

    def shell_redirection(self, user, output, cwd):
        """What ": > OUTPUT" does as `user`: "" or the system's reason."""
        prefix = ["runuser", "-u", "nobody", "--"] if user == "nobody" else []
        shell = subprocess.run([*prefix, "sh", "-c", f": > {output}"], cwd=cwd,
                               capture_output=True, text=True, check=False)
        return shell.stderr.strip().rsplit(": ", 1)[-1] if shell.returncode else ""

    # Guards against an output that is a file the job reads: the script, or
    # an image that it draws, was replaced by the job and lost.
    def test_an_output_that_the_job_reads_is_refused(self):
        with open(self.path("invoice.txt"), "rb") as script:
            lines = script.read().replace(b"logo.png\r\n", b"picture\r\n")
        with open(self.path("picture.txt"), "wb") as script:
            script.write(lines)
        shutil.copy(self.path("logo.png"), self.path("picture"))
        os.symlink("invoice.txt", self.path("link.txt"))
        shutil.copy(self.path("invoice.txt"), self.path("piped.txt"))
        cases = (
            (["-o", "invoice.txt", "invoice.txt"], None, "invoice.txt", "it is the script"),
            (["-o", "link.txt", "invoice.txt"], None, "link.txt", "it is the script"),
            (["-o", "piped.txt", "-"], "piped.txt", "piped.txt", "it is the script"),
            (["-o", "picture", "picture.txt"], None, "picture",
             "it is an image that the script draws"),
        )
        for args, stdin, output, reason in cases:
            before = contents(self.path(output))
            with open(self.path(stdin or os.devnull), "rb") as script:
                result = quarvel(args, self.folder, stdin=script)
            self.assert_fails(result, 1, f"^quarvel: cannot write {output}: {reason}\n$")
            self.assertEqual(contents(self.path(output)), before, args)

    # Guards against replacing a file weakening what the shell's ">" keeps
    # of it (its mode, its group and owner, a symbolic link), or writing a
    # file that ">" would refuse to; a file that cannot be replaced whole,
    # whose folder refuses a new file, is refused with a pointer to ">".
    def test_a_replaced_file_keeps_what_the_shells_redirection_keeps(self):
        nobody = (NOBODY.pw_uid, NOBODY.pw_gid)
        # (name, user, folder mode and owner, file mode and owner, reason or
        # "" for a file replaced)
        cases = (
            ("private", "root", (0o755, 0), (0o600, (0, 0)), ""),
            ("read-only", "root", (0o755, 0), (0o444, (0, 0)), ""),
            ("others'", "root", (0o755, 0), (0o640, nobody), ""),
            ("own read-only", "nobody", (0o755, NOBODY.pw_uid), (0o444, nobody),
             "cannot write out.pdf: Permission denied"),
            ("another user's", "nobody", (0o777, 0), (0o644, (0, 0)),
             "cannot write out.pdf: Permission denied"),
            ("closed folder", "nobody", (0o755, 0), (0o666, (0, 0)),
             "cannot replace out.pdf whole: its folder refuses a new file (Permission denied); "
             "'quarvel -o - ... > out.pdf' writes it in place"),
        )
        for name, user, (folder_mode, folder_owner), (mode, owner), reason in cases:
            folder = self.case_folder(name, folder_mode, folder_owner)
            output = os.path.join(folder, "out.pdf")
            with open(output, "w", encoding="ascii") as file:
                file.write("old")
            os.chown(output, *owner)
            os.chmod(output, mode)
            args = ["-o", "out.pdf", "invoice.txt"]
            result = self.as_nobody(args, folder) if user == "nobody" else quarvel(args, folder)
            status = os.stat(output)
            if reason:
                self.assert_fails(result, 1, f"^quarvel: {re.escape(reason)}\n$")
                self.assertEqual(contents(output), b"old", name)
                if reason.startswith("cannot write"):
                    self.assertEqual(self.shell_redirection(user, "out.pdf", folder),
                                     reason.rsplit(": ", 1)[1], f"{name}: what > says")
            else:
                self.assertEqual((result.returncode, result.stderr), (0, ""), name)
                self.assertEqual(page_count(output), 2, name)
            self.assertEqual((stat.S_IMODE(status.st_mode), (status.st_uid, status.st_gid)),
                             (mode, owner), name)
            self.assertEqual([entry for entry in os.listdir(folder) if entry.startswith(".")], [],
                             name)

    # Guards against a symbolic link replaced by the file it named, and
    # documents hard links: the name written is a new file, the others keep
    # the old one.
    def test_links_lead_to_the_file_they_name(self):
        for name in ("target.pdf", "first.pdf"):
            self.write(name, "old")
        os.symlink("target.pdf", self.path("link.pdf"))
        os.link(self.path("first.pdf"), self.path("second.pdf"))
        for output in ("link.pdf", "first.pdf"):
            result = quarvel(["-o", output, "invoice.txt"], self.folder)
            self.assertEqual((result.returncode, result.stderr), (0, ""), output)
        self.assertEqual(os.readlink(self.path("link.pdf")), "target.pdf")
        self.assertEqual(page_count(self.path("target.pdf")), 2)
        self.assertEqual(page_count(self.path("first.pdf")), 2)
        self.assertEqual(contents(self.path("second.pdf")), b"old")

    @staticmethod
    def remove_files_beside_dev_null():
        """Removes what a faulty run made beside /dev/null: regular files."""
        for name in os.listdir("/dev"):
            path = os.path.join("/dev", name)
            if name.startswith("null-") and stat.S_ISREG(os.lstat(path).st_mode):
                os.remove(path)

    # Guards against a device given files beside it (/dev/null-2 and
    # /dev/null-p1, made as root), or taking only the first job or page.
    def test_a_device_takes_every_job_and_page(self):
        self.addCleanup(self.remove_files_beside_dev_null)
        self.write("two.txt", TWO_JOBS)
        for args in (["-o", "/dev/null", "two.txt"], ["-T", "png", "-o", "/dev/null", "two.txt"]):
            result = quarvel(args, self.folder)
            self.assertEqual((result.returncode, result.stderr), (0, ""), args)
        self.assertEqual([name for name in os.listdir("/dev") if name.startswith("null")], ["null"])
        pages = subprocess.run([QUARVEL, "-T", "svg", "-o", "/dev/stdout", "invoice.txt"],
                               cwd=self.folder, capture_output=True, check=False)
        self.assertEqual((pages.returncode, pages.stdout.count(b"<svg")), (0, 2))

    # Guards against a job of many files put in place in part: when a page
    # cannot replace its old file (a file mounted over, a full disk), every
    # old page stays as it was, and nothing is left beside them.
    def test_a_job_of_many_files_is_put_in_place_whole_or_not_at_all(self):
        mounted = self.case_folder("mounted", 0o755)
        small = self.case_folder("small", 0o755)
        subprocess.run(["mount", "-t", "tmpfs", "-o", "size=96k", "cli-pages", small], check=True)
        self.addCleanup(subprocess.run, ["umount", small], check=True)
        for folder in (mounted, small):
            shutil.copy(os.path.join(EXAMPLES, "invoice.txt"), folder)
            shutil.copy(os.path.join(EXAMPLES, "logo.png"), folder)
            for page in (1, 2):
                with open(os.path.join(folder, f"MyDoc-p{page}.svg"), "w", encoding="ascii") as f:
                    f.write(f"old {page}")
        self.write("over.svg", "mounted")
        subprocess.run(["mount", "--bind", self.path("over.svg"),
                        os.path.join(mounted, "MyDoc-p2.svg")], check=True)
        self.addCleanup(subprocess.run, ["umount", os.path.join(mounted, "MyDoc-p2.svg")],
                        check=True)
        for folder, reason in ((mounted, "Device or resource busy|Invalid cross-device link"),
                               (small, "No space left on device")):
            result = quarvel(["-T", "svg", "invoice.txt"], folder)
            self.assert_fails(result, 1, f"^quarvel: cannot write MyDoc-p[12]\\.svg: ({reason})\n$")
            self.assertEqual([contents(os.path.join(folder, f"MyDoc-p{page}.svg"))
                              for page in (1, 2)], [b"old 1", b"mounted" if folder == mounted
                                                    else b"old 2"], folder)
            self.assertEqual(sorted(name for name in os.listdir(folder) if name.startswith(".")),
                             [], folder)

    # Guards against memory that runs out passing for success (cairo's page
    # in error became an empty file in place of the old one, with exit 0),
    # and against a line that takes memory beyond measure: /dev/zero as the
    # script grew until the run was killed.
    def test_memory_that_runs_out_fails_the_job(self):
        self.write("MyDoc-p1.png", "old")
        line = "x\nbeginDocument\nbeginPage\nbeginText\n\n60\nnormal\n\n10\n700\n"
        long_line = (line + "y" * (257 << 20)).encode("ascii")
        self.write("twenty.txt", line + "w" * (20 << 20) + "\nendText\nendPage\nendDocument\n")
        cases = (
            (["-T", "png", "--dpi", "1200", "invoice.txt"], None, 1,
             "^quarvel: MyDoc\\.png: cannot render page 1 of MyDoc: out of memory\n$"),
            *((["-T", format, "-o", f"twenty.{format}", "twenty.txt"], None, 0, "^$")
              for format in ("pdf", "ps", "svg", "png")),
            # Lines beyond the limit, which a limit on memory would end first.
            (["/dev/zero"], None, 1,
             "^quarvel: /dev/zero:1: the line is longer than 256 MiB; nothing more is read\n$"),
            (["-"], long_line, 1,
             "^quarvel: -:11: the line is longer than 256 MiB; nothing more is read\n$"),
        )
        for args, stdin, status, message in cases:
            result = subprocess.run([QUARVEL, *args], cwd=self.folder, input=stdin,
                                    capture_output=True,
                                    preexec_fn=None if "256 MiB" in message else limited_memory,
                                    timeout=RUN_SECONDS, check=False)
            self.assertEqual(result.returncode, status, args)
            self.assertRegex(result.stderr.decode(), message)
        self.assertEqual(contents(self.path("MyDoc-p1.png")), b"old")
        self.assertNotIn("MyDoc-p2.png", os.listdir(self.folder))
        self.assertNotIn("MyDoc.pdf", os.listdir(self.folder))

    # Guards against output lost on a full or closed standard output with
    # exit 0, as --log and --help had it; standard output closed but never
    # written to is no failure.
    def test_a_standard_output_that_fails_fails_the_run(self):
        def closed_output():
            os.close(1)
        for args in (["--log", "invoice.txt"], ["-o", "-", "invoice.txt"], ["--help"],
                     ["--version"]):
            for name, output, before in (("full", "/dev/full", None),
                                         ("closed", os.devnull, closed_output)):
                with open(output, "w", encoding="ascii") as stdout:
                    result = subprocess.run([QUARVEL, *args], cwd=self.folder, stdout=stdout,
                                            stderr=subprocess.PIPE, text=True,
                                            stdin=subprocess.DEVNULL, preexec_fn=before,
                                            check=False)
                reason = "No space left on device" if name == "full" else "Bad file descriptor"
                self.assertEqual(result.returncode, 1, (args, name))
                self.assertRegex(result.stderr,
                                 f"^quarvel: (write error|cannot write standard output): "
                                 f"{reason}\n$")
        quiet = subprocess.run([QUARVEL, "-o", "x.pdf", "invoice.txt"], cwd=self.folder,
                               stdin=subprocess.DEVNULL, stderr=subprocess.PIPE,
                               preexec_fn=closed_output, check=False)
        self.assertEqual((quiet.returncode, quiet.stderr), (0, b""))

    # Guards against a script that cannot be read to its end taken as ended
    # there, with exit 0.
    def test_a_script_that_cannot_be_read_fails_the_run(self):
        for script, stdin, reason in (("/proc/self/mem", os.devnull, "Input/output error"),
                                      ("-", self.folder, "Is a directory")):
            input_file = os.open(stdin, os.O_RDONLY)
            result = quarvel([script], self.folder, stdin=input_file)
            os.close(input_file)
            self.assert_fails(result, 1, f"^quarvel: {re.escape(script)}: {reason}\n$")

    # Guards against a run that prints nothing without a word: a document
    # never ended fails, and a script without a document says what it most
    # likely is (but under -q).
    def test_a_run_that_prints_nothing_says_why(self):
        self.write("open.txt", NEVER_ENDED)
        self.write("empty.txt", "")
        self.write("prose.txt", "Dear customer,\nplease find the invoice attached.\n")
        with open(self.path("wide.txt"), "wb") as wide:
            wide.write(contents(self.path("invoice.txt")).decode("latin-1").encode("utf-16"))
        cases = (
            ("open.txt", 1, "open.txt:2: the document begun here is never ended; "
                            "nothing was printed"),
            ("empty.txt", 0, "empty.txt: nothing to print: the script is empty"),
            ("prose.txt", 0, "prose.txt: nothing to print: no \"beginDocument\" line begins a "
                             "document"),
            ("logo.png", 0, "logo.png: nothing to print: no \"beginDocument\" line begins a "
                            "document"),
            ("wide.txt", 0, "wide.txt: nothing to print: the file looks like UTF-16 text, and "
                            "scripts are read in a single-byte code page; convert it (iconv -f "
                            "UTF-16 -t WINDOWS-1250)"),
        )
        for script, status, message in cases:
            result = run([script], self.folder)
            self.assertEqual((result.returncode, result.stdout, result.stderr),
                             (status, "", f"quarvel: {message}\n"), script)
            quiet = run(["-q", script], self.folder)
            self.assertEqual(quiet.stderr, "" if status == 0 else f"quarvel: {message}\n")
        self.assertNotIn("MyDoc.pdf", os.listdir(self.folder))

    # Guards against the message of a script that cannot be opened written
    # into the job's own stream: -o - > out.pdf got it.
    def test_unable_to_open_file_stays_out_of_the_output(self):
        for args, output in ((["-o", "-", "missing.txt"], ""),
                             (["--log", "missing.txt"], "dialog portrait\nabortproc\n")):
            result = run(args, self.folder)
            self.assertEqual((result.returncode, result.stdout), (1, output), args)
            self.assertEqual(result.stderr, "Unable to open file\nquarvel: cannot open "
                                            "missing.txt: No such file or directory\n")
