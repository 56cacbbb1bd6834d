"""Starting the Windows programs under 64-bit Wine, in the prefix, on the
display and with the spooler that run.sh set up (its environment)."""
import os
import subprocess

import desktop

WINE = "/usr/lib/wine/wine64"
# Wine's debug channels for the run that must show why a case failed: the
# DLLs loaded; the spooler, which takes the CUPS printers in, and the print
# dialog; windows, their X11 side and message boxes.
TRACE_CHANNELS = "+loaddll,+winspool,+localspl,+commdlg,+win,+x11drv,+msgbox"


def program_path(name):
    """The path of the Windows program `name` in the build's bin directory."""
    return os.path.join(os.environ["E2E_BIN_DIR"], name)


class WindowsProgram:
    """One run of a Windows program, with its standard output and error sent
    to files in `log_dir`; `wine_debug` adds to the WINEDEBUG channels of
    the environment for this run."""

    def __init__(self, name, arguments, cwd, log_dir, wine_debug=None):
        environment = dict(os.environ)
        if wine_debug is not None:
            environment["WINEDEBUG"] = ",".join(
                filter(None, (environment.get("WINEDEBUG"), wine_debug)))
        self.log_dir = log_dir
        self.stdout_path = os.path.join(log_dir, "stdout.txt")
        self.stderr_path = os.path.join(log_dir, "wine-stderr.txt")
        with open(self.stdout_path, "wb") as stdout, open(self.stderr_path, "wb") as stderr:
            self.process = subprocess.Popen(
                [WINE, program_path(name), *arguments], cwd=cwd,
                stdin=subprocess.DEVNULL, stdout=stdout, stderr=stderr, env=environment)

    def finished(self):
        """True once the program has ended."""
        return self.process.poll() is not None

    def exit_code(self):
        return self.process.returncode

    def stop(self):
        """Ends a program that is still running (after a failed wait), and
        keeps the screen and the list of windows as they were then."""
        if not self.finished():
            desktop.save_screenshot(os.path.join(self.log_dir, "screen.png"))
            desktop.save_window_list(os.path.join(self.log_dir, "windows.txt"))
            self.process.kill()
            self.process.wait()

    def standard_output(self):
        with open(self.stdout_path, "rb") as stdout:
            return stdout.read()

    def wine_messages(self):
        with open(self.stderr_path, encoding="utf-8", errors="replace") as stderr:
            return stderr.read()
